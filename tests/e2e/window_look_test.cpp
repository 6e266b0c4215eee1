// The window as a user meets it: the style bits of the window and its controls
// read from the running program, the keyboard driven with real key presses
// (SendInput, so that the message loop's own key handling is what runs), and
// the pixels of a captured image of the window.
#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

const DWORD kExitTimeoutMs = 30000;

class WindowLook : public ::testing::Test {
 protected:
  void SetUp() override {
    Text error;
    ASSERT_TRUE(program_.Start(&error)) << error;
  }
  void TearDown() override {
    if (program_.Running()) {
      program_.PostClose();
      DWORD code = 0;
      program_.WaitForExit(kExitTimeoutMs, &code);
    }
  }
  // The control that has the keyboard focus in the program's window thread.
  HWND Focus() {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(program_.window(), nullptr), &info);
    return info.hwndFocus;
  }
  Morvane program_;
};

std::string ClassOf(HWND hwnd) {
  char name[64] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

TEST_F(WindowLook, StyleBitsOfTheWindowAndEachControl) {
  HWND main = program_.window();
  const LONG_PTR style = GetWindowLongPtrA(main, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN),
            WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_POPUP | WS_CHILD), 0);
  // The system adds WS_EX_WINDOWEDGE to a captioned window; nothing else is set.
  EXPECT_EQ(GetWindowLongPtrA(main, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
  EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);

  const LONG_PTR kLabel = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  const LONG_PTR kEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | ES_AUTOHSCROLL;
  const LONG_PTR kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON |
                           BS_CENTER | BS_VCENTER | BS_MULTILINE;
  const LONG_PTR kBar = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  struct Case {
    Control id;
    const char* window_class;
    LONG_PTR style;
    LONG_PTR ex_style;
    RECT place;  // left, top, right, bottom in the client area
  } cases[] = {
      {kLabel3, "MorvaneLabel", kLabel, 0, {0, 0, 328, 24}},
      {kLabel1, "MorvaneLabel", kLabel, 0, {15, 32, 103, 48}},
      {kEdit1, "Edit", kEdit, WS_EX_CLIENTEDGE, {112, 29, 192, 54}},
      {kButton1, "Button", kButton, 0, {224, 42, 312, 73}},
      {kEdit2, "Edit", kEdit, WS_EX_CLIENTEDGE, {112, 64, 192, 89}},
      {kLabel2, "MorvaneLabel", kLabel, 0, {15, 72, 103, 88}},
      {kLabel4, "MorvaneLabel", kLabel, 0, {269, 79, 324, 103}},
      {kProgress1, "msctls_progress32", kBar, WS_EX_STATICEDGE, {0, 106, 336, 138}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    HWND control = program_.control(c.id);
    ASSERT_NE(control, nullptr);
    EXPECT_STRCASEEQ(ClassOf(control).c_str(), c.window_class);
    EXPECT_EQ(GetWindowLongPtrA(control, GWL_STYLE) & 0xFFFFFFFF, c.style);
    EXPECT_EQ(GetWindowLongPtrA(control, GWL_EXSTYLE), c.ex_style);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, c.place.left);
    EXPECT_EQ(r.top, c.place.top);
    EXPECT_EQ(r.right, c.place.right);
    EXPECT_EQ(r.bottom, c.place.bottom);
  }
}

TEST_F(WindowLook, ControlSettings) {
  for (Control edit : {kEdit1, kEdit2}) {
    // A limit of 0 gives the control's own maximum.
    EXPECT_GE(static_cast<DWORD>(SendMessageA(program_.control(edit), EM_GETLIMITTEXT, 0, 0)),
              0x7FFFFFFEu);
    EXPECT_EQ(program_.TextOf(edit), "");
  }
  HWND bar = program_.control(kProgress1);
  // Asked without a structure, PBM_GETRANGE answers the low or the high limit.
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
  // The progress bar lies wholly outside the client area.
  RECT client, bar_rect, overlap;
  GetClientRect(program_.window(), &client);
  GetWindowRect(bar, &bar_rect);
  MapWindowPoints(nullptr, program_.window(), reinterpret_cast<POINT*>(&bar_rect), 2);
  EXPECT_LT(client.bottom, 106);
  EXPECT_FALSE(IntersectRect(&overlap, &client, &bar_rect));
}

void SendShiftTab() {
  INPUT input[4] = {};
  const WORD keys[4] = {VK_SHIFT, VK_TAB, VK_TAB, VK_SHIFT};
  for (int i = 0; i < 4; ++i) {
    input[i].type = INPUT_KEYBOARD;
    input[i].ki.wVk = keys[i];
    input[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(keys[i], 0));
    input[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(4, input, sizeof(INPUT));
  Sleep(200);
}

TEST_F(WindowLook, TabCyclesTheThreeTabStopsBothWays) {
  HWND edit1 = program_.control(kEdit1), button = program_.control(kButton1),
       edit2 = program_.control(kEdit2);
  ASSERT_TRUE(BringToFront(program_.window()));
  EXPECT_EQ(Focus(), edit1);  // where the program put it at start
  const HWND forward[] = {button, edit2, edit1, button};
  for (HWND expected : forward) {
    ASSERT_TRUE(program_.PressKey(VK_TAB));
    EXPECT_EQ(Focus(), expected);
  }
  const HWND backward[] = {edit1, edit2, button, edit1};
  for (HWND expected : backward) {
    ASSERT_TRUE(BringToFront(program_.window()));
    SendShiftTab();
    EXPECT_EQ(Focus(), expected);
  }
  // Tab typed into an edit box moves on; it is never inserted as text.
  EXPECT_EQ(program_.TextOf(kEdit1), "");
  EXPECT_EQ(program_.TextOf(kEdit2), "");
}

TEST_F(WindowLook, EnterDoesNothing) {
  for (Control stop : {kEdit1, kButton1, kEdit2}) {
    SCOPED_TRACE(stop);
    while (Focus() != program_.control(stop)) ASSERT_TRUE(program_.PressKey(VK_TAB));
    ASSERT_TRUE(program_.PressKey(VK_RETURN));
    MessageBoxView box;
    EXPECT_FALSE(program_.WaitForMessageBox(1500, &box)) << ToUtf8(box.text);
    EXPECT_TRUE(program_.Running());
    EXPECT_EQ(Focus(), program_.control(stop));
  }
}

TEST_F(WindowLook, SpaceOnTheFocusedButtonRunsTheRelocation) {
  // With both boxes empty the new path is ":\", which names no folder: the run
  // shows its existence failure and ends the program with exit code 0.
  ASSERT_TRUE(program_.PressKey(VK_TAB));
  ASSERT_EQ(Focus(), program_.control(kButton1));
  ASSERT_TRUE(program_.PressKey(VK_SPACE));
  MessageBoxView box;
  ASSERT_TRUE(program_.WaitForMessageBox(30000, &box));
  EXPECT_EQ(box.text, kFoldersMissing);
  ASSERT_TRUE(AnswerMessageBox(box, Answer::kOk));
  DWORD code = 1;
  ASSERT_TRUE(program_.WaitForExit(kExitTimeoutMs, &code));
  EXPECT_EQ(code, 0u);
}

TEST_F(WindowLook, FocusComesBackToTheControlThatHadItOnReactivation) {
  ASSERT_TRUE(program_.PressKey(VK_TAB));
  ASSERT_TRUE(program_.PressKey(VK_TAB));
  ASSERT_EQ(Focus(), program_.control(kEdit2));
  // Another top-level window takes the activation, then gives it back.
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                               100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(BringToFront(other));
  ASSERT_TRUE(BringToFront(program_.window()));
  Sleep(300);
  EXPECT_EQ(Focus(), program_.control(kEdit2));
  DestroyWindow(other);
}

class EscapeFromEachTabStop : public ::testing::TestWithParam<int> {};

TEST_P(EscapeFromEachTabStop, ClosesTheWindowWithExitCodeZero) {
  Morvane program;
  Text error;
  ASSERT_TRUE(program.Start(&error)) << error;
  for (int i = 0; i < GetParam(); ++i) ASSERT_TRUE(program.PressKey(VK_TAB));
  ASSERT_TRUE(program.PressKey(VK_ESCAPE));
  DWORD code = 1;
  ASSERT_TRUE(program.WaitForExit(kExitTimeoutMs, &code));
  EXPECT_EQ(code, 0u);
}

// 0: 编辑框1, 1: 按钮1, 2: 编辑框2.
INSTANTIATE_TEST_SUITE_P(Stops, EscapeFromEachTabStop, ::testing::Values(0, 1, 2));

// The window's pixels, as the screen shows them.
class Capture {
 public:
  explicit Capture(HWND window) {
    GetWindowRect(window, &outer_);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    client_left_ = origin.x - outer_.left;
    client_top_ = origin.y - outer_.top;
    width_ = outer_.right - outer_.left;
    height_ = outer_.bottom - outer_.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, screen, outer_.left, outer_.top, SRCCOPY);
    GdiFlush();
    pixels_.assign(static_cast<const DWORD*>(bits),
                   static_cast<const DWORD*>(bits) + width_ * height_);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }
  // The colour at a point of the client area, as RGB.
  COLORREF At(int x, int y) const { return AtWindow(client_left_ + x, client_top_ + y); }
  // The colour at a point of the whole window, frame and caption bar included.
  COLORREF AtWindow(int x, int y) const {
    const DWORD p = pixels_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int client_top() const { return client_top_; }

 private:
  RECT outer_;
  int client_left_ = 0, client_top_ = 0, width_ = 0, height_ = 0;
  std::vector<DWORD> pixels_;
};

bool IsRed(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 80 && GetBValue(c) < 80; }
bool IsDark(COLORREF c) { return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100; }

TEST_F(WindowLook, CapturedImageShowsEachLabelInItsColoursAndTheEditBoxesWhite) {
  ASSERT_TRUE(BringToFront(program_.window()));
  Sleep(500);
  SaveScreenshot(program_.window(), "window-look");
  const Capture image(program_.window());
  const COLORREF face = GetSysColor(COLOR_BTNFACE);

  // 标签3: red text, centred in its 328 pixels, on the face colour.
  int left = -1, right = -1, red = 0;
  for (int x = 0; x < 328; ++x)
    for (int y = 0; y < 24; ++y)
      if (IsRed(image.At(x, y))) {
        if (left < 0) left = x;
        right = x;
        ++red;
      } else {
        EXPECT_FALSE(IsDark(image.At(x, y))) << x << "," << y;
      }
  ASSERT_GT(red, 50);
  EXPECT_NEAR((left + right) / 2.0, 328 / 2.0, 4.0);
  EXPECT_EQ(image.At(1, 1), face);

  // 标签1, 标签2, 标签4: black text, left-aligned, on the face colour, no red.
  const RECT plain[] = {{15, 32, 103, 48}, {15, 72, 103, 88}, {269, 79, 324, 103}};
  for (const RECT& r : plain) {
    int dark = 0, first_dark_x = 10000;
    for (int x = r.left; x < r.right; ++x)
      for (int y = r.top; y < r.bottom && y < 100; ++y) {
        const COLORREF c = image.At(x, y);
        EXPECT_FALSE(IsRed(c));
        if (IsDark(c)) {
          ++dark;
          first_dark_x = std::min(first_dark_x, x);
        }
      }
    EXPECT_GT(dark, 10) << r.left << "," << r.top;
    EXPECT_LT(first_dark_x - r.left, 4) << "left-aligned";
  }

  // The caption bar shows the small icon: its teal and yellow, exactly as the
  // picture has them, at the bar's left end.
  int teal = 0, yellow = 0;
  for (int x = 0; x < 32; ++x)
    for (int y = 0; y < image.client_top(); ++y) {
      teal += image.AtWindow(x, y) == RGB(0, 128, 128);
      yellow += image.AtWindow(x, y) == RGB(255, 255, 0);
    }
  EXPECT_GT(teal, 10);
  EXPECT_GT(yellow, 2);

  // The insides of the edit boxes are white (their 2-pixel sunken edges aside).
  for (const RECT& r : {RECT{112, 29, 192, 54}, RECT{112, 64, 192, 89}})
    for (int x = r.left + 4; x < r.right - 4; ++x)
      for (int y = r.top + 4; y < r.bottom - 4; ++y) {
        const COLORREF c = image.At(x, y);
        if (c != RGB(255, 255, 255) && !IsDark(c))  // the caret may be drawn
          ADD_FAILURE() << "edit box pixel " << x << "," << y << " is " << std::hex << c;
      }
}

}  // namespace
}  // namespace e2e
