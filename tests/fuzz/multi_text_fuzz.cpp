// The multi-string conversions, both ways. Text into data: CR LF pairs become
// zero bytes, everything else stays, two zero bytes end it. Data into text:
// zero bytes become CR LF. Checked against byte counts and both round trips.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "registry/text_scan.h"
#include "tests/fuzz/check.h"

namespace {

// The text with every CR LF pair (scanning once from the start) counted.
size_t CrLfPairs(const Text& text) {
  size_t pairs = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '\r' && text[i + 1] == '\n') ++pairs, ++i;
  return pairs;
}

Text ZerosToCrLf(const Text& text) {
  Text out;
  for (char c : text) {
    if (c == 0)
      out += "\r\n";
    else
      out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const Text text(reinterpret_cast<const char*>(data), size);
  const Bytes bytes(data, data + size);

  // Text into data.
  const Bytes stored = MultiTextToBytes(text);
  FUZZ_CHECK(stored.size() == text.size() - CrLfPairs(text) + 2);
  FUZZ_CHECK(stored[stored.size() - 1] == 0 && stored[stored.size() - 2] == 0);
  // Its zero bytes: those of the text, one for each CR LF pair, the two at the end.
  FUZZ_CHECK(std::count(stored.begin(), stored.end(), 0) ==
             static_cast<std::ptrdiff_t>(std::count(text.begin(), text.end(), '\0') +
                                         CrLfPairs(text) + 2));
  // Read back, each zero byte comes back as CR LF: the text (zero bytes in it
  // turned into CR LF) followed by two CR LF.
  FUZZ_CHECK(BytesToMultiText(stored) == ZerosToCrLf(text) + "\r\n\r\n");

  // Data into text.
  const Text read = BytesToMultiText(bytes);
  const auto zeros = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), 0));
  FUZZ_CHECK(read.size() == bytes.size() + zeros);
  FUZZ_CHECK(read.find('\0') == Text::npos);
  FUZZ_CHECK(read == ZerosToCrLf(text));
  // Written again, every CR LF pair of what was read becomes one zero byte;
  // data so written hold no CR directly before an LF, so from then on a read
  // and a write give back the same data with two more zero bytes.
  const Bytes again = MultiTextToBytes(read);
  FUZZ_CHECK(again.size() == read.size() - CrLfPairs(read) + 2);
  Bytes again_ended = again;
  again_ended.push_back(0);
  again_ended.push_back(0);
  FUZZ_CHECK(MultiTextToBytes(BytesToMultiText(again)) == again_ended);
  return 0;
}
