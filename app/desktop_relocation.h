// DesktopRelocation: the one piece of work the tool does. It moves the current
// user's Desktop folder to the folder named by the two edit boxes (disk letter,
// folder name): creates it, checks both folders, copies the old Desktop into it,
// waits, points the "Desktop" shell-folder setting at it, offers to delete the
// old folder and asks for a restart or log-off.
//
// The workflow reaches the window and Windows only through RelocationPlatform,
// so that its logic runs and is tested where Windows is absent.
#pragma once

#include "registry/registry_access.h"
#include "registry/text.h"

// Message box flags and answers, with the values Windows gives them.
namespace mb {
constexpr unsigned kOk = 0x0;
constexpr unsigned kOkCancel = 0x1;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconInformation = 0x40;
constexpr unsigned kTaskModal = 0x2000;
constexpr int kIdOk = 1;
}  // namespace mb

// Where the new folder lies relative to the old one, judged on disk.
enum class FolderRelation {
  kSeparate,      // neither is the other; the new one may contain the old one
  kSame,          // both paths name the same folder
  kNewInsideOld,  // the new folder lies somewhere below the old one
};

class RelocationPlatform {
 public:
  virtual ~RelocationPlatform() = default;

  // The main window.
  virtual Text DiskLetterText() = 0;                 // 编辑框1, as typed
  virtual Text FolderNameText() = 0;                 // 编辑框2, as typed
  virtual void SetCaption(const Text& caption) = 0;  // 标签3
  virtual void EndProgram(int exit_code) = 0;        // does not return in the program

  // Folders and the copy.
  virtual void CreateFolder(const Text& path) = 0;  // CreateDirectoryA, result not looked at
  virtual bool IsFolder(const Text& path) = 0;      // PathIsDirectoryA
  virtual Text ExpandEnvironment(const Text& path) = 0;
  virtual FolderRelation Relate(const Text& old_path, const Text& new_path) = 0;
  virtual void CopyFolderTree(const Text& source, const Text& destination) = 0;
  // Every file below source is below destination at the same relative path with
  // the same bytes, and every subfolder too.
  virtual bool CopyIsComplete(const Text& source, const Text& destination) = 0;
  virtual void DeleteFolderTree(const Text& path) = 0;

  // Time and the user.
  virtual void WaitDispatching(unsigned milliseconds) = 0;
  virtual int ShowMessage(const Text& text, const Text& caption, unsigned flags) = 0;
};

// Where the Desktop setting lives.
extern const char kShellFoldersKey[];
extern const char kDesktopValue[];

void DesktopRelocation(RelocationPlatform& platform, RegistryAccess& registry);

// An edit box's text without ASCII and full-width (A1 A1) spaces at either end.
Text TrimEditText(const Text& text);
