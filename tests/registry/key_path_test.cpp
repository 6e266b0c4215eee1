// Key paths: which root names OpenKey accepts and what reaches the system.
#include "tests/registry/registry_fixture.h"

namespace regtest {
namespace {

using KeyPathTest = RegistryTest;

TEST_F(KeyPathTest, RejectedPathsGiveNullHandleWithoutAnyRegistryCall) {
  const char* const rejected[] = {
      "HKEY_CURRENT_USER",                 // no backslash
      "",                                  // empty
      "\\Software",                        // empty root name
      "\\HKEY_CURRENT_USER\\Software",     // leading backslash
      "hkey_current_user\\Software",       // other case
      "HKEY_Current_User\\Software",       // other case
      "HKCU\\Software",                    // short form
      "HKEY_CURRENT_CONFIG\\Software",     // reachable only by root number
      "HKEY_PERFORMANCE_DATA\\Software",   // another predefined key
      " HKEY_CURRENT_USER\\Software",      // leading space
      "HKEY_CURRENT_USER \\Software",      // trailing space in the root name
      "HKEY_LOCAL_MACHINE_\\Software",     // a longer name
  };
  for (const char* path : rejected) {
    SCOPED_TRACE(path);
    ClearCalls();
    EXPECT_EQ(registry.OpenKey(path), nullptr);
    EXPECT_EQ(registry.OpenKey(path, true), nullptr);
    EXPECT_EQ(registry.ReadText(path, "v"), "");
    EXPECT_FALSE(registry.WriteText(path, "v", "x"));
    if (ObservesCalls()) {
      EXPECT_EQ(CountAllCalls(), 0);
    }
  }
}

TEST_F(KeyPathTest, EachRootNameWithOneBackslashOpensThePredefinedKeyItself) {
  for (const char* root : {"HKEY_CLASSES_ROOT\\", "HKEY_CURRENT_USER\\", "HKEY_LOCAL_MACHINE\\",
                           "HKEY_USERS\\"}) {
    SCOPED_TRACE(root);
    ClearCalls();
    HKEY key = registry.OpenKey(root);
    ASSERT_NE(key, nullptr);
    if (ObservesCalls()) {
      EXPECT_EQ(CountCalls("RegOpenKeyA"), 1);
      EXPECT_EQ(LastName("RegOpenKeyA"), std::nullopt);  // no subkey name at all
    }
    RegCloseKey(key);
  }
  // The handle of "HKEY_CURRENT_USER\" reaches what lies below HKEY_CURRENT_USER.
  ASSERT_TRUE(registry.WriteText(Path(), "marker", "here"));
  HKEY key = registry.OpenKey("HKEY_CURRENT_USER\\");
  ASSERT_NE(key, nullptr);
  HKEY below = nullptr;
  EXPECT_EQ(RegOpenKeyA(key, SubPath().c_str(), &below), ERROR_SUCCESS);
  RegCloseKey(below);
  RegCloseKey(key);
}

TEST_F(KeyPathTest, SubkeyPathReachesTheSystemByteForByte) {
  struct Case {
    const char* below;  // as typed after the scratch key
    const char* plain;  // the same key written plainly
  };
  const Case cases[] = {{"A\\\\B", "A\\B"}, {"C\\", "C"}, {"D\\\\E\\\\", "D\\E"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.below);
    const Text path = Path() + "\\" + c.below;
    ASSERT_TRUE(registry.WriteText(path, "v", "x"));
    if (ObservesCalls()) {
      EXPECT_EQ(LastName("RegCreateKeyA"), SubPath() + "\\" + c.below);
    }
    EXPECT_TRUE(KeyExists(c.plain));
    EXPECT_EQ(registry.ReadText(path, "v"), "x");
    if (ObservesCalls()) {
      EXPECT_EQ(LastName("RegOpenKeyA"), SubPath() + "\\" + c.below);
    }
  }
}

TEST_F(KeyPathTest, OpenKeyCreatesOnlyWhenAsked) {
  EXPECT_EQ(registry.OpenKey(Path("New\\Deeper")), nullptr);
  EXPECT_FALSE(KeyExists("New"));
  HKEY key = registry.OpenKey(Path("New\\Deeper"), true);
  ASSERT_NE(key, nullptr);
  RegCloseKey(key);
  EXPECT_TRUE(KeyExists("New\\Deeper"));
  key = registry.OpenKey(Path("new\\DEEPER"));  // names compare without regard to case
  ASSERT_NE(key, nullptr);
  RegCloseKey(key);
}

TEST_F(KeyPathTest, DoubleByteKeyNamesRoundTrip) {
  // 桌面 and a name whose second byte is a backslash (0x5C): one name, not two.
  const std::string desk = "\xD7\xC0\xC3\xE6";
  const std::string five_c = "\x95\x5C";
  ASSERT_TRUE(registry.WriteText(Path(desk + "\\" + five_c), "v", desk));
  EXPECT_TRUE(KeyExists(desk + "\\" + five_c));
  EXPECT_FALSE(KeyExists(desk + "\\\x95"));
  EXPECT_EQ(registry.ReadText(Path(desk + "\\" + five_c), "v"), desk);
}

}  // namespace
}  // namespace regtest
