#include "registry/registry_access.h"

#include <cstring>

namespace {

struct RootName {
  const char* name;
  HKEY key;
};

// The only root names a key path may start with, compared byte for byte.
const RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
};

HKEY LookUpRoot(const Text& root) {
  for (const RootName& r : kRootNames)
    if (root == r.name) return r.key;
  return nullptr;
}

// For string types the system also stores a zero byte that directly follows the
// given data in memory. The data goes out from a copy followed by a non-zero
// byte, so that exactly the given bytes are stored, whatever lies beyond them.
bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

RegistryAccess::~RegistryAccess() = default;

std::unique_ptr<RegistryAccess> RegistryAccess::Clone() const {
  return std::make_unique<RegistryAccess>(*this);
}

HKEY RegistryAccess::OpenKey(const Text& path, bool create) {
  const size_t slash = path.find('\\');
  if (slash == Text::npos || slash == 0) return nullptr;
  const HKEY root = LookUpRoot(path.substr(0, slash));
  if (!root) return nullptr;
  const Text sub_key = path.substr(slash + 1);
  const char* sub_key_arg = sub_key.empty() ? nullptr : sub_key.c_str();
  HKEY key = nullptr;
  const LONG result = create ? RegCreateKeyA(root, sub_key_arg, &key)
                             : RegOpenKeyA(root, sub_key_arg, &key);
  return result == ERROR_SUCCESS ? key : nullptr;
}

bool RegistryAccess::WriteValue(const Text& path, const Text& name, const Bytes& data,
                                DWORD type) {
  HKEY key = OpenKey(path, true);
  if (!key) return false;
  Bytes guarded;
  const BYTE* bytes = data.empty() ? nullptr : data.data();
  if (bytes && IsStringType(type)) {
    guarded.reserve(data.size() + 1);
    guarded.assign(data.begin(), data.end());
    guarded.push_back(0xFF);
    bytes = guarded.data();
  }
  const LONG result =
      RegSetValueExA(key, name.c_str(), 0, type, bytes, static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

Bytes RegistryAccess::ReadValue(const Text& path, const Text& name, DWORD& type) {
  HKEY key = OpenKey(path, false);
  if (!key) return Bytes();
  DWORD size = 0;
  RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  Bytes buffer(size);
  const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                       buffer.empty() ? nullptr : buffer.data(), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return Bytes();
  return buffer;
}

bool RegistryAccess::WriteText(const Text& path, const Text& name, const Text& text) {
  return WriteValue(path, name, TextToBytes(text), REG_SZ);
}

Text RegistryAccess::ReadText(const Text& path, const Text& name) {
  DWORD type = REG_SZ;
  return BytesToText(ReadValue(path, name, type));
}

bool RegistryAccess::WriteExpandText(const Text& path, const Text& name, const Text& text) {
  return WriteValue(path, name, TextToBytes(text), REG_EXPAND_SZ);
}

Text RegistryAccess::ReadExpandText(const Text& path, const Text& name) {
  DWORD type = REG_EXPAND_SZ;
  return BytesToText(ReadValue(path, name, type));
}
