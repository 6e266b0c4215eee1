// Injected failures (native only: the in-memory registry fails any call on
// demand). Each operation's registry calls are made to fail in turn, at every
// position: the result is the operation's failure value or its normal one, and
// no handle stays open.
#include <functional>

#include "registry/memory_registry.h"
#include "tests/registry/registry_fixture.h"

namespace regtest {
namespace {

using FaultTest = RegistryTest;

struct Operation {
  const char* name;
  // Runs the operation; true when its result is the success one.
  std::function<bool(RegistryAccess&, const Text& path)> run;
};

TEST_F(FaultTest, EveryPathClosesEveryHandle) {
  const Operation operations[] = {
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
  };
  for (const Operation& op : operations) {
    for (LONG error : {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA}) {
      for (int nth = 1;; ++nth) {
        SCOPED_TRACE(std::string(op.name) + " call " + std::to_string(nth) + " error " +
                     std::to_string(error));
        memreg::Reset();
        registry.WriteText(Path(), "existing", "old");
        memreg::ClearCalls();
        memreg::ClearFailures();
        memreg::FailNthCall(nth, error);
        const bool ok = op.run(registry, Path());
        const std::string failed = nth <= static_cast<int>(memreg::Calls().size())
                                       ? memreg::Calls()[nth - 1].function
                                       : "";
        EXPECT_EQ(memreg::OpenHandleCount(), 0);
        if (failed.empty()) {  // past the last call: the operation ran clean
          EXPECT_TRUE(ok);
          break;
        }
        // A failed close changes nothing; any other failed call fails the operation
        // (a failed size query leaves no buffer, so the read gives empty data).
        EXPECT_EQ(ok, failed == "RegCloseKey") << "failed call: " << failed;
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

}  // namespace
}  // namespace regtest
