// RegistryAccess: the program's general-purpose access to the Windows registry.
//
// Every operation names its key by a full key path: a root name, a backslash and
// the subkey path ("HKEY_CURRENT_USER\Software\..."). It opens (or creates) the
// key for the length of the one call and closes it before it returns; only
// OpenKey hands its handle to the caller, who closes it with RegCloseKey.
// Failures show only in the results: a null handle, false, -1 from the
// enumerations, 0 from ReadNumber, empty Bytes or an empty Text. The class keeps
// no state, so one instance serves the whole program. The operations are
// declared in their fixed order; one operation calls another only through these
// virtual operations.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "registry/registry_api.h"
#include "registry/text.h"

class RegistryAccess {
 public:
  RegistryAccess() = default;
  RegistryAccess(const RegistryAccess&) = default;
  RegistryAccess& operator=(const RegistryAccess&) = default;

  virtual ~RegistryAccess();
  // A new, separately owned object; with no state it behaves exactly like this one.
  virtual std::unique_ptr<RegistryAccess> Clone() const;
  // Opens, or with create makes, the key named by path; a null handle on failure.
  virtual HKEY OpenKey(const Text& path, bool create = false);
  // Empties names, then lists the key's subkey names in the system's order; the
  // count, or -1 when the key cannot be opened. Waiting window messages are
  // processed after each name.
  virtual std::int32_t EnumSubKeys(const Text& path, std::vector<Text>& names);
  // Empties the three lists, then fills them in step with each value's name, data
  // and type; the count, or -1 when the key cannot be opened. Waiting window
  // messages are processed after each value. Names of any length are listed.
  virtual std::int32_t EnumValues(const Text& path, std::vector<Text>& names,
                                  std::vector<Bytes>& data, std::vector<DWORD>& types);
  // The description of the named value's type followed by its code in decimal,
  // such as "REG_DWORD - DWORD，值为：4"; empty when the value is not found (names
  // compare byte for byte, case-sensitively) or its type has no description.
  virtual Text DescribeValueType(const Text& path, const Text& name);
  // Without a name: whether the key can be opened. With one (an empty name is the
  // default value): whether that value exists in it, whatever its size.
  virtual bool ValueExists(const Text& path, const std::optional<Text>& name = std::nullopt);
  // Flushes the key to storage; false when it cannot be opened or flushed.
  virtual bool FlushKey(const Text& path);
  // Stores data under name with the given type, creating missing keys.
  virtual bool WriteValue(const Text& path, const Text& name, const Bytes& data, DWORD type);
  // The value's data as the system gives it, and its type; empty Bytes on failure.
  virtual Bytes ReadValue(const Text& path, const Text& name, DWORD& type);
  // Stores data unchanged under name with type, below the root key numbered
  // 1 HKEY_CLASSES_ROOT, 2 HKEY_CURRENT_CONFIG, 3 HKEY_CURRENT_USER,
  // 4 HKEY_LOCAL_MACHINE, 5 HKEY_USERS, creating the missing keys of sub_path.
  // Any other root number is a caller's fault: a fatal error (error code 9) that
  // ends the program with exit code -1, nothing opened or written.
  virtual bool WriteValueUnderRoot(std::int32_t root, const Text& sub_path, const Text& name,
                                   const Bytes& data, DWORD type = REG_SZ);
  // Stores number as REG_DWORD: 4 bytes, least significant first.
  virtual bool WriteDword(const Text& path, const Text& name, std::int32_t number);
  // The first 4 bytes of any value's data as a signed little-endian number (short
  // data extended with zero bytes); 0 on failure.
  virtual std::int32_t ReadNumber(const Text& path, const Text& name);
  // Stores data unchanged as REG_BINARY.
  virtual bool WriteBinary(const Text& path, const Text& name, const Bytes& data);
  // Any value's data as stored; empty Bytes on failure.
  virtual Bytes ReadBinary(const Text& path, const Text& name);
  // Writes text as REG_SZ.
  virtual bool WriteText(const Text& path, const Text& name, const Text& text);
  // The value's data up to its first zero byte, whatever its type; %-references stay as stored.
  virtual Text ReadText(const Text& path, const Text& name);
  // Stores CR LF separated lines as REG_MULTI_SZ: each CR LF becomes a zero byte
  // (a lone CR or LF stays), and two zero bytes end the data.
  virtual bool WriteMultiText(const Text& path, const Text& name, const Text& text);
  // Any value's data with every zero byte turned into CR LF; empty on failure.
  virtual Text ReadMultiText(const Text& path, const Text& name);
  // Writes text as REG_EXPAND_SZ.
  virtual bool WriteExpandText(const Text& path, const Text& name, const Text& text);
  // The same as ReadText.
  virtual Text ReadExpandText(const Text& path, const Text& name);
  // Deletes the key and everything below it, depth first; true when the key itself
  // was deleted. A path ending in a backslash or naming a root alone gives false.
  // Waiting window messages are processed as the subkeys are listed.
  virtual bool DeleteKeyTree(const Text& path);
  // Deletes one value (an empty name: the default value); true when it was deleted.
  virtual bool DeleteValue(const Text& path, const Text& name);
};
