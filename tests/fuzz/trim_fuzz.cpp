// TrimEditText against a second, character-list implementation: the text is
// cut into characters (a byte of 0x80 or above takes the next byte with it),
// spaces (20, and A1 A1) are dropped at both ends, the rest joined again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/desktop_relocation.h"
#include "tests/fuzz/check.h"

namespace {

std::vector<Text> Characters(const Text& text) {
  std::vector<Text> chars;
  for (size_t i = 0; i < text.size();) {
    const size_t n = static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
    chars.push_back(text.substr(i, n));
    i += n;
  }
  return chars;
}

bool IsSpace(const Text& c) { return c == " " || c == "\xA1\xA1"; }

Text ReferenceTrim(const Text& text) {
  const std::vector<Text> chars = Characters(text);
  size_t first = 0, last = chars.size();
  while (first < last && IsSpace(chars[first])) ++first;
  while (last > first && IsSpace(chars[last - 1])) --last;
  Text out;
  for (size_t i = first; i < last; ++i) out += chars[i];
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const Text text(reinterpret_cast<const char*>(data), size);
  const Text trimmed = TrimEditText(text);
  if (trimmed != ReferenceTrim(text)) {
    std::fprintf(stderr, "input  %s\ngot    %s\nwanted %s\n", fuzz::Hex(text).c_str(),
                 fuzz::Hex(trimmed).c_str(), fuzz::Hex(ReferenceTrim(text)).c_str());
  }
  FUZZ_CHECK(trimmed == ReferenceTrim(text));
  // What is kept is one piece of the text, and trimming it again changes nothing.
  FUZZ_CHECK(text.find(trimmed) != Text::npos);
  FUZZ_CHECK(TrimEditText(trimmed) == trimmed);
  // Tabs and line breaks are never trimmed.
  if (!text.empty() && (text.front() == '\t' || text.front() == '\n'))
    FUZZ_CHECK(!trimmed.empty() && trimmed.front() == text.front());
  return 0;
}
