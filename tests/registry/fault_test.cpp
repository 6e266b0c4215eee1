// Injected failures (native only: the in-memory registry fails any call on
// demand). Each operation's registry calls are made to fail in turn, at every
// position, with every error a registry call can answer. Each time:
//  - the result is the operation's described failure value (for a listing: the
//    items before the failed call, or all but the item whose fetch failed), or
//    its clean result when the operation has no use for what the failed call
//    reports (a close; the call that ended a listing anyway; a name that did
//    not fit, which is asked for again);
//  - no handle stays open;
//  - nothing outside the key the operation names has changed; a failed read
//    or write changes nothing at all, and a harmless failure leaves exactly
//    what the clean run leaves.
#include <cctype>
#include <functional>
#include <sstream>

#include "registry/memory_registry.h"
#include "tests/registry/registry_fixture.h"

namespace regtest {
namespace {

class FaultTest : public RegistryTest {
 protected:
  // Below the scratch key: "Values" holds "existing" ("old" as REG_SZ) and
  // "second" (4 bytes); "Tree" is three levels deep with two keys on the
  // lowest; "Other" is a neighbour with a value of its own.
  void Arrange() {
    memreg::Reset();
    registry.WriteText(Path("Values"), "existing", "old");
    registry.WriteBinary(Path("Values"), "second", {1, 2, 3, 4});
    registry.WriteText(Path("Tree\\A\\B"), "v", "x");
    registry.WriteText(Path("Tree\\A\\C"), "v", "x");
    registry.WriteDword(Path("Other"), "n", 7);
    registry.WriteText("HKEY_LOCAL_MACHINE\\Software\\Elsewhere", "v", "y");
  }
};

const char kCurrentUser[] = "HKEY_CURRENT_USER\\";

// Every error that the registry calls answer with.
const LONG kErrors[] = {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED,     ERROR_INVALID_HANDLE,
                        ERROR_OUTOFMEMORY,    ERROR_INVALID_PARAMETER, ERROR_BAD_PATHNAME,
                        ERROR_MORE_DATA,      ERROR_NO_MORE_ITEMS,     ERROR_KEY_DELETED};

// The whole registry, root by root.
std::string WholeRegistry() {
  std::string all;
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                    HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG})
    all += memreg::Dump(root) + "--\n";
  return all;
}

bool SameLetters(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The whole registry without the key at `below` (relative to HKEY_CURRENT_USER)
// and what lies under it.
std::string OutsideKey(const std::string& below) {
  const std::string hkcu = memreg::Dump(HKEY_CURRENT_USER);
  const std::string header = "[\\" + below;
  std::istringstream lines(hkcu);
  std::string line, kept;
  bool inside = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] == '[') {
      const std::string path = line.substr(0, line.size() - 1);  // without "]"
      inside = SameLetters(path, header) ||
               (path.size() > header.size() && path[header.size()] == '\\' &&
                SameLetters(path.substr(0, header.size()), header));
    }
    if (!inside) kept += line + "\n";
  }
  std::string all;
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_PERFORMANCE_DATA,
                    HKEY_CURRENT_CONFIG})
    all += memreg::Dump(root) + "--\n";
  return kept + "--\n" + all;
}

// A listing's result: "<count>|item|item...".
std::string Listing(std::int32_t count, const std::vector<std::string>& items) {
  std::string out = std::to_string(count);
  for (const auto& item : items) out += "|" + item;
  return out;
}

std::vector<std::string> Items(const std::string& listing) {
  std::vector<std::string> items;
  std::istringstream in(listing);
  std::string item;
  std::getline(in, item, '|');  // the count
  while (std::getline(in, item, '|')) items.push_back(item);
  return items;
}

std::string Hex(const Bytes& data) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (BYTE b : data) out += std::string{digits[b >> 4], digits[b & 15]};
  return out;
}

// What a failure of clean[i] with error must give.
struct Failed {
  const std::vector<memreg::Call>& clean;  // the calls of a clean run
  size_t i;                                // the failed one
  LONG error;
  const std::string& clean_result;
  const std::string& failure;  // the operation's described failure value
  const memreg::Call& call() const { return clean[i]; }
  // Which item of a listing the failed call was for, and whether it was the
  // item's first call of its kind (a size query) or its second (a fetch).
  size_t Item() const { return call().size; }
  bool SecondForItem() const {
    int seen = 0;
    for (size_t k = 0; k < i; ++k)
      if (clean[k].function == call().function && clean[k].size == call().size) ++seen;
    return seen > 0;
  }
};
using Expectation = std::function<std::string(const Failed&)>;

// Any failed call but a close gives the failure value.
std::string FailsUnlessClose(const Failed& f) {
  return f.call().function == "RegCloseKey" ? f.clean_result : f.failure;
}

// The call that ended the listing anyway changes nothing.
bool EndedTheListing(const Failed& f) {
  const memreg::Call& c = f.call();
  return (c.function == "RegEnumKeyA" || c.function == "RegEnumValueA") &&
         c.result == ERROR_NO_MORE_ITEMS;
}

// EnumSubKeys: a failed RegEnumKeyA ends the listing after the names before it.
std::string SubkeyListing(const Failed& f) {
  if (f.call().function == "RegOpenKeyA") return f.failure;
  if (f.call().function != "RegEnumKeyA" || EndedTheListing(f)) return f.clean_result;
  std::vector<std::string> items = Items(f.clean_result);
  items.resize(f.Item());
  return Listing(static_cast<std::int32_t>(items.size()), items);
}

// EnumValues: a failed size query ends the listing (but a name that did not fit
// is asked for again); a failed fetch leaves that value out and goes on.
std::string ValueListing(const Failed& f) {
  if (f.call().function == "RegOpenKeyA") return f.failure;
  if (f.call().function != "RegEnumValueA" || EndedTheListing(f)) return f.clean_result;
  std::vector<std::string> items = Items(f.clean_result);
  if (f.SecondForItem()) {
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(f.Item()));
  } else {
    if (f.error == ERROR_MORE_DATA) return f.clean_result;
    items.resize(f.Item());
  }
  return Listing(static_cast<std::int32_t>(items.size()), items);
}

// DescribeValueType: a failed search ends without a match, but a name that did
// not fit is asked for again.
std::string Search(const Failed& f) {
  if (f.call().function == "RegEnumValueA" && (f.error == ERROR_MORE_DATA || EndedTheListing(f)))
    return f.clean_result;
  return FailsUnlessClose(f);
}

// DeleteKeyTree also lists the subkeys of each key it deletes: a key whose
// listing fails to open or ends early is a key without subkeys, which a leaf is.
std::string TreeDeletion(const Failed& f) {
  const auto& clean = f.clean;
  const bool opens_a_leaf = clean[f.i].function == "RegOpenKeyA" && f.i + 1 < clean.size() &&
                            clean[f.i + 1].function == "RegEnumKeyA" &&
                            clean[f.i + 1].result == ERROR_NO_MORE_ITEMS;
  if (EndedTheListing(f) || opens_a_leaf) return f.clean_result;
  return FailsUnlessClose(f);
}

std::string Bool(bool b) { return b ? "true" : "false"; }

struct Operation {
  const char* name;
  const char* key;  // the key it names, below the scratch key
  // Runs it below the scratch key p; its result as text.
  std::function<std::string(RegistryAccess&, const Text& p)> run;
  std::string failure;  // its described failure value, as run renders it
  Expectation expect = FailsUnlessClose;
  bool failure_may_change = false;  // a failure may leave changes inside the named key
};

TEST_F(FaultTest, EveryFailedCallGivesTheFailureValueClosesEverythingAndChangesNothingElse) {
  using R = RegistryAccess;
  const Operation operations[] = {
      {"EnumSubKeys", "Tree\\A",
       [](R& r, const Text& p) {
         std::vector<Text> names = {"stale"};
         const std::int32_t n = r.EnumSubKeys(p + "\\Tree\\A", names);
         return Listing(n, names);
       },
       "-1", SubkeyListing},
      {"EnumValues", "Values",
       [](R& r, const Text& p) {
         std::vector<Text> names = {"stale"};
         std::vector<Bytes> data = {{1}};
         std::vector<DWORD> types = {9};
         const std::int32_t n = r.EnumValues(p + "\\Values", names, data, types);
         std::vector<std::string> items;
         for (size_t i = 0; i < names.size(); ++i)
           items.push_back(names[i] + "=" + Hex(data.at(i)) + "/" + std::to_string(types.at(i)));
         return Listing(n, items);
       },
       "-1", ValueListing},
      {"DescribeValueType", "Values",
       [](R& r, const Text& p) { return r.DescribeValueType(p + "\\Values", "second"); }, "",
       Search},
      {"ValueExists", "Values",
       [](R& r, const Text& p) { return Bool(r.ValueExists(p + "\\Values")); }, "false"},
      {"ValueExists with a name", "Values",
       [](R& r, const Text& p) { return Bool(r.ValueExists(p + "\\Values", "existing")); },
       "false"},
      {"FlushKey", "Values", [](R& r, const Text& p) { return Bool(r.FlushKey(p + "\\Values")); },
       "false"},
      {"WriteValue", "Values",
       [](R& r, const Text& p) {
         return Bool(r.WriteValue(p + "\\Values", "v", {1, 2}, REG_BINARY));
       },
       "false"},
      {"ReadValue", "Values",
       [](R& r, const Text& p) {
         DWORD type = 0;
         return Hex(r.ReadValue(p + "\\Values", "existing", type));
       },
       ""},
      {"WriteValueUnderRoot", "New",
       [](R& r, const Text& p) {
         return Bool(
             r.WriteValueUnderRoot(3, p.substr(sizeof kCurrentUser - 1) + "\\New", "v", {'x'}));
       },
       "false", FailsUnlessClose, true},
      {"WriteDword", "Values",
       [](R& r, const Text& p) { return Bool(r.WriteDword(p + "\\Values", "v", -1)); }, "false"},
      {"ReadNumber", "Values",
       [](R& r, const Text& p) { return std::to_string(r.ReadNumber(p + "\\Values", "existing")); },
       "0"},
      {"WriteBinary", "Values",
       [](R& r, const Text& p) {
         return Bool(r.WriteBinary(p + "\\Values", "v", {0, 1}));
       },
       "false"},
      {"ReadBinary", "Values",
       [](R& r, const Text& p) { return Hex(r.ReadBinary(p + "\\Values", "second")); }, ""},
      {"WriteText", "Values",
       [](R& r, const Text& p) { return Bool(r.WriteText(p + "\\Values", "v", "text")); }, "false"},
      {"ReadText", "Values",
       [](R& r, const Text& p) { return r.ReadText(p + "\\Values", "existing"); }, ""},
      {"WriteMultiText", "Values",
       [](R& r, const Text& p) { return Bool(r.WriteMultiText(p + "\\Values", "v", "a\r\nb")); },
       "false"},
      {"ReadMultiText", "Values",
       [](R& r, const Text& p) { return r.ReadMultiText(p + "\\Values", "existing"); }, ""},
      {"WriteExpandText", "Values",
       [](R& r, const Text& p) { return Bool(r.WriteExpandText(p + "\\Values", "v", "%A%")); },
       "false"},
      {"ReadExpandText", "Values",
       [](R& r, const Text& p) { return r.ReadExpandText(p + "\\Values", "existing"); }, ""},
      {"DeleteKeyTree", "Tree",
       [](R& r, const Text& p) { return Bool(r.DeleteKeyTree(p + "\\Tree")); }, "false",
       TreeDeletion, true},
      {"DeleteValue", "Values",
       [](R& r, const Text& p) { return Bool(r.DeleteValue(p + "\\Values", "existing")); },
       "false"},
  };
  int runs = 0;
  for (const Operation& op : operations) {
    const std::string named = SubPath() + "\\" + op.key;
    Arrange();
    const std::string before = WholeRegistry();
    const std::string outside_before = OutsideKey(named);
    memreg::ClearCalls();
    const std::string clean_result = op.run(registry, Path());
    const std::vector<memreg::Call> clean = memreg::Calls();
    const std::string clean_after = WholeRegistry();
    ASSERT_NE(clean_result, op.failure) << op.name << ": the clean run must succeed";
    ASSERT_EQ(OutsideKey(named), outside_before) << op.name;
    for (LONG error : kErrors) {
      for (size_t i = 0; i <= clean.size(); ++i) {
        SCOPED_TRACE(std::string(op.name) + ", call " + std::to_string(i + 1) + " (" +
                     (i < clean.size() ? clean[i].function : "none") + ") fails with " +
                     std::to_string(error));
        Arrange();
        memreg::ClearFailures();
        memreg::FailNthCall(static_cast<int>(i + 1), error);
        const std::string result = op.run(registry, Path());
        memreg::ClearFailures();
        ++runs;
        EXPECT_EQ(memreg::OpenHandleCount(), 0);
        EXPECT_EQ(OutsideKey(named), outside_before);
        const std::string expected =
            i == clean.size() ? clean_result  // past the last call: a clean run
                              : op.expect(Failed{clean, i, error, clean_result, op.failure});
        EXPECT_EQ(result, expected);
        if (result == clean_result) {
          EXPECT_EQ(WholeRegistry(), clean_after);
        } else if (!op.failure_may_change) {
          EXPECT_EQ(WholeRegistry(), before);
        }
      }
    }
  }
  EXPECT_GT(runs, 1000);  // each operation met each error at each of its calls
}

TEST_F(FaultTest, FailedCreateLeavesTheKeysAlreadyMadeAndWritesNothing) {
  memreg::FailCall("RegSetValueExA", 1, ERROR_ACCESS_DENIED);
  EXPECT_FALSE(registry.WriteText(Path("A\\B"), "v", "x"));
  EXPECT_TRUE(KeyExists("A\\B"));
  EXPECT_FALSE(Get("A\\B", "v"));
  EXPECT_EQ(memreg::OpenHandleCount(), 0);
}

TEST_F(FaultTest, AFailedSizeQueryReadsAsEmpty) {
  registry.WriteText(Path(), "v", "value");
  memreg::FailCall("RegQueryValueExA", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(registry.ReadText(Path(), "v"), "");
  EXPECT_EQ(memreg::OpenHandleCount(), 0);
}

TEST_F(FaultTest, AValueThatGrewBetweenTheTwoQueriesReadsAsEmpty) {
  registry.WriteText(Path(), "v", "value");
  memreg::FailCall("RegQueryValueExA", 2, ERROR_MORE_DATA);
  EXPECT_EQ(registry.ReadText(Path(), "v"), "");
  EXPECT_EQ(memreg::OpenHandleCount(), 0);
}

TEST_F(FaultTest, AValueWhoseFetchFailsIsLeftOutAndTheListingGoesOn) {
  Arrange();
  // Calls: open, size query 0, fetch 0, size query 1, fetch 1, ...
  memreg::FailCall("RegEnumValueA", 2, ERROR_MORE_DATA);
  std::vector<Text> names;
  std::vector<Bytes> data;
  std::vector<DWORD> types;
  EXPECT_EQ(registry.EnumValues(Path("Values"), names, data, types), 1);
  EXPECT_EQ(names, std::vector<Text>{"second"});
  EXPECT_EQ(data, std::vector<Bytes>{Bytes({1, 2, 3, 4})});
  EXPECT_EQ(memreg::OpenHandleCount(), 0);
}

TEST_F(FaultTest, ATreeDeletionThatFailsBelowKeepsWhatItDeleted) {
  Arrange();
  // Depth first: B goes, C stays, so A and Tree cannot go either.
  memreg::FailCall("RegDeleteKeyA", 2, ERROR_ACCESS_DENIED);
  EXPECT_FALSE(registry.DeleteKeyTree(Path("Tree")));
  EXPECT_FALSE(KeyExists("Tree\\A\\B"));
  EXPECT_TRUE(KeyExists("Tree\\A\\C"));
  EXPECT_TRUE(KeyExists("Tree\\A"));
  EXPECT_EQ(memreg::OpenHandleCount(), 0);
}

}  // namespace
}  // namespace regtest
