// What DesktopRelocation needs, as the program gives it: the main window, the
// file system, the copier COM object, message boxes and the wait.
#pragma once

#include "app/desktop_relocation.h"

class MainWindow;

class WindowRelocationPlatform : public RelocationPlatform {
 public:
  explicit WindowRelocationPlatform(MainWindow& window) : window_(window) {}

  Text DiskLetterText() override;
  Text FolderNameText() override;
  void SetCaption(const Text& caption) override;
  void EndProgram(int exit_code) override;
  void CreateFolder(const Text& path) override;
  bool IsFolder(const Text& path) override;
  Text ExpandEnvironment(const Text& path) override;
  FolderRelation Relate(const Text& old_path, const Text& new_path) override;
  void CopyFolderTree(const Text& source, const Text& destination) override;
  bool CopyIsComplete(const Text& source, const Text& destination) override;
  void DeleteFolderTree(const Text& path) override;
  void WaitDispatching(unsigned milliseconds) override;
  int ShowMessage(const Text& text, const Text& caption, unsigned flags) override;

 private:
  MainWindow& window_;
};
