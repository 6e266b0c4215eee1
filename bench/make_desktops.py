#!/usr/bin/env python3
"""Generates the two desktops the file benchmarks work on.

  make_desktops.py large DIR   1,000 files of mixed sizes, about 200 MB
  make_desktops.py small DIR   20,000 small files in nested folders

The contents are random but the same on every run (a fixed start for the generator)."""
import os
import random
import sys


def write(path, size, rng):
    with open(path, "wb") as f:
        f.write(rng.randbytes(size))


def large(root, rng):
    # 8 big files (12 MB), 92 medium (0.5-1.5 MB), 900 small (1-25 KB): about 200 MB.
    sizes = [12 << 20] * 8 + [rng.randint(512 << 10, 1536 << 10) for _ in range(92)]
    sizes += [rng.randint(1 << 10, 25 << 10) for _ in range(900)]
    rng.shuffle(sizes)
    folders = [root] + [os.path.join(root, name) for name in ("资料", "photos", "项目 2024", "backup")]
    for folder in folders:
        os.makedirs(folder, exist_ok=True)
    kinds = ["文档 %04d.txt", "photo %04d.jpg", "报表 %04d.xlsx", "setup %04d.bin"]
    for i, size in enumerate(sizes):
        folder = root if i < 600 else folders[1 + (i - 600) // 100]
        write(os.path.join(folder, kinds[i % len(kinds)] % i), size, rng)


def small(root, rng):
    # 10 x 10 x 10 folders, 20 files of 100-4000 bytes in each: 20,000 files.
    for a in range(10):
        for b in range(10):
            for c in range(10):
                folder = os.path.join(root, "目录 %d" % a, "sub %d" % b, "叶 %d" % c)
                os.makedirs(folder)
                for i in range(20):
                    write(os.path.join(folder, "note %02d.txt" % i), rng.randint(100, 4000), rng)


if __name__ == "__main__":
    kind, root = sys.argv[1], sys.argv[2]
    os.makedirs(root)
    {"large": large, "small": small}[kind](root, random.Random(7))
