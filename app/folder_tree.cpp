#include "app/folder_tree.h"

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstring>
#include <memory>
#include <vector>

#include "registry/text_scan.h"

namespace {

// True when the path's last character is a backslash (not the second byte of a
// double-byte character).
bool EndsWithSeparator(const Text& path) {
  return !path.empty() && LastBackslash(path) == path.size() - 1;
}

Text Join(const Text& folder, const char* name) {
  return EndsWithSeparator(folder) ? folder + name : folder + "\\" + name;
}

// The path without its last component, or empty when nothing is left above it.
Text Parent(const Text& path) {
  Text rest = path;
  while (EndsWithSeparator(rest)) rest.pop_back();  // trailing separators
  const size_t cut = LastBackslash(rest);
  if (cut == Text::npos) return Text();
  Text parent = rest.substr(0, cut);
  if (parent.size() == 2 && parent[1] == ':') parent += '\\';  // "d:" -> "d:\"
  return parent == path ? Text() : parent;
}

bool IsDotEntry(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

struct FindHandle {
  HANDLE h;
  ~FindHandle() {
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
};

struct FileHandle {
  HANDLE h;
  ~FileHandle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

HANDLE OpenForReading(const Text& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// Two read buffers, made once for a whole verification rather than per file.
struct ReadBuffers {
  static constexpr DWORD kChunk = 1 << 18;
  std::unique_ptr<char[]> a{new char[kChunk]}, b{new char[kChunk]};
};

// A missing file, or a folder in its place, fails to open and so differs too.
bool SameBytes(const Text& a, const Text& b, ReadBuffers& buffers) {
  FileHandle fa{OpenForReading(a)}, fb{OpenForReading(b)};
  if (fa.h == INVALID_HANDLE_VALUE || fb.h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER sa, sb;
  if (!GetFileSizeEx(fa.h, &sa) || !GetFileSizeEx(fb.h, &sb) || sa.QuadPart != sb.QuadPart)
    return false;
  for (LONGLONG left = sa.QuadPart; left > 0;) {
    DWORD ra = 0, rb = 0;
    if (!ReadFile(fa.h, buffers.a.get(), ReadBuffers::kChunk, &ra, nullptr) ||
        !ReadFile(fb.h, buffers.b.get(), ReadBuffers::kChunk, &rb, nullptr) || ra != rb ||
        ra == 0 || std::memcmp(buffers.a.get(), buffers.b.get(), ra) != 0)
      return false;
    left -= ra;
  }
  return true;
}

// Identity of a file or folder on disk: its volume and its index there.
struct Identity {
  DWORD volume = 0, high = 0, low = 0;
  bool operator==(const Identity& o) const {
    return volume == o.volume && high == o.high && low == o.low;
  }
};

HANDLE OpenFolder(const Text& path) {
  return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool IdentityOf(HANDLE h, Identity* id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return false;
  *id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}

bool IdentityOf(const Text& path, Identity* id) {
  FileHandle h{OpenFolder(path)};
  return h.h != INVALID_HANDLE_VALUE && IdentityOf(h.h, id);
}

// Where a path leads on disk once every link on the way is followed.
Text FinalPath(HANDLE h) {
  char buffer[MAX_PATH * 4];
  DWORD n = GetFinalPathNameByHandleA(h, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
  if (n == 0 || n >= sizeof buffer) return Text();
  Text path(buffer);  // up to its zero, as ExpandEnvironment takes its result
  if (path.compare(0, 4, "\\\\?\\") == 0) path.erase(0, 4);
  return path;
}

Text FullPath(const Text& path) {
  char buffer[MAX_PATH * 4];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  if (n == 0 || n >= sizeof buffer) return path;
  return Text(buffer);  // up to its zero, as ExpandEnvironment takes its result
}

// Which of the given path and its parents, walking up, is the folder `target`:
// 0 for the path itself, 1 for its parent, ...; -1 when none is.
int DistanceUpTo(const Text& path, const Identity& target) {
  int distance = 0;
  for (Text at = path; !at.empty(); at = Parent(at), ++distance) {
    Identity id;
    if (IdentityOf(at, &id) && id == target) return distance;
  }
  return -1;
}

void ClearReadOnly(const Text& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Windows removes a junction or symbolic link itself with RemoveDirectoryA (a
// folder link) or DeleteFileA (a file link), never what it points at. Wine's
// deletion calls follow the link and delete its target instead, whatever flags
// are given, so under Wine a link is left in place (and the folder that holds it
// with it): the tree is then reported as not completely deleted, and nothing
// outside it is lost.
bool LinksCanBeRemovedSafely() {
  static const bool safe =
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
  return safe;
}

void RemoveLink(const Text& path, DWORD attributes) {
  if (!LinksCanBeRemovedSafely()) return;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    RemoveDirectoryA(path.c_str());
  else
    DeleteFileA(path.c_str());
}

Text FinalPathOf(const Text& path) {
  FileHandle h{OpenFolder(path)};
  return h.h == INVALID_HANDLE_VALUE ? Text() : FinalPath(h.h);
}

// An entry that leads somewhere else than where it stands is a link, whether
// or not the system marks it as one (Wine does not mark links to files).
bool IsLink(const Text& path, DWORD attributes, const Text& folder_final, const char* name) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  if (folder_final.empty()) return false;
  const Text final_path = FinalPathOf(path);
  return final_path.empty() || lstrcmpiA(final_path.c_str(), Join(folder_final, name).c_str()) != 0;
}

void EmptyFolder(const Text& folder) {
  const Text folder_final = FinalPathOf(folder);
  WIN32_FIND_DATAA entry;
  FindHandle find{FindFirstFileA(Join(folder, "*.*").c_str(), &entry)};
  if (find.h == INVALID_HANDLE_VALUE) return;
  do {
    if (IsDotEntry(entry.cFileName)) continue;
    const Text path = Join(folder, entry.cFileName);
    const DWORD attributes = entry.dwFileAttributes;
    if (IsLink(path, attributes, folder_final, entry.cFileName)) {
      RemoveLink(path, attributes);
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      EmptyFolder(path);
      ClearReadOnly(path, attributes);
      RemoveDirectoryA(path.c_str());
    } else {
      ClearReadOnly(path, attributes);
      DeleteFileA(path.c_str());
    }
  } while (FindNextFileA(find.h, &entry));
}

bool CompareTree(const Text& source, const Text& destination, ReadBuffers& buffers) {
  WIN32_FIND_DATAA entry;
  FindHandle find{FindFirstFileA(Join(source, "*.*").c_str(), &entry)};
  if (find.h == INVALID_HANDLE_VALUE) return false;  // a folder lists at least "." and ".."
  do {
    if (IsDotEntry(entry.cFileName)) continue;
    const Text from = Join(source, entry.cFileName);
    const Text to = Join(destination, entry.cFileName);
    const bool is_folder = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    const bool is_link = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    if (is_folder || is_link) {
      const DWORD there = GetFileAttributesA(to.c_str());
      if (there == INVALID_FILE_ATTRIBUTES) return false;
      if (is_folder != ((there & FILE_ATTRIBUTE_DIRECTORY) != 0)) return false;
      if (!is_link && !CompareTree(from, to, buffers)) return false;
    } else if (!SameBytes(from, to, buffers)) {
      return false;
    }
  } while (FindNextFileA(find.h, &entry));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

template <typename T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
};

struct Bstr {
  BSTR s = nullptr;
  explicit Bstr(const Text& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    s = SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (s && n) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), s, n);
  }
  ~Bstr() { SysFreeString(s); }
};

}  // namespace

bool IsRootedPath(const Text& path) {
  const bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
                     ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
  return drive || path.compare(0, 2, "\\\\") == 0;
}

void CopyFolderTree(const Text& source, const Text& destination) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"scripting.FileSystemObject", &clsid))) return;
  ComPtr<IUnknown> object;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown,
                                reinterpret_cast<void**>(&object.p));
  if (hr == E_INVALIDARG)
    hr = CoCreateInstance(clsid, nullptr,
                          CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                          IID_IUnknown, reinterpret_cast<void**>(&object.p));
  if (FAILED(hr) || !object.p || FAILED(OleRun(object.p))) return;
  ComPtr<IDispatch> dispatch;
  if (FAILED(object.p->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch.p))))
    return;
  OLECHAR method[] = L"CopyFolder";
  LPOLESTR names[] = {method};
  DISPID id;
  if (FAILED(dispatch.p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return;
  Bstr from(source), to(destination);
  VARIANTARG args[2];  // in reverse order: the destination, then the source
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  args[0].vt = VT_BSTR;
  args[0].bstrVal = to.s;
  args[1].vt = VT_BSTR;
  args[1].bstrVal = from.s;
  DISPPARAMS params = {args, nullptr, 2, 0};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception = {};
  dispatch.p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                     &exception, nullptr);
  VariantClear(&result);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
}

bool FolderCopyIsComplete(const Text& source, const Text& destination) {
  ReadBuffers buffers;
  return CompareTree(source, destination, buffers);
}

FolderRelation RelateFolders(const Text& old_path, const Text& new_path) {
  Identity old_id;
  FileHandle new_handle{OpenFolder(new_path)};
  // What cannot be told apart safely is not copied or deleted.
  if (!IdentityOf(old_path, &old_id) || new_handle.h == INVALID_HANDLE_VALUE)
    return FolderRelation::kSame;
  // Walk up both the path as written and the path the system resolves, so that
  // a link on the way cannot hide that the new folder lies inside the old one.
  int distance = DistanceUpTo(FullPath(new_path), old_id);
  const Text final_path = FinalPath(new_handle.h);
  if (distance < 0 && !final_path.empty()) distance = DistanceUpTo(final_path, old_id);
  Identity new_id;
  if (IdentityOf(new_handle.h, &new_id) && new_id == old_id) distance = 0;
  if (distance == 0) return FolderRelation::kSame;
  return distance > 0 ? FolderRelation::kNewInsideOld : FolderRelation::kSeparate;
}

void DeleteFolderTree(const Text& path) {
  size_t start = 0;
  while (start < path.size() && path[start] == ' ') ++start;
  const Text folder = path.substr(start);
  if (folder.empty()) return;
  if (folder.size() >= 2 && folder[1] == ':' &&
      (folder.size() == 2 || (folder.size() == 3 && folder[2] == '\\')))
    return;  // a drive root is never deleted
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    RemoveLink(folder, attributes);  // the old Desktop itself is a link: remove only the link
    return;
  }
  EmptyFolder(folder);
  if (attributes != INVALID_FILE_ATTRIBUTES) ClearReadOnly(folder, attributes);
  RemoveDirectoryA(folder.c_str());
}
