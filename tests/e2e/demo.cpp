// The headless demonstration of ./run.sh: one whole relocation through the real
// window, step by step, in the scratch prefix. It puts a small Desktop in place
// (C:\users\<user>\DemoDesktop, named in the setting as "%USERPROFILE%\DemoDesktop"),
// moves it to c:\新桌面, answers OK to the deletion, and prints what it sees.
// Screenshots go to %MORVANE_E2E_ARTIFACTS% (BMP; ./run.sh makes PNGs of them).
// Exit code 0 when the run went as it should.
#include <cstdio>

#include "tests/e2e/driver.h"

using namespace e2e;

namespace {

const char kSettingText[] = "%USERPROFILE%\\DemoDesktop";
const char kLetter[] = "c";
const char kFolder[] = "新桌面";

int failures = 0;

void Say(const std::string& utf8) {
  std::printf("%s\n", utf8.c_str());
  std::fflush(stdout);
}

void Step(const Text& what) { Say("* " + ToUtf8(what)); }

void Check(bool ok, const char* what) {
  Say(std::string(ok ? "  ok: " : "  NOT AS EXPECTED: ") + ToUtf8(what));
  if (!ok) ++failures;
}

void Shot(HWND hwnd, const char* name) {
  const Text path = SaveScreenshot(hwnd, name);
  if (!path.empty()) Say("  screenshot: " + std::string(name));
}

void PrintTree(const Text& root) {
  for (const auto& [relative, bytes] : ReadTree(root))
    Say("    " + ToUtf8(relative) +
        (relative.back() == '\\' ? "" : "  (" + std::to_string(bytes.size()) + " bytes)"));
}

Tree DemoDesktop() {
  return {
      {"readme.txt", "Morvane moved this Desktop.\r\n"},
      {"报告.txt", "季度报告：一切顺利。\r\n"},
      {".settings", "dot file\r\n"},
      {"照片\\", ""},
      {"照片\\假期.txt", "海边\r\n"},
      {"照片\\2024\\", ""},
      {"照片\\2024\\list.txt", "1 2 3\r\n"},
  };
}

}  // namespace

int main() {
  const Text old_path = ExpandEnvironment(kSettingText);
  const Text new_path = Text(kLetter) + ":\\" + kFolder;

  Step("Preparing the demonstration Desktop " + old_path);
  if (old_path.find("%") != Text::npos || IsLink(old_path) ||
      IsLink(ExpandEnvironment("%USERPROFILE%"))) {
    Say("  refused: the Desktop of this prefix is not a plain folder of its own");
    return 2;
  }
  RemoveTree(old_path);
  RemoveTree(new_path);
  if (!WriteTree(old_path, DemoDesktop())) {
    Say("  could not write the demonstration Desktop");
    return 2;
  }
  PrintTree(old_path);
  RegistryValue setting = ExpandTextValue(kSettingText);
  if (!WriteDesktopSetting(setting)) {
    Say("  could not write the Desktop setting");
    return 2;
  }
  Say("  the setting \"Desktop\" (REG_EXPAND_SZ) = " + ToUtf8(kSettingText));

  Step("Starting " + MorvaneExePath());
  Morvane program;
  Text error;
  if (!program.Start(&error)) {
    Say("  " + ToUtf8(error));
    return 1;
  }
  Shot(program.window(), "01-window");

  Step(Text("Typing \"") + kLetter + "\" into 编辑框1 and \"" + kFolder + "\" into 编辑框2");
  program.Type(kEdit1, kLetter);
  program.Type(kEdit2, kFolder);
  Shot(program.window(), "02-typed");

  Step("Clicking 设置");
  Check(program.ClickButtonWithMouse(), "the window came to the front and was clicked");

  Step("Answering the message boxes (OK to the deletion)");
  std::vector<Text> shown;
  MessageBoxView box;
  while (program.WaitForMessageBox(60000, &box)) {
    shown.push_back(box.text);
    Say("  message " + std::to_string(shown.size()) + " [" + ToUtf8(box.caption) +
        "]: " + ToUtf8(box.text));
    if (shown.size() == 1) Shot(program.window(), "03-caption-after-copy");
    Shot(box.hwnd, ("04-message-" + std::to_string(shown.size())).c_str());
    AnswerMessageBox(box, Answer::kOk);
    Say("    answered OK");
    if (box.text == kRestart || box.text == kChangeFailed || box.text == kFoldersMissing) break;
  }
  Check(shown == std::vector<Text>{kAskDelete, kDeleted, kRestart},
        "messages B (delete?), C (deleted) and D (restart or log off), in that order");

  Step("The window after the run");
  const Text caption = program.TextOf(kLabel3);
  Say(ToUtf8("  标签3: " + caption));
  Check(caption == kSuccessCaption + new_path, "标签3 shows the success caption");
  Shot(program.window(), "05-result");

  Step("The Desktop setting now");
  const RegistryValue now = ReadDesktopSetting();
  Text stored = now.data;
  if (!stored.empty() && stored.back() == '\0') stored.pop_back();
  Say("  type " + std::string(now.type == REG_EXPAND_SZ ? "REG_EXPAND_SZ" : "other") + ", " +
      ToUtf8(stored));
  Check(now.exists && now.type == REG_EXPAND_SZ && stored == new_path,
        "REG_EXPAND_SZ holding exactly the new path");
  Say("  reg query:");
  Say(ToUtf8(QueryDesktopSettingWithReg()));

  Step("The folders now");
  Say("  " + ToUtf8(new_path) + ":");
  PrintTree(new_path);
  Check(ReadTree(new_path) == DemoDesktop(), "every file and folder copied with the same bytes");
  Check(!Exists(old_path), "the old Desktop is gone");

  Step("Closing the window");
  program.PostClose();
  DWORD exit_code = 12345;
  const bool ended = program.WaitForExit(30000, &exit_code);
  Say("  exit code " + std::to_string(static_cast<int>(exit_code)));
  Check(ended && exit_code == 0, "the program ended with exit code 0");

  Say(failures == 0 ? "Demonstration complete." : "Demonstration finished with deviations.");
  return failures == 0 ? 0 : 1;
}
