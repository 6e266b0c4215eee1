// The fixture the end-to-end relocation cases share: each case works below a
// folder of its own, C:\<area>\<case>, with the fixture Desktop at ...\old, and
// points the Desktop setting at it; afterwards the setting is restored and the
// folder removed.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/e2e/driver.h"

namespace e2e {

// The Desktop setting's data as the program should leave it: exactly the new
// path's bytes, with at most the one terminating zero that the registry keeps.
inline Text StoredText(const RegistryValue& value) {
  Text data = value.data;
  if (!data.empty() && data.back() == '\0') data.pop_back();
  return data;
}

inline std::string Describe(const std::vector<Text>& texts) {
  std::string out;
  for (const Text& t : texts) out += "[" + ToUtf8(t) + "] ";
  return out;
}

class RelocationCase : public ::testing::Test {
 protected:
  static constexpr DWORD kExitTimeoutMs = 30000;
  static constexpr DWORD kCaptionTimeoutMs = 60000;

  // area: the folder below C: that holds this kind of case.
  explicit RelocationCase(const char* area) : area_(area) {}

  void SetUp() override {
    saved_setting_ = ReadDesktopSetting();
    Text name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name)
      if (c == '/') c = '_';
    relative_ = area_ + "\\" + name;
    root_ = "C:\\" + relative_;
    old_ = root_ + "\\old";
    CreateDirectoryA(("C:\\" + area_).c_str(), nullptr);
    RemoveTree(root_);
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr)) << root_;
  }

  void TearDown() override {
    program_.reset();
    EXPECT_TRUE(WriteDesktopSetting(saved_setting_));
    RemoveTree(root_);
  }

  void PointSettingAt(const Text& old_folder) {
    fixture_setting_ = ExpandTextValue(old_folder);
    ASSERT_TRUE(WriteDesktopSetting(fixture_setting_));
  }

  // Writes the tree as the old Desktop and points the setting at it.
  void UseDesktop(const Tree& tree) {
    ASSERT_TRUE(WriteTree(old_, tree));
    ASSERT_NO_FATAL_FAILURE(PointSettingAt(old_));
  }

  void StartProgram() {
    program_ = std::make_unique<Morvane>();
    Text error;
    ASSERT_TRUE(program_->Start(&error)) << error;
  }

  void TypeAndPress(const Text& letter, const Text& folder) {
    program_->Type(kEdit1, letter);
    program_->Type(kEdit2, folder);
    program_->PressButton();
  }

  // The window is still open after the run: close it; the program ends with 0.
  void ExpectOpenThenCloseWithExitZero() {
    ASSERT_TRUE(IsWindow(program_->window())) << "the window should stay open after the run";
    program_->PostClose();
    ExpectExitCode(0);
  }

  void ExpectExitCode(DWORD expected) {
    DWORD code = 12345;
    ASSERT_TRUE(program_->WaitForExit(kExitTimeoutMs, &code)) << "the program did not end";
    EXPECT_EQ(code, expected);
  }

  bool WaitForCaption(const Text& caption) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kCaptionTimeoutMs) {
      if (program_->TextOf(kLabel3) == caption) return true;
      Sleep(20);
    }
    return false;
  }

  void ExpectSettingUnchanged() {
    const RegistryValue now = ReadDesktopSetting();
    EXPECT_TRUE(now.exists);
    EXPECT_EQ(now.type, fixture_setting_.type);
    EXPECT_EQ(now.data, fixture_setting_.data) << ToUtf8(now.data);
  }

  void ExpectSettingHolds(const Text& path) {
    const RegistryValue now = ReadDesktopSetting();
    ASSERT_TRUE(now.exists);
    EXPECT_EQ(now.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(StoredText(now), path) << ToUtf8(now.data);
    EXPECT_EQ(StoredText(now).find('\0'), Text::npos) << "one path, no further zero bytes";
  }

  const Text area_;
  RegistryValue saved_setting_;
  RegistryValue fixture_setting_;
  Text relative_;  // <area>\<case>, below C:
  Text root_;      // C:\<area>\<case>
  Text old_;       // C:\<area>\<case>\old, the fixture Desktop
  std::unique_ptr<Morvane> program_;
};

}  // namespace e2e
