// LastBackslash against a walk over the characters of the path: the answer is
// the last character that is a backslash. For pure ASCII it is rfind; and a
// double-byte character with second byte 5C appended never moves the answer,
// unless the path ended on a lead byte whose second byte it then supplies.
#include <cstddef>
#include <cstdint>

#include "registry/text_scan.h"
#include "tests/fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const Text path(reinterpret_cast<const char*>(data), size);
  const size_t found = LastBackslash(path);

  size_t expected = Text::npos;
  bool ascii = true;
  bool ends_on_lead_byte = false;  // a lead byte still waiting for its second byte
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    ends_on_lead_byte = false;
    if (c >= 0x80) {
      ascii = false;
      ends_on_lead_byte = i + 1 == path.size();
      ++i;  // the second byte belongs to this character, whatever its value
    } else if (c == '\\') {
      expected = i;
    }
  }
  FUZZ_CHECK(found == expected);
  if (found != Text::npos) FUZZ_CHECK(path[found] == '\\');
  if (ascii) FUZZ_CHECK(found == path.rfind('\\'));

  const Text extended = path + "\x81\x5C";
  FUZZ_CHECK(LastBackslash(extended) == (ends_on_lead_byte ? path.size() + 1 : found));
  return 0;
}
