// OpenKey's parsing of key paths, against the in-memory registry. The root name
// is everything before the first backslash and must be one of the four, byte for
// byte; otherwise no registry call is made. Else exactly one call goes out, to
// RegCreateKeyA or RegOpenKeyA, with that predefined key and the rest of the path
// unchanged (no name at all when it is empty). The handle comes back exactly
// when that call succeeded, it is the only one open, and opening changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "registry/memory_registry.h"
#include "registry/registry_access.h"
#include "tests/fuzz/check.h"

namespace {

const struct {
  const char* name;
  HKEY key;
} kRoots[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
};

HKEY RootNamed(const Text& name) {
  for (const auto& r : kRoots)
    if (name == r.name) return r.key;
  return nullptr;
}

std::string DumpAll() {
  std::string all;
  for (HKEY root :
       {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG})
    all += memreg::Dump(root) + "--\n";
  return all;
}

// Keys for paths to find: letters, a doubled name, a double-byte name whose
// second byte is 5C.
void Arrange() {
  memreg::Reset();
  for (const char* path : {"Software\\A\\B", "Software\\a b\\C", "Software\\\xB5\x5C\\D", "A"}) {
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, path, &key);
    RegCloseKey(key);
    RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &key);
    RegCloseKey(key);
  }
  memreg::ClearCalls();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool create = data[0] & 1;
  // A Text ends at its first zero byte.
  const char* text = reinterpret_cast<const char*>(data + 1);
  const Text path(text, strnlen(text, size - 1));

  Arrange();
  const std::string before = DumpAll();
  RegistryAccess registry;
  HKEY key = registry.OpenKey(path, create);

  const size_t slash = path.find('\\');
  const HKEY root = slash == Text::npos ? nullptr : RootNamed(path.substr(0, slash));
  const auto& calls = memreg::Calls();
  if (!root) {
    FUZZ_CHECK(key == nullptr);
    FUZZ_CHECK(calls.empty());
    FUZZ_CHECK(DumpAll() == before);
    return 0;
  }
  const Text sub = path.substr(slash + 1);
  FUZZ_CHECK(calls.size() == 1);
  const memreg::Call& call = calls[0];
  FUZZ_CHECK(call.function == (create ? "RegCreateKeyA" : "RegOpenKeyA"));
  FUZZ_CHECK(call.key == root);
  FUZZ_CHECK(call.has_name == !sub.empty());
  FUZZ_CHECK(call.name == sub);
  FUZZ_CHECK((key != nullptr) == (call.result == ERROR_SUCCESS));
  if (!create || !key) FUZZ_CHECK(DumpAll() == before);
  if (key) {
    // Opening a root with no name gives back the predefined key itself, as the
    // system does; every other success is one new handle.
    const bool same_root = key == root;
    FUZZ_CHECK(!same_root || (!create && sub.empty()));
    FUZZ_CHECK(memreg::OpenHandleCount() == (same_root ? 0 : 1));
    if (!sub.empty()) FUZZ_CHECK(memreg::KeyExists(root, sub));
    RegCloseKey(key);
  }
  FUZZ_CHECK(memreg::OpenHandleCount() == 0);
  return 0;
}
