// Raw and text values: what is stored, what is read back, what is created.
#include <memory>

#include "tests/registry/registry_fixture.h"

namespace regtest {
namespace {

using TextValueTest = RegistryTest;

Bytes B(std::initializer_list<unsigned char> bytes) { return Bytes(bytes); }

TEST_F(TextValueTest, WriteTextStoresExactlyTheTextsBytesAsRegSz) {
  ASSERT_TRUE(registry.WriteText(Path(), "seven", "abcdefg"));
  if (ObservesCalls()) {
    EXPECT_EQ(LastSize("RegSetValueExA"), 7u);
    EXPECT_TRUE(LastHadData("RegSetValueExA"));
  }
  auto v = Get("", "seven");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, REG_SZ);
  EXPECT_EQ(v->data, TextToBytes("abcdefg"));
}

TEST_F(TextValueTest, EmptyTextIsAZeroLengthValue) {
  ASSERT_TRUE(registry.WriteText(Path(), "empty", ""));
  if (ObservesCalls()) {
    EXPECT_EQ(LastSize("RegSetValueExA"), 0u);
    EXPECT_FALSE(LastHadData("RegSetValueExA"));
  }
  auto v = Get("", "empty");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, REG_SZ);
  EXPECT_TRUE(v->data.empty());
  DWORD type = 99;
  EXPECT_TRUE(registry.ReadValue(Path(), "empty", type).empty());
  EXPECT_EQ(registry.ReadText(Path(), "empty"), "");
}

TEST_F(TextValueTest, WriteExpandTextStoresRegExpandSzAndNothingIsExpanded) {
  const Text desktop = "%USERPROFILE%\\Desktop";
  ASSERT_TRUE(registry.WriteExpandText(Path(), "Desktop", desktop));
  auto v = Get("", "Desktop");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, REG_EXPAND_SZ);
  EXPECT_EQ(v->data, TextToBytes(desktop));
  EXPECT_EQ(registry.ReadExpandText(Path(), "Desktop"), desktop);
  EXPECT_EQ(registry.ReadText(Path(), "Desktop"), desktop);
}

TEST_F(TextValueTest, CodePage936TextRoundTrips) {
  const Text path = "d:\\\xD7\xC0\xC3\xE6";  // d:\桌面
  ASSERT_TRUE(registry.WriteExpandText(Path(), "\xD7\xC0\xC3\xE6", path));
  EXPECT_EQ(registry.ReadText(Path(), "\xD7\xC0\xC3\xE6"), path);
}

TEST_F(TextValueTest, ReadTextTurnsAnyValueIntoTextUpToItsFirstZeroByte) {
  struct Case {
    const char* name;
    DWORD type;
    Bytes stored;
    Text expected;
  };
  const Case cases[] = {
      {"terminated", REG_SZ, B({'a', 'b', 0}), "ab"},
      {"unterminated", REG_SZ, B({'a', 'b', 'c'}), "abc"},
      {"zero inside", REG_SZ, B({'a', 0, 'b', 0}), "a"},
      {"leading zero", REG_SZ, B({0, 'a', 0}), ""},
      {"multi", REG_MULTI_SZ, B({'o', 'n', 'e', 0, 't', 'w', 'o', 0, 0}), "one"},
      {"dword 65", REG_DWORD, B({65, 0, 0, 0}), "A"},
      {"dword 0", REG_DWORD, B({0, 0, 0, 0}), ""},
      {"binary", REG_BINARY, B({0x41, 0x42}), "AB"},
      {"expand", REG_EXPAND_SZ, TextToBytes("%TEMP%\\x"), "%TEMP%\\x"},
      {"zero length", REG_BINARY, B({}), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put("", c.name, c.type, c.stored);
    EXPECT_EQ(registry.ReadText(Path(), c.name), c.expected);
    EXPECT_EQ(registry.ReadExpandText(Path(), c.name), c.expected);
  }
}

TEST_F(TextValueTest, ReadValueGivesTheDataAsStoredAndItsType) {
  Put("", "multi", REG_MULTI_SZ, B({'a', 0, 'b', 0, 0}));
  DWORD type = 0;
  EXPECT_EQ(registry.ReadValue(Path(), "multi", type), B({'a', 0, 'b', 0, 0}));
  EXPECT_EQ(type, REG_MULTI_SZ);
  Put("", "bin", REG_BINARY, B({0, 1, 2, 0}));
  type = REG_SZ;
  EXPECT_EQ(registry.ReadValue(Path(), "bin", type), B({0, 1, 2, 0}));
  EXPECT_EQ(type, REG_BINARY);
}

TEST_F(TextValueTest, MissingValuesAndKeysReadAsEmptyAndCreateNothing) {
  DWORD type = 12345;
  EXPECT_TRUE(registry.ReadValue(Path("Missing\\Deeper"), "v", type).empty());
  EXPECT_EQ(type, 12345u);  // untouched when the key cannot be opened
  EXPECT_EQ(registry.ReadText(Path("Missing\\Deeper"), "v"), "");
  EXPECT_EQ(registry.ReadExpandText(Path("Missing"), "v"), "");
  EXPECT_FALSE(KeyExists("Missing"));
  EXPECT_EQ(registry.ReadText(Path(), "no such value"), "");
  EXPECT_TRUE(registry.ReadValue(Path(), "no such value", type).empty());
}

TEST_F(TextValueTest, WritesCreateEveryMissingKey) {
  ASSERT_TRUE(registry.WriteValue(Path("One\\Two\\Three"), "v", B({1, 2, 3}), REG_BINARY));
  EXPECT_TRUE(KeyExists("One\\Two\\Three"));
  auto v = Get("One\\Two\\Three", "v");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, REG_BINARY);
  EXPECT_EQ(v->data, B({1, 2, 3}));
}

TEST_F(TextValueTest, WriteValuePassesAnyTypeCodeUnchanged) {
  ASSERT_TRUE(registry.WriteValue(Path(), "odd", B({9}), 0x1234));
  auto v = Get("", "odd");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, 0x1234u);
  EXPECT_EQ(v->data, B({9}));
}

TEST_F(TextValueTest, EmptyNameWritesTheDefaultValue) {
  ASSERT_TRUE(registry.WriteText(Path(), "", "default"));
  auto v = Get("", "");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->data, TextToBytes("default"));
  EXPECT_EQ(registry.ReadText(Path(), ""), "default");
}

TEST_F(TextValueTest, ValueNamesCompareWithoutRegardToCase) {
  ASSERT_TRUE(registry.WriteText(Path(), "Desktop", "one"));
  ASSERT_TRUE(registry.WriteText(Path(), "DESKTOP", "two"));
  EXPECT_EQ(registry.ReadText(Path(), "desktop"), "two");
}

TEST_F(TextValueTest, OperationsLeaveNoHandleOpen) {
  const int before = OpenHandles();
  // The measure itself sees a key handle that is held open.
  HKEY held = registry.OpenKey(Path());
  ASSERT_NE(held, nullptr);
  EXPECT_NE(OpenHandles(), before);
  RegCloseKey(held);
  EXPECT_EQ(OpenHandles(), before);
  DWORD type = 0;
  registry.WriteText(Path("H"), "v", "x");
  registry.WriteExpandText(Path("H"), "e", "y");
  registry.ReadText(Path("H"), "v");
  registry.ReadExpandText(Path("H"), "missing");
  registry.ReadValue(Path("missing"), "v", type);
  registry.WriteValue(Path("H"), "b", B({1}), REG_BINARY);
  registry.WriteText("HKEY_LOCAL_MACHINE_\\x", "v", "x");
  EXPECT_EQ(OpenHandles(), before);
}

TEST_F(TextValueTest, CloneIsASeparateObjectThatBehavesTheSame) {
  std::unique_ptr<RegistryAccess> copy = registry.Clone();
  ASSERT_NE(copy.get(), &registry);
  ASSERT_TRUE(copy->WriteText(Path(), "v", "from clone"));
  EXPECT_EQ(registry.ReadText(Path(), "v"), "from clone");
  copy.reset();
  EXPECT_EQ(registry.ReadText(Path(), "v"), "from clone");
}

// The text operations go through the object's virtual operations, so a derived
// object sees every step.
class Recording : public RegistryAccess {
 public:
  std::string log;
  HKEY OpenKey(const Text& path, bool create) override {
    log += std::string("OpenKey(") + (create ? "create" : "open") + ") ";
    return RegistryAccess::OpenKey(path, create);
  }
  bool WriteValue(const Text& path, const Text& name, const Bytes& data, DWORD type) override {
    log += "WriteValue(" + std::to_string(type) + "," + std::to_string(data.size()) + ") ";
    return RegistryAccess::WriteValue(path, name, data, type);
  }
  Bytes ReadValue(const Text& path, const Text& name, DWORD& type) override {
    log += "ReadValue ";
    return RegistryAccess::ReadValue(path, name, type);
  }
};

TEST_F(TextValueTest, TextOperationsGoThroughTheVirtualOperations) {
  Recording r;
  r.WriteText(Path(), "v", "abc");
  EXPECT_EQ(r.log, "WriteValue(1,3) OpenKey(create) ");
  r.log.clear();
  r.WriteExpandText(Path(), "v", "abcd");
  EXPECT_EQ(r.log, "WriteValue(2,4) OpenKey(create) ");
  r.log.clear();
  EXPECT_EQ(r.ReadText(Path(), "v"), "abcd");
  EXPECT_EQ(r.log, "ReadValue OpenKey(open) ");
  r.log.clear();
  r.ReadExpandText(Path(), "v");
  EXPECT_EQ(r.log, "ReadValue OpenKey(open) ");
}

}  // namespace
}  // namespace regtest
