#include "registry/registry_access.h"

#include <cstring>

#include "registry/fatal_error.h"
#include "registry/message_pump.h"
#include "registry/text_scan.h"

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

// The data handed to RegSetValueExA: the bytes themselves, or for a string type a
// copy followed by a non-zero guard byte.
class SetValueData {
 public:
  SetValueData(const Bytes& data, DWORD type) {
    bytes_ = data.empty() ? nullptr : data.data();
    if (bytes_ && IsStringType(type)) {
      guarded_.reserve(data.size() + 1);
      guarded_.assign(data.begin(), data.end());
      guarded_.push_back(0xFF);
      bytes_ = guarded_.data();
    }
    size_ = static_cast<DWORD>(data.size());
  }
  const BYTE* bytes() const { return bytes_; }
  DWORD size() const { return size_; }

 private:
  Bytes guarded_;
  const BYTE* bytes_;
  DWORD size_;
};

// The root keys that WriteValueUnderRoot reaches by number, 1 to 5.
HKEY RootByNumber(std::int32_t root) {
  switch (root) {
    case 1: return HKEY_CLASSES_ROOT;
    case 2: return HKEY_CURRENT_CONFIG;
    case 3: return HKEY_CURRENT_USER;
    case 4: return HKEY_LOCAL_MACHINE;
    case 5: return HKEY_USERS;
    default: return nullptr;
  }
}

struct TypeDescription {
  DWORD type;
  const char* text;
};

// The value types DescribeValueType knows; the code follows the text in decimal.
const TypeDescription kTypeDescriptions[] = {
    {REG_NONE, "REG_NONE - 字节集，值为："},
    {REG_SZ, "REG_SZ - 字符串值，值为："},
    {REG_EXPAND_SZ, "REG_REG_EXPAND_SZ - 可扩充字符串值，值为："},
    {REG_BINARY, "REG_BINARY - 二进制，值为："},
    {REG_DWORD, "REG_DWORD - DWORD，值为："},
    {REG_MULTI_SZ, "REG_MULTI_SZ - 多字符串值，值为："},
};

// Subkey and value names are first asked for in a buffer of this many bytes.
constexpr DWORD kNameBufferSize = 256;
// A value name of the system's greatest length (16383 characters) fits in this
// many code page 936 bytes.
constexpr DWORD kLongestValueName = 2 * 16383 + 1;

// One RegEnumValueA call for the value at index, with no data buffer or with
// data. A name that does not fit in the buffer makes it grow, and the same index
// is asked again, so that names of any length are received.
LONG EnumValueAt(HKEY key, DWORD index, std::vector<char>& name, DWORD* type, BYTE* data,
                 DWORD* size) {
  for (;;) {
    DWORD name_length = static_cast<DWORD>(name.size());
    const DWORD incoming_size = *size;
    const LONG result =
        RegEnumValueA(key, index, name.data(), &name_length, nullptr, type, data, size);
    if (result != ERROR_MORE_DATA || data || name.size() > kLongestValueName) return result;
    name.assign(name.size() * 2, 0);
    *size = incoming_size;
  }
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

std::int32_t RegistryAccess::EnumSubKeys(const Text& path, std::vector<Text>& names) {
  names.clear();
  HKEY key = OpenKey(path, false);
  if (!key) return -1;
  char name[kNameBufferSize];
  for (DWORD index = 0;; ++index) {
    if (RegEnumKeyA(key, index, name, kNameBufferSize) != ERROR_SUCCESS) break;
    names.emplace_back(name);
    ProcessWaitingMessages();
  }
  RegCloseKey(key);
  return static_cast<std::int32_t>(names.size());
}

std::int32_t RegistryAccess::EnumValues(const Text& path, std::vector<Text>& names,
                                        std::vector<Bytes>& data, std::vector<DWORD>& types) {
  names.clear();
  data.clear();
  types.clear();
  HKEY key = OpenKey(path, false);
  if (!key) return -1;
  std::vector<char> name(kNameBufferSize);
  for (DWORD index = 0;; ++index) {
    DWORD type = 0;
    DWORD size = 0;
    if (EnumValueAt(key, index, name, &type, nullptr, &size) != ERROR_SUCCESS) break;
    Bytes buffer(size);
    const LONG fetched =
        EnumValueAt(key, index, name, &type, buffer.empty() ? nullptr : buffer.data(), &size);
    if (fetched == ERROR_SUCCESS) {
      names.emplace_back(name.data());
      data.push_back(std::move(buffer));
      types.push_back(type);
    }
    ProcessWaitingMessages();
  }
  RegCloseKey(key);
  return static_cast<std::int32_t>(names.size());
}

Text RegistryAccess::DescribeValueType(const Text& path, const Text& name) {
  HKEY key = OpenKey(path, false);
  if (!key) return Text();
  std::vector<char> received(kNameBufferSize);
  std::optional<DWORD> found;
  for (DWORD index = 0; !found; ++index) {
    DWORD type = 0;
    DWORD size = 0;
    if (EnumValueAt(key, index, received, &type, nullptr, &size) != ERROR_SUCCESS) break;
    if (name == received.data()) found = type;
  }
  RegCloseKey(key);
  if (!found) return Text();
  for (const TypeDescription& d : kTypeDescriptions)
    if (d.type == *found) return d.text + std::to_string(d.type);
  return Text();
}

bool RegistryAccess::ValueExists(const Text& path, const std::optional<Text>& name) {
  HKEY key = OpenKey(path, false);
  if (!key) return false;
  LONG result = ERROR_SUCCESS;
  if (name) {
    // Only the size is asked for, so a value exists whatever the size of its data.
    DWORD type = 0;
    DWORD size = 0;
    result = RegQueryValueExA(key, name->c_str(), nullptr, &type, nullptr, &size);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool RegistryAccess::FlushKey(const Text& path) {
  HKEY key = OpenKey(path, false);
  if (!key) return false;
  const LONG result = RegFlushKey(key);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool RegistryAccess::WriteValue(const Text& path, const Text& name, const Bytes& data,
                                DWORD type) {
  HKEY key = OpenKey(path, true);
  if (!key) return false;
  const SetValueData out(data, type);
  const LONG result = RegSetValueExA(key, name.c_str(), 0, type, out.bytes(), out.size());
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

bool RegistryAccess::WriteValueUnderRoot(std::int32_t root, const Text& sub_path,
                                         const Text& name, const Bytes& data, DWORD type) {
  const HKEY predefined = RootByNumber(root);
  if (!predefined) {
    FatalError(kFatalArgumentOutOfRange);
    return false;  // reached only where a test has taken the fatal error over
  }
  const REGSAM access = KEY_READ | KEY_WRITE;
  HKEY root_key = nullptr;
  if (RegOpenKeyExA(predefined, "", 0, access, &root_key) != ERROR_SUCCESS) return false;
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(root_key, sub_path.empty() ? nullptr : sub_path.c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                      &disposition) != ERROR_SUCCESS) {
    RegCloseKey(root_key);
    return false;
  }
  const SetValueData out(data, type);
  const LONG result = RegSetValueExA(key, name.c_str(), 0, type, out.bytes(), out.size());
  RegCloseKey(key);
  RegCloseKey(root_key);
  return result == ERROR_SUCCESS;
}

bool RegistryAccess::WriteDword(const Text& path, const Text& name, std::int32_t number) {
  const auto bits = static_cast<std::uint32_t>(number);
  const Bytes data = {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8),
                      static_cast<BYTE>(bits >> 16), static_cast<BYTE>(bits >> 24)};
  return WriteValue(path, name, data, REG_DWORD);
}

std::int32_t RegistryAccess::ReadNumber(const Text& path, const Text& name) {
  DWORD type = REG_DWORD;
  const Bytes data = ReadValue(path, name, type);
  std::uint32_t bits = 0;
  for (size_t i = 0; i < 4 && i < data.size(); ++i) bits |= std::uint32_t{data[i]} << (8 * i);
  return static_cast<std::int32_t>(bits);
}

bool RegistryAccess::WriteBinary(const Text& path, const Text& name, const Bytes& data) {
  return WriteValue(path, name, data, REG_BINARY);
}

Bytes RegistryAccess::ReadBinary(const Text& path, const Text& name) {
  DWORD type = REG_BINARY;
  return ReadValue(path, name, type);
}

bool RegistryAccess::WriteText(const Text& path, const Text& name, const Text& text) {
  return WriteValue(path, name, TextToBytes(text), REG_SZ);
}

Text RegistryAccess::ReadText(const Text& path, const Text& name) {
  DWORD type = REG_SZ;
  return BytesToText(ReadValue(path, name, type));
}

bool RegistryAccess::WriteMultiText(const Text& path, const Text& name, const Text& text) {
  return WriteValue(path, name, MultiTextToBytes(text), REG_MULTI_SZ);
}

Text RegistryAccess::ReadMultiText(const Text& path, const Text& name) {
  DWORD type = REG_MULTI_SZ;
  return BytesToMultiText(ReadValue(path, name, type));
}

bool RegistryAccess::WriteExpandText(const Text& path, const Text& name, const Text& text) {
  return WriteValue(path, name, TextToBytes(text), REG_EXPAND_SZ);
}

Text RegistryAccess::ReadExpandText(const Text& path, const Text& name) {
  DWORD type = REG_EXPAND_SZ;
  return BytesToText(ReadValue(path, name, type));
}

bool RegistryAccess::DeleteKeyTree(const Text& path) {
  // A path whose last character is a backslash names no key of its own (a root
  // alone, for one). Its last byte alone does not tell: it may be the second
  // byte of a double-byte character that ends the key's name.
  const size_t slash = LastBackslash(path);
  if (path.empty() || slash == path.size() - 1) return false;
  const Text parent_path = slash == Text::npos ? Text() : path.substr(0, slash + 1);
  HKEY parent = OpenKey(parent_path, false);
  if (!parent) return false;
  std::vector<Text> subkeys;
  EnumSubKeys(path, subkeys);
  for (const Text& subkey : subkeys) DeleteKeyTree(path + "\\" + subkey);
  const Text last = slash == Text::npos ? path : path.substr(slash + 1);
  const LONG result = RegDeleteKeyA(parent, last.c_str());
  RegCloseKey(parent);
  return result == ERROR_SUCCESS;
}

bool RegistryAccess::DeleteValue(const Text& path, const Text& name) {
  HKEY key = OpenKey(path, false);
  if (!key) return false;
  const LONG result = RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}
