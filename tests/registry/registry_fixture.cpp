#include "tests/registry/registry_fixture.h"

#ifndef _WIN32
#include "registry/memory_registry.h"
#endif

namespace regtest {

Text RegistryTest::Path(const std::string& below) const {
  Text path = "HKEY_CURRENT_USER\\" + sub_path_;
  if (!below.empty()) path += "\\" + below;
  return path;
}

void RegistryTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  sub_path_ = std::string("Software\\MorvaneTest\\") + info->test_suite_name() + "." + info->name();
  for (char& c : sub_path_)
    if (c == '/') c = '.';
#ifndef _WIN32
  memreg::Reset();
#endif
  RemoveScratchKey();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, sub_path_.c_str(), &key), ERROR_SUCCESS);
  RegCloseKey(key);
  ClearCalls();
}

void RegistryTest::TearDown() { RemoveScratchKey(); }

void RegistryTest::RemoveScratchKey() {
#ifdef _WIN32
  RegDeleteTreeA(HKEY_CURRENT_USER, sub_path_.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, sub_path_.c_str());
#else
  memreg::Reset();
#endif
}

void RegistryTest::Put(const std::string& below, const std::string& name, DWORD type,
                       const Bytes& data) {
  std::string path = sub_path_ + (below.empty() ? "" : "\\" + below);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
  // A non-zero byte after the data keeps the system from counting a zero that follows.
  Bytes guarded = data;
  guarded.push_back(0xFF);
  EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, data.empty() ? nullptr : guarded.data(),
                           static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::optional<StoredValue> RegistryTest::Get(const std::string& below, const std::string& name) {
  return GetUnder(HKEY_CURRENT_USER, sub_path_ + (below.empty() ? "" : "\\" + below), name);
}

bool RegistryTest::KeyExists(const std::string& below) {
  return KeyExistsUnder(HKEY_CURRENT_USER, sub_path_ + (below.empty() ? "" : "\\" + below));
}

std::optional<StoredValue> RegistryTest::GetUnder(HKEY root, const std::string& path,
                                                  const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  StoredValue v;
  DWORD size = 0;
  LONG r = RegQueryValueExA(key, name.c_str(), nullptr, &v.type, nullptr, &size);
  if (r == ERROR_SUCCESS) {
    v.data.resize(size);
    r = RegQueryValueExA(key, name.c_str(), nullptr, &v.type, v.data.data(), &size);
    v.data.resize(size);
  }
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return std::nullopt;
  return v;
}

bool RegistryTest::KeyExistsUnder(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void RegistryTest::RemoveUnder(HKEY root, const std::string& path) {
#ifdef _WIN32
  RegDeleteTreeA(root, path.c_str());
#endif
  // The system deletes no key that still has subkeys, so only empty ones go.
  for (std::string p = path; !p.empty();) {
    RegDeleteKeyA(root, p.c_str());
    const size_t slash = p.rfind('\\');
    p = slash == std::string::npos ? "" : p.substr(0, slash);
  }
}

#ifdef _WIN32

bool ObservesCalls() { return false; }
// Wine keeps no count of registry handles that a process can read, but it hands
// out the lowest free slot of the handle table: a handle left open by an
// operation moves the slot that the next new handle gets.
int OpenHandles() {
  HKEY probe = nullptr;
  RegOpenKeyA(HKEY_CURRENT_USER, "Software", &probe);
  const auto mark = reinterpret_cast<ULONG_PTR>(probe);
  RegCloseKey(probe);
  return static_cast<int>(mark);
}
void ClearCalls() {}
int CountCalls(const std::string&) { return 0; }
int CountAllCalls() { return 0; }
std::optional<std::string> LastName(const std::string&) { return std::nullopt; }
DWORD LastSize(const std::string&) { return 0; }
bool LastHadData(const std::string&) { return false; }

#else

namespace {
const memreg::Call* Last(const std::string& function) {
  const auto& calls = memreg::Calls();
  for (auto it = calls.rbegin(); it != calls.rend(); ++it)
    if (it->function == function) return &*it;
  return nullptr;
}
}  // namespace

bool ObservesCalls() { return true; }
int OpenHandles() { return memreg::OpenHandleCount(); }
void ClearCalls() { memreg::ClearCalls(); }
int CountCalls(const std::string& function) { return memreg::CountCalls(function); }
int CountAllCalls() { return static_cast<int>(memreg::Calls().size()); }
std::optional<std::string> LastName(const std::string& function) {
  const memreg::Call* c = Last(function);
  if (!c || !c->has_name) return std::nullopt;
  return c->name;
}
DWORD LastSize(const std::string& function) {
  const memreg::Call* c = Last(function);
  return c ? c->size : 0;
}
bool LastHadData(const std::string& function) {
  const memreg::Call* c = Last(function);
  return c && c->has_data;
}

#endif

}  // namespace regtest
