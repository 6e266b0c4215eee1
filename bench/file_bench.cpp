// One step of the relocation's file work, timed by the program itself so that
// Wine's start-up stays out of the figure:
//   file_bench copy SOURCE DESTINATION   CopyFolderTree
//   file_bench verify SOURCE COPY        FolderCopyIsComplete
//   file_bench delete FOLDER             DeleteFolderTree
// Prints "<seconds> <outcome>", the outcome 1 when the step did its work (the
// copy exists, the copy was found complete, the folder is gone), else 0.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>

#include "app/folder_tree.h"
#include "bench/stopwatch.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: file_bench copy|verify|delete PATH [PATH]\n");
    return 2;
  }
  const std::string step = argv[1];
  const Text first = argv[2];
  const Text second = argc > 3 ? argv[3] : "";
  OleInitialize(nullptr);  // as the program does at start-up
  bool done = false;
  const double start = Seconds();
  if (step == "copy") {
    CopyFolderTree(first, second);
  } else if (step == "verify") {
    done = FolderCopyIsComplete(first, second);
  } else if (step == "delete") {
    DeleteFolderTree(first);
  } else {
    return 2;
  }
  const double seconds = Seconds() - start;
  if (step == "copy") done = GetFileAttributesA(second.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (step == "delete") done = GetFileAttributesA(first.c_str()) == INVALID_FILE_ATTRIBUTES;
  OleUninitialize();
  std::printf("%.6f %d\n", seconds, done ? 1 : 0);
  return 0;
}
