// Injected failures (native only: the in-memory registry fails any call on
// demand). Each operation's registry calls are made to fail in turn, at every
// position: the result is the operation's failure value or its normal one, and
// no handle stays open. A failure changes the result unless the operation has
// no use for what the failed call reports (a close; the call that ends a
// listing anyway; a name that did not fit, which is asked for again).
#include <functional>

#include "registry/memory_registry.h"
#include "tests/registry/registry_fixture.h"

namespace regtest {
namespace {

class FaultTest : public RegistryTest {
 protected:
  // The scratch key holds the value "existing" ("old" as REG_SZ) and a second
  // value, and a tree "Tree" three levels deep with two keys on the lowest.
  void Arrange() {
    memreg::Reset();
    registry.WriteText(Path(), "existing", "old");
    registry.WriteBinary(Path(), "second", {1, 2, 3, 4});
    registry.WriteText(Path("Tree\\A\\B"), "v", "x");
    registry.WriteText(Path("Tree\\A\\C"), "v", "x");
  }
};

// A call of a clean run, by its position in the record, whose failure with the
// given error leaves the result as it was.
using Harmless =
    std::function<bool(const std::vector<memreg::Call>& clean, size_t i, LONG error)>;

bool OnlyClose(const std::vector<memreg::Call>& clean, size_t i, LONG) {
  return clean[i].function == "RegCloseKey";
}

// Listings end at the first failed RegEnumKeyA or RegEnumValueA size query, so
// the failure of the one that ended the listing anyway changes nothing; a name
// that does not fit is asked for again in a larger buffer.
bool EndOfListing(const std::vector<memreg::Call>& clean, size_t i, LONG error) {
  const memreg::Call& c = clean[i];
  const bool enumeration = c.function == "RegEnumKeyA" || c.function == "RegEnumValueA";
  return OnlyClose(clean, i, error) || (enumeration && c.result == ERROR_NO_MORE_ITEMS) ||
         (c.function == "RegEnumValueA" && !c.has_data && error == ERROR_MORE_DATA);
}

// A tree deletion also lists the subkeys of each key it deletes: a key whose
// listing fails to open or ends early is a key without subkeys, which a leaf is.
bool LeafListing(const std::vector<memreg::Call>& clean, size_t i, LONG error) {
  const bool opens_a_leaf = clean[i].function == "RegOpenKeyA" && i + 1 < clean.size() &&
                            clean[i + 1].function == "RegEnumKeyA" &&
                            clean[i + 1].result == ERROR_NO_MORE_ITEMS;
  return EndOfListing(clean, i, error) || opens_a_leaf;
}

struct Operation {
  const char* name;
  // Runs the operation; true when its result is the success one.
  std::function<bool(RegistryAccess&, const Text& path)> run;
  Harmless harmless = OnlyClose;
};

const char kScratch[] = "HKEY_CURRENT_USER\\";

TEST_F(FaultTest, EveryPathClosesEveryHandle) {
  const Operation operations[] = {
      {"EnumSubKeys",
       [](RegistryAccess& r, const Text& p) {
         std::vector<Text> names;
         return r.EnumSubKeys(p + "\\Tree\\A", names) == 2;
       },
       EndOfListing},
      {"EnumValues",
       [](RegistryAccess& r, const Text& p) {
         std::vector<Text> names;
         std::vector<Bytes> data;
         std::vector<DWORD> types;
         return r.EnumValues(p, names, data, types) == 2 && data[1].size() == 4;
       },
       EndOfListing},
      {"DescribeValueType",
       [](RegistryAccess& r, const Text& p) { return !r.DescribeValueType(p, "second").empty(); },
       EndOfListing},
      {"WriteValue",
       [](RegistryAccess& r, const Text& p) { return r.WriteValue(p, "v", {1, 2}, REG_BINARY); }},
      {"WriteText", [](RegistryAccess& r, const Text& p) { return r.WriteText(p, "v", "text"); }},
      {"WriteExpandText",
       [](RegistryAccess& r, const Text& p) { return r.WriteExpandText(p, "v", "%A%"); }},
      {"ReadValue",
       [](RegistryAccess& r, const Text& p) {
         DWORD type = 0;
         return !r.ReadValue(p, "existing", type).empty();
       }},
      {"ReadText", [](RegistryAccess& r, const Text& p) { return r.ReadText(p, "existing") == "old"; }},
      {"ReadExpandText",
       [](RegistryAccess& r, const Text& p) { return r.ReadExpandText(p, "existing") == "old"; }},
      {"ValueExists", [](RegistryAccess& r, const Text& p) { return r.ValueExists(p); }},
      {"ValueExists with a name",
       [](RegistryAccess& r, const Text& p) { return r.ValueExists(p, "existing"); }},
      {"FlushKey", [](RegistryAccess& r, const Text& p) { return r.FlushKey(p); }},
      {"WriteValueUnderRoot",
       [](RegistryAccess& r, const Text& p) {
         return r.WriteValueUnderRoot(3, p.substr(sizeof kScratch - 1) + "\\New", "v", {'x'});
       }},
      {"WriteDword", [](RegistryAccess& r, const Text& p) { return r.WriteDword(p, "v", -1); }},
      {"ReadNumber",
       [](RegistryAccess& r, const Text& p) { return r.ReadNumber(p, "existing") == 0x646c6f; }},
      {"WriteBinary",
       [](RegistryAccess& r, const Text& p) { return r.WriteBinary(p, "v", {0, 1}); }},
      {"ReadBinary",
       [](RegistryAccess& r, const Text& p) { return r.ReadBinary(p, "existing").size() == 3; }},
      {"WriteMultiText",
       [](RegistryAccess& r, const Text& p) { return r.WriteMultiText(p, "v", "a\r\nb"); }},
      {"ReadMultiText",
       [](RegistryAccess& r, const Text& p) { return r.ReadMultiText(p, "existing") == "old"; }},
      {"DeleteKeyTree",
       [](RegistryAccess& r, const Text& p) { return r.DeleteKeyTree(p + "\\Tree"); },
       LeafListing},
      {"DeleteValue",
       [](RegistryAccess& r, const Text& p) { return r.DeleteValue(p, "existing"); }},
  };
  for (const Operation& op : operations) {
    for (LONG error : {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA}) {
      for (int nth = 1;; ++nth) {
        SCOPED_TRACE(std::string(op.name) + " call " + std::to_string(nth) + " error " +
                     std::to_string(error));
        Arrange();
        memreg::ClearCalls();
        ASSERT_TRUE(op.run(registry, Path()));
        const std::vector<memreg::Call> clean = memreg::Calls();
        Arrange();
        memreg::ClearCalls();
        memreg::ClearFailures();
        memreg::FailNthCall(nth, error);
        const bool ok = op.run(registry, Path());
        EXPECT_EQ(memreg::OpenHandleCount(), 0);
        const auto failed = static_cast<size_t>(nth - 1);
        if (failed >= clean.size()) {  // past the last call: the operation ran clean
          EXPECT_TRUE(ok);
          break;
        }
        // Any other failed call fails the operation (a failed size query leaves
        // no buffer, so a read gives empty data).
        EXPECT_EQ(ok, op.harmless(clean, failed, error))
            << "failed call: " << clean[failed].function;
      }
    }
  }
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
  EXPECT_EQ(registry.EnumValues(Path(), names, data, types), 1);
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
