// RegistryAccess: the program's general-purpose access to the Windows registry.
//
// Every operation names its key by a full key path: a root name, a backslash and
// the subkey path ("HKEY_CURRENT_USER\Software\..."). It opens (or creates) the
// key for the length of the one call and closes it before it returns; only
// OpenKey hands its handle to the caller, who closes it with RegCloseKey.
// Failures show only in the results: a null handle, false, empty Bytes or an
// empty Text. The class keeps no state, so one instance serves the whole program.
#pragma once

#include <memory>

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
  // Stores data under name with the given type, creating missing keys.
  virtual bool WriteValue(const Text& path, const Text& name, const Bytes& data, DWORD type);
  // The value's data as the system gives it, and its type; empty Bytes on failure.
  virtual Bytes ReadValue(const Text& path, const Text& name, DWORD& type);
  // Writes text as REG_SZ.
  virtual bool WriteText(const Text& path, const Text& name, const Text& text);
  // The value's data up to its first zero byte, whatever its type; %-references stay as stored.
  virtual Text ReadText(const Text& path, const Text& name);
  // Writes text as REG_EXPAND_SZ.
  virtual bool WriteExpandText(const Text& path, const Text& name, const Text& text);
  // The same as ReadText.
  virtual Text ReadExpandText(const Text& path, const Text& name);
};
