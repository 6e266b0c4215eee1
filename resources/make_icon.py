#!/usr/bin/env python3
"""Builds morvane.ico from icon.txt: three 16-colour (4 bits per pixel) images,
16 x 16, 32 x 32 and 48 x 48, the larger ones scaled up pixel for pixel.

usage: make_icon.py icon.txt out.ico
"""
import struct
import sys

PALETTE = [  # the standard VGA colours, as (red, green, blue)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
SIZES = (16, 32, 48)


def read_picture(path):
    rows = [line.rstrip("\n") for line in open(path, encoding="utf-8")
            if line.strip() and not line.startswith("#")]
    if len(rows) != 16 or any(len(r) != 16 for r in rows):
        sys.exit(f"{path}: expected 16 rows of 16 pixels")
    return rows


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4  # rows are padded to 4 bytes


def image(rows, size):
    scale = size // 16
    pixel = lambda x, y: rows[y // scale][x // scale]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour, mask = bytearray(), bytearray()
    for y in reversed(range(size)):  # bottom-up
        line = bytearray(row_bytes(size * 4))
        bits = bytearray(row_bytes(size))
        for x in range(size):
            p = pixel(x, y)
            index = 0 if p == "." else int(p, 16)
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if p == ".":
                bits[x // 8] |= 0x80 >> (x % 8)
        colour += line
        mask += bits
    return header + palette + bytes(colour) + bytes(mask)


def main():
    rows = read_picture(sys.argv[1])
    images = [image(rows, s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[2], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
