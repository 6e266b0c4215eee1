#include "tests/e2e/driver.h"

namespace e2e {

const char kMessageCaption[] = "信息：";
const char kFoldersMissing[] = "复制目录失败！\r\n请查看设置目录是否错误 或 桌面目录是否存在！";
const char kAskDelete[] = "是否删除以前的桌面目录文件夹";
const char kDeleted[] = "以前桌面文件夹目录已经删除！";
const char kRestart[] = "重启 或 注销 后生效！！！";
const char kChangeFailed[] = "修改桌面文件夹位置失败！\r\n 请查看设置目录是否正确！";
const char kNotAllDeleted[] = "以前桌面文件夹目录未能完全删除！";
const char kInitialCaption[] = "电脑系统磁盘：如 d   文件夹名称：如： 桌面";
const char kCopyingCaption[] = "目录文件复制中 请稍等。。。";
const char kSuccessCaption[] = "修改桌面文件夹位置成功：";

namespace {

// The sources are UTF-8 and the narrow literals code page 936: "信息：" must
// reach the binary as these bytes.
constexpr char kCaptionBytes[] = "\xD0\xC5\xCF\xA2\xA3\xBA";
constexpr bool SameBytes(const char* a, const char* b) {
  return *a == *b && (*a == '\0' || SameBytes(a + 1, b + 1));
}
static_assert(SameBytes("信息：", kCaptionBytes), "narrow literals must be code page 936");

const char kMainWindowClass[] = "MorvaneMainWindow";
const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kDesktopValue[] = "Desktop";
const DWORD kStartTimeoutMs = 60000;
const DWORD kMessageBoxTimeoutMs = 60000;
const DWORD kPollMs = 50;

Text ClassOf(HWND hwnd) {
  char name[256] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

Text WindowText(HWND hwnd) {
  if (!hwnd) return Text();
  const int length = GetWindowTextLengthA(hwnd);
  Text text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hwnd, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

struct Search {
  DWORD process_id;
  const char* class_name;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lparam) {
  auto* search = reinterpret_cast<Search*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->process_id || !IsWindowVisible(hwnd) || ClassOf(hwnd) != search->class_name)
    return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND FindWindowOf(DWORD process_id, const char* class_name) {
  Search search = {process_id, class_name, nullptr};
  EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Runs the thread's message queue a little while waiting, so that the driver
// stays a well-behaved GUI thread for the windows that SendInput touches.
void Pause(DWORD ms) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < ms) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

POINT CentreOf(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

Text Join(const Text& root, const Text& relative) {
  return relative.empty() ? root : root + "\\" + relative;
}

void ReadTreeInto(const Text& root, const Text& relative, Tree* tree) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((Join(root, relative) + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const Text name = found.cFileName;
    if (name == "." || name == "..") continue;
    const Text path = relative.empty() ? name : relative + "\\" + name;
    const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (folder) {
      (*tree)[path + "\\"] = link ? "<link>" : "";
      if (!link) ReadTreeInto(root, path, tree);
      continue;
    }
    std::string bytes;
    HANDLE file = CreateFileA(Join(root, path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      bytes = "<unreadable>";
    } else {
      char buffer[65536];
      DWORD got = 0;
      while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
      CloseHandle(file);
    }
    (*tree)[path] = bytes;
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

HKEY OpenShellFolders(REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, access, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

}  // namespace

Text MorvaneExePath() {
  char buffer[MAX_PATH * 2] = {};
  if (GetEnvironmentVariableA("MORVANE_EXE", buffer, sizeof buffer) > 0) return buffer;
  GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  Text path = buffer;
  // <build>\tests\e2e\driver.exe -> <build>\app\morvane.exe
  for (int up = 0; up < 3; ++up) path = path.substr(0, path.find_last_of('\\'));
  return path + "\\app\\morvane.exe";
}

Text ArtifactsFolder() {
  char buffer[MAX_PATH * 2] = {};
  if (GetEnvironmentVariableA("MORVANE_E2E_ARTIFACTS", buffer, sizeof buffer) == 0) return Text();
  return buffer;
}

Morvane::~Morvane() {
  if (process_.hProcess) {
    if (Running()) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

bool Morvane::Start(Text* error) {
  const Text exe = MorvaneExePath();
  if (!Exists(exe)) {
    *error = "no program at " + exe;
    return false;
  }
  Text command_line = "\"" + exe + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessA(exe.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process_)) {
    *error = "CreateProcess failed with " + std::to_string(GetLastError()) + " for " + exe;
    return false;
  }
  process_id_ = process_.dwProcessId;
  WaitForInputIdle(process_.hProcess, kStartTimeoutMs);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kStartTimeoutMs) {
    window_ = FindWindowOf(process_id_, kMainWindowClass);
    if (window_) return true;
    if (!Running()) {
      DWORD code = 0;
      GetExitCodeProcess(process_.hProcess, &code);
      *error = "the program ended with exit code " + std::to_string(static_cast<int>(code)) +
               " before its window appeared";
      return false;
    }
    Pause(kPollMs);
  }
  *error = "no visible window of class MorvaneMainWindow within the timeout";
  return false;
}

bool Morvane::Running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

void Morvane::Type(Control edit, const Text& text) {
  SendMessageA(control(edit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

Text Morvane::TextOf(Control id) const { return WindowText(control(id)); }

void Morvane::PressButton() { PostMessageA(control(kButton1), BM_CLICK, 0, 0); }

bool Morvane::ClickButtonWithMouse() {
  HWND button = control(kButton1);
  const DWORD thread = GetWindowThreadProcessId(window_, nullptr);
  // On a display that Wine has just taken up, the first click sometimes gets
  // lost. A click that arrived leaves the focus on the button (or a run has
  // already shown a message box); only a click that left no trace is repeated.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!BringToFront(window_)) return false;
    if (attempt > 0) SendMouseMove({CentreOf(window_).x, CentreOf(window_).y - 40});
    SendMouseClick(CentreOf(button));
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2000) {
      GUITHREADINFO gui = {};
      gui.cbSize = sizeof gui;
      if (GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == button) return true;
      if (FindWindowOf(process_id_, "#32770")) return true;
      Pause(kPollMs);
    }
  }
  return false;
}

void Morvane::PostClose() { PostMessageA(window_, WM_CLOSE, 0, 0); }

void Morvane::PostSystemClose() { PostMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool Morvane::PressKey(WORD virtual_key) {
  if (!BringToFront(window_)) return false;
  SendKey(virtual_key);
  return true;
}

bool Morvane::WaitForMessageBox(DWORD timeout_ms, MessageBoxView* box) const {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND dialog = FindWindowOf(process_id_, "#32770");
    if (dialog) {
      box->hwnd = dialog;
      box->caption = WindowText(dialog);
      box->text = WindowText(GetDlgItem(dialog, 0xFFFF));
      box->has_ok = GetDlgItem(dialog, IDOK) && IsWindowVisible(GetDlgItem(dialog, IDOK));
      box->has_cancel =
          GetDlgItem(dialog, IDCANCEL) && IsWindowVisible(GetDlgItem(dialog, IDCANCEL));
      return true;
    }
    if (!Running() || GetTickCount() - start > timeout_ms) return false;
    Pause(kPollMs);
  }
}

std::vector<Text> Morvane::AnswerMessages(Answer answer_b, const Text& shot_prefix) {
  std::vector<Text> shown;
  MessageBoxView box;
  while (WaitForMessageBox(kMessageBoxTimeoutMs, &box)) {
    shown.push_back(box.text);
    if (!shot_prefix.empty())
      SaveScreenshot(box.hwnd, shot_prefix + "-" + std::to_string(shown.size()));
    const bool last =
        box.text == kFoldersMissing || box.text == kRestart || box.text == kChangeFailed;
    if (!AnswerMessageBox(box, box.text == kAskDelete ? answer_b : Answer::kOk)) {
      shown.push_back("<the box did not close>");
      break;
    }
    if (last) break;
  }
  return shown;
}

bool Morvane::WaitForExit(DWORD timeout_ms, DWORD* exit_code) {
  if (WaitForSingleObject(process_.hProcess, timeout_ms) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_.hProcess, exit_code);
  return true;
}

bool AnswerMessageBox(const MessageBoxView& box, Answer answer) {
  switch (answer) {
    case Answer::kOk:
    case Answer::kCancel: {
      const int id = answer == Answer::kOk ? IDOK : IDCANCEL;
      PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, id)));
      break;
    }
    case Answer::kEscKey:
      if (!BringToFront(box.hwnd)) return false;
      SendKey(VK_ESCAPE);
      break;
  }
  const DWORD start = GetTickCount();
  while (IsWindow(box.hwnd)) {
    if (GetTickCount() - start > 10000) return false;
    Pause(kPollMs);
  }
  return true;
}

bool BringToFront(HWND hwnd) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000) {
    if (GetForegroundWindow() == hwnd) return true;
    SetForegroundWindow(hwnd);
    Pause(100);
  }
  return GetForegroundWindow() == hwnd;
}

void SendKey(WORD virtual_key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = virtual_key;
  input[0].ki.wScan = input[1].ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtual_key, 0));
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
  Pause(200);
}

namespace {

INPUT MouseInput(POINT p, DWORD flags) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(p.x, 65535, width - 1);
  input.mi.dy = MulDiv(p.y, 65535, height - 1);
  input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | flags;
  return input;
}

}  // namespace

void SendMouseMove(POINT p) {
  INPUT move = MouseInput(p, MOUSEEVENTF_MOVE);
  for (int attempt = 0; attempt < 20; ++attempt) {  // until the cursor is there
    SendInput(1, &move, sizeof(INPUT));
    Pause(100);
    POINT at = {};
    GetCursorPos(&at);
    if (at.x == p.x && at.y == p.y) break;
  }
}

void SendMouseClick(POINT p) {
  SendMouseMove(p);
  for (DWORD flags : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
    INPUT input = MouseInput(p, flags);
    SendInput(1, &input, sizeof(INPUT));
    Pause(100);
  }
}

Text SaveScreenshot(HWND hwnd, const Text& name) {
  const Text folder = ArtifactsFolder();
  if (folder.empty() || !IsWindow(hwnd)) return Text();
  CreateDirectoryA(folder.c_str(), nullptr);
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Pause(300);  // let the program paint
  RECT r;
  GetWindowRect(hwnd, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return Text();

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, previous);

  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as BMP files store it
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  std::string pixels(stride * static_cast<DWORD>(height), '\0');
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), &pixels[0],
            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER header = {};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
  const Text path = folder + "\\" + name + ".bmp";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Text();
  DWORD written = 0;
  WriteFile(file, &header, sizeof header, &written, nullptr);
  WriteFile(file, &info, sizeof info, &written, nullptr);
  WriteFile(file, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

RegistryValue ReadDesktopSetting() {
  RegistryValue value;
  HKEY key = OpenShellFolders(KEY_QUERY_VALUE);
  if (!key) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key, kDesktopValue, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    if (RegQueryValueExA(key, kDesktopValue, nullptr, &value.type,
                         reinterpret_cast<BYTE*>(&value.data[0]), &size) == ERROR_SUCCESS) {
      value.exists = true;
      value.data.resize(size);
    }
  }
  RegCloseKey(key);
  return value;
}

bool WriteDesktopSetting(const RegistryValue& value) {
  HKEY key = OpenShellFolders(KEY_SET_VALUE);
  if (!key) return false;
  LONG result;
  if (value.exists)
    result = RegSetValueExA(key, kDesktopValue, 0, value.type,
                            reinterpret_cast<const BYTE*>(value.data.data()),
                            static_cast<DWORD>(value.data.size()));
  else
    result = RegDeleteValueA(key, kDesktopValue);
  RegCloseKey(key);
  return result == ERROR_SUCCESS || (!value.exists && result == ERROR_FILE_NOT_FOUND);
}

RegistryValue ExpandTextValue(const Text& text) {
  RegistryValue value;
  value.exists = true;
  value.type = REG_EXPAND_SZ;
  value.data = text + '\0';
  return value;
}

Text QueryDesktopSettingWithReg() {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return "<no pipe>";
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  const Text exe = Text(system) + "\\reg.exe";
  Text command_line =
      "reg.exe query \"HKEY_CURRENT_USER\\" + Text(kShellFoldersKey) + "\" /v " + kDesktopValue;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  const bool started = CreateProcessA(exe.c_str(), &command_line[0], nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  if (!started) {
    CloseHandle(read_end);
    return "<reg.exe did not start>";
  }
  Text output;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0)
    output.append(buffer, got);
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(read_end);
  return output;
}

bool Exists(const Text& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const Text& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsLink(const Text& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool WriteTree(const Text& root, const Tree& tree) {
  CreateDirectoryA(root.c_str(), nullptr);
  if (!IsFolder(root)) return false;
  for (const auto& [relative, bytes] : tree) {  // ordered: a folder comes before what it holds
    const Text path = Join(root, relative);
    if (!relative.empty() && relative.back() == '\\') {
      if (!CreateDirectoryA(path.substr(0, path.size() - 1).c_str(), nullptr)) return false;
      continue;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    if (!ok) return false;
  }
  return true;
}

Tree ReadTree(const Text& root) {
  Tree tree;
  ReadTreeInto(root, Text(), &tree);
  return tree;
}

void RemoveTree(const Text& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (!link) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    return;
  }
  if (!link) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const Text name = found.cFileName;
        if (name != "." && name != "..") RemoveTree(path + "\\" + name);
      } while (FindNextFileA(find, &found));
      FindClose(find);
    }
  }
  RemoveDirectoryA(path.c_str());
}

Text ExpandEnvironment(const Text& text) {
  char buffer[MAX_PATH * 4] = {};
  const DWORD got = ExpandEnvironmentStringsA(text.c_str(), buffer, sizeof buffer);
  return got > 0 && got <= sizeof buffer ? Text(buffer) : text;
}

std::string ToUtf8(const Text& text) {
  if (text.empty()) return text;
  const int wide_length =
      MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_length), L'\0');
  MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), &wide[0], wide_length);
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, &utf8[0], length, nullptr, nullptr);
  return utf8;
}

}  // namespace e2e
