// The real morvane.exe, driven from outside through its window, in the scratch
// Wine prefix of tests/e2e/run.sh. Each case points the Desktop setting at a
// fixture folder of its own below C:\e2e\<case> and restores the setting after.
#include <gtest/gtest.h>

#include <memory>

#include "tests/e2e/relocation_case.h"

namespace e2e {
namespace {


// A small Desktop: plain, empty, dotted and Chinese-named files, a larger
// binary file, nested and empty folders.
Tree DesktopFixture() {
  std::string binary(200000, '\0');
  for (size_t i = 0; i < binary.size(); ++i)
    binary[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return {
      {"a.txt", "alpha\r\n"},
      {"empty.bin", ""},
      {".dotfile", "dot"},
      {"桌面笔记.txt", "笔记：桌面"},
      {"big.bin", binary},
      {"sub\\", ""},
      {"sub\\nested.txt", "nested"},
      {"sub\\deeper\\", ""},
      {"sub\\deeper\\d.dat", std::string("\x00\x01\x02\xFF", 4)},
      {"emptydir\\", ""},
  };
}

// The files and folders directly below a tree's root.
std::vector<Text> TopLevelNames(const Tree& tree) {
  std::vector<Text> names;
  for (const auto& entry : tree) {
    const size_t separator = entry.first.find('\\');
    if (separator == Text::npos || separator + 1 == entry.first.size())
      names.push_back(entry.first.substr(0, separator));
  }
  return names;
}

class MorvaneE2e : public RelocationCase {
 protected:
  MorvaneE2e() : RelocationCase("e2e") {}

  // The old Desktop: the fixture at old_, and the setting pointing at it.
  void UseFixtureDesktop() { UseDesktop(DesktopFixture()); }
};

// ---------------------------------------------------------------------------
// The window.

TEST_F(MorvaneE2e, WindowOpensCentredWithItsControlsAndTheFocusInTheDiskLetterBox) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  HWND window = program_->window();
  char caption[64] = {};
  GetWindowTextA(window, caption, sizeof caption);
  EXPECT_STREQ(caption, "Morvane");
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024) << "run.sh gives the prefix a 1024 x 768 desktop";
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  EXPECT_EQ(r.left, 341);
  EXPECT_EQ(r.top, 321);
  EXPECT_EQ(r.right - r.left, 341);
  EXPECT_EQ(r.bottom - r.top, 126);

  struct Expected {
    Control id;
    const char* class_name;
    const char* text;
  };
  const Expected controls[] = {
      {kLabel3, "MorvaneLabel", kInitialCaption},
      {kLabel1, "MorvaneLabel", "电脑系统磁盘："},
      {kEdit1, "Edit", ""},
      {kButton1, "Button", "设置"},
      {kEdit2, "Edit", ""},
      {kLabel2, "MorvaneLabel", "文件夹的名称："},
      {kLabel4, "MorvaneLabel", "by:Quillmer"},
      {kProgress1, "msctls_progress32", ""},
  };
  for (const Expected& c : controls) {
    HWND child = program_->control(c.id);
    ASSERT_TRUE(child) << "no control " << c.id;
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name, -1, c.class_name, -1),
              CSTR_EQUAL)
        << c.id << " is of class " << name;
    EXPECT_EQ(program_->TextOf(c.id), c.text) << c.id;
  }
  SaveScreenshot(window, "window-at-start");

  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui));
  EXPECT_EQ(gui.hwndFocus, program_->control(kEdit1));
  program_->PostClose();
  ExpectExitCode(0);
}

enum class CloseBy { kWmClose, kEscKey, kSystemClose };

class ClosingTest : public MorvaneE2e, public ::testing::WithParamInterface<CloseBy> {};

TEST_P(ClosingTest, EndsTheProgramWithExitCodeZeroAndChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(UseFixtureDesktop());
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  switch (GetParam()) {
    case CloseBy::kWmClose:
      program_->PostClose();
      break;
    case CloseBy::kEscKey:
      ASSERT_TRUE(program_->PressKey(VK_ESCAPE)) << "the window did not come to the front";
      break;
    case CloseBy::kSystemClose:
      program_->PostSystemClose();
      break;
  }
  ExpectExitCode(0);
  ExpectSettingUnchanged();
  EXPECT_EQ(ReadTree(old_), DesktopFixture());
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingTest,
                         ::testing::Values(CloseBy::kWmClose, CloseBy::kEscKey, CloseBy::kSystemClose),
                         [](const ::testing::TestParamInfo<CloseBy>& info) {
                           switch (info.param) {
                             case CloseBy::kWmClose:
                               return std::string("WmClose");
                             case CloseBy::kEscKey:
                               return std::string("EscKey");
                             case CloseBy::kSystemClose:
                               return std::string("SystemClose");
                           }
                           return std::string();
                         });

// ---------------------------------------------------------------------------
// A relocation that succeeds.

TEST_F(MorvaneE2e, RelocationAnsweredOkMovesTheDesktopAndDeletesTheOldFolder) {
  ASSERT_NO_FATAL_FAILURE(UseFixtureDesktop());
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  // Spaces around the letter and a full-width space before the folder name are trimmed.
  const Text new_path = "c:\\" + relative_ + "\\新桌面";
  program_->Type(kEdit1, " c  ");
  program_->Type(kEdit2, "\xA1\xA1" + relative_ + "\\新桌面");
  SaveScreenshot(program_->window(), "ok-1-typed");
  ASSERT_TRUE(program_->ClickButtonWithMouse()) << "the window did not come to the front";

  MessageBoxView first;
  ASSERT_TRUE(program_->WaitForMessageBox(60000, &first));
  EXPECT_EQ(first.caption, kMessageCaption);
  EXPECT_TRUE(first.has_ok);
  EXPECT_TRUE(first.has_cancel) << "message B offers OK and Cancel";
  EXPECT_EQ(program_->TextOf(kLabel3), kSuccessCaption + new_path);
  SaveScreenshot(program_->window(), "ok-2-success-caption");
  const std::vector<Text> shown = program_->AnswerMessages(Answer::kOk, "ok-3-message");
  EXPECT_EQ(shown, (std::vector<Text>{kAskDelete, kDeleted, kRestart})) << Describe(shown);

  ExpectSettingHolds(new_path);
  const Text reg_output = QueryDesktopSettingWithReg();
  EXPECT_NE(reg_output.find("REG_EXPAND_SZ"), Text::npos) << reg_output;
  EXPECT_NE(reg_output.find(new_path), Text::npos) << ToUtf8(reg_output);
  EXPECT_EQ(ReadTree(new_path), DesktopFixture()) << "every file and folder copied, same bytes";
  EXPECT_FALSE(Exists(old_)) << "the old Desktop is deleted";
  EXPECT_EQ(program_->TextOf(kLabel3), kSuccessCaption + new_path);
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

// Message B answered otherwise: the setting moves, the old folder stays.
class KeepOldFolderTest : public MorvaneE2e, public ::testing::WithParamInterface<Answer> {};

TEST_P(KeepOldFolderTest, LeavesTheOldFolderUntouchedAndShowsNoDeletionMessage) {
  ASSERT_NO_FATAL_FAILURE(UseFixtureDesktop());
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const Text new_path = "c:\\" + relative_ + "\\new";
  TypeAndPress("c", relative_ + "\\new");
  const std::vector<Text> shown = program_->AnswerMessages(GetParam());
  EXPECT_EQ(shown, (std::vector<Text>{kAskDelete, kRestart})) << Describe(shown);
  ExpectSettingHolds(new_path);
  EXPECT_EQ(ReadTree(old_), DesktopFixture());
  EXPECT_EQ(ReadTree(new_path), DesktopFixture());
  EXPECT_EQ(program_->TextOf(kLabel3), kSuccessCaption + new_path);
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

INSTANTIATE_TEST_SUITE_P(Answers, KeepOldFolderTest,
                         ::testing::Values(Answer::kCancel, Answer::kEscKey),
                         [](const ::testing::TestParamInfo<Answer>& info) {
                           return std::string(info.param == Answer::kCancel ? "CancelButton"
                                                                            : "EscKey");
                         });

// The prefix keeps the setting as Windows does, "%USERPROFILE%\Desktop"
// (REG_EXPAND_SZ): the program expands it and copies that folder. (B is answered
// with Cancel: the prefix's desktop process watches its Desktop folder, which
// therefore cannot be removed, as on Windows.)
TEST_F(MorvaneE2e, DefaultSettingWithAnEnvironmentReferenceIsExpanded) {
  const Text desktop = ExpandEnvironment("%USERPROFILE%\\Desktop");
  ASSERT_NE(desktop.find("C:\\users\\"), Text::npos) << desktop;
  ASSERT_TRUE(IsFolder(desktop)) << desktop;
  ASSERT_FALSE(IsLink(desktop)) << "the prefix's Desktop must be a real folder, never a link";
  for (const Text& name : TopLevelNames(DesktopFixture()))
    ASSERT_FALSE(Exists(desktop + "\\" + name)) << "already on the prefix's Desktop";
  ASSERT_TRUE(WriteTree(desktop, DesktopFixture()));
  const Tree fixture = ReadTree(desktop);  // with whatever the Desktop held before
  fixture_setting_ = ExpandTextValue("%USERPROFILE%\\Desktop");
  ASSERT_TRUE(WriteDesktopSetting(fixture_setting_));

  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const Text new_path = "c:\\" + relative_ + "\\new";
  TypeAndPress("c", relative_ + "\\new");
  const std::vector<Text> shown = program_->AnswerMessages(Answer::kCancel);
  EXPECT_EQ(shown, (std::vector<Text>{kAskDelete, kRestart})) << Describe(shown);
  ExpectSettingHolds(new_path);
  EXPECT_EQ(ReadTree(new_path), fixture);
  EXPECT_EQ(ReadTree(desktop), fixture);
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());

  // The prefix's Desktop is left as it was.
  for (const Text& name : TopLevelNames(DesktopFixture())) {
    RemoveTree(desktop + "\\" + name);
    EXPECT_FALSE(Exists(desktop + "\\" + name));
  }
}

// The old folder cannot be removed entirely (a folder in it is held open without
// delete sharing): the setting moves, and the message says the deletion was
// incomplete instead of C.
TEST_F(MorvaneE2e, OldFolderThatCannotBeRemovedEntirelyIsReportedAsNotDeleted) {
  ASSERT_NO_FATAL_FAILURE(UseFixtureDesktop());
  HANDLE held =
      CreateFileA((old_ + "\\sub").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const Text new_path = "c:\\" + relative_ + "\\new";
  TypeAndPress("c", relative_ + "\\new");
  const std::vector<Text> shown = program_->AnswerMessages(Answer::kOk);
  CloseHandle(held);
  EXPECT_EQ(shown, (std::vector<Text>{kAskDelete, kNotAllDeleted, kRestart})) << Describe(shown);
  ExpectSettingHolds(new_path);
  EXPECT_EQ(ReadTree(new_path), DesktopFixture());
  EXPECT_EQ(ReadTree(old_), (Tree{{"sub\\", ""}})) << "all but the held folder is deleted";
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

// The window closed during the wait after the copy: the run still finishes,
// its message boxes come and are answered, then the program ends with 0.
TEST_F(MorvaneE2e, WindowClosedDuringTheWaitFinishesTheRunThenExitsWithZero) {
  ASSERT_NO_FATAL_FAILURE(UseFixtureDesktop());
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const Text new_path = "c:\\" + relative_ + "\\new";
  TypeAndPress("c", relative_ + "\\new");
  ASSERT_TRUE(WaitForCaption(kCopyingCaption));
  HWND window = program_->window();
  program_->PostClose();

  MessageBoxView first;
  ASSERT_TRUE(program_->WaitForMessageBox(60000, &first));
  EXPECT_EQ(first.text, kAskDelete) << ToUtf8(first.text);
  EXPECT_FALSE(IsWindow(window)) << "the main window went away during the wait";
  EXPECT_TRUE(program_->Running());
  const std::vector<Text> shown = program_->AnswerMessages(Answer::kOk);
  EXPECT_EQ(shown, (std::vector<Text>{kAskDelete, kDeleted, kRestart})) << Describe(shown);
  ExpectExitCode(0);
  ExpectSettingHolds(new_path);
  EXPECT_EQ(ReadTree(new_path), DesktopFixture());
  EXPECT_FALSE(Exists(old_));
}

// ---------------------------------------------------------------------------
// Runs that must not change the Desktop.

// A folder that does not exist: message A, then the program ends with 0.
struct MissingCase {
  const char* name;
  bool old_exists;
  const char* new_folder;  // below the case's root
  bool new_folder_made;    // the created new folder remains
};

class MissingFolderTest : public MorvaneE2e, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingFolderTest, ShowsMessageAThenEndsWithExitCodeZero) {
  const MissingCase& c = GetParam();
  if (c.old_exists) {
    ASSERT_NO_FATAL_FAILURE(UseFixtureDesktop());
  } else {
    fixture_setting_ = ExpandTextValue(old_);  // names no folder
    ASSERT_TRUE(WriteDesktopSetting(fixture_setting_));
  }
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const Text new_path = "c:\\" + relative_ + "\\" + c.new_folder;
  TypeAndPress("c", relative_ + "\\" + c.new_folder);
  const std::vector<Text> shown = program_->AnswerMessages(Answer::kOk);
  EXPECT_EQ(shown, std::vector<Text>{kFoldersMissing}) << Describe(shown);
  ExpectExitCode(0);
  ExpectSettingUnchanged();
  EXPECT_EQ(IsFolder(new_path), c.new_folder_made) << ToUtf8(new_path);
  if (c.new_folder_made) {
    EXPECT_TRUE(ReadTree(new_path).empty());
  }
  if (c.old_exists) {
    EXPECT_EQ(ReadTree(old_), DesktopFixture());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingFolderTest,
    ::testing::Values(MissingCase{"OldDesktopMissing", false, "new", true},
                      MissingCase{"NewParentMissing", true, "absent\\new", false}),
    [](const ::testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.name); });

// The new folder is the old one under another spelling, or lies inside it:
// message E, nothing copied, written or deleted, the window stays open.
struct SameFolderCase {
  const char* name;
  const char* letter;
  const char* new_folder;  // below the case's root
  bool upper_case;         // the folder name typed in capitals
  bool new_is_inside;      // the new folder is a separate, empty folder inside the old one
};

class SameFolderTest : public MorvaneE2e, public ::testing::WithParamInterface<SameFolderCase> {};

Text Upper(Text text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

TEST_P(SameFolderTest, ShowsMessageEAndChangesNothing) {
  const SameFolderCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(UseFixtureDesktop());
  Tree before = DesktopFixture();
  Text folder = relative_ + "\\" + c.new_folder;
  if (c.upper_case) folder = Upper(folder);
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  TypeAndPress(c.letter, folder);
  const std::vector<Text> shown = program_->AnswerMessages(Answer::kOk);
  EXPECT_EQ(shown, std::vector<Text>{kChangeFailed}) << Describe(shown);
  ExpectSettingUnchanged();
  if (c.new_is_inside) before["new\\"] = "";  // made by the program, and left empty
  EXPECT_EQ(ReadTree(old_), before);
  EXPECT_EQ(program_->TextOf(kLabel3), kInitialCaption) << "nothing was copied";
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SameFolderTest,
    ::testing::Values(SameFolderCase{"OtherLetterCase", "C", "old", true, false},
                      SameFolderCase{"TrailingBackslash", "c", "old\\", false, false},
                      SameFolderCase{"DoubledBackslash", "c", "old\\\\", false, false},
                      SameFolderCase{"NewInsideOld", "c", "old\\new", false, true}),
    [](const ::testing::TestParamInfo<SameFolderCase>& info) {
      return std::string(info.param.name);
    });

// C:\e2e-links (made by tests/e2e/run.sh, since only the host can make links):
// old\ with keep.txt, and alias, a link to old.
TEST_F(MorvaneE2e, SameFolderThroughALinkShowsMessageEAndChangesNothing) {
  const Text old_folder = "C:\\e2e-links\\old";
  ASSERT_TRUE(IsFolder(old_folder) && IsLink("C:\\e2e-links\\alias"))
      << "the link fixture of tests/e2e/run.sh is missing";
  const Tree before = ReadTree(old_folder);
  fixture_setting_ = ExpandTextValue(old_folder);
  ASSERT_TRUE(WriteDesktopSetting(fixture_setting_));
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  TypeAndPress("c", "e2e-links\\alias");
  const std::vector<Text> shown = program_->AnswerMessages(Answer::kOk);
  EXPECT_EQ(shown, std::vector<Text>{kChangeFailed}) << Describe(shown);
  ExpectSettingUnchanged();
  EXPECT_EQ(ReadTree(old_folder), before);
  EXPECT_TRUE(IsLink("C:\\e2e-links\\alias"));
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

// A copy that cannot be completed: message E after the wait, the caption stays
// at the copying notice, the setting is not written and nothing is deleted.
enum class Hindrance { kFileHeldOpen, kConflictingFolderInDestination };

class IncompleteCopyTest : public MorvaneE2e, public ::testing::WithParamInterface<Hindrance> {};

TEST_P(IncompleteCopyTest, ShowsMessageEAndWritesNothing) {
  ASSERT_NO_FATAL_FAILURE(UseFixtureDesktop());
  const Text new_path = "c:\\" + relative_ + "\\new";
  HANDLE held = INVALID_HANDLE_VALUE;
  if (GetParam() == Hindrance::kFileHeldOpen) {
    // Opened without sharing: nobody else can read it while the run works.
    held = CreateFileA((old_ + "\\sub\\nested.txt").c_str(), GENERIC_READ, 0, nullptr,
                       OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
  } else {
    // The destination holds a file where the Desktop has a folder of that name.
    ASSERT_TRUE(WriteTree(new_path, {{"sub", "a file, not a folder"}}));
  }
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  TypeAndPress("c", relative_ + "\\new");
  const std::vector<Text> shown = program_->AnswerMessages(Answer::kOk);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  EXPECT_EQ(shown, std::vector<Text>{kChangeFailed}) << Describe(shown);
  EXPECT_EQ(program_->TextOf(kLabel3), kCopyingCaption);
  ExpectSettingUnchanged();
  EXPECT_EQ(ReadTree(old_), DesktopFixture()) << "nothing deleted";
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

INSTANTIATE_TEST_SUITE_P(Hindrances, IncompleteCopyTest,
                         ::testing::Values(Hindrance::kFileHeldOpen,
                                           Hindrance::kConflictingFolderInDestination),
                         [](const ::testing::TestParamInfo<Hindrance>& info) {
                           return std::string(info.param == Hindrance::kFileHeldOpen
                                                  ? "FileHeldOpen"
                                                  : "FileInPlaceOfAFolder");
                         });

}  // namespace
}  // namespace e2e
