// Numbers, binary data, multi-strings, existence, flushing and writes below a
// root key chosen by number.
#include <string>

#include "tests/registry/registry_fixture.h"

namespace regtest {
namespace {

using ValueKindsTest = RegistryTest;

Bytes B(std::initializer_list<unsigned char> bytes) { return Bytes(bytes); }

TEST_F(ValueKindsTest, WriteDwordStoresFourBytesLeastSignificantFirst) {
  const struct {
    std::int32_t number;
    Bytes stored;
  } cases[] = {
      {-1, B({0xFF, 0xFF, 0xFF, 0xFF})},
      {0x12345678, B({0x78, 0x56, 0x34, 0x12})},
      {INT32_MIN, B({0x00, 0x00, 0x00, 0x80})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    ASSERT_TRUE(registry.WriteDword(Path("New"), "n", c.number));
    auto v = Get("New", "n");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_DWORD);
    EXPECT_EQ(v->data, c.stored);
    EXPECT_EQ(registry.ReadNumber(Path("New"), "n"), c.number);
  }
}

TEST_F(ValueKindsTest, ReadNumberTakesTheFirstFourBytesOfAnyValue) {
  const struct {
    const char* name;
    DWORD type;
    Bytes stored;
    std::int32_t expected;
  } cases[] = {
      {"digit five", REG_SZ, B({0x35}), 53},
      {"two bytes", REG_BINARY, B({0x01, 0x02}), 513},
      {"eight bytes", REG_BINARY, B({1, 2, 3, 4, 5, 6, 7, 8}), 0x04030201},
      {"zero length", REG_BINARY, B({}), 0},
      {"negative", REG_BINARY, B({0xFE, 0xFF, 0xFF, 0xFF}), -2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put("", c.name, c.type, c.stored);
    EXPECT_EQ(registry.ReadNumber(Path(), c.name), c.expected);
  }
  EXPECT_EQ(registry.ReadNumber(Path(), "missing"), 0);
  EXPECT_EQ(registry.ReadNumber(Path("Missing"), "n"), 0);
  EXPECT_FALSE(KeyExists("Missing"));
}

TEST_F(ValueKindsTest, BinaryDataIsStoredAndReadUnchanged) {
  const Bytes with_zeros = B({0, 1, 0, 0xFF, 0});
  ASSERT_TRUE(registry.WriteBinary(Path("A\\B"), "bin", with_zeros));
  auto v = Get("A\\B", "bin");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, REG_BINARY);
  EXPECT_EQ(v->data, with_zeros);
  EXPECT_EQ(registry.ReadBinary(Path("A\\B"), "bin"), with_zeros);

  ASSERT_TRUE(registry.WriteBinary(Path(), "empty", Bytes()));
  v = Get("", "empty");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, REG_BINARY);
  EXPECT_TRUE(v->data.empty());

  Put("", "text", REG_SZ, B({'a', 'b', 0}));
  EXPECT_EQ(registry.ReadBinary(Path(), "text"), B({'a', 'b', 0}));
  EXPECT_TRUE(registry.ReadBinary(Path(), "missing").empty());
  EXPECT_TRUE(registry.ReadBinary(Path("Missing"), "bin").empty());
  EXPECT_FALSE(KeyExists("Missing"));
}

TEST_F(ValueKindsTest, WriteMultiTextTurnsEachCrLfIntoAZeroByte) {
  const struct {
    const char* name;
    Text text;
    Bytes stored;
  } cases[] = {
      {"empty", "", B({0, 0})},
      {"one line", "a\r\n", B({0x61, 0, 0, 0})},
      {"two lines", "a\r\nb", B({0x61, 0, 0x62, 0, 0})},
      {"lone CR and LF", "a\rb\nc", B({0x61, 0x0D, 0x62, 0x0A, 0x63, 0, 0})},
      {"CR before CR LF", "\r\r\n", B({0x0D, 0, 0, 0})},
      {"empty line", "a\r\n\r\nb", B({0x61, 0, 0, 0x62, 0, 0})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(registry.WriteMultiText(Path(), c.name, c.text));
    auto v = Get("", c.name);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_MULTI_SZ);
    EXPECT_EQ(v->data, c.stored);
  }
}

TEST_F(ValueKindsTest, ReadMultiTextTurnsEveryZeroByteIntoCrLf) {
  Put("", "multi", REG_MULTI_SZ, B({0x61, 0, 0x62, 0, 0}));
  EXPECT_EQ(registry.ReadMultiText(Path(), "multi"), "a\r\nb\r\n\r\n");
  Put("", "plain", REG_SZ, B({'x', 'y'}));
  EXPECT_EQ(registry.ReadMultiText(Path(), "plain"), "xy");
  // Written and read back, the lines gain the terminating pairs.
  ASSERT_TRUE(registry.WriteMultiText(Path(), "round", "a\r\nb"));
  EXPECT_EQ(registry.ReadMultiText(Path(), "round"), "a\r\nb\r\n\r\n");
  EXPECT_EQ(registry.ReadMultiText(Path(), "missing"), "");
  EXPECT_EQ(registry.ReadMultiText(Path("Missing"), "multi"), "");
}

TEST_F(ValueKindsTest, ValueExistsWithoutANameTestsTheKeyAndWithOneTheValue) {
  Put("", "four", REG_DWORD, B({1, 0, 0, 0}));
  Put("", "zero length", REG_BINARY, B({}));
  Put("", "256 bytes", REG_BINARY, Bytes(256, 7));
  Put("", "257 bytes", REG_BINARY, Bytes(257, 7));
  Put("", "300 bytes", REG_BINARY, Bytes(300, 7));
  EXPECT_TRUE(registry.ValueExists(Path()));
  // Leaving the name out is not the same as passing an empty one.
  EXPECT_FALSE(registry.ValueExists(Path(), ""));
  EXPECT_FALSE(registry.ValueExists(Path(), Text()));
  for (const char* name : {"four", "FOUR", "zero length", "256 bytes", "257 bytes", "300 bytes"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(registry.ValueExists(Path(), name));
  }
  EXPECT_FALSE(registry.ValueExists(Path(), "missing"));

  Put("", "", REG_SZ, TextToBytes("default"));
  EXPECT_TRUE(registry.ValueExists(Path(), ""));

  EXPECT_FALSE(registry.ValueExists(Path("Missing")));
  EXPECT_FALSE(registry.ValueExists(Path("Missing"), "four"));
  EXPECT_FALSE(registry.ValueExists(Path("Missing"), ""));
  EXPECT_FALSE(registry.ValueExists("HKEY_CURRENT_USER", "four"));
  EXPECT_FALSE(KeyExists("Missing"));
}

TEST_F(ValueKindsTest, FlushKeyFlushesAnExistingKeyAndCreatesNone) {
  Put("", "v", REG_SZ, TextToBytes("x"));
  EXPECT_TRUE(registry.FlushKey(Path()));
  if (ObservesCalls()) {
    EXPECT_EQ(CountCalls("RegFlushKey"), 1);
  }
  EXPECT_FALSE(registry.FlushKey(Path("Missing\\Deeper")));
  EXPECT_FALSE(KeyExists("Missing"));
  EXPECT_FALSE(registry.FlushKey("HKEY_CURRENT_USER"));
}

TEST_F(ValueKindsTest, WriteValueUnderRootCreatesMissingKeysAndStoresTheBytesUnchanged) {
  const std::string sub = SubPath() + "\\One\\Two";
  // The type left out is REG_SZ; the bytes go as given, with or without a zero.
  ASSERT_TRUE(registry.WriteValueUnderRoot(3, sub, "plain", TextToBytes("abc")));
  ASSERT_TRUE(registry.WriteValueUnderRoot(3, sub, "ended", B({'a', 'b', 0})));
  ASSERT_TRUE(registry.WriteValueUnderRoot(3, sub, "dword", B({1, 2, 3, 4}), REG_DWORD));
  ASSERT_TRUE(registry.WriteValueUnderRoot(3, sub, "empty", Bytes(), REG_EXPAND_SZ));
  EXPECT_TRUE(KeyExists("One\\Two"));
  const struct {
    const char* name;
    DWORD type;
    Bytes data;
  } expected[] = {
      {"plain", REG_SZ, TextToBytes("abc")},
      {"ended", REG_SZ, B({'a', 'b', 0})},
      {"dword", REG_DWORD, B({1, 2, 3, 4})},
      {"empty", REG_EXPAND_SZ, Bytes()},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    auto v = Get("One\\Two", e.name);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, e.type);
    EXPECT_EQ(v->data, e.data);
  }
  if (ObservesCalls()) {
    ClearCalls();
    registry.WriteValueUnderRoot(3, sub, "plain", TextToBytes("abc"));
    EXPECT_EQ(LastName("RegOpenKeyExA"), std::string());  // the root key itself
    EXPECT_EQ(LastName("RegCreateKeyExA"), sub);
    EXPECT_EQ(CountCalls("RegOpenKeyA") + CountCalls("RegCreateKeyA"), 0);
    EXPECT_EQ(CountCalls("RegCloseKey"), 2);
  }
}

TEST_F(ValueKindsTest, EachRootNumberReachesItsPredefinedKey) {
  const struct {
    std::int32_t number;
    HKEY root;
  } roots[] = {{1, HKEY_CLASSES_ROOT},
               {2, HKEY_CURRENT_CONFIG},
               {3, HKEY_CURRENT_USER},
               {4, HKEY_LOCAL_MACHINE},
               {5, HKEY_USERS}};
  const std::string sub = "MorvaneTest.RootNumber\\Below";
  for (const auto& r : roots) {
    SCOPED_TRACE(r.number);
    const Text data = "root " + std::to_string(r.number);
    EXPECT_TRUE(registry.WriteValueUnderRoot(r.number, sub, "v", TextToBytes(data)));
    auto v = GetUnder(r.root, sub, "v");
    EXPECT_TRUE(v);
    if (v) {
      EXPECT_EQ(v->data, TextToBytes(data));
    }
    RemoveUnder(r.root, sub);
    EXPECT_FALSE(KeyExistsUnder(r.root, "MorvaneTest.RootNumber"));
  }
}

TEST_F(ValueKindsTest, NewOperationsLeaveNoHandleOpen) {
  const int before = OpenHandles();
  registry.WriteDword(Path("H"), "n", 5);
  registry.ReadNumber(Path("H"), "n");
  registry.ReadNumber(Path("Missing"), "n");
  registry.WriteBinary(Path("H"), "b", B({1}));
  registry.ReadBinary(Path("H"), "b");
  registry.WriteMultiText(Path("H"), "m", "a\r\nb");
  registry.ReadMultiText(Path("H"), "m");
  registry.ValueExists(Path("H"));
  registry.ValueExists(Path("H"), "b");
  registry.ValueExists(Path("H"), "missing");
  registry.ValueExists(Path("Missing"), "b");
  registry.FlushKey(Path("H"));
  registry.FlushKey(Path("Missing"));
  registry.WriteValueUnderRoot(3, SubPath() + "\\H", "r", B({1}), REG_BINARY);
  EXPECT_EQ(OpenHandles(), before);
}

}  // namespace
}  // namespace regtest
