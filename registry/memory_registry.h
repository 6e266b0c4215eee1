// The in-memory registry of the native build: the same registry calls as
// advapi32 (declared in native_windows.h), backed by a tree in memory that
// behaves as the Windows registry does under Wine, plus what tests need to
// look inside: the open-handle count, a record of every call with its exact
// arguments, and failures injected into any call.
#pragma once

#include <string>
#include <vector>

#include "registry/native_windows.h"

namespace memreg {

struct Call {
  std::string function;    // "RegOpenKeyA", "RegSetValueExA", ...
  HKEY key = nullptr;      // the handle it was given
  bool has_name = false;   // false when the sub key or value name was a null pointer
  std::string name;        // the sub key or value name, byte for byte
  DWORD type = 0;          // RegSetValueExA: the type given
  bool has_data = false;   // RegSetValueExA: false when the data was a null pointer
  std::vector<BYTE> data;  // RegSetValueExA: the bytes given (size bytes)
  DWORD size = 0;          // RegSetValueExA: the size given; queries: the incoming size
  LONG result = 0;         // what the call returned
};

// Empties the registry (the predefined roots remain, with HKEY_CURRENT_USER\Software),
// forgets all handles, the call record and every injected failure.
void Reset();

// Handles obtained and not yet closed (predefined keys do not count).
int OpenHandleCount();

const std::vector<Call>& Calls();
void ClearCalls();
// How many calls were made of that function since the record was last cleared.
int CountCalls(const std::string& function);

// The nth call (1-based, counted from now) of the named function returns error
// and does nothing else. A failed RegCloseKey still closes the handle.
void FailCall(const std::string& function, int nth, LONG error);
// The nth registry call of any kind (1-based, counted from now) fails so.
void FailNthCall(int nth, LONG error);
void ClearFailures();
// Registry calls made since Reset or the last ClearFailures; what FailNthCall counts.
int CallsSinceFailuresCleared();

// A key path below a predefined key, such as "Software\\A\\B", exists.
bool KeyExists(HKEY root, const std::string& path);
// Every key and value below a predefined key, as text, for comparing whole trees:
// one line a key ("[\Software\A]"), one line a value below it; control bytes and %
// in names are written %XX.
std::string Dump(HKEY root);

}  // namespace memreg
