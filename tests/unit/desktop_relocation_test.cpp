// The relocation workflow against a scripted platform and the in-memory registry.
#include "app/desktop_relocation.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>
#include <vector>

#include "registry/memory_registry.h"

namespace {

// The program's texts, byte for byte in code page 936.
const char kInfo[] = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
const char kCopying[] =                            // 目录文件复制中 请稍等。。。
    "\xC4\xBF\xC2\xBC\xCE\xC4\xBC\xFE\xB8\xB4\xD6\xC6\xD6\xD0 \xC7\xEB\xC9\xD4\xB5\xC8\xA1\xA3"
    "\xA1\xA3\xA1\xA3";
const char kSuccess[] =  // 修改桌面文件夹位置成功：
    "\xD0\xDE\xB8\xC4\xD7\xC0\xC3\xE6\xCE\xC4\xBC\xFE\xBC\xD0\xCE\xBB\xD6\xC3\xB3\xC9\xB9\xA6\xA3"
    "\xBA";
const char kMessageA[] =  // 复制目录失败！\r\n请查看设置目录是否错误 或 桌面目录是否存在！
    "\xB8\xB4\xD6\xC6\xC4\xBF\xC2\xBC\xCA\xA7\xB0\xDC\xA3\xA1\x0D\x0A\xC7\xEB\xB2\xE9\xBF\xB4\xC9"
    "\xE8\xD6\xC3\xC4\xBF\xC2\xBC\xCA\xC7\xB7\xF1\xB4\xED\xCE\xF3 \xBB\xF2 \xD7\xC0\xC3\xE6\xC4\xBF"
    "\xC2\xBC\xCA\xC7\xB7\xF1\xB4\xE6\xD4\xDA\xA3\xA1";
const char kMessageB[] =  // 是否删除以前的桌面目录文件夹
    "\xCA\xC7\xB7\xF1\xC9\xBE\xB3\xFD\xD2\xD4\xC7\xB0\xB5\xC4\xD7\xC0\xC3\xE6\xC4\xBF\xC2\xBC\xCE"
    "\xC4\xBC\xFE\xBC\xD0";
const char kMessageC[] =  // 以前桌面文件夹目录已经删除！
    "\xD2\xD4\xC7\xB0\xD7\xC0\xC3\xE6\xCE\xC4\xBC\xFE\xBC\xD0\xC4\xBF\xC2\xBC\xD2\xD1\xBE\xAD\xC9"
    "\xBE\xB3\xFD\xA3\xA1";
const char kMessageD[] =  // 重启 或 注销 后生效！！！
    "\xD6\xD8\xC6\xF4 \xBB\xF2 \xD7\xA2\xCF\xFA \xBA\xF3\xC9\xFA\xD0\xA7\xA3\xA1\xA3\xA1\xA3\xA1";
const char kMessageE[] =  // 修改桌面文件夹位置失败！\r\n 请查看设置目录是否正确！
    "\xD0\xDE\xB8\xC4\xD7\xC0\xC3\xE6\xCE\xC4\xBC\xFE\xBC\xD0\xCE\xBB\xD6\xC3\xCA\xA7\xB0\xDC\xA3"
    "\xA1\x0D\x0A \xC7\xEB\xB2\xE9\xBF\xB4\xC9\xE8\xD6\xC3\xC4\xBF\xC2\xBC\xCA\xC7\xB7\xF1\xD5\xFD"
    "\xC8\xB7\xA3\xA1";
const char kMessageF[] =  // 以前桌面文件夹目录未能完全删除！
    "\xD2\xD4\xC7\xB0\xD7\xC0\xC3\xE6\xCE\xC4\xBC\xFE\xBC\xD0\xC4\xBF\xC2\xBC\xCE\xB4\xC4\xDC\xCD"
    "\xEA\xC8\xAB\xC9\xBE\xB3\xFD\xA3\xA1";
const char kDesk[] = "\xD7\xC0\xC3\xE6";  // 桌面
const char kFullWidthSpace[] = "\xA1\xA1";

const char kKey[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

const unsigned kTaskModal = 0x2000;

struct Shown {
  Text text;
  Text caption;
  unsigned flags;
};

// A scripted platform: folders that exist, the answers to give, and a log of
// every step taken.
class FakePlatform : public RelocationPlatform {
 public:
  Text disk_letter = "d";
  Text folder_name = kDesk;
  std::set<Text> folders = {"C:\\Users\\me\\Desktop"};
  bool creating_makes_folder = true;
  FolderRelation relation = FolderRelation::kSeparate;
  bool copy_complete = true;
  bool deletion_removes = true;
  std::deque<int> answers;  // for the message boxes; OK when empty
  std::function<void()> during_wait;

  std::vector<std::string> steps;
  std::vector<Shown> shown;
  Text caption = "initial";
  int exit_code = -100;

  Text DiskLetterText() override { return Log("DiskLetterText"), disk_letter; }
  Text FolderNameText() override { return Log("FolderNameText"), folder_name; }
  void SetCaption(const Text& text) override {
    Log("SetCaption " + text);
    caption = text;
  }
  void EndProgram(int code) override {
    Log("EndProgram " + std::to_string(code));
    exit_code = code;
  }
  void CreateFolder(const Text& path) override {
    Log("CreateFolder " + path);
    if (creating_makes_folder) folders.insert(path);
  }
  bool IsFolder(const Text& path) override {
    Log("IsFolder " + path);
    return folders.count(path) != 0;
  }
  Text ExpandEnvironment(const Text& path) override {
    Text out = path;
    const Text ref = "%USERPROFILE%";
    if (out.compare(0, ref.size(), ref) == 0) out.replace(0, ref.size(), "C:\\Users\\me");
    return out;
  }
  FolderRelation Relate(const Text& old_path, const Text& new_path) override {
    Log("Relate " + old_path + " | " + new_path);
    return relation;
  }
  void CopyFolderTree(const Text& source, const Text& destination) override {
    Log("CopyFolderTree " + source + " -> " + destination);
  }
  bool CopyIsComplete(const Text& source, const Text& destination) override {
    Log("CopyIsComplete " + source + " -> " + destination);
    return copy_complete;
  }
  void DeleteFolderTree(const Text& path) override {
    Log("DeleteFolderTree " + path);
    if (deletion_removes) folders.erase(path);
  }
  void WaitDispatching(unsigned ms) override {
    Log("Wait " + std::to_string(ms));
    if (during_wait) {
      auto nested = std::move(during_wait);
      during_wait = nullptr;
      nested();
    }
  }
  int ShowMessage(const Text& text, const Text& box_caption, unsigned flags) override {
    Log("Message " + Name(text));
    shown.push_back({text, box_caption, flags});
    if (answers.empty()) return 1;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  static std::string Name(const Text& text) {
    const std::pair<const char*, const char*> names[] = {
        {kMessageA, "A"}, {kMessageB, "B"}, {kMessageC, "C"},
        {kMessageD, "D"}, {kMessageE, "E"}, {kMessageF, "F"}};
    for (const auto& n : names)
      if (text == n.first) return n.second;
    return "unknown";
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> names;
    for (const Shown& s : shown) names.push_back(Name(s.text));
    return names;
  }
  bool Took(const std::string& prefix) const {
    for (const auto& s : steps)
      if (s.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }

 private:
  void Log(const std::string& step) { steps.push_back(step); }
};

class DesktopRelocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memreg::Reset();
    SetDesktop("%USERPROFILE%\\Desktop");
  }
  void SetDesktop(const Text& value) { ASSERT_TRUE(registry.WriteExpandText(kKey, "Desktop", value)); }
  Text Desktop() {
    DWORD type = 0;
    return BytesToText(registry.ReadValue(kKey, "Desktop", type));
  }
  DWORD DesktopType() {
    DWORD type = 0;
    registry.ReadValue(kKey, "Desktop", type);
    return type;
  }
  void Run() { DesktopRelocation(platform, registry); }

  const Text old_path = "C:\\Users\\me\\Desktop";
  const Text new_path = Text("d:\\") + kDesk;
  FakePlatform platform;
  RegistryAccess registry;
};

TEST(TrimEditTextTest, RemovesAsciiAndFullWidthSpacesAtBothEndsOnly) {
  const std::string fw = kFullWidthSpace;
  struct Case {
    Text in, out;
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {fw + fw, ""},
      {"  d  ", "d"},
      {fw + "d" + fw + " ", "d"},
      {" " + fw + " " + kDesk, kDesk},
      {"a b" + fw + "c", "a b" + fw + "c"},          // inside stays
      {"\td\t", "\td\t"},                            // tabs stay
      {" \td ", "\td"},
      {"d\r\n", "d\r\n"},                            // line breaks stay
      {"\xB0\xA1" + fw, "\xB0\xA1"},                 // 啊 ends in A1: it is no space
      {fw + "\xB0\xA1\xA1\xA1\xA1", "\xB0\xA1\xA1\xA1\xA1"},  // ends in a lone A1: no space
      {"\xA1\xB0\xA1\xA1", "\xA1\xB0"},  // A1 B0 is a character, then a full-width space
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.in));
    EXPECT_EQ(TrimEditText(c.in), c.out);
  }
}

TEST_F(DesktopRelocationTest, SuccessfulRunAnsweredOk) {
  platform.disk_letter = "  d ";
  platform.folder_name = kFullWidthSpace + Text(kDesk);
  Run();
  const std::vector<std::string> expected = {
      "DiskLetterText",
      "FolderNameText",
      "CreateFolder " + new_path,
      "IsFolder " + old_path,
      "IsFolder " + new_path,
      "Relate " + old_path + " | " + new_path,
      std::string("SetCaption ") + kCopying,
      "CopyFolderTree " + old_path + " -> " + new_path,
      "Wait 3000",
      "CopyIsComplete " + old_path + " -> " + new_path,
      std::string("SetCaption ") + kSuccess + new_path,
      "Message B",
      "DeleteFolderTree " + old_path,
      "IsFolder " + old_path,
      "Message C",
      "Message D",
  };
  EXPECT_EQ(platform.steps, expected);
  EXPECT_EQ(Desktop(), new_path);
  EXPECT_EQ(DesktopType(), REG_EXPAND_SZ);
  EXPECT_EQ(platform.exit_code, -100);
  ASSERT_EQ(platform.shown.size(), 3u);
  const unsigned flags[] = {0x1, 0x40, 0x20};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(platform.shown[i].caption, kInfo);
    EXPECT_EQ(platform.shown[i].flags, flags[i] | kTaskModal);
  }
}

TEST_F(DesktopRelocationTest, AnsweringAnythingButOkDeletesNothing) {
  for (int answer : {2 /* Cancel, Esc, close box */, 0}) {
    SCOPED_TRACE(answer);
    platform = FakePlatform();
    platform.answers = {answer};
    Run();
    EXPECT_EQ(platform.Messages(), (std::vector<std::string>{"B", "D"}));
    EXPECT_FALSE(platform.Took("DeleteFolderTree"));
    EXPECT_EQ(Desktop(), new_path);
  }
}

TEST_F(DesktopRelocationTest, IncompleteDeletionIsReportedInsteadOfSuccess) {
  platform.deletion_removes = false;
  Run();
  EXPECT_EQ(platform.Messages(), (std::vector<std::string>{"B", "F", "D"}));
  EXPECT_EQ(platform.shown[1].flags, 0x40u | kTaskModal);
  EXPECT_EQ(platform.shown[1].caption, kInfo);
}

TEST_F(DesktopRelocationTest, JoinsTheNewPathByteForByte) {
  struct Case {
    Text letter, name, path;
  } cases[] = {
      {"d", kDesk, Text("d:\\") + kDesk},
      {"", "x", ":\\x"},
      {"e", "", "e:\\"},
      {"D", "a\\\\b\\", "D:\\a\\\\b\\"},
      {"\td", "x", "\td:\\x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    platform = FakePlatform();
    platform.disk_letter = c.letter;
    platform.folder_name = c.name;
    platform.creating_makes_folder = false;
    Run();
    EXPECT_EQ(platform.steps[2], "CreateFolder " + c.path);
  }
}

TEST_F(DesktopRelocationTest, MissingFolderShowsMessageAAndEndsTheProgram) {
  struct Case {
    const char* what;
    bool old_exists;
    bool new_created;
    Text setting;
  } cases[] = {
      {"new folder cannot be made", true, false, "%USERPROFILE%\\Desktop"},
      {"old folder missing", false, true, "%USERPROFILE%\\Desktop"},
      {"setting names no folder", true, true, "%NOSUCH%\\Desktop"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    memreg::Reset();
    SetDesktop(c.setting);
    platform = FakePlatform();
    if (!c.old_exists) platform.folders.clear();
    platform.creating_makes_folder = c.new_created;
    Run();
    EXPECT_EQ(platform.Messages(), std::vector<std::string>{"A"});
    EXPECT_EQ(platform.shown[0].caption, kInfo);
    EXPECT_EQ(platform.shown[0].flags, 0x20u | kTaskModal);
    EXPECT_EQ(platform.exit_code, 0);
    EXPECT_EQ(platform.steps.back(), "EndProgram 0");  // nothing after it
    EXPECT_EQ(platform.caption, "initial");
    EXPECT_EQ(Desktop(), c.setting);
  }
}

TEST_F(DesktopRelocationTest, OldFolderIsTestedBeforeTheNewOne) {
  platform.folders.clear();
  Run();
  EXPECT_TRUE(platform.Took("IsFolder " + old_path));
  EXPECT_FALSE(platform.Took("IsFolder " + new_path));
}

TEST_F(DesktopRelocationTest, NoDesktopSettingShowsMessageA) {
  memreg::Reset();
  Run();
  EXPECT_EQ(platform.Messages(), std::vector<std::string>{"A"});
  EXPECT_EQ(platform.exit_code, 0);
}

TEST_F(DesktopRelocationTest, StoredReferenceIsExpandedForTheDiskButTheSettingGetsTheNewPath) {
  Run();
  EXPECT_TRUE(platform.Took("CopyFolderTree " + old_path + " -> " + new_path));
  EXPECT_EQ(Desktop(), new_path);
}

TEST_F(DesktopRelocationTest, PlainStoredPathIsUsedAsItIs) {
  SetDesktop("E:\\Desk");
  platform.folders = {"E:\\Desk"};
  Run();
  EXPECT_TRUE(platform.Took("CopyFolderTree E:\\Desk -> " + new_path));
  EXPECT_TRUE(platform.Took("DeleteFolderTree E:\\Desk"));
}

TEST_F(DesktopRelocationTest, SameFolderOrNewInsideOldIsRefusedBeforeAnythingChanges) {
  for (FolderRelation r : {FolderRelation::kSame, FolderRelation::kNewInsideOld}) {
    platform = FakePlatform();
    platform.relation = r;
    Run();
    EXPECT_EQ(platform.Messages(), std::vector<std::string>{"E"});
    EXPECT_EQ(platform.shown[0].flags, 0x40u | kTaskModal);
    EXPECT_FALSE(platform.Took("CopyFolderTree"));
    EXPECT_FALSE(platform.Took("SetCaption"));
    EXPECT_FALSE(platform.Took("DeleteFolderTree"));
    EXPECT_EQ(platform.exit_code, -100);
    EXPECT_EQ(Desktop(), "%USERPROFILE%\\Desktop");
  }
}

TEST_F(DesktopRelocationTest, IncompleteCopyWritesNothingAndDeletesNothing) {
  platform.copy_complete = false;
  Run();
  EXPECT_EQ(platform.Messages(), std::vector<std::string>{"E"});
  EXPECT_EQ(platform.caption, kCopying);
  EXPECT_FALSE(platform.Took("DeleteFolderTree"));
  EXPECT_EQ(Desktop(), "%USERPROFILE%\\Desktop");
  EXPECT_EQ(platform.exit_code, -100);
}

TEST_F(DesktopRelocationTest, RefusedWriteShowsMessageEAndKeepsTheCopyingCaption) {
  memreg::FailCall("RegSetValueExA", 1, ERROR_ACCESS_DENIED);
  Run();
  EXPECT_EQ(platform.Messages(), std::vector<std::string>{"E"});
  EXPECT_EQ(platform.shown[0].caption, kInfo);
  EXPECT_EQ(platform.shown[0].flags, 0x40u | kTaskModal);
  EXPECT_EQ(platform.caption, kCopying);
  EXPECT_FALSE(platform.Took("DeleteFolderTree"));
  EXPECT_EQ(Desktop(), "%USERPROFILE%\\Desktop");
  EXPECT_EQ(memreg::OpenHandleCount(), 0);
}

TEST_F(DesktopRelocationTest, SecondPressDuringTheWaitRunsNestedBeforeTheFirstGoesOn) {
  const Text inner_path = "e:\\inner";
  platform.during_wait = [&] {
    platform.disk_letter = "e";
    platform.folder_name = "inner";
    platform.answers = {2, 1};  // inner run: Cancel B, then D
    Run();
  };
  Run();
  // The inner run went through all its steps inside the outer one's wait.
  EXPECT_EQ(platform.Messages(), (std::vector<std::string>{"B", "D", "B", "C", "D"}));
  // The outer run read its paths before the wait and writes last.
  EXPECT_TRUE(platform.Took("CopyFolderTree " + old_path + " -> " + inner_path));
  EXPECT_EQ(Desktop(), new_path);
  EXPECT_EQ(platform.caption, kSuccess + new_path);
}

}  // namespace
