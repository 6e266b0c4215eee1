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
  // The count the ANSI call gives is not a byte count everywhere: Wine counts
  // the UTF-16 units of the result, one per double-byte character. Cutting the
  // result at that count would drop a byte for each such character and could
  // name the old folder's parent. The result is taken up to its terminating zero
  // instead, in a buffer with room for two bytes per unit counted.
  const DWORD needed = ExpandEnvironmentStringsA(path.c_str(), nullptr, 0);
  if (needed == 0) return path;
  const DWORD size = needed * 2 + 1;
  Text expanded(size, '\0');
  const DWORD got = ExpandEnvironmentStringsA(path.c_str(), &expanded[0], size);
  if (got == 0 || got > size) return path;
  expanded.resize(lstrlenA(expanded.c_str()));
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
