// Whole folder trees on disk: copying through the scripting file-system object,
// checking a copy, telling how two folders lie, and deleting a tree without
// following links.
#pragma once

#include "app/desktop_relocation.h"
#include "registry/text.h"

// A path rooted at a drive ("d:\...") or at a share ("\\server\..."). Windows
// takes nothing else typed into the two boxes as a folder (":\x", "\td:\x",
// "dd:\x"); Wine would take such a path relative to the working folder.
bool IsRootedPath(const Text& path);

// Copies source into destination with "CopyFolder" of "scripting.FileSystemObject".
// Reports nothing: whatever happens, the caller checks the result on disk.
void CopyFolderTree(const Text& source, const Text& destination);

// Every file below source exists below destination at the same relative path
// with the same size and bytes, and every subfolder too. A link inside source
// must stand in destination as a folder or file of that name; it is not entered.
bool FolderCopyIsComplete(const Text& source, const Text& destination);

// Whether new_path names old_path itself or a folder below it, judged by the
// folders' identity on disk (so letter case, short names, trailing backslashes
// and links do not matter). Two existing folders are expected.
FolderRelation RelateFolders(const Text& old_path, const Text& new_path);

// Empties the folder depth first and removes it. Leading spaces are passed over;
// an empty path or a drive root is refused. Links are removed as links: what they
// point at is never entered. What cannot be deleted remains.
void DeleteFolderTree(const Text& path);
