// Listing subkeys and values, describing a value's type, deleting values and
// whole key trees.
#include <functional>
#include <string>
#include <vector>

#include "tests/registry/registry_fixture.h"

namespace regtest {
namespace {

using EnumerationTest = RegistryTest;

Bytes B(std::initializer_list<unsigned char> bytes) { return Bytes(bytes); }

// A Text from its bytes spelled in hex.
Text Hex(const char* hex) {
  Text text;
  for (const char* p = hex; p[0] && p[1]; p += 2)
    text.push_back(static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16)));
  return text;
}

TEST_F(EnumerationTest, EnumSubKeysListsNamesInTheSystemsOrderAndEmptiesTheList) {
  std::vector<Text> names = {"left over"};
  EXPECT_EQ(registry.EnumSubKeys(Path(), names), 0);
  EXPECT_TRUE(names.empty());

  for (const char* key : {"b", "A\\Deeper", "c", "_u"}) Put(key, "v", REG_SZ, B({'x'}));
  names = {"left over"};
  EXPECT_EQ(registry.EnumSubKeys(Path(), names), 4);
  EXPECT_EQ(names, (std::vector<Text>{"_u", "A", "b", "c"}));

  names = {"left over"};
  EXPECT_EQ(registry.EnumSubKeys(Path("Missing"), names), -1);
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(KeyExists("Missing"));
}

TEST_F(EnumerationTest, EnumValuesListsNamesDataAndTypesInStep) {
  Put("", "first", REG_DWORD, B({1, 2, 3, 4}));
  Bytes hundred(100);
  for (size_t i = 0; i < hundred.size(); ++i) hundred[i] = static_cast<unsigned char>(i);
  Put("", "second", REG_BINARY, hundred);
  Put("", "zero", REG_SZ, B({}));
  Put("", "", REG_SZ, B({'d', 0}));
  std::vector<Text> names = {"x"};
  std::vector<Bytes> data = {B({9})};
  std::vector<DWORD> types = {99};
  EXPECT_EQ(registry.EnumValues(Path(), names, data, types), 4);
  EXPECT_EQ(names, (std::vector<Text>{"", "first", "second", "zero"}));
  EXPECT_EQ(data, (std::vector<Bytes>{B({'d', 0}), B({1, 2, 3, 4}), hundred, Bytes()}));
  EXPECT_EQ(types, (std::vector<DWORD>{REG_SZ, REG_DWORD, REG_BINARY, REG_SZ}));

  names = {"x"};
  data = {B({9})};
  types = {99};
  EXPECT_EQ(registry.EnumValues(Path("Missing"), names, data, types), -1);
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(data.empty());
  EXPECT_TRUE(types.empty());
  EXPECT_FALSE(KeyExists("Missing"));
}

TEST_F(EnumerationTest, AValueNameOf300CharactersEndsNeitherListingNorSearch) {
  const std::string long_name(300, 'n');
  Put("", "a", REG_SZ, B({'1'}));
  Put("", "b", REG_SZ, B({'2'}));
  Put("", long_name, REG_BINARY, B({3, 3}));  // third in the system's order
  Put("", "z", REG_DWORD, B({4, 0, 0, 0}));
  std::vector<Text> names;
  std::vector<Bytes> data;
  std::vector<DWORD> types;
  EXPECT_EQ(registry.EnumValues(Path(), names, data, types), 4);
  EXPECT_EQ(names, (std::vector<Text>{"a", "b", long_name, "z"}));
  EXPECT_EQ(data, (std::vector<Bytes>{B({'1'}), B({'2'}), B({3, 3}), B({4, 0, 0, 0})}));
  EXPECT_EQ(types, (std::vector<DWORD>{REG_SZ, REG_SZ, REG_BINARY, REG_DWORD}));
  EXPECT_EQ(registry.DescribeValueType(Path(), "z"),
            Hex("5245475f44574f5244202d2044574f5244a3acd6b5ceaaa3ba34"));
  EXPECT_EQ(registry.DescribeValueType(Path(), long_name),
            Hex("5245475f42494e415259202d20b6febdf8d6c6a3acd6b5ceaaa3ba33"));
}

TEST_F(EnumerationTest, DescribeValueTypeGivesTheSixDescriptionsByteForByte) {
  const struct {
    const char* name;
    DWORD type;
    const char* hex;  // code page 936, the code in decimal at the end
  } cases[] = {
      {"none", REG_NONE, "5245475f4e4f4e45202d20d7d6bddabcafa3acd6b5ceaaa3ba30"},
      {"sz", REG_SZ, "5245475f535a202d20d7d6b7fbb4aed6b5a3acd6b5ceaaa3ba31"},
      {"expand", REG_EXPAND_SZ,
       "5245475f5245475f455850414e445f535a202d20bfc9c0a9b3e4d7d6b7fbb4aed6b5a3acd6b5ceaaa3ba32"},
      {"binary", REG_BINARY, "5245475f42494e415259202d20b6febdf8d6c6a3acd6b5ceaaa3ba33"},
      {"dword", REG_DWORD, "5245475f44574f5244202d2044574f5244a3acd6b5ceaaa3ba34"},
      {"multi", REG_MULTI_SZ, "5245475f4d554c54495f535a202d20b6e0d7d6b7fbb4aed6b5a3acd6b5ceaaa3ba37"},
      {"qword", REG_QWORD, ""},
      {"big endian", REG_DWORD_BIG_ENDIAN, ""},
      {"link", REG_LINK, ""},
      {"", REG_SZ, "5245475f535a202d20d7d6b7fbb4aed6b5a3acd6b5ceaaa3ba31"},  // the default value
  };
  for (const auto& c : cases) Put("", c.name, c.type, B({1, 0, 0, 0, 0, 0, 0, 0}));
  Put("Empty\\Below", "v", REG_SZ, B({'x'}));
  const int before = OpenHandles();
  // (No SCOPED_TRACE here: under Wine its first use takes a handle, which the
  // handle mark would count.)
  for (const auto& c : cases)
    EXPECT_EQ(registry.DescribeValueType(Path(), c.name), Hex(c.hex)) << "value " << c.name;
  // Not found: missing value, other letter case, a key without values, a missing key.
  EXPECT_EQ(registry.DescribeValueType(Path(), "missing"), "");
  EXPECT_EQ(registry.DescribeValueType(Path(), "DWORD"), "");
  EXPECT_EQ(registry.DescribeValueType(Path("Empty"), ""), "");
  EXPECT_EQ(registry.DescribeValueType(Path("Missing"), "dword"), "");
  EXPECT_EQ(registry.DescribeValueType("HKEY_CURRENT_USER", "dword"), "");
  EXPECT_EQ(OpenHandles(), before);
  EXPECT_FALSE(KeyExists("Missing"));
}

TEST_F(EnumerationTest, DeleteValueDeletesOneValue) {
  Put("", "gone", REG_SZ, B({'x'}));
  Put("", "kept", REG_SZ, B({'y'}));
  Put("", "", REG_SZ, B({'d'}));
  EXPECT_TRUE(registry.DeleteValue(Path(), "GONE"));
  EXPECT_FALSE(Get("", "gone"));
  EXPECT_TRUE(Get("", "kept"));
  EXPECT_FALSE(registry.DeleteValue(Path(), "gone"));
  EXPECT_TRUE(registry.DeleteValue(Path(), ""));
  EXPECT_FALSE(Get("", ""));
  EXPECT_FALSE(registry.DeleteValue(Path("Missing"), "kept"));
  EXPECT_FALSE(KeyExists("Missing"));
  EXPECT_TRUE(Get("", "kept"));
}

TEST_F(EnumerationTest, DeleteKeyTreeRefusesPathsEndingInABackslashOrNamingARootAlone) {
  Put("T", "v", REG_SZ, B({'x'}));
  const Text refused[] = {Path("T") + "\\", Path() + "\\", "HKEY_CURRENT_USER",
                          "HKEY_CURRENT_USER\\", "HKEY_LOCAL_MACHINE", ""};
  for (const Text& path : refused) {
    SCOPED_TRACE(path);
    ClearCalls();
    EXPECT_FALSE(registry.DeleteKeyTree(path));
    if (ObservesCalls()) {
      EXPECT_EQ(CountCalls("RegDeleteKeyA"), 0);
    }
    EXPECT_TRUE(Get("T", "v"));
  }
  EXPECT_FALSE(registry.DeleteKeyTree(Path("Missing")));
  EXPECT_TRUE(Get("T", "v"));
}

TEST_F(EnumerationTest, DeleteKeyTreeDeletesAWholeTreeAndLeavesItsParent) {
  Put("", "parent value", REG_SZ, B({'p'}));
  Put("Sibling", "v", REG_SZ, B({'s'}));
  Put("Tree", "v", REG_SZ, B({'0'}));
  Put("Tree\\One", "v", REG_SZ, B({'1'}));
  Put("Tree\\One\\Two\\Three", "v", REG_SZ, B({'3'}));
  Put("Tree\\Other\\Two", "v", REG_SZ, B({'2'}));
  const int before = OpenHandles();
  EXPECT_TRUE(registry.DeleteKeyTree(Path("Tree")));
  EXPECT_EQ(OpenHandles(), before);
  EXPECT_FALSE(KeyExists("Tree"));
  EXPECT_TRUE(Get("", "parent value"));
  EXPECT_TRUE(Get("Sibling", "v"));
  std::vector<Text> names;
  EXPECT_EQ(registry.EnumSubKeys(Path(), names), 1);
}

TEST_F(EnumerationTest, DeleteKeyTreeOneLevelBelowARootGoesThroughTheRootItself) {
  const std::string top = "MorvaneTest.DeleteTop";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, (top + "\\Below").c_str(), &key), ERROR_SUCCESS);
  RegCloseKey(key);
  ClearCalls();
  EXPECT_TRUE(registry.DeleteKeyTree("HKEY_CURRENT_USER\\" + top));
  if (ObservesCalls()) {
    EXPECT_EQ(LastName("RegDeleteKeyA"), top);
  }
  EXPECT_FALSE(KeyExistsUnder(HKEY_CURRENT_USER, top));
  EXPECT_TRUE(KeyExistsUnder(HKEY_CURRENT_USER, "Software"));
  RemoveUnder(HKEY_CURRENT_USER, top + "\\Below");
}

TEST_F(EnumerationTest, DeleteKeyTreeTakesADoubleByteCharacterEndingIn5CAsOneName) {
  const std::string name = "\x81\x5C" "x";  // 乗x: its second byte is a backslash
  Put("D\\" + name + "\\Inner", "v", REG_SZ, B({'x'}));
  Put("D\\Kept", "v", REG_SZ, B({'k'}));
  EXPECT_TRUE(registry.DeleteKeyTree(Path("D\\" + name)));
  EXPECT_FALSE(KeyExists("D\\" + name));
  EXPECT_TRUE(KeyExists("D\\Kept"));
  if (ObservesCalls()) {
    EXPECT_EQ(LastName("RegDeleteKeyA"), name);
  }
}

// A name may end in a double-byte character whose second byte is 5C: the path
// then ends in that byte, yet names a key, which is deleted like any other,
// directly or as part of the tree above it.
TEST_F(EnumerationTest, DeleteKeyTreeDeletesANameEndingInADoubleByteCharacterWith5C) {
  const std::string name = "\x81\x5C";  // 乗
  Put("D\\" + name + "\\Inner", "v", REG_SZ, B({'x'}));
  Put("D\\Kept", "v", REG_SZ, B({'k'}));
  Put("E\\" + name + "\\" + name, "v", REG_SZ, B({'x'}));
  const int before = OpenHandles();
  EXPECT_TRUE(registry.DeleteKeyTree(Path("D\\" + name)));
  EXPECT_FALSE(KeyExists("D\\" + name));
  EXPECT_TRUE(KeyExists("D\\Kept"));
  EXPECT_TRUE(registry.DeleteKeyTree(Path("E")));
  EXPECT_FALSE(KeyExists("E"));
  EXPECT_EQ(OpenHandles(), before);
}

// Each operation reaches the others through the object's virtual operations.
class Recording : public RegistryAccess {
 public:
  std::string log;
  HKEY OpenKey(const Text& path, bool create) override {
    log += "OpenKey ";
    return RegistryAccess::OpenKey(path, create);
  }
  std::int32_t EnumSubKeys(const Text& path, std::vector<Text>& names) override {
    log += "EnumSubKeys ";
    return RegistryAccess::EnumSubKeys(path, names);
  }
  bool WriteValue(const Text& path, const Text& name, const Bytes& data, DWORD type) override {
    log += "WriteValue(" + std::to_string(type) + ") ";
    return RegistryAccess::WriteValue(path, name, data, type);
  }
  Bytes ReadValue(const Text& path, const Text& name, DWORD& type) override {
    log += "ReadValue ";
    return RegistryAccess::ReadValue(path, name, type);
  }
  bool DeleteKeyTree(const Text& path) override {
    log += "DeleteKeyTree ";
    return RegistryAccess::DeleteKeyTree(path);
  }
};

TEST_F(EnumerationTest, OperationsGoThroughTheVirtualOperations) {
  Recording r;
  const struct {
    const char* name;
    std::function<void()> run;
    const char* log;
  } cases[] = {
      {"WriteDword", [&] { r.WriteDword(Path("K"), "d", 1); }, "WriteValue(4) OpenKey "},
      {"WriteBinary", [&] { r.WriteBinary(Path("K"), "b", B({1})); }, "WriteValue(3) OpenKey "},
      {"WriteMultiText", [&] { r.WriteMultiText(Path("K"), "m", "a"); }, "WriteValue(7) OpenKey "},
      {"ReadNumber", [&] { r.ReadNumber(Path("K"), "d"); }, "ReadValue OpenKey "},
      {"ReadBinary", [&] { r.ReadBinary(Path("K"), "b"); }, "ReadValue OpenKey "},
      {"ReadMultiText", [&] { r.ReadMultiText(Path("K"), "m"); }, "ReadValue OpenKey "},
      {"ValueExists", [&] { r.ValueExists(Path("K"), "d"); }, "OpenKey "},
      {"FlushKey", [&] { r.FlushKey(Path("K")); }, "OpenKey "},
      {"WriteValueUnderRoot", [&] { r.WriteValueUnderRoot(3, SubPath() + "\\K", "r", B({1})); },
       ""},
      {"EnumValues",
       [&] {
         std::vector<Text> n;
         std::vector<Bytes> d;
         std::vector<DWORD> t;
         r.EnumValues(Path("K"), n, d, t);
       },
       "OpenKey "},
      {"DescribeValueType", [&] { r.DescribeValueType(Path("K"), "d"); }, "OpenKey "},
      {"DeleteValue", [&] { r.DeleteValue(Path("K"), "d"); }, "OpenKey "},
      {"EnumSubKeys", [&] {
         std::vector<Text> n;
         r.EnumSubKeys(Path("K"), n);
       },
       "EnumSubKeys OpenKey "},
      // Tree K\A: the parent opened, K listed, then A's own tree, then K deleted.
      {"DeleteKeyTree", [&] {
         r.WriteBinary(Path("K\\A"), "v", B({1}));
         r.log.clear();
         r.DeleteKeyTree(Path("K"));
       },
       "DeleteKeyTree OpenKey EnumSubKeys OpenKey DeleteKeyTree OpenKey EnumSubKeys OpenKey "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    r.log.clear();
    c.run();
    EXPECT_EQ(r.log, c.log);
  }
}

}  // namespace
}  // namespace regtest
