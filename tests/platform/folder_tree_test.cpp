// Folder trees on a real file system (Windows build, run under Wine): the copy
// through the scripting file-system object, its verification, how two folders
// lie, and the deletion of a tree.
#include "app/folder_tree.h"

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class OleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { OleInitialize(nullptr); }
  void TearDown() override { OleUninitialize(); }
};
const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

bool Exists(const Text& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteFileBytes(const Text& path, const std::string& bytes, DWORD attributes = 0) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  if (attributes) SetFileAttributesA(path.c_str(), attributes);
}

std::string ReadFileBytes(const Text& path) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) return "<missing>";
  std::string out(1 << 20, '\0');
  DWORD got = 0;
  ReadFile(f, &out[0], static_cast<DWORD>(out.size()), &got, nullptr);
  CloseHandle(f);
  out.resize(got);
  return out;
}

// Removes a fixture tree with the shell's own tools, independent of the code under test.
void RemoveFixture(const Text& path) {
  Text from = path;
  from.push_back('\0');  // SHFileOperation wants a double zero at the end
  SHFILEOPSTRUCTA op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  if (Exists(path)) SHFileOperationA(&op);
}

class FolderTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::string("C:\\morvane-tree-tests\\") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA("C:\\morvane-tree-tests", nullptr);
    RemoveFixture(root_);
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
    old_ = root_ + "\\old";
    new_ = root_ + "\\new";
    CreateDirectoryA(old_.c_str(), nullptr);
    CreateDirectoryA(new_.c_str(), nullptr);
  }
  void TearDown() override { RemoveFixture(root_); }

  // A small Desktop: files of several sizes, a nested folder, a dot name, a
  // Chinese name and one whose second byte is a backslash (0x5C).
  void FillOld() {
    WriteFileBytes(old_ + "\\a.txt", "alpha");
    WriteFileBytes(old_ + "\\empty.bin", "");
    WriteFileBytes(old_ + "\\.hidden", "dot", FILE_ATTRIBUTE_HIDDEN);
    WriteFileBytes(old_ + "\\ro.txt", "read only", FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(old_ + "\\\xD7\xC0\xC3\xE6.txt", std::string(70000, 'x'));  // 桌面.txt
    CreateDirectoryA((old_ + "\\sub").c_str(), nullptr);
    CreateDirectoryA((old_ + "\\sub\\deeper").c_str(), nullptr);
    CreateDirectoryA((old_ + "\\sub\\empty dir").c_str(), nullptr);
    WriteFileBytes(old_ + "\\sub\\deeper\\b.txt", "bravo");
    CreateDirectoryA((old_ + "\\\x95\x5C").c_str(), nullptr);
    WriteFileBytes(old_ + "\\\x95\x5C\\c.txt", "charlie");
  }

  std::string root_, old_, new_;
};

TEST_F(FolderTreeTest, CopyThroughTheScriptingObjectPassesVerification) {
  FillOld();
  CopyFolderTree(old_, new_);
  EXPECT_EQ(ReadFileBytes(new_ + "\\sub\\deeper\\b.txt"), "bravo");
  EXPECT_EQ(ReadFileBytes(new_ + "\\\x95\x5C\\c.txt"), "charlie");
  EXPECT_TRUE(FolderCopyIsComplete(old_, new_));
}

TEST_F(FolderTreeTest, VerificationFindsEveryKindOfDifference) {
  struct Case {
    const char* what;
    void (*spoil)(const std::string& copy);
  } cases[] = {
      {"a file missing", [](const std::string& c) { DeleteFileA((c + "\\sub\\deeper\\b.txt").c_str()); }},
      {"same size, other bytes", [](const std::string& c) { WriteFileBytes(c + "\\a.txt", "alphA"); }},
      {"shorter file", [](const std::string& c) { WriteFileBytes(c + "\\a.txt", "alph"); }},
      {"an empty folder missing",
       [](const std::string& c) { RemoveDirectoryA((c + "\\sub\\empty dir").c_str()); }},
      {"a folder where a file was",
       [](const std::string& c) {
         DeleteFileA((c + "\\a.txt").c_str());
         CreateDirectoryA((c + "\\a.txt").c_str(), nullptr);
       }},
      {"a double-byte named file missing",
       [](const std::string& c) { DeleteFileA((c + "\\\x95\x5C\\c.txt").c_str()); }},
  };
  FillOld();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string copy = root_ + "\\copy";
    RemoveFixture(copy);
    CreateDirectoryA(copy.c_str(), nullptr);
    CopyFolderTree(old_, copy);
    ASSERT_TRUE(FolderCopyIsComplete(old_, copy));
    c.spoil(copy);
    EXPECT_FALSE(FolderCopyIsComplete(old_, copy));
  }
}

TEST_F(FolderTreeTest, ExtraFilesInTheDestinationDoNotMatter) {
  FillOld();
  WriteFileBytes(new_ + "\\mine.txt", "already here");
  CopyFolderTree(old_, new_);
  EXPECT_TRUE(FolderCopyIsComplete(old_, new_));
  EXPECT_EQ(ReadFileBytes(new_ + "\\mine.txt"), "already here");
}

TEST_F(FolderTreeTest, AFileThatCannotBeReadMakesTheCopyIncomplete) {
  FillOld();
  CopyFolderTree(old_, new_);
  // Held open without sharing: the copy cannot be checked against it.
  HANDLE held = CreateFileA((old_ + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FolderCopyIsComplete(old_, new_));
  CloseHandle(held);
  EXPECT_TRUE(FolderCopyIsComplete(old_, new_));
}

TEST_F(FolderTreeTest, SameFolderIsRecognisedWhateverTheSpelling) {
  char short_name[MAX_PATH];
  const std::string long_name = root_ + "\\A Long Folder Name";
  CreateDirectoryA(long_name.c_str(), nullptr);
  ASSERT_NE(GetShortPathNameA(long_name.c_str(), short_name, MAX_PATH), 0u);
  const std::string desk = root_ + "\\\xD7\xC0\xC3\xE6";  // 桌面
  CreateDirectoryA(desk.c_str(), nullptr);
  std::string upper = old_;
  for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
  struct Case {
    std::string old_path, new_path;
    FolderRelation relation;
  } cases[] = {
      {old_, old_, FolderRelation::kSame},
      {old_, upper, FolderRelation::kSame},
      {old_, old_ + "\\", FolderRelation::kSame},
      {old_, old_ + "\\sub\\..", FolderRelation::kSame},
      {long_name, short_name, FolderRelation::kSame},
      {old_, old_ + "\\sub", FolderRelation::kNewInsideOld},
      {old_, upper + "\\SUB\\deeper\\", FolderRelation::kNewInsideOld},
      {old_, new_, FolderRelation::kSeparate},
      {old_ + "\\sub", old_, FolderRelation::kSeparate},  // the new folder may contain the old
      {old_, "C:\\", FolderRelation::kSeparate},
      // 桌面 beside 桌面面面: a path read short by one byte per double-byte
      // character would name the old folder.
      {desk, desk + "\xC3\xE6\xC3\xE6", FolderRelation::kSeparate},
      {desk, desk + "\\\xC3\xE6", FolderRelation::kNewInsideOld},
  };
  CreateDirectoryA((old_ + "\\sub").c_str(), nullptr);
  CreateDirectoryA((old_ + "\\sub\\deeper").c_str(), nullptr);
  for (const Case& c : cases) CreateDirectoryA(c.new_path.c_str(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.old_path + " | " + c.new_path);
    EXPECT_EQ(RelateFolders(c.old_path, c.new_path), c.relation);
  }
}

TEST_F(FolderTreeTest, DeletionRemovesEverythingHiddenReadOnlyAndDotNamedIncluded) {
  FillOld();
  SetFileAttributesA((old_ + "\\sub").c_str(), FILE_ATTRIBUTE_READONLY);
  DeleteFolderTree(old_);
  EXPECT_FALSE(Exists(old_));
  EXPECT_TRUE(Exists(new_));
}

TEST_F(FolderTreeTest, DeletionPassesOverLeadingSpaces) {
  FillOld();
  DeleteFolderTree("  " + old_);
  EXPECT_FALSE(Exists(old_));
}

TEST_F(FolderTreeTest, DeletionRefusesEmptyPathsAndDriveRoots) {
  FillOld();
  // The working folder is the old one, so a deletion of "" or of a relative
  // root would show there.
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  SetCurrentDirectoryA(old_.c_str());
  for (const char* path : {"", "   ", "C:", "C:\\", "c:\\", "  C:\\"}) {
    SCOPED_TRACE(path);
    DeleteFolderTree(path);
    EXPECT_TRUE(Exists(old_ + "\\a.txt"));
    EXPECT_TRUE(Exists("C:\\windows"));
  }
  SetCurrentDirectoryA(cwd);
}

TEST_F(FolderTreeTest, WhatCannotBeDeletedRemainsWithTheFoldersThatHoldIt) {
  FillOld();
  HANDLE held = CreateFileA((old_ + "\\sub\\deeper\\b.txt").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  DeleteFolderTree(old_);
  CloseHandle(held);
  EXPECT_TRUE(Exists(old_ + "\\sub\\deeper\\b.txt"));
  EXPECT_FALSE(Exists(old_ + "\\a.txt"));
}

TEST(RootedPathTest, OnlyDriveAndSharePathsNameFolders) {
  struct Case {
    const char* path;
    bool rooted;
  } cases[] = {
      {"d:\\", true},          {"D:\\\xD7\xC0\xC3\xE6", true}, {"\\\\server\\share", true},
      {":\\", false},          {":\\x", false},             {"\td:\\x", false},
      {"dd:\\x", false},        {" d:\\x", false},           {"1:\\x", false},
      {"d:", false},            {"d:x", false},               {"\\x", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(IsRootedPath(c.path), c.rooted);
  }
}

// test.sh lays out C:\morvane-links before the run: outside\keep.txt, and
// tree\ with a plain file, a folder link "inner" -> outside and a file link
// "file-link" -> outside\keep.txt (links can only be made from the host).
TEST(FolderTreeLinks, DeletionNeverReachesWhatALinkPointsAt) {
  const std::string base = "C:\\morvane-links";
  if (!Exists(base + "\\tree\\inner")) GTEST_SKIP() << "no link fixture laid out";
  EXPECT_TRUE(GetFileAttributesA((base + "\\tree\\inner").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
  DeleteFolderTree(base + "\\tree");
  EXPECT_EQ(ReadFileBytes(base + "\\outside\\keep.txt"), "keep\n");
  EXPECT_TRUE(Exists(base + "\\outside\\sub"));
  EXPECT_FALSE(Exists(base + "\\tree\\plain.txt"));
}

}  // namespace
