// Byte-level scans and conversions of Text and Bytes that RegistryAccess uses:
// the double-byte aware search for the last backslash of a key path, and the
// multi-string conversions of WriteMultiText and ReadMultiText.
#pragma once

#include <cstddef>

#include "registry/text.h"

// The position (from 0) of the last backslash of path, or Text::npos. A byte of
// 0x80 or above and the byte after it form one character, so the second byte of
// a double-byte character is never taken for a backslash.
size_t LastBackslash(const Text& path);

// CR LF separated lines into REG_MULTI_SZ data: each CR LF pair (scanning once,
// not overlapping) becomes one zero byte, every other byte stays, and two zero
// bytes end the data.
Bytes MultiTextToBytes(const Text& text);

// REG_MULTI_SZ data into CR LF separated lines: every zero byte, the
// terminating ones included, becomes CR LF; every other byte stays.
Text BytesToMultiText(const Bytes& data);
