#include "app/desktop_relocation.h"

const char kShellFoldersKey[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
    "Folders";
const char kDesktopValue[] = "Desktop";

namespace {

const char kMessageCaption[] = "信息：";
const char kCopyingCaption[] = "目录文件复制中 请稍等。。。";
const char kSuccessCaption[] = "修改桌面文件夹位置成功：";
const char kSeparator[] = ":\\";
const unsigned kWaitMilliseconds = 3000;

struct Message {
  const char* text;
  unsigned flags;
};

const Message kFoldersMissing = {"复制目录失败！\r\n请查看设置目录是否错误 或 桌面目录是否存在！",
                                 mb::kOk | mb::kIconQuestion};
const Message kAskDelete = {"是否删除以前的桌面目录文件夹", mb::kOkCancel};
const Message kDeleted = {"以前桌面文件夹目录已经删除！", mb::kOk | mb::kIconInformation};
const Message kNotAllDeleted = {"以前桌面文件夹目录未能完全删除！", mb::kOk | mb::kIconInformation};
const Message kRestart = {"重启 或 注销 后生效！！！", mb::kOk | mb::kIconQuestion};
const Message kChangeFailed = {"修改桌面文件夹位置失败！\r\n 请查看设置目录是否正确！",
                               mb::kOk | mb::kIconInformation};

int Show(RelocationPlatform& platform, const Message& message) {
  return platform.ShowMessage(message.text, kMessageCaption, message.flags | mb::kTaskModal);
}

bool IsLeadByte(unsigned char c) { return c >= 0x80; }

// Byte length of the character that starts at i.
size_t CharLength(const Text& text, size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

bool IsSpaceAt(const Text& text, size_t i, size_t length) {
  if (length == 1) return text[i] == ' ';
  return static_cast<unsigned char>(text[i]) == 0xA1 && static_cast<unsigned char>(text[i + 1]) == 0xA1;
}

}  // namespace

Text TrimEditText(const Text& text) {
  // Walk the characters once: the first non-space starts the result, the end of
  // the last non-space ends it.
  size_t begin = Text::npos, end = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t length = CharLength(text, i);
    if (!IsSpaceAt(text, i, length)) {
      if (begin == Text::npos) begin = i;
      end = i + length;
    }
    i += length;
  }
  return begin == Text::npos ? Text() : text.substr(begin, end - begin);
}

void DesktopRelocation(RelocationPlatform& platform, RegistryAccess& registry) {
  const Text disk_letter = TrimEditText(platform.DiskLetterText());
  const Text folder_name = TrimEditText(platform.FolderNameText());
  const Text new_path = disk_letter + kSeparator + folder_name;

  platform.CreateFolder(new_path);

  // The setting normally holds "%USERPROFILE%\Desktop": every use of the old
  // path on disk takes it with its references expanded.
  const Text old_path = platform.ExpandEnvironment(registry.ReadText(kShellFoldersKey, kDesktopValue));

  if (!platform.IsFolder(old_path) || !platform.IsFolder(new_path)) {
    Show(platform, kFoldersMissing);
    platform.EndProgram(0);
    return;
  }

  // Copying a folder into itself or below itself makes no separate copy, and
  // the deletion offered afterwards would remove what the new setting points at.
  if (platform.Relate(old_path, new_path) != FolderRelation::kSeparate) {
    Show(platform, kChangeFailed);
    return;
  }

  platform.SetCaption(kCopyingCaption);
  platform.CopyFolderTree(old_path, new_path);
  platform.WaitDispatching(kWaitMilliseconds);

  // The copier reports nothing: only a verified copy may become the Desktop.
  if (!platform.CopyIsComplete(old_path, new_path) ||
      !registry.WriteExpandText(kShellFoldersKey, kDesktopValue, new_path)) {
    Show(platform, kChangeFailed);
    return;
  }

  platform.SetCaption(kSuccessCaption + new_path);
  if (Show(platform, kAskDelete) == mb::kIdOk) {
    platform.DeleteFolderTree(old_path);
    Show(platform, platform.IsFolder(old_path) ? kNotAllDeleted : kDeleted);
  }
  Show(platform, kRestart);
}
