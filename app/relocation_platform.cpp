#include "app/relocation_platform.h"

#include <windows.h>
#include <shlwapi.h>

#include "app/folder_tree.h"
#include "app/main_window.h"
#include "app/program.h"

Text WindowRelocationPlatform::DiskLetterText() { return window_.EditText(kEdit1); }

Text WindowRelocationPlatform::FolderNameText() { return window_.EditText(kEdit2); }

void WindowRelocationPlatform::SetCaption(const Text& caption) { window_.SetCaption(caption); }

void WindowRelocationPlatform::EndProgram(int exit_code) { ::EndProgram(exit_code); }

void WindowRelocationPlatform::CreateFolder(const Text& path) {
  if (IsRootedPath(path)) CreateDirectoryA(path.c_str(), nullptr);
}

bool WindowRelocationPlatform::IsFolder(const Text& path) {
  return IsRootedPath(path) && PathIsDirectoryA(path.c_str()) != FALSE;
}

Text WindowRelocationPlatform::ExpandEnvironment(const Text& path) {
  const DWORD needed = ExpandEnvironmentStringsA(path.c_str(), nullptr, 0);
  if (needed == 0) return path;
  Text expanded(needed, '\0');
  const DWORD got = ExpandEnvironmentStringsA(path.c_str(), &expanded[0], needed);
  if (got == 0 || got > needed) return path;
  expanded.resize(got - 1);  // the count includes the terminating zero
  return expanded;
}

FolderRelation WindowRelocationPlatform::Relate(const Text& old_path, const Text& new_path) {
  return RelateFolders(old_path, new_path);
}

void WindowRelocationPlatform::CopyFolderTree(const Text& source, const Text& destination) {
  ::CopyFolderTree(source, destination);
}

bool WindowRelocationPlatform::CopyIsComplete(const Text& source, const Text& destination) {
  return FolderCopyIsComplete(source, destination);
}

void WindowRelocationPlatform::DeleteFolderTree(const Text& path) { ::DeleteFolderTree(path); }

void WindowRelocationPlatform::WaitDispatching(unsigned milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    DispatchWaitingMessages();
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed > milliseconds) break;
    // Sleep until a message arrives or the time is up.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed + 1, QS_ALLINPUT);
  }
}

int WindowRelocationPlatform::ShowMessage(const Text& text, const Text& caption, unsigned flags) {
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}
