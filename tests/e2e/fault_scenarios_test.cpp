// Relocations under faults, driven through the real window in the scratch Wine
// prefix of tests/e2e/run.sh. Each scenario takes a manifest (relative path,
// size and SHA-256 of every file, and every folder) of the old and the new
// folder before and after the run, and shows that no file was lost or changed;
// where the run succeeded, that the new folder holds exactly the old tree.
// Each case works below C:\e2e-faults\<case>; C:\e2e-faults-links holds what
// only the host can make (links), laid out by run.sh before every run.
#include <gtest/gtest.h>

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "tests/e2e/relocation_case.h"

namespace e2e {
namespace {

// ---------------------------------------------------------------------------
// Manifests.

std::string Sha256(const std::string& bytes) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  unsigned char digest[32] = {};
  std::string hex;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0)
    return "<no hash>";
  if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
      BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                     static_cast<ULONG>(bytes.size()), 0) == 0 &&
      BCryptFinishHash(hash, digest, sizeof digest, 0) == 0) {
    char two[3];
    for (unsigned char b : digest) {
      std::snprintf(two, sizeof two, "%02x", b);
      hex += two;
    }
  } else {
    hex = "<no hash>";
  }
  if (hash) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return hex;
}

// One entry: a file's size and hash; a folder has size -1 and an empty hash, a
// folder link the hash "link".
struct Record {
  long long size = -1;
  std::string sha256;
  bool operator==(const Record& o) const { return size == o.size && sha256 == o.sha256; }
  bool operator!=(const Record& o) const { return !(*this == o); }
};
using Manifest = std::map<Text, Record>;

Manifest ManifestOf(const Tree& tree) {
  Manifest manifest;
  for (const auto& [path, bytes] : tree) {
    const bool folder = !path.empty() && path.back() == '\\' &&
                        (bytes.empty() || bytes == "<link>");  // a file's name may end in 5C
    manifest[path] = folder ? Record{-1, bytes == "<link>" ? "link" : ""}
                            : Record{static_cast<long long>(bytes.size()), Sha256(bytes)};
  }
  return manifest;
}

Manifest ManifestOf(const Text& root) { return ManifestOf(ReadTree(root)); }

// What differs between two manifests, one line each; empty when they agree.
std::string Differences(const Manifest& expected, const Manifest& actual) {
  std::string out;
  for (const auto& [path, record] : expected) {
    auto found = actual.find(path);
    if (found == actual.end())
      out += "  lost:    " + ToUtf8(path) + "\n";
    else if (found->second != record)
      out += "  changed: " + ToUtf8(path) + " (" + std::to_string(record.size) + " bytes -> " +
             std::to_string(found->second.size) + " bytes)\n";
  }
  for (const auto& [path, record] : actual)
    if (!expected.count(path)) out += "  added:   " + ToUtf8(path) + "\n";
  return out;
}

bool IsFinalMessage(const Text& text) {
  return text == kFoldersMissing || text == kRestart || text == kChangeFailed;
}

// A Desktop of a few files and folders.
Tree SmallDesktop() {
  std::string binary(70000, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 13 + i / 97) & 0xFF);
  return {
      {"a.txt", "alpha\r\n"},
      {"b.bin", binary},
      {"sub\\", ""},
      {"sub\\nested.txt", "nested"},
      {"sub\\deeper\\", ""},
      {"sub\\deeper\\d.dat", std::string("\x00\x01\x5C\xFF", 4)},
      {"emptydir\\", ""},
  };
}

class FaultScenario : public RelocationCase {
 protected:
  FaultScenario() : RelocationCase("e2e-faults") {}

  void SetUp() override {
    RelocationCase::SetUp();
    new_relative_ = relative_ + "\\new";
    new_ = "c:\\" + new_relative_;
  }

  void TearDown() override {
    for (HANDLE h : held_) CloseHandle(h);
    RelocationCase::TearDown();
  }

  // One run to the new folder below the case's root, message B answered so.
  std::vector<Text> Relocate(const Text& new_relative, Answer answer_b) {
    TypeAndPress("c", new_relative);
    return program_->AnswerMessages(answer_b);
  }

  // Answers the boxes of `runs` runs (each ends with A, D or E): the i-th
  // message B gets b_answers[i], every other box OK.
  std::vector<Text> AnswerRuns(int runs, const std::vector<Answer>& b_answers) {
    std::vector<Text> shown;
    size_t b_seen = 0;
    MessageBoxView box;
    for (int finished = 0; finished < runs && program_->WaitForMessageBox(60000, &box);) {
      shown.push_back(box.text);
      Answer answer = Answer::kOk;
      if (box.text == kAskDelete && b_seen < b_answers.size()) answer = b_answers[b_seen++];
      if (!AnswerMessageBox(box, answer)) {
        shown.push_back("<the box did not close>");
        break;
      }
      if (IsFinalMessage(box.text)) ++finished;
    }
    return shown;
  }

  // A refused run: message E alone, the setting as it was, the old folder as
  // its manifest was before.
  void ExpectRefusedWithNothingDeleted(const std::vector<Text>& shown, const Manifest& old_before,
                                       const Text& old_folder) {
    EXPECT_EQ(shown, std::vector<Text>{kChangeFailed}) << Describe(shown);
    ExpectSettingUnchanged();
    EXPECT_EQ(Differences(old_before, ManifestOf(old_folder)), "") << "the old folder changed";
  }

  // A run that moved the Desktop and deleted the old folder: the setting holds
  // the new path, the new folder holds exactly `expected`, the old folder is gone.
  void ExpectMovedAndDeleted(const Text& new_path, const Manifest& expected, const Text& old_folder) {
    ExpectSettingHolds(new_path);
    EXPECT_EQ(Differences(expected, ManifestOf(new_path)), "") << "the new folder";
    EXPECT_FALSE(Exists(old_folder));
  }

  Text new_relative_;  // e2e-faults\<case>\new, as typed
  Text new_;           // c:\e2e-faults\<case>\new, as the program joins it
  std::vector<HANDLE> held_;
};

TEST(ManifestTest, HashesAreSha256AndEveryDifferenceIsNamed) {
  EXPECT_EQ(Sha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  const Manifest before = ManifestOf(Tree{{"a", "1"}, {"d\\", ""}, {"d\\b", "2"}, {"l\\", "<link>"}});
  EXPECT_EQ(before.at("d\\").size, -1);
  EXPECT_EQ(before.at("l\\").sha256, "link");
  EXPECT_EQ(before.at("a").size, 1);
  EXPECT_EQ(Differences(before, before), "");
  const Manifest after = ManifestOf(Tree{{"a", "x"}, {"d\\", ""}, {"c", ""}, {"l\\", ""}});
  EXPECT_EQ(Differences(before, after),
            "  changed: a (1 bytes -> 1 bytes)\n  lost:    d\\b\n  changed: l\\ (-1 bytes -> -1 "
            "bytes)\n  added:   c\n");
}

// ---------------------------------------------------------------------------
// A file of the old Desktop that cannot be read: the copy is incomplete, so
// the setting is not written and nothing is deleted. (A file held open without
// sharing: IncompleteCopyTest.ShowsMessageEAndWritesNothing/FileHeldOpen.)
// run.sh lays out C:\e2e-faults-links\unreadable: plain.txt, sub\n.txt and a
// file whose host name is no valid UTF-8, which Windows programs see listed
// but cannot open by the name they are given.
TEST_F(FaultScenario, AFileThatCannotBeOpenedMakesTheCopyIncomplete) {
  const Text old_folder = "C:\\e2e-faults-links\\unreadable";
  ASSERT_TRUE(Exists(old_folder + "\\plain.txt")) << "the fixture of run.sh is missing";
  ASSERT_EQ(ReadTree(old_folder).count("bad?.txt"), 1u) << "listed under a name that opens nothing";
  const Manifest old_before = ManifestOf(old_folder);
  ASSERT_NO_FATAL_FAILURE(PointSettingAt(old_folder));
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const std::vector<Text> shown = Relocate(new_relative_, Answer::kOk);
  ExpectRefusedWithNothingDeleted(shown, old_before, old_folder);
  EXPECT_EQ(program_->TextOf(kLabel3), kCopyingCaption);
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

// ---------------------------------------------------------------------------
// A link inside the old Desktop to a folder outside it, and the deletion
// answered OK: what the link points at is untouched. run.sh lays out
// C:\e2e-faults-links: outside\ (keep.txt, sub\deep.txt) and desktop\ with
// plain.txt, sub\n.txt, a folder link "inner" -> outside and a file link
// "file-link" -> outside\keep.txt. Under Wine, whose deletion calls follow
// links, the links stay and the run says the old folder is not entirely gone.
TEST_F(FaultScenario, LinkToAFolderOutsideIsNotFollowedByTheDeletion) {
  const Text base = "C:\\e2e-faults-links";
  const Text desktop = base + "\\desktop";
  const Text outside = base + "\\outside";
  ASSERT_TRUE(IsLink(desktop + "\\inner")) << "the link fixture of run.sh is missing";
  const Manifest outside_before = ManifestOf(outside);
  const Manifest old_before = ManifestOf(desktop);
  ASSERT_EQ(old_before.at("inner\\").sha256, "link");
  ASSERT_NO_FATAL_FAILURE(PointSettingAt(desktop));
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const std::vector<Text> shown = Relocate(new_relative_, Answer::kOk);
  EXPECT_EQ(shown, (std::vector<Text>{kAskDelete, kNotAllDeleted, kRestart})) << Describe(shown);
  EXPECT_EQ(Differences(outside_before, ManifestOf(outside)), "") << "what the link points at";
  ExpectSettingHolds(new_);
  // The copy holds what the Desktop showed: the folder link's contents as a folder.
  Manifest expected_copy = old_before;
  expected_copy["inner\\"] = Record{};
  for (const auto& [path, record] : outside_before) expected_copy["inner\\" + path] = record;
  EXPECT_EQ(Differences(expected_copy, ManifestOf(new_)), "") << "the new folder";
  // Of the old folder only the links remain, still pointing where they did.
  Manifest links_only = {{"inner\\", old_before.at("inner\\")},
                         {"file-link", old_before.at("file-link")}};
  EXPECT_EQ(Differences(links_only, ManifestOf(desktop)), "") << "the old folder";
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

// ---------------------------------------------------------------------------
// The old folder under its short 8.3 name, or a new folder inside it given
// so: message E, nothing copied, written or deleted. (Letter case, trailing
// and doubled backslashes, a plain new folder inside the old one:
// SameFolderTest.ShowsMessageEAndChangesNothing; a link:
// MorvaneE2e.SameFolderThroughALinkShowsMessageEAndChangesNothing.)
struct ShortNameCase {
  const char* name;
  const char* below;  // what follows the old folder's short path
  bool new_is_inside;
};

class ShortNameTest : public FaultScenario, public ::testing::WithParamInterface<ShortNameCase> {};

TEST_P(ShortNameTest, IsRefusedWithNothingCopiedOrDeleted) {
  old_ = root_ + "\\Old Desktop Folder";
  ASSERT_NO_FATAL_FAILURE(UseDesktop(SmallDesktop()));
  char short_path[MAX_PATH] = {};
  ASSERT_NE(GetShortPathNameA(old_.c_str(), short_path, MAX_PATH), 0u);
  const Text typed = Text(short_path).substr(3) + GetParam().below;  // after "C:\"
  ASSERT_EQ(typed.find("Old Desktop Folder"), Text::npos) << typed;
  const Manifest old_before = ManifestOf(old_);
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const std::vector<Text> shown = Relocate(typed, Answer::kOk);
  Manifest expected = old_before;
  if (GetParam().new_is_inside) expected["inner-new\\"] = Record{};  // made by the run, empty
  ExpectRefusedWithNothingDeleted(shown, expected, old_);
  EXPECT_EQ(program_->TextOf(kLabel3), kInitialCaption) << "nothing was copied";
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

INSTANTIATE_TEST_SUITE_P(Cases, ShortNameTest,
                         ::testing::Values(ShortNameCase{"SameFolder", "", false},
                                           ShortNameCase{"NewInsideOld", "\\inner-new", true}),
                         [](const ::testing::TestParamInfo<ShortNameCase>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------
// A new folder that already holds files and folders, some with the old
// folder's names. Whatever the copier does, no file of the old folder is lost,
// and a file of the new folder is either kept or replaced by the Desktop's file
// of the same name (the copy's purpose); the manifest records which.
struct ExistingCase {
  const char* name;
  bool same_named_folder;  // the new folder also holds a sub\ of its own
  std::vector<Text> expected_shown;
  const char* expected_replaced;  // the new folder's files replaced by the Desktop's
};

class ExistingNewFolderTest : public FaultScenario,
                              public ::testing::WithParamInterface<ExistingCase> {};

TEST_P(ExistingNewFolderTest, NoFileOfEitherFolderIsLost) {
  const ExistingCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(UseDesktop(SmallDesktop()));
  Tree own = {{"a.txt", "the new folder's own a.txt"},
              {"mine.txt", "mine"},
              {"extra\\", ""},
              {"extra\\x.bin", std::string("\x00\xFF", 2)}};
  if (c.same_named_folder) {
    own["sub\\"] = "";
    own["sub\\nested.txt"] = "the new folder's own nested.txt, longer";
    own["sub\\own.txt"] = "own";
  }
  ASSERT_TRUE(WriteTree(new_, own));
  const Manifest old_before = ManifestOf(old_);
  const Manifest new_before = ManifestOf(new_);
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const std::vector<Text> shown = Relocate(new_relative_, Answer::kOk);
  EXPECT_EQ(shown, c.expected_shown) << Describe(shown);

  const Manifest new_after = ManifestOf(new_);
  std::string replaced;
  for (const auto& [path, record] : new_before) {
    auto now = new_after.find(path);
    ASSERT_NE(now, new_after.end()) << "lost from the new folder: " << ToUtf8(path);
    if (now->second == record) continue;
    auto desktops = old_before.find(path);
    ASSERT_TRUE(desktops != old_before.end() && now->second == desktops->second)
        << ToUtf8(path) << " changed into something else than the Desktop's file";
    replaced += path + " ";
  }
  RecordProperty("replaced_by_the_desktops_file", replaced);
  EXPECT_EQ(replaced, c.expected_replaced);

  if (shown == std::vector<Text>{kChangeFailed}) {
    ExpectRefusedWithNothingDeleted(shown, old_before, old_);
  } else {
    Manifest expected = new_before;  // the new folder's own files, and over them the Desktop
    for (const auto& [path, record] : old_before) expected[path] = record;
    ExpectMovedAndDeleted(new_, expected, old_);
  }
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExistingNewFolderTest,
    ::testing::Values(
        // Same-named files only: they are overwritten, the copy is complete.
        ExistingCase{"SameNamedFile", false, {kAskDelete, kDeleted, kRestart}, "a.txt "},
        // A same-named folder too: the copier overwrites a.txt, then stops at
        // sub\ (it will not copy into a folder that exists); the verification
        // refuses the incomplete copy.
        ExistingCase{"SameNamedFileAndFolder", true, {kChangeFailed}, "a.txt "}),
    [](const ::testing::TestParamInfo<ExistingCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// A second press of the button during the wait runs a whole relocation nested
// in the first; each box is answered. (The window closed during the wait:
// MorvaneE2e.WindowClosedDuringTheWaitFinishesTheRunThenExitsWithZero.)
struct NestedCase {
  const char* name;
  std::vector<Answer> b_answers;  // for each message B in turn
  std::vector<Text> expected_shown;
};

class NestedRunTest : public FaultScenario, public ::testing::WithParamInterface<NestedCase> {};

TEST_P(NestedRunTest, BothRunsEndWithTheDesktopMovedAndNothingLost) {
  const NestedCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(UseDesktop(SmallDesktop()));
  const Manifest old_before = ManifestOf(old_);
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  TypeAndPress("c", new_relative_);
  ASSERT_TRUE(WaitForCaption(kCopyingCaption));
  program_->PressButton();
  const std::vector<Text> shown = AnswerRuns(2, c.b_answers);
  EXPECT_EQ(shown, c.expected_shown) << Describe(shown);
  ExpectMovedAndDeleted(new_, old_before, old_);
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NestedRunTest,
    ::testing::Values(
        // The nested run deletes the old folder; the first then finds no
        // complete copy of it to verify and writes nothing.
        NestedCase{"NestedDeletes", {Answer::kOk}, {kAskDelete, kDeleted, kRestart, kChangeFailed}},
        NestedCase{"NestedKeepsFirstDeletes",
                   {Answer::kCancel, Answer::kOk},
                   {kAskDelete, kRestart, kAskDelete, kDeleted, kRestart}}),
    [](const ::testing::TestParamInfo<NestedCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Hidden, system, read-only and dot-named files and folders: copied (files
// with their attributes), verified, and deleted only when message B is answered OK.
const std::map<Text, DWORD>& SpecialAttributes() {
  static const std::map<Text, DWORD> attributes = {
      {"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
      {"system.dat", FILE_ATTRIBUTE_SYSTEM},
      {"readonly.txt", FILE_ATTRIBUTE_READONLY},
      {"all.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY},
      {"hiddendir\\f.txt", FILE_ATTRIBUTE_READONLY},
      {".dotdir\\.inner", FILE_ATTRIBUTE_HIDDEN},
  };
  return attributes;
}

// Folders' attributes are set on the old folder's but not compared: the copier
// makes plain folders.
const std::map<Text, DWORD>& SpecialFolderAttributes() {
  static const std::map<Text, DWORD> attributes = {{"hiddendir", FILE_ATTRIBUTE_HIDDEN},
                                                   {"systemdir", FILE_ATTRIBUTE_SYSTEM}};
  return attributes;
}

Tree SpecialDesktop() {
  return {{"plain.txt", "plain"},         {"hidden.txt", "hidden"},
          {"system.dat", "system"},       {"readonly.txt", "read only"},
          {"all.txt", "all three"},       {".dotfile", "dot"},
          {".dotdir\\", ""},              {".dotdir\\.inner", "inner"},
          {"hiddendir\\", ""},            {"hiddendir\\f.txt", "f"},
          {"systemdir\\", ""},            {"systemdir\\g.txt", "g"}};
}

std::string AttributeDifferences(const Text& root) {
  std::string out;
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
  for (const auto& [path, wanted] : SpecialAttributes()) {
    const DWORD now = GetFileAttributesA((root + "\\" + path).c_str());
    if (now == INVALID_FILE_ATTRIBUTES || (now & kept) != wanted)
      out += "  " + path + ": " + std::to_string(now & kept) + " instead of " +
             std::to_string(wanted) + "\n";
  }
  return out;
}

class SpecialFilesTest : public FaultScenario, public ::testing::WithParamInterface<Answer> {};

TEST_P(SpecialFilesTest, AreCopiedVerifiedAndDeletedOnlyAfterOk) {
  ASSERT_NO_FATAL_FAILURE(UseDesktop(SpecialDesktop()));
  for (const auto* set : {&SpecialAttributes(), &SpecialFolderAttributes()})
    for (const auto& [path, attributes] : *set)
      ASSERT_TRUE(SetFileAttributesA((old_ + "\\" + path).c_str(), attributes)) << path;
  ASSERT_EQ(AttributeDifferences(old_), "");
  const Manifest old_before = ManifestOf(old_);
  ASSERT_EQ(old_before.size(), SpecialDesktop().size()) << "hidden and system entries are listed";
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const std::vector<Text> shown = Relocate(new_relative_, GetParam());
  EXPECT_EQ(Differences(old_before, ManifestOf(new_)), "") << "the new folder";
  EXPECT_EQ(AttributeDifferences(new_), "") << "attributes of the copies";
  if (GetParam() == Answer::kOk) {
    EXPECT_EQ(shown, (std::vector<Text>{kAskDelete, kDeleted, kRestart})) << Describe(shown);
    ExpectMovedAndDeleted(new_, old_before, old_);
  } else {
    EXPECT_EQ(shown, (std::vector<Text>{kAskDelete, kRestart})) << Describe(shown);
    ExpectSettingHolds(new_);
    EXPECT_EQ(Differences(old_before, ManifestOf(old_)), "") << "the old folder";
    EXPECT_EQ(AttributeDifferences(old_), "");
  }
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

INSTANTIATE_TEST_SUITE_P(Answers, SpecialFilesTest, ::testing::Values(Answer::kOk, Answer::kCancel),
                         [](const ::testing::TestParamInfo<Answer>& info) {
                           return std::string(info.param == Answer::kOk ? "AnsweredOk"
                                                                        : "AnsweredCancel");
                         });

// ---------------------------------------------------------------------------
// Names: double-byte characters, one of whose second byte is 5C (the CP936
// character 95 5C), in the old and new folders' names and below; and a file
// whose full path below the old folder is 250 characters long, copied to a
// new folder whose name is as long (the copy fits in MAX_PATH) or longer (it
// does not). What happens must be safe: copied and verified, or refused with
// nothing deleted.
const char kFiveC[] = "\x95\x5C";  // its second byte is a backslash's

Tree DoubleByteDesktop(size_t) {
  const Text c = kFiveC;
  return {{"桌面笔记.txt", "笔记"},
          {c + ".txt", "five-c"},
          {"a" + c + "b.txt", "inside"},
          {c + "\\", ""},
          {c + "\\" + c + ".dat", "in a folder ending in 5C"},
          {"目录" + c + "\\", ""},
          {"目录" + c + "\\子目录\\", ""},
          {"目录" + c + "\\子目录\\文件.txt", "deep"}};
}

const size_t kLongPath = 250;

// A file whose full path below a folder of old_length characters is kLongPath long.
Tree DeepDesktop(size_t old_length) {
  Tree tree = {{"top.txt", "top"}};
  const Text file = "end.txt";
  size_t left = kLongPath - old_length - 1 - file.size();  // for the folders and their backslashes
  Text path;
  while (left > 0) {
    const size_t k = left > 62 ? 60 : left - 1;
    path += Text(k, 'd') + "\\";
    tree[path] = "";
    left -= k + 1;
  }
  tree[path + file] = "at the end of a long path";
  return tree;
}

struct NameCase {
  const char* name;
  Tree (*desktop)(size_t old_length);
  const char* parent;      // below the case's root: the old folder's parent, with beside.txt
  const char* old_folder;  // below the parent
  const char* new_folder;
  std::vector<Text> expected_shown;
};

class NamesTest : public FaultScenario, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NamesTest, AreCopiedAndVerifiedOrRefusedWithNothingDeleted) {
  const NameCase& c = GetParam();
  const Text parent = root_ + (*c.parent ? Text("\\") + c.parent : Text());
  ASSERT_TRUE(WriteTree(parent, {{"beside.txt", "beside the old folder"}}));
  old_ = parent + "\\" + c.old_folder;
  const Tree desktop = c.desktop(old_.size());
  ASSERT_NO_FATAL_FAILURE(UseDesktop(desktop));
  const Manifest old_before = ManifestOf(old_);
  ASSERT_EQ(old_before.size(), desktop.size()) << "every name is read back";
  size_t longest = 0;
  for (const auto& entry : desktop) longest = std::max(longest, old_.size() + 1 + entry.first.size());
  if (c.desktop == DeepDesktop) {
    ASSERT_EQ(longest, kLongPath);
  }
  const Text new_path = "c:\\" + relative_ + "\\" + c.new_folder;
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const std::vector<Text> shown = Relocate(relative_ + "\\" + c.new_folder, Answer::kOk);
  EXPECT_EQ(shown, c.expected_shown) << Describe(shown);
  if (shown == std::vector<Text>{kChangeFailed}) {
    ExpectRefusedWithNothingDeleted(shown, old_before, old_);
  } else {
    ExpectMovedAndDeleted(new_path, old_before, old_);
  }
  EXPECT_EQ(ReadTree(parent)["beside.txt"], "beside the old folder") << "only the old folder goes";
  ASSERT_NO_FATAL_FAILURE(ExpectOpenThenCloseWithExitZero());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NamesTest,
    ::testing::Values(NameCase{"DoubleByteNamesBelow", DoubleByteDesktop, "", "old", "new",
                               {kAskDelete, kDeleted, kRestart}},
                      NameCase{"OldFolderNameEndsIn5C", DoubleByteDesktop, "", "旧\x95\x5C", "new",
                               {kAskDelete, kDeleted, kRestart}},
                      // Four double-byte characters in the old path: one byte
                      // per character too few would name its parent.
                      NameCase{"DoubleBytePathUnderADoubleByteParent", DoubleByteDesktop, "上级",
                               "旧\x95\x5C", "new", {kAskDelete, kDeleted, kRestart}},
                      NameCase{"NewFolderNameEndsIn5C", DoubleByteDesktop, "", "old", "新\x95\x5C",
                               {kAskDelete, kDeleted, kRestart}},
                      NameCase{"NearMaxPath", DeepDesktop, "", "old", "new",
                               {kAskDelete, kDeleted, kRestart}},
                      NameCase{"CopyBeyondMaxPath", DeepDesktop, "", "old",
                               "new-folder-with-a-longer-name", {kChangeFailed}}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
