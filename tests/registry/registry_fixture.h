// The fixture every registry test case uses, on both backends: each test works
// below its own scratch key HKEY_CURRENT_USER\Software\MorvaneTest\<test>, which
// is removed before and after the test. Natively the in-memory registry is reset
// instead, and the call record and handle count can be looked at.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "registry/registry_access.h"

namespace regtest {

// True in the native build, where the in-memory registry records every call.
bool ObservesCalls();
// A mark of the handles the process holds now: the same mark after an operation
// as before it means the operation closed every handle it opened.
int OpenHandles();
// The record of calls since the last clear (native only; empty under Wine).
void ClearCalls();
int CountCalls(const std::string& function);
int CountAllCalls();
// The sub key or value name that the last call of function received, or
// nullopt when it got a null pointer (native only).
std::optional<std::string> LastName(const std::string& function);
// The size of the data that the last call of function was given (native only).
DWORD LastSize(const std::string& function);
bool LastHadData(const std::string& function);

struct StoredValue {
  DWORD type = 0;
  Bytes data;
};

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // "Software\MorvaneTest\<test>" below HKEY_CURRENT_USER.
  const std::string& SubPath() const { return sub_path_; }
  // "HKEY_CURRENT_USER\Software\MorvaneTest\<test>", or with a further sub key.
  Text Path(const std::string& below = "") const;

  // Direct registry calls, independent of RegistryAccess, to arrange and inspect.
  void Put(const std::string& below, const std::string& name, DWORD type, const Bytes& data);
  std::optional<StoredValue> Get(const std::string& below, const std::string& name);
  bool KeyExists(const std::string& below);
  // The same below any predefined key, for paths outside the scratch key.
  std::optional<StoredValue> GetUnder(HKEY root, const std::string& path, const std::string& name);
  bool KeyExistsUnder(HKEY root, const std::string& path);
  // Removes the key at path below root with everything under it, then each key
  // above it on the path that is left empty.
  void RemoveUnder(HKEY root, const std::string& path);

  RegistryAccess registry;

 private:
  void RemoveScratchKey();
  std::string sub_path_;
};

}  // namespace regtest
