#include "registry/memory_registry.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>

namespace {

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::string name;
  Key* parent = nullptr;
  bool deleted = false;
  bool predefined = false;
  std::vector<std::shared_ptr<Key>> subkeys;  // kept sorted, as the system enumerates them
  std::vector<Value> values;                  // kept sorted by name, as Wine enumerates them
};

struct FailureRule {
  std::string function;  // empty: any call
  int remaining;         // calls to let pass before the failing one
  LONG error;
};

struct State {
  std::map<ULONG_PTR, std::shared_ptr<Key>> roots;
  std::map<ULONG_PTR, std::shared_ptr<Key>> handles;
  ULONG_PTR next_handle = 0x1000;
  std::vector<memreg::Call> calls;
  std::vector<FailureRule> failures;
  int calls_since_failures_cleared = 0;
};

State& state() {
  static State s;
  return s;
}

bool IsLeadByte(unsigned char c) { return c >= 0x80; }

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

// Compares two names the way the registry does: letters without regard to case
// (folded to lower case, so "_u" comes before "a", as Wine enumerates them),
// every byte of a double-byte character exactly.
int CompareNames(const std::string& a, const std::string& b) {
  size_t i = 0;
  bool trail = false;
  for (; i < a.size() && i < b.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (!trail) {
      x = Fold(x);
      y = Fold(y);
    }
    if (x != y) return x < y ? -1 : 1;
    trail = !trail && IsLeadByte(static_cast<unsigned char>(a[i]));
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// Splits a sub key path at its backslashes (never at the second byte of a
// double-byte character); empty components from doubled or trailing backslashes vanish.
std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = path[i];
    if (IsLeadByte(c) && i + 1 < path.size()) {
      part.push_back(path[i]);
      part.push_back(path[++i]);
    } else if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part.push_back(path[i]);
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// Characters as the system counts them: a double-byte character is one.
DWORD CharCount(const std::string& s) {
  DWORD n = 0;
  for (size_t i = 0; i < s.size(); ++i, ++n)
    if (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ++i;
  return n;
}

std::shared_ptr<Key> FindSubkey(const Key& key, const std::string& name) {
  for (const auto& sub : key.subkeys)
    if (CompareNames(sub->name, name) == 0) return sub;
  return nullptr;
}

Value* FindValue(Key& key, const std::string& name) {
  for (auto& v : key.values)
    if (CompareNames(v.name, name) == 0) return &v;
  return nullptr;
}

std::shared_ptr<Key> MakeRoot() {
  auto k = std::make_shared<Key>();
  k->predefined = true;
  return k;
}

void ResetState() {
  State& s = state();
  s = State();
  for (ULONG_PTR id = 0x80000000u; id <= 0x80000005u; ++id) s.roots[id] = MakeRoot();
  auto software = std::make_shared<Key>();
  software->name = "Software";
  Key* hkcu = s.roots[0x80000001u].get();
  software->parent = hkcu;
  hkcu->subkeys.push_back(software);
}

State& ready() {
  State& s = state();
  if (s.roots.empty()) ResetState();
  return s;
}

// Records the call and tells whether an injected failure applies to it.
bool Injected(const memreg::Call& call, LONG* error) {
  State& s = ready();
  ++s.calls_since_failures_cleared;
  for (auto it = s.failures.begin(); it != s.failures.end(); ++it) {
    if (!it->function.empty() && it->function != call.function) continue;
    if (it->remaining-- > 0) continue;
    *error = it->error;
    s.failures.erase(it);
    return true;
  }
  return false;
}

LONG Record(memreg::Call call, LONG result) {
  call.result = result;
  ready().calls.push_back(std::move(call));
  return result;
}

memreg::Call MakeCall(const char* function, HKEY key, const char* name) {
  memreg::Call c;
  c.function = function;
  c.key = key;
  c.has_name = name != nullptr;
  if (name) c.name = name;
  return c;
}

std::shared_ptr<Key> Resolve(HKEY key, LONG* error) {
  State& s = ready();
  auto id = reinterpret_cast<ULONG_PTR>(key);
  auto root = s.roots.find(id);
  if (root != s.roots.end()) return root->second;
  auto h = s.handles.find(id);
  if (h == s.handles.end()) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (h->second->deleted) {
    *error = ERROR_KEY_DELETED;
    return nullptr;
  }
  return h->second;
}

HKEY NewHandle(const std::shared_ptr<Key>& key) {
  State& s = ready();
  ULONG_PTR id = s.next_handle;
  s.next_handle += 4;
  s.handles[id] = key;
  return reinterpret_cast<HKEY>(id);
}

void InsertSorted(Key& parent, std::shared_ptr<Key> child) {
  auto pos = std::find_if(parent.subkeys.begin(), parent.subkeys.end(), [&](const auto& k) {
    return CompareNames(k->name, child->name) > 0;
  });
  parent.subkeys.insert(pos, std::move(child));
}

// What opening with no sub key name (a null pointer or an empty one) gives, as
// Wine answers: RegOpenKeyA the very handle it was given, RegOpenKeyExA the
// predefined key itself for a predefined key and a new handle otherwise, the
// create calls always a new handle.
enum class Unnamed { kSameHandle, kSameIfPredefined, kNewHandle };

LONG OpenPath(HKEY key, const char* sub_key, bool create, Unnamed unnamed, PHKEY result,
              DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<Key> k = Resolve(key, &error);
  if (!k) return error;
  std::string path = sub_key ? sub_key : "";
  const bool predefined = ready().roots.count(reinterpret_cast<ULONG_PTR>(key)) != 0;
  if (path.empty() && (unnamed == Unnamed::kSameHandle ||
                       (unnamed == Unnamed::kSameIfPredefined && predefined))) {
    *result = key;
    return ERROR_SUCCESS;
  }
  if (!path.empty() && path[0] == '\\') return ERROR_BAD_PATHNAME;
  bool created = false;
  for (const auto& part : SplitPath(path)) {
    auto next = FindSubkey(*k, part);
    if (!next) {
      if (!create) return ERROR_FILE_NOT_FOUND;
      next = std::make_shared<Key>();
      next->name = part;
      next->parent = k.get();
      InsertSorted(*k, next);
      created = true;
    }
    k = next;
  }
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(k);
  return ERROR_SUCCESS;
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A name as Dump shows it: control bytes and '%' as %XX, so that every line of
// a dump is one key or one value whatever the names hold.
std::string Escaped(const std::string& name) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x20 || c == '%') {
      out += '%';
      out += digits[c >> 4];
      out += digits[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void DumpKey(const Key& key, const std::string& path, std::ostringstream& out) {
  out << "[" << path << "]\n";
  for (const auto& v : key.values) {
    out << "  " << Escaped(v.name) << " type " << v.type << ":";
    for (BYTE b : v.data) out << ' ' << static_cast<int>(b);
    out << '\n';
  }
  for (const auto& sub : key.subkeys) DumpKey(*sub, path + "\\" + Escaped(sub->name), out);
}

}  // namespace

namespace memreg {

void Reset() { ResetState(); }

int OpenHandleCount() { return static_cast<int>(ready().handles.size()); }

const std::vector<Call>& Calls() { return ready().calls; }

void ClearCalls() { ready().calls.clear(); }

int CountCalls(const std::string& function) {
  const auto& calls = Calls();
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [&](const Call& c) { return c.function == function; }));
}

void FailCall(const std::string& function, int nth, LONG error) {
  ready().failures.push_back({function, nth - 1, error});
}

void FailNthCall(int nth, LONG error) { ready().failures.push_back({"", nth - 1, error}); }

void ClearFailures() {
  ready().failures.clear();
  ready().calls_since_failures_cleared = 0;
}

int CallsSinceFailuresCleared() { return ready().calls_since_failures_cleared; }

bool KeyExists(HKEY root, const std::string& path) {
  LONG error = 0;
  auto k = Resolve(root, &error);
  for (const auto& part : SplitPath(path)) {
    if (!k) return false;
    k = FindSubkey(*k, part);
  }
  return k != nullptr;
}

std::string Dump(HKEY root) {
  LONG error = 0;
  auto k = Resolve(root, &error);
  std::ostringstream out;
  if (k) DumpKey(*k, "", out);
  return out.str();
}

}  // namespace memreg

LONG RegOpenKeyA(HKEY key, LPCSTR sub_key, PHKEY result) {
  auto call = MakeCall("RegOpenKeyA", key, sub_key);
  LONG error;
  if (Injected(call, &error)) return Record(call, error);
  return Record(call, OpenPath(key, sub_key, false, Unnamed::kSameHandle, result, nullptr));
}

LONG RegCreateKeyA(HKEY key, LPCSTR sub_key, PHKEY result) {
  auto call = MakeCall("RegCreateKeyA", key, sub_key);
  LONG error;
  if (Injected(call, &error)) return Record(call, error);
  return Record(call, OpenPath(key, sub_key, true, Unnamed::kNewHandle, result, nullptr));
}

LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD, REGSAM, PHKEY result) {
  auto call = MakeCall("RegOpenKeyExA", key, sub_key);
  LONG error;
  if (Injected(call, &error)) return Record(call, error);
  return Record(call,
                OpenPath(key, sub_key, false, Unnamed::kSameIfPredefined, result, nullptr));
}

LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD, LPSTR, DWORD, REGSAM,
                     LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  auto call = MakeCall("RegCreateKeyExA", key, sub_key);
  LONG error;
  if (Injected(call, &error)) return Record(call, error);
  return Record(call, OpenPath(key, sub_key, true, Unnamed::kNewHandle, result, disposition));
}

LONG RegCloseKey(HKEY key) {
  auto call = MakeCall("RegCloseKey", key, nullptr);
  State& s = ready();
  auto id = reinterpret_cast<ULONG_PTR>(key);
  bool predefined = s.roots.count(id) != 0;
  bool known = s.handles.erase(id) != 0;
  LONG error;
  if (Injected(call, &error)) return Record(call, error);
  return Record(call, (known || predefined) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  auto call = MakeCall("RegSetValueExA", key, name);
  call.type = type;
  call.size = size;
  call.has_data = data != nullptr;
  if (data) call.data.assign(data, data + size);
  LONG error = ERROR_SUCCESS;
  if (Injected(call, &error)) return Record(call, error);
  auto k = Resolve(key, &error);
  if (!k) return Record(call, error);
  if (!data && size) return Record(call, ERROR_INVALID_PARAMETER);
  // The system counts a terminating zero that the caller left out (as Windows NT does).
  if (data && size && IsStringType(type) && data[size - 1] != 0 && data[size] == 0) ++size;
  std::string value_name = name ? name : "";
  Value* v = FindValue(*k, value_name);
  if (!v) {
    Value fresh;
    fresh.name = value_name;
    auto pos = std::find_if(k->values.begin(), k->values.end(), [&](const Value& x) {
      return CompareNames(x.name, value_name) > 0;
    });
    v = &*k->values.insert(pos, fresh);
  }
  v->type = type;
  v->data.assign(data, data + (data ? size : 0));
  return Record(call, ERROR_SUCCESS);
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  auto call = MakeCall("RegQueryValueExA", key, name);
  call.has_data = data != nullptr;
  call.size = size ? *size : 0;
  LONG error = ERROR_SUCCESS;
  if (Injected(call, &error)) return Record(call, error);
  auto k = Resolve(key, &error);
  if (!k) return Record(call, error);
  if (data && !size) return Record(call, ERROR_INVALID_PARAMETER);
  Value* v = FindValue(*k, name ? name : "");
  if (!v) return Record(call, ERROR_FILE_NOT_FOUND);
  if (type) *type = v->type;
  DWORD length = static_cast<DWORD>(v->data.size());
  if (data) {
    if (*size < length) {
      *size = length;
      return Record(call, ERROR_MORE_DATA);
    }
    if (length) std::memcpy(data, v->data.data(), length);
  }
  if (size) *size = length;
  return Record(call, ERROR_SUCCESS);
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD name_size) {
  auto call = MakeCall("RegEnumKeyA", key, nullptr);
  call.size = index;
  LONG error = ERROR_SUCCESS;
  if (Injected(call, &error)) return Record(call, error);
  auto k = Resolve(key, &error);
  if (!k) return Record(call, error);
  if (index >= k->subkeys.size()) return Record(call, ERROR_NO_MORE_ITEMS);
  const std::string& sub = k->subkeys[index]->name;
  if (!name || name_size <= sub.size()) return Record(call, ERROR_MORE_DATA);
  std::memcpy(name, sub.c_str(), sub.size() + 1);
  return Record(call, ERROR_SUCCESS);
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD, LPDWORD type,
                   LPBYTE data, LPDWORD data_size) {
  auto call = MakeCall("RegEnumValueA", key, nullptr);
  call.size = index;
  call.has_data = data != nullptr;
  LONG error = ERROR_SUCCESS;
  if (Injected(call, &error)) return Record(call, error);
  auto k = Resolve(key, &error);
  if (!k) return Record(call, error);
  if (!name || !name_size) return Record(call, ERROR_INVALID_PARAMETER);
  if (index >= k->values.size()) return Record(call, ERROR_NO_MORE_ITEMS);
  const Value& v = k->values[index];
  DWORD length = static_cast<DWORD>(v.data.size());
  // Data that do not fit: the type and the size come back, the name does not.
  if (data && (!data_size || *data_size < length)) {
    if (type) *type = v.type;
    if (data_size) *data_size = length;
    return Record(call, ERROR_MORE_DATA);
  }
  // A name that does not fit: as much of it as fits comes back with the type and
  // the size; the name length stays as it was.
  if (*name_size <= v.name.size()) {
    if (*name_size) {
      std::memcpy(name, v.name.data(), *name_size - 1);
      name[*name_size - 1] = 0;
    }
    if (type) *type = v.type;
    if (data_size) *data_size = length;
    return Record(call, ERROR_MORE_DATA);
  }
  std::memcpy(name, v.name.c_str(), v.name.size() + 1);
  *name_size = static_cast<DWORD>(v.name.size());
  if (type) *type = v.type;
  if (data && length) std::memcpy(data, v.data.data(), length);
  if (data_size) *data_size = length;
  return Record(call, ERROR_SUCCESS);
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR, LPDWORD class_size, LPDWORD, LPDWORD sub_keys,
                      LPDWORD max_sub_key_len, LPDWORD max_class_len, LPDWORD values,
                      LPDWORD max_value_name_len, LPDWORD max_value_len, LPDWORD, void*) {
  auto call = MakeCall("RegQueryInfoKeyA", key, nullptr);
  LONG error = ERROR_SUCCESS;
  if (Injected(call, &error)) return Record(call, error);
  auto k = Resolve(key, &error);
  if (!k) return Record(call, error);
  DWORD longest_key = 0, longest_name = 0, longest_data = 0;
  for (const auto& sub : k->subkeys) longest_key = std::max(longest_key, CharCount(sub->name));
  for (const auto& v : k->values) {
    longest_name = std::max(longest_name, CharCount(v.name));
    longest_data = std::max(longest_data, static_cast<DWORD>(v.data.size()));
  }
  if (class_size) *class_size = 0;
  if (sub_keys) *sub_keys = static_cast<DWORD>(k->subkeys.size());
  if (max_sub_key_len) *max_sub_key_len = longest_key;
  if (max_class_len) *max_class_len = 0;
  if (values) *values = static_cast<DWORD>(k->values.size());
  if (max_value_name_len) *max_value_name_len = longest_name;
  if (max_value_len) *max_value_len = longest_data;
  return Record(call, ERROR_SUCCESS);
}

LONG RegDeleteValueA(HKEY key, LPCSTR name) {
  auto call = MakeCall("RegDeleteValueA", key, name);
  LONG error = ERROR_SUCCESS;
  if (Injected(call, &error)) return Record(call, error);
  auto k = Resolve(key, &error);
  if (!k) return Record(call, error);
  Value* v = FindValue(*k, name ? name : "");
  if (!v) return Record(call, ERROR_FILE_NOT_FOUND);
  k->values.erase(k->values.begin() + (v - k->values.data()));
  return Record(call, ERROR_SUCCESS);
}

LONG RegDeleteKeyA(HKEY key, LPCSTR sub_key) {
  auto call = MakeCall("RegDeleteKeyA", key, sub_key);
  LONG error = ERROR_SUCCESS;
  if (Injected(call, &error)) return Record(call, error);
  if (!sub_key) return Record(call, ERROR_INVALID_PARAMETER);
  auto k = Resolve(key, &error);
  if (!k) return Record(call, error);
  std::string path = sub_key;
  if (!path.empty() && path[0] == '\\') return Record(call, ERROR_BAD_PATHNAME);
  for (const auto& part : SplitPath(path)) {
    k = FindSubkey(*k, part);
    if (!k) return Record(call, ERROR_FILE_NOT_FOUND);
  }
  if (k->predefined || !k->subkeys.empty()) return Record(call, ERROR_ACCESS_DENIED);
  Key* parent = k->parent;
  k->deleted = true;
  parent->subkeys.erase(std::find(parent->subkeys.begin(), parent->subkeys.end(), k));
  return Record(call, ERROR_SUCCESS);
}

LONG RegFlushKey(HKEY key) {
  auto call = MakeCall("RegFlushKey", key, nullptr);
  LONG error = ERROR_SUCCESS;
  if (Injected(call, &error)) return Record(call, error);
  auto k = Resolve(key, &error);
  return Record(call, k ? ERROR_SUCCESS : error);
}
