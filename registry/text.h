// Text and Bytes: the two data shapes every registry operation trades in.
#pragma once

#include <string>
#include <vector>

// A string of code page 936 bytes. Its length is the number of bytes before
// the terminating zero byte; no encoding conversion happens anywhere.
using Text = std::string;

// A counted sequence of bytes; zero bytes may stand anywhere.
using Bytes = std::vector<unsigned char>;

// The Text's bytes without its terminating zero byte.
inline Bytes TextToBytes(const Text& text) { return Bytes(text.begin(), text.end()); }

// The bytes up to, not including, the first zero byte; all of them when there is none.
inline Text BytesToText(const Bytes& bytes) {
  Text text;
  for (unsigned char b : bytes) {
    if (b == 0) break;
    text.push_back(static_cast<char>(b));
  }
  return text;
}
