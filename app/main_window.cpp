#include "app/main_window.h"

#include <commctrl.h>

#include "app/desktop_relocation.h"
#include "app/program.h"
#include "app/relocation_platform.h"
#include "app/window_kit.h"

const char kMainWindowClass[] = "MorvaneMainWindow";

namespace {

const int kWidth = 341;
const int kHeight = 126;
const DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
const DWORD kEditStyle = WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | ES_AUTOHSCROLL;
const DWORD kButtonStyle = BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE | WS_CHILD |
                           WS_TABSTOP | WS_CLIPSIBLINGS;

HMENU IdMenu(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

HWND CreateEdit(HWND parent, HINSTANCE instance, int id, int left, int top) {
  HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", kEditStyle, left, top, 80, 25, parent,
                              IdMenu(id), instance, nullptr);
  if (!edit) return nullptr;
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  SendMessageA(edit, EM_LIMITTEXT, 0, 0);
  SendMessageA(edit, EM_SETSEL, 0, 0);
  SendMessageA(edit, EM_SCROLLCARET, 0, 0);
  return edit;
}

// The push button owns the font it is given and deletes it when it is destroyed.
LRESULT CALLBACK ButtonSubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR font) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ButtonSubclassProc, id);
    if (font) DeleteObject(reinterpret_cast<HFONT>(font));
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

HWND CreatePushButton(HWND parent, HINSTANCE instance) {
  HWND button = CreateWindowExA(0, "BUTTON", "设置", kButtonStyle, 224, 42, 88, 31, parent,
                                IdMenu(kButton1), instance, nullptr);
  if (!button) return nullptr;
  HFONT font = CreateControlFont(-16, FW_NORMAL);
  SetWindowSubclass(button, ButtonSubclassProc, 1, reinterpret_cast<DWORD_PTR>(font));
  HGDIOBJ use = font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT);
  SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(use), 0);
  return button;
}

HWND CreateProgressBar(HWND parent, HINSTANCE instance) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  HWND bar = CreateWindowExA(WS_EX_STATICEDGE, PROGRESS_CLASSA, "", WS_CHILD | WS_CLIPSIBLINGS, 0,
                             106, 336, 32, parent, IdMenu(kProgress1), instance, nullptr);
  if (!bar) return nullptr;
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageA(bar, PBM_SETPOS, 0, 0);
  return bar;
}

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

MainWindow& TheMainWindow() {
  static MainWindow window;
  return window;
}

bool MainWindow::Create(HINSTANCE instance) {
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;

  if (!RegisterProgramClass(instance, kMainWindowClass, WindowProc) ||
      !Label::RegisterClass(instance))
    return false;

  if (!CreateWindowExA(0, kMainWindowClass, "Morvane", kStyle, left, top, kWidth, kHeight, nullptr,
                       nullptr, instance, this))
    return false;
  RECT outer;
  GetWindowRect(hwnd_, &outer);
  if (outer.right - outer.left != kWidth || outer.bottom - outer.top != kHeight)
    MoveWindow(hwnd_, left, top, kWidth, kHeight, FALSE);

  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  for (auto [size, which] : {std::pair{32, ICON_BIG}, std::pair{16, ICON_SMALL}}) {
    HANDLE icon = LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, size, size, 0);
    if (icon) SendMessageA(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
  if (!CreateControls(instance)) return false;

  for (HWND child : {label3_.hwnd(), label1_.hwnd(), edit1_, button_, edit2_, label2_.hwnd(),
                     label4_.hwnd(), progress_})
    ShowWindow(child, SW_SHOWNA);
  ShowWindow(hwnd_, SW_SHOW);
  SetFocus(edit1_);
  return true;
}

bool MainWindow::CreateControls(HINSTANCE instance) {
  edit_brush_ = CreateSolidBrush(RGB(255, 255, 255));
  return label3_.Create(hwnd_, kLabel3, "电脑系统磁盘：如 d   文件夹名称：如： 桌面", 0, 0, 328, 24,
                        Label::Look::kHeadline) &&
         label1_.Create(hwnd_, kLabel1, "电脑系统磁盘：", 15, 32, 88, 16, Label::Look::kPlain) &&
         (edit1_ = CreateEdit(hwnd_, instance, kEdit1, 112, 29)) != nullptr &&
         (button_ = CreatePushButton(hwnd_, instance)) != nullptr &&
         (edit2_ = CreateEdit(hwnd_, instance, kEdit2, 112, 64)) != nullptr &&
         label2_.Create(hwnd_, kLabel2, "文件夹的名称：", 15, 72, 88, 16, Label::Look::kPlain) &&
         label4_.Create(hwnd_, kLabel4, "by:Quillmer", 269, 79, 55, 24, Label::Look::kPlain) &&
         (progress_ = CreateProgressBar(hwnd_, instance)) != nullptr;
}

int MainWindow::RunMessageLoop() {
  loop_running_ = true;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void MainWindow::Destroy() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

Text MainWindow::EditText(ControlId box) const {
  HWND edit = box == kEdit1 ? edit1_ : edit2_;
  if (!edit || !IsWindow(edit)) return Text();
  const int length = GetWindowTextLengthA(edit);
  Text text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(edit, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void MainWindow::SetCaption(const Text& caption) { label3_.SetCaption(caption); }

bool MainWindow::PreTranslateMessage(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  if (!hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  const bool ctrl = KeyDown(VK_CONTROL), shift = KeyDown(VK_SHIFT), alt = KeyDown(VK_MENU);
  if (msg.wParam == VK_TAB && !ctrl && !alt) {
    MoveFocus(!shift);
    return true;
  }
  if (msg.wParam == VK_ESCAPE && !ctrl && !shift && !alt) {
    SendMessageA(hwnd_, WM_CLOSE, 0, 0);
    return true;
  }
  return false;
}

void MainWindow::MoveFocus(bool forward) {
  HWND cycle[] = {edit1_, button_, edit2_};
  HWND focus = GetFocus();
  int at = -1;
  for (int i = 0; i < 3; ++i)
    if (cycle[i] == focus) at = i;
  int next = at < 0 ? 0 : (at + (forward ? 1 : 2)) % 3;
  SetFocus(cycle[next]);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_CTLCOLOREDIT:
      SetBkColor(reinterpret_cast<HDC>(wparam), RGB(255, 255, 255));
      SetTextColor(reinterpret_cast<HDC>(wparam), RGB(0, 0, 0));
      return reinterpret_cast<LRESULT>(edit_brush_);
    case WM_ACTIVATE:
      OnActivate(wparam);
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd_);
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      return 0;
  }
  return DefWindowProcA(hwnd_, message, wparam, lparam);
}

void MainWindow::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
  EndPaint(hwnd_, &ps);
}

void MainWindow::OnCommand(int id, int code) {
  if (id == kButton1 && code == BN_CLICKED) RunRelocation();
}

void MainWindow::OnActivate(WPARAM wparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    last_focus_ = (focus && IsChild(hwnd_, focus)) ? focus : nullptr;
  }
}

void MainWindow::OnSetFocus() {
  HWND target = last_focus_ && IsWindow(last_focus_) ? last_focus_ : edit1_;
  if (target) SetFocus(target);
}

void MainWindow::OnNcDestroy() {
  hwnd_ = edit1_ = edit2_ = button_ = progress_ = last_focus_ = nullptr;
  if (edit_brush_) DeleteObject(edit_brush_);
  edit_brush_ = nullptr;
  if (!loop_running_) return;
  // A run that is still going shows its remaining message boxes first: a quit
  // message now would close them unanswered.
  if (running_relocations_ > 0)
    quit_held_ = true;
  else
    PostQuitMessage(0);
}

void MainWindow::RunRelocation() {
  ++running_relocations_;
  WindowRelocationPlatform platform(*this);
  DesktopRelocation(platform, Registry());
  if (--running_relocations_ == 0 && quit_held_) {
    quit_held_ = false;
    PostQuitMessage(0);
  }
}

void DispatchWaitingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (msg.message == WM_QUIT) {  // arrived between the two looks: leave it queued
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (TheMainWindow().PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
