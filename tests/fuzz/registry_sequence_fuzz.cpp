// RegistryAccess driven by a sequence of random operations on random key paths,
// value names and data, against the in-memory registry; now and then one of the
// registry calls of a step is made to fail. After every step: no handle is open,
// and
//  - a successful write reads back, through every read operation, exactly what
//    the conversions say: the Text's bytes (TextToBytes), the multi-string layout
//    (MultiTextToBytes), four little-endian bytes, the Bytes unchanged; read as
//    Text up to the first zero byte (BytesToText), as lines (BytesToMultiText),
//    as a number from the first four bytes; listed by EnumValues and described
//    by DescribeValueType;
//  - a failed write changes no value anywhere (keys it created may stay);
//  - a read, a listing, a description, a flush or an existence test changes
//    nothing at all, and they agree with each other;
//  - a deleted value or key is gone, and a refused deletion changes nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "registry/fatal_error.h"
#include "registry/memory_registry.h"
#include "registry/registry_access.h"
#include "registry/text_scan.h"
#include "tests/fuzz/check.h"

namespace {

const HKEY kAllRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                          HKEY_CURRENT_CONFIG};

std::string DumpAll() {
  std::string all;
  for (HKEY root : kAllRoots) all += memreg::Dump(root) + "--\n";
  return all;
}

// Every value of the registry with the key that holds it; keys without values
// leave no trace, so that keys a failed write created do not count.
std::string ValuesOnly() {
  std::string out;
  for (HKEY root : kAllRoots) {
    const std::string dump = memreg::Dump(root);
    std::string key;
    size_t start = 0;
    while (start < dump.size()) {
      size_t end = dump.find('\n', start);
      if (end == std::string::npos) end = dump.size();
      const std::string line = dump.substr(start, end - start);
      if (!line.empty() && line[0] == '[')
        key = line;
      else
        out += key + line + "\n";
      start = end + 1;
    }
    out += "--\n";
  }
  return out;
}

int fatal_errors = 0;
int last_fatal_code = 0;
void RecordFatal(int code) {
  ++fatal_errors;
  last_fatal_code = code;
}

Text Pick(FuzzedDataProvider& in, const std::vector<Text>& pool, size_t random_length) {
  const size_t choice = in.ConsumeIntegralInRange<size_t>(0, pool.size());
  if (choice < pool.size()) return pool[choice];
  Text random = in.ConsumeRandomLengthString(random_length);
  // A Text ends at its first zero byte: names and paths hold none.
  return random.substr(0, random.find('\0'));
}

Text PickPath(FuzzedDataProvider& in) {
  static const std::vector<Text> roots = {"HKEY_CURRENT_USER",
                                          "HKEY_LOCAL_MACHINE",
                                          "HKEY_USERS",
                                          "HKEY_CLASSES_ROOT",
                                          "hkey_current_user",
                                          "HKCU",
                                          ""};
  static const std::vector<Text> parts = {"Software",         "A",        "a", "B", "", "\xB5\x5C",
                                          "\xD7\xC0\xC3\xE6", "Long Name"};
  Text path = Pick(in, roots, 20);
  if (in.ConsumeIntegralInRange(0, 15) == 0) return path;  // no backslash at all
  path += '\\';
  const int depth = in.ConsumeIntegralInRange(0, 3);
  for (int i = 0; i < depth; ++i) {
    if (i) path += '\\';
    path += Pick(in, parts, 12);
  }
  if (in.ConsumeIntegralInRange(0, 7) == 0) path += '\\';
  return path;
}

Text PickName(FuzzedDataProvider& in) {
  static const std::vector<Text> names = {"", "v", "V", "Desktop", "\xB5\x5C", "x\xA1\xA1"};
  const size_t choice = in.ConsumeIntegralInRange<size_t>(0, names.size() + 1);
  if (choice < names.size()) return names[choice];
  if (choice == names.size()) return Text(in.ConsumeIntegralInRange<size_t>(250, 300), 'n');
  Text random = in.ConsumeRandomLengthString(16);
  return random.substr(0, random.find('\0'));
}

// Names compare as the registry compares them: ASCII letters in either case,
// both bytes of a double-byte character exactly.
bool SameName(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  bool trail = false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (!trail) {
      if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
      if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    }
    if (x != y) return false;
    trail = !trail && static_cast<unsigned char>(a[i]) >= 0x80;
  }
  return true;
}

std::int32_t FirstFourBytes(const Bytes& data) {
  std::uint32_t bits = 0;
  for (size_t i = 0; i < 4 && i < data.size(); ++i) bits |= std::uint32_t{data[i]} << (8 * i);
  return static_cast<std::int32_t>(bits);
}

bool KnownType(DWORD type) {
  return type == REG_NONE || type == REG_SZ || type == REG_EXPAND_SZ || type == REG_BINARY ||
         type == REG_DWORD || type == REG_MULTI_SZ;
}

// Every read of (path, name) agrees with what ReadValue gives; nothing changes.
void CheckReadsAgree(RegistryAccess& r, const Text& path, const Text& name) {
  const std::string before = DumpAll();
  DWORD type = 0xDEAD;
  const Bytes data = r.ReadValue(path, name, type);
  FUZZ_CHECK(r.ReadBinary(path, name) == data);
  FUZZ_CHECK(r.ReadText(path, name) == BytesToText(data));
  FUZZ_CHECK(r.ReadExpandText(path, name) == BytesToText(data));
  FUZZ_CHECK(r.ReadMultiText(path, name) == BytesToMultiText(data));
  FUZZ_CHECK(r.ReadNumber(path, name) == FirstFourBytes(data));
  // Data that came back means the value exists (empty data may be either).
  if (!data.empty()) FUZZ_CHECK(r.ValueExists(path, name));
  if (!r.ValueExists(path)) FUZZ_CHECK(data.empty() && !r.ValueExists(path, name));
  FUZZ_CHECK(r.FlushKey(path) == r.ValueExists(path));
  FUZZ_CHECK(r.Clone()->ReadBinary(path, name) == data);
  FUZZ_CHECK(DumpAll() == before);
  FUZZ_CHECK(memreg::OpenHandleCount() == 0);
}

// After a successful write of data with type under (path, name).
void CheckWritten(RegistryAccess& r, const Text& path, const Text& name, const Bytes& data,
                  DWORD type) {
  DWORD read_type = 0xDEAD;
  const Bytes read = r.ReadValue(path, name, read_type);
  if (read != data) {
    std::fprintf(stderr, "wrote %s\nread  %s\n",
                 fuzz::Hex(std::string(data.begin(), data.end())).c_str(),
                 fuzz::Hex(std::string(read.begin(), read.end())).c_str());
  }
  FUZZ_CHECK(read == data);
  FUZZ_CHECK(read_type == type);
  FUZZ_CHECK(r.ValueExists(path, name));
  CheckReadsAgree(r, path, name);

  // Listed once, under the name as first stored (any letter case), with the data.
  std::vector<Text> names;
  std::vector<Bytes> listed;
  std::vector<DWORD> types;
  const std::int32_t count = r.EnumValues(path, names, listed, types);
  FUZZ_CHECK(count >= 1 && static_cast<size_t>(count) == names.size());
  int matches = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!SameName(names[i], name)) continue;
    ++matches;
    FUZZ_CHECK(listed[i] == data);
    FUZZ_CHECK(types[i] == type);
    const Text described = r.DescribeValueType(path, names[i]);
    FUZZ_CHECK(described.empty() == !KnownType(type));
    if (!described.empty()) {
      const std::string code = std::to_string(type);
      FUZZ_CHECK(described.size() > code.size() &&
                 described.compare(described.size() - code.size(), code.size(), code) == 0);
    }
  }
  FUZZ_CHECK(matches == 1);
  FUZZ_CHECK(memreg::OpenHandleCount() == 0);
}

const char* RootName(std::int32_t root) {
  switch (root) {
    case 1:
      return "HKEY_CLASSES_ROOT";
    case 3:
      return "HKEY_CURRENT_USER";
    case 4:
      return "HKEY_LOCAL_MACHINE";
    case 5:
      return "HKEY_USERS";
    default:
      return nullptr;
  }
}

const LONG kErrors[] = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND,    ERROR_INVALID_HANDLE,
                        ERROR_OUTOFMEMORY,   ERROR_INVALID_PARAMETER, ERROR_BAD_PATHNAME,
                        ERROR_MORE_DATA,     ERROR_NO_MORE_ITEMS,     ERROR_KEY_DELETED};

// Under MORVANE_FUZZ_TRACE, the registry calls of the step just ended.
void TraceCalls() {
  if (!std::getenv("MORVANE_FUZZ_TRACE")) return;
  for (const memreg::Call& c : memreg::Calls())
    std::fprintf(stderr, "  %s %s -> %d\n", c.function.c_str(), fuzz::Hex(c.name).c_str(),
                 static_cast<int>(c.result));
}

// Makes one of the next registry calls fail with one of the errors they can
// meet: one of the first six (most operations make no more), or for a tree
// deletion one of the first 24.
void Refail(FuzzedDataProvider& in, int op) {
  memreg::ClearFailures();
  memreg::FailNthCall(in.ConsumeIntegralInRange(1, op == 13 ? 24 : 6),
                      kErrors[in.ConsumeIntegralInRange<size_t>(0, 8)]);
}

// The key path and value name of the last successful write, which later steps
// come back to half of the time.
struct LastWrite {
  bool any = false;
  Text path, name;
};

void Step(FuzzedDataProvider& in, RegistryAccess& r, LastWrite& last) {
  const int op = in.ConsumeIntegralInRange(0, 15);
  const bool again = last.any && in.ConsumeBool();
  const Text path = again ? last.path : PickPath(in);
  const Text name = again ? last.name : PickName(in);
  // One step in eight has one of its registry calls fail.
  const bool faulty = in.ConsumeIntegralInRange(0, 7) == 0;
  if (faulty) Refail(in, op);
  if (std::getenv("MORVANE_FUZZ_TRACE"))  // to read back what a kept input does
    std::fprintf(stderr, "op %d path %s name %s%s\n", op, fuzz::Hex(path).c_str(),
                 fuzz::Hex(name).c_str(), faulty ? " (a call fails)" : "");
  const std::string before = DumpAll();
  const std::string values_before = ValuesOnly();
  memreg::ClearCalls();

  // A write: on success it reads back as the conversions say; on failure no
  // value anywhere has changed.
  auto written = [&](bool ok, const Bytes& data, DWORD type) {
    memreg::ClearFailures();
    FUZZ_CHECK(memreg::OpenHandleCount() == 0);
    if (ok) {
      CheckWritten(r, path, name, data, type);
      last = {true, path, name};
    } else
      FUZZ_CHECK(ValuesOnly() == values_before);
  };

  switch (op) {
    case 0: {
      const DWORD types[] = {REG_NONE,  REG_SZ,       REG_EXPAND_SZ, REG_BINARY,
                             REG_DWORD, REG_MULTI_SZ, REG_QWORD,     REG_LINK};
      const DWORD type = types[in.ConsumeIntegralInRange<size_t>(0, 7)];
      const std::string bytes = in.ConsumeRandomLengthString(300);
      const Bytes data(bytes.begin(), bytes.end());
      written(r.WriteValue(path, name, data, type), data, type);
      break;
    }
    case 1: {
      const Text text = in.ConsumeRandomLengthString(300);
      written(r.WriteText(path, name, text), TextToBytes(text), REG_SZ);
      break;
    }
    case 2: {
      const Text text = in.ConsumeRandomLengthString(300);
      written(r.WriteExpandText(path, name, text), TextToBytes(text), REG_EXPAND_SZ);
      break;
    }
    case 3: {
      const Text text = in.ConsumeRandomLengthString(300);
      written(r.WriteMultiText(path, name, text), MultiTextToBytes(text), REG_MULTI_SZ);
      break;
    }
    case 4: {
      const auto number = in.ConsumeIntegral<std::int32_t>();
      const auto bits = static_cast<std::uint32_t>(number);
      const Bytes data = {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8),
                          static_cast<BYTE>(bits >> 16), static_cast<BYTE>(bits >> 24)};
      const bool ok = r.WriteDword(path, name, number);
      written(ok, data, REG_DWORD);
      if (ok) FUZZ_CHECK(r.ReadNumber(path, name) == number);
      break;
    }
    case 5: {
      const std::string bytes = in.ConsumeRandomLengthString(300);
      const Bytes data(bytes.begin(), bytes.end());
      written(r.WriteBinary(path, name, data), data, REG_BINARY);
      break;
    }
    case 6: {
      // Below a root chosen by number; 0 and 6 are a caller's fault.
      const auto root = in.ConsumeIntegralInRange<std::int32_t>(0, 6);
      const size_t slash = path.find('\\');
      const Text sub = slash == Text::npos ? Text() : path.substr(slash + 1);
      const std::string bytes = in.ConsumeRandomLengthString(64);
      const Bytes data(bytes.begin(), bytes.end());
      const int fatal_before = fatal_errors;
      const bool ok = r.WriteValueUnderRoot(root, sub, name, data, REG_SZ);
      TraceCalls();
      memreg::ClearFailures();
      FUZZ_CHECK(memreg::OpenHandleCount() == 0);
      if (root < 1 || root > 5) {
        FUZZ_CHECK(!ok && fatal_errors == fatal_before + 1);
        FUZZ_CHECK(last_fatal_code == kFatalArgumentOutOfRange);
        FUZZ_CHECK(DumpAll() == before);
      } else if (!ok) {
        FUZZ_CHECK(ValuesOnly() == values_before);
      } else if (const char* root_name = RootName(root)) {
        DWORD type = 0;
        FUZZ_CHECK(r.ReadValue(Text(root_name) + "\\" + sub, name, type) == data);
        FUZZ_CHECK(type == REG_SZ);
      }
      break;
    }
    case 7:
    case 8: {
      // Under a failure a read gives either empty data or the data themselves.
      DWORD type = 0;
      const Bytes data = r.ReadValue(path, name, type);
      memreg::ClearFailures();
      FUZZ_CHECK(memreg::OpenHandleCount() == 0);
      FUZZ_CHECK(DumpAll() == before);
      DWORD clean_type = 0;
      const Bytes clean = r.ReadValue(path, name, clean_type);
      FUZZ_CHECK(data == clean || (faulty && data.empty()));
      CheckReadsAgree(r, path, name);
      break;
    }
    case 9: {
      std::vector<Text> names = {"stale"};
      const std::int32_t count = r.EnumSubKeys(path, names);
      memreg::ClearFailures();
      FUZZ_CHECK(DumpAll() == before);
      FUZZ_CHECK(count == -1 ? names.empty() : static_cast<size_t>(count) == names.size());
      if (!faulty) {
        FUZZ_CHECK((count == -1) == !r.ValueExists(path));
        // A subkey's path: one backslash between (a root's path ends in one already).
        const bool ends_in_backslash = !path.empty() && LastBackslash(path) == path.size() - 1;
        for (const Text& n : names)
          FUZZ_CHECK(r.ValueExists(path + (ends_in_backslash ? "" : "\\") + n));
      }
      break;
    }
    case 10: {
      std::vector<Text> names = {"stale"};
      std::vector<Bytes> data = {{1}};
      std::vector<DWORD> types = {1, 2};
      const std::int32_t count = r.EnumValues(path, names, data, types);
      memreg::ClearFailures();
      FUZZ_CHECK(DumpAll() == before);
      FUZZ_CHECK(names.size() == data.size() && data.size() == types.size());
      FUZZ_CHECK(count == -1 ? names.empty() : static_cast<size_t>(count) == names.size());
      for (size_t i = 0; i < names.size(); ++i) {
        DWORD type = 0;
        FUZZ_CHECK(r.ReadValue(path, names[i], type) == data[i]);
        FUZZ_CHECK(type == types[i]);
      }
      if (!faulty) FUZZ_CHECK((count == -1) == !r.ValueExists(path));
      break;
    }
    case 11: {
      const Text described = r.DescribeValueType(path, name);
      memreg::ClearFailures();
      FUZZ_CHECK(DumpAll() == before);
      // Found only under the very bytes of a listed name, and only for one of
      // the six described types; the code ends the description.
      std::vector<Text> names;
      std::vector<Bytes> data;
      std::vector<DWORD> types;
      r.EnumValues(path, names, data, types);
      std::optional<DWORD> exact;
      for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) exact = types[i];
      if (!faulty) FUZZ_CHECK(described.empty() == !(exact && KnownType(*exact)));
      if (!described.empty()) {
        FUZZ_CHECK(exact && KnownType(*exact));
        const std::string code = std::to_string(*exact);
        FUZZ_CHECK(described.size() > code.size() &&
                   described.compare(described.size() - code.size(), code.size(), code) == 0);
      }
      break;
    }
    case 12: {
      memreg::ClearFailures();
      const bool existed = r.ValueExists(path, name);
      if (faulty) Refail(in, op);
      const bool ok = r.DeleteValue(path, name);
      memreg::ClearFailures();
      if (ok) FUZZ_CHECK(existed && !r.ValueExists(path, name));
      if (!ok) FUZZ_CHECK(DumpAll() == before);
      if (!faulty) FUZZ_CHECK(ok == existed);
      break;
    }
    case 13: {
      memreg::ClearFailures();
      const bool existed = r.ValueExists(path);
      if (faulty) Refail(in, op);
      const bool ok = r.DeleteKeyTree(path);
      memreg::ClearFailures();
      if (ok) FUZZ_CHECK(existed && !r.ValueExists(path));
      // Its last character, not its last byte: a name may end in a double-byte
      // character whose second byte is 5C.
      const bool ends_in_backslash = !path.empty() && LastBackslash(path) == path.size() - 1;
      if (ends_in_backslash) FUZZ_CHECK(!ok && DumpAll() == before);
      // Every existing key that is not a root alone goes, with its whole tree.
      if (!faulty) FUZZ_CHECK(ok == (existed && !ends_in_backslash));
      break;
    }
    case 14: {
      const bool create = in.ConsumeBool();
      HKEY key = r.OpenKey(path, create);
      memreg::ClearFailures();
      if (key) RegCloseKey(key);
      if (!create) FUZZ_CHECK(DumpAll() == before);
      break;
    }
    default: {
      const bool ok = r.FlushKey(path);
      memreg::ClearFailures();
      FUZZ_CHECK(DumpAll() == before);
      if (!faulty) FUZZ_CHECK(ok == r.ValueExists(path));
      break;
    }
  }
  memreg::ClearFailures();
  FUZZ_CHECK(memreg::OpenHandleCount() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  memreg::Reset();
  SetFatalErrorHook(RecordFatal);
  RegistryAccess registry;
  LastWrite last;
  for (int steps = 0; steps < 48 && in.remaining_bytes() > 0; ++steps) Step(in, registry, last);
  return 0;
}
