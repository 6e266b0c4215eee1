// Registry benchmarks: each RegistryAccess operation against the same registry
// calls written inline, rounds interleaved (A B, then B A), medians printed as
//   RESULT <name> <baseline seconds> <our seconds> <items>
// and the parts of an enumeration's cost as
//   DETAIL <name> <seconds> <items>
// Usage: registry_bench [--rounds N] [--calls N] [--sizes 1000,10000,50000]
//                       [--tree-keys N] [--part calls|enum|tree]...
// Everything happens below HKEY_CURRENT_USER\Software\MorvaneBench, which is
// removed at the start and at the end.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "bench/stopwatch.h"
#include "registry/message_pump.h"
#include "registry/registry_access.h"

namespace {

const char kBase[] = "Software\\MorvaneBench";

volatile size_t g_sink = 0;  // keeps the results of the measured calls alive

struct Options {
  int rounds = 5;
  int calls = 5000;
  std::vector<int> sizes = {1000, 10000, 50000};
  int tree_keys = 10000;
  std::set<std::string> parts;
  bool Wants(const char* part) const { return parts.empty() || parts.count(part); }
};

std::string Sub(const std::string& name) { return std::string(kBase) + "\\" + name; }

void Print(const char* kind, const std::string& name, double a, double b, long items) {
  std::printf("%s %s %.6f %.6f %ld\n", kind, name.c_str(), a, b, items);
  std::fflush(stdout);
}

// The raw deletion of a whole tree: the system's own where there is one.
void RawDeleteTree(HKEY root, const char* sub_key) {
#ifdef _WIN32
  RegDeleteTreeA(root, sub_key);
#else
  // The in-memory registry has no RegDeleteTreeA: the same depth-first walk
  // over handles, written inline.
  HKEY key = nullptr;
  if (RegOpenKeyA(root, sub_key, &key) != ERROR_SUCCESS) return;
  char name[256];
  while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) RawDeleteTree(key, name);
  RegCloseKey(key);
  RegDeleteKeyA(root, sub_key);
#endif
}

void SetText(HKEY key, const char* name, DWORD type, const std::string& text) {
  RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

// Runs baseline and ours alternately, `rounds` times each, and prints the medians.
void Interleave(const std::string& name, int rounds, long items, const std::function<void()>& baseline,
                const std::function<void()>& ours,
                const std::function<void()>& before_each = nullptr) {
  std::vector<double> a, b;
  for (int r = 0; r < rounds; ++r) {
    for (int step = 0; step < 2; ++step) {
      const bool run_baseline = (step == 0) == (r % 2 == 0);
      if (before_each) before_each();
      const double start = Seconds();
      (run_baseline ? baseline : ours)();
      (run_baseline ? a : b).push_back(Seconds() - start);
    }
  }
  Print("RESULT", name, Median(a), Median(b), items);
}

// ---- single calls --------------------------------------------------------------

const char kValuesKey[] = "Software\\MorvaneBench\\Values";
const Text kValuesPath = "HKEY_CURRENT_USER\\Software\\MorvaneBench\\Values";

void PrepareValues() {
  HKEY key = nullptr;
  RegCreateKeyA(HKEY_CURRENT_USER, kValuesKey, &key);
  SetText(key, "Text", REG_SZ, "D:\\用户\\桌面");
  SetText(key, "Expand", REG_EXPAND_SZ, "%USERPROFILE%\\Desktop");
  const DWORD number = 42;
  RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  static const char multi[] = "one\0two\0three\0";
  RegSetValueExA(key, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi);
  RegCloseKey(key);
}

// What an inline read does: open, ask the size, read, close.
Bytes RawRead(const char* name, DWORD* type) {
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, kValuesKey, &key) != ERROR_SUCCESS) return Bytes();
  DWORD size = 0;
  RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
  Bytes data(size);
  const LONG result = RegQueryValueExA(key, name, nullptr, type, data.empty() ? nullptr : data.data(), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return Bytes();
  data.resize(size);
  return data;
}

void BenchCalls(const Options& o, RegistryAccess& registry) {
  PrepareValues();
  const int n = o.calls;
  Interleave("ReadText", o.rounds, n,
             [&] {
               for (int i = 0; i < n; ++i) {
                 DWORD type = 0;
                 const Bytes data = RawRead("Text", &type);
                 g_sink += std::strlen(std::string(data.begin(), data.end()).c_str());
               }
             },
             [&] {
               for (int i = 0; i < n; ++i) g_sink += registry.ReadText(kValuesPath, "Text").size();
             });
  const std::string expand = "%USERPROFILE%\\Desktop";
  Interleave("WriteExpandText", o.rounds, n,
             [&] {
               for (int i = 0; i < n; ++i) {
                 HKEY key = nullptr;
                 if (RegCreateKeyA(HKEY_CURRENT_USER, kValuesKey, &key) != ERROR_SUCCESS) continue;
                 g_sink += RegSetValueExA(key, "Written", 0, REG_EXPAND_SZ,
                                          reinterpret_cast<const BYTE*>(expand.data()),
                                          static_cast<DWORD>(expand.size()));
                 RegCloseKey(key);
               }
             },
             [&] {
               for (int i = 0; i < n; ++i) g_sink += registry.WriteExpandText(kValuesPath, "Written", expand);
             });
  Interleave("ReadNumber", o.rounds, n,
             [&] {
               for (int i = 0; i < n; ++i) {
                 DWORD type = 0;
                 const Bytes data = RawRead("Number", &type);
                 DWORD number = 0;
                 std::memcpy(&number, data.data(), data.size() < 4 ? data.size() : 4);
                 g_sink += number;
               }
             },
             [&] {
               for (int i = 0; i < n; ++i) g_sink += registry.ReadNumber(kValuesPath, "Number");
             });
  // A number read the shortest way: one query into a 4-byte buffer.
  Interleave("ReadNumber/one-query", o.rounds, n,
             [&] {
               for (int i = 0; i < n; ++i) {
                 HKEY key = nullptr;
                 if (RegOpenKeyA(HKEY_CURRENT_USER, kValuesKey, &key) != ERROR_SUCCESS) continue;
                 DWORD number = 0, size = 4, type = 0;
                 RegQueryValueExA(key, "Number", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size);
                 RegCloseKey(key);
                 g_sink += number;
               }
             },
             [&] {
               for (int i = 0; i < n; ++i) g_sink += registry.ReadNumber(kValuesPath, "Number");
             });
  Interleave("ValueExists", o.rounds, n,
             [&] {
               for (int i = 0; i < n; ++i) {
                 HKEY key = nullptr;
                 if (RegOpenKeyA(HKEY_CURRENT_USER, kValuesKey, &key) != ERROR_SUCCESS) continue;
                 DWORD type = 0, size = 0;
                 g_sink += RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
                 RegCloseKey(key);
               }
             },
             [&] {
               for (int i = 0; i < n; ++i) g_sink += registry.ValueExists(kValuesPath, Text("Text"));
             });
  Interleave("ReadMultiText", o.rounds, n,
             [&] {
               for (int i = 0; i < n; ++i) {
                 DWORD type = 0;
                 std::string text;
                 for (BYTE b : RawRead("Multi", &type)) {
                   if (b == 0)
                     text += "\r\n";
                   else
                     text.push_back(static_cast<char>(b));
                 }
                 g_sink += text.size();
               }
             },
             [&] {
               for (int i = 0; i < n; ++i) g_sink += registry.ReadMultiText(kValuesPath, "Multi").size();
             });
}

// ---- enumeration ----------------------------------------------------------------

void PrepareEnumeration(int size) {
  char name[64], data[64];
  HKEY key = nullptr;
  RegCreateKeyA(HKEY_CURRENT_USER, Sub("EnumValues" + std::to_string(size)).c_str(), &key);
  for (int i = 0; i < size; ++i) {
    std::snprintf(name, sizeof name, "Value%06d", i);
    std::snprintf(data, sizeof data, "D:\\Data\\of value %06d", i);
    SetText(key, name, REG_SZ, data);
  }
  RegCloseKey(key);
  RegCreateKeyA(HKEY_CURRENT_USER, Sub("EnumKeys" + std::to_string(size)).c_str(), &key);
  for (int i = 0; i < size; ++i) {
    std::snprintf(name, sizeof name, "Key%06d", i);
    HKEY sub = nullptr;
    if (RegCreateKeyA(key, name, &sub) == ERROR_SUCCESS) RegCloseKey(sub);
  }
  RegCloseKey(key);
}

struct ValueLists {
  std::vector<Text> names;
  std::vector<Bytes> data;
  std::vector<DWORD> types;
  void Clear() {
    names.clear();
    data.clear();
    types.clear();
  }
};

// The plain loop: one RegEnumValueA per value into buffers of the key's largest
// name and data. With size_first, each value's size is asked for first; with
// pump, waiting messages are processed after each value.
long RawEnumValues(const std::string& sub, ValueLists& out, bool size_first, bool pump) {
  out.Clear();
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, sub.c_str(), &key) != ERROR_SUCCESS) return -1;
  DWORD max_name = 0, max_data = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &max_name,
                   &max_data, nullptr, nullptr);
  std::vector<char> name(max_name + 1);
  Bytes data(max_data);
  for (DWORD i = 0;; ++i) {
    DWORD name_size = static_cast<DWORD>(name.size()), data_size = max_data, type = 0;
    if (size_first) {
      DWORD size = 0, probe_name = name_size;
      if (RegEnumValueA(key, i, name.data(), &probe_name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        break;
      data_size = size;
    }
    if (RegEnumValueA(key, i, name.data(), &name_size, nullptr, &type, data.data(), &data_size) !=
        ERROR_SUCCESS)
      break;
    out.names.emplace_back(name.data(), name_size);
    out.data.emplace_back(data.begin(), data.begin() + data_size);
    out.types.push_back(type);
    if (pump) ProcessWaitingMessages();
  }
  RegCloseKey(key);
  return static_cast<long>(out.names.size());
}

long RawEnumKeys(const std::string& sub, std::vector<Text>& names, bool pump) {
  names.clear();
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, sub.c_str(), &key) != ERROR_SUCCESS) return -1;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    names.emplace_back(name);
    if (pump) ProcessWaitingMessages();
  }
  RegCloseKey(key);
  return static_cast<long>(names.size());
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "registry_bench: %s\n", what);
    std::exit(2);
  }
}

void BenchEnumeration(const Options& o, RegistryAccess& registry) {
  ValueLists lists;
  std::vector<Text> names;
  for (int size : o.sizes) {
    PrepareEnumeration(size);
    const std::string values = Sub("EnumValues" + std::to_string(size));
    const std::string keys = Sub("EnumKeys" + std::to_string(size));
    const Text values_path = "HKEY_CURRENT_USER\\" + values;
    const Text keys_path = "HKEY_CURRENT_USER\\" + keys;
    Check(RawEnumValues(values, lists, false, false) == size, "raw value enumeration");
    Check(registry.EnumValues(values_path, lists.names, lists.data, lists.types) == size,
          "EnumValues");
    Check(registry.EnumSubKeys(keys_path, names) == size, "EnumSubKeys");
    const std::string suffix = "/" + std::to_string(size);
    Interleave("EnumValues" + suffix, o.rounds, size,
               [&] { g_sink += RawEnumValues(values, lists, false, false); },
               [&] { g_sink += registry.EnumValues(values_path, lists.names, lists.data, lists.types); });
    Interleave("EnumSubKeys" + suffix, o.rounds, size,
               [&] { g_sink += RawEnumKeys(keys, names, false); },
               [&] { g_sink += registry.EnumSubKeys(keys_path, names); });
    if (size == o.sizes.front()) {
      // Where an enumeration's time goes: the raw loop with each of our extra
      // steps added in turn.
      std::vector<double> one, two, two_pump, keys_pump, pump_only, status_only;
      for (int r = 0; r < o.rounds; ++r) {
        double t = Seconds();
        RawEnumValues(values, lists, false, false);
        one.push_back(Seconds() - t);
        t = Seconds();
        RawEnumValues(values, lists, true, false);
        two.push_back(Seconds() - t);
        t = Seconds();
        RawEnumValues(values, lists, true, true);
        two_pump.push_back(Seconds() - t);
        t = Seconds();
        RawEnumKeys(keys, names, true);
        keys_pump.push_back(Seconds() - t);
        t = Seconds();
        for (int i = 0; i < size; ++i) ProcessWaitingMessages();
        pump_only.push_back(Seconds() - t);
        t = Seconds();
#ifdef _WIN32
        // The cheapest question whether anything waits at all.
        for (int i = 0; i < size; ++i) g_sink += GetQueueStatus(QS_ALLINPUT);
#endif
        status_only.push_back(Seconds() - t);
      }
      Print("DETAIL", "values:one-call-per-value" + suffix, Median(one), 0, size);
      Print("DETAIL", "values:size-then-data" + suffix, Median(two), 0, size);
      Print("DETAIL", "values:size-then-data+messages" + suffix, Median(two_pump), 0, size);
      Print("DETAIL", "subkeys:raw+messages" + suffix, Median(keys_pump), 0, size);
      Print("DETAIL", "messages-alone" + suffix, Median(pump_only), 0, size);
      Print("DETAIL", "queue-status-alone" + suffix, Median(status_only), 0, size);
    }
    RawDeleteTree(HKEY_CURRENT_USER, values.c_str());
    RawDeleteTree(HKEY_CURRENT_USER, keys.c_str());
  }
}

// ---- deletion of a tree ---------------------------------------------------------

// A tree of about `keys` keys on three levels (20 x 20 x the rest), two values on each.
long BuildTree(const std::string& sub, int keys) {
  const int top = 20, middle = 20;
  const int leaves = (keys - top - top * middle + top * middle - 1) / (top * middle);
  long made = 0;
  char name[32];
  auto make = [&](HKEY parent, const char* key_name) {
    HKEY key = nullptr;
    if (RegCreateKeyA(parent, key_name, &key) != ERROR_SUCCESS) return key;
    SetText(key, "Name", REG_SZ, key_name);
    const DWORD number = static_cast<DWORD>(made);
    RegSetValueExA(key, "Index", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    ++made;
    return key;
  };
  HKEY root = make(HKEY_CURRENT_USER, sub.c_str());
  for (int i = 0; i < top; ++i) {
    std::snprintf(name, sizeof name, "Level1 %02d", i);
    HKEY a = make(root, name);
    for (int j = 0; j < middle; ++j) {
      std::snprintf(name, sizeof name, "Level2 %02d", j);
      HKEY b = make(a, name);
      for (int k = 0; k < leaves; ++k) {
        std::snprintf(name, sizeof name, "Level3 %03d", k);
        RegCloseKey(make(b, name));
      }
      RegCloseKey(b);
    }
    RegCloseKey(a);
  }
  RegCloseKey(root);
  return made;
}

bool KeyExists(const std::string& sub) {
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, sub.c_str(), &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void BenchTree(const Options& o, RegistryAccess& registry) {
  const std::string raw = Sub("TreeRaw"), ours = Sub("TreeOurs");
  long keys = 0;
  Interleave("DeleteKeyTree", o.rounds, o.tree_keys,
             [&] {
               RawDeleteTree(HKEY_CURRENT_USER, raw.c_str());
               Check(!KeyExists(raw), "RegDeleteTreeA left the tree");
             },
             [&] {
               Check(registry.DeleteKeyTree("HKEY_CURRENT_USER\\" + ours), "DeleteKeyTree failed");
               Check(!KeyExists(ours), "DeleteKeyTree left the tree");
             },
             [&] {
               // Both trees are built before either deletion, so each deletion
               // finds the registry in the same state.
               if (!KeyExists(raw)) keys = BuildTree(raw, o.tree_keys);
               if (!KeyExists(ours)) keys = BuildTree(ours, o.tree_keys);
             });
  std::printf("TREEKEYS %ld\n", keys);
}

std::vector<int> ParseSizes(const char* text) {
  std::vector<int> sizes;
  for (const char* p = text; *p;) {
    sizes.push_back(std::atoi(p));
    while (*p && *p != ',') ++p;
    if (*p == ',') ++p;
  }
  return sizes;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--rounds") o.rounds = std::atoi(argv[i + 1]);
    else if (flag == "--calls") o.calls = std::atoi(argv[i + 1]);
    else if (flag == "--sizes") o.sizes = ParseSizes(argv[i + 1]);
    else if (flag == "--tree-keys") o.tree_keys = std::atoi(argv[i + 1]);
    else if (flag == "--part") o.parts.insert(argv[i + 1]);
  }
  RegistryAccess registry;
  RawDeleteTree(HKEY_CURRENT_USER, kBase);
  if (o.Wants("calls")) BenchCalls(o, registry);
  if (o.Wants("enum")) BenchEnumeration(o, registry);
  if (o.Wants("tree")) BenchTree(o, registry);
  RawDeleteTree(HKEY_CURRENT_USER, kBase);
  return 0;
}
