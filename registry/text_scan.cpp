#include "registry/text_scan.h"

size_t LastBackslash(const Text& path) {
  size_t last = Text::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c >= 0x80) {
      ++i;
    } else if (c == '\\') {
      last = i;
    }
  }
  return last;
}

Bytes MultiTextToBytes(const Text& text) {
  Bytes data;
  data.reserve(text.size() + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      data.push_back(0);
      ++i;
    } else {
      data.push_back(static_cast<unsigned char>(text[i]));
    }
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

Text BytesToMultiText(const Bytes& data) {
  Text text;
  for (unsigned char b : data) {
    if (b == 0) {
      text += "\r\n";
    } else {
      text.push_back(static_cast<char>(b));
    }
  }
  return text;
}
