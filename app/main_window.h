// MainWindow: the program's one window, "Morvane", 341 x 126, centred, with its
// eight controls. Its button runs DesktopRelocation; closing it ends the program.
#pragma once

#include <windows.h>

#include "app/label.h"
#include "registry/text.h"

// Child-window identifiers of the controls (also what the test driver finds them by).
enum ControlId : int {
  kLabel1 = 1001,  // 标签1 "电脑系统磁盘："
  kLabel2 = 1002,  // 标签2 "文件夹的名称："
  kLabel3 = 1003,  // 标签3, the instructions and then the outcome
  kLabel4 = 1004,  // 标签4, the signature
  kEdit1 = 1011,   // 编辑框1, disk letter
  kEdit2 = 1012,   // 编辑框2, folder name
  kButton1 = 1021, // 按钮1 "设置"
  kProgress1 = 1031,  // 进度条1, outside the client area
};

extern const char kMainWindowClass[];

class MainWindow {
 public:
  // Registers the classes, creates the window and its controls and shows it,
  // centred, with the focus in 编辑框1. False on any failure.
  bool Create(HINSTANCE instance);
  // Runs until WM_QUIT; gives its exit code.
  int RunMessageLoop();
  // Destroys the window and its controls, when they still exist.
  void Destroy();

  // What DesktopRelocation uses.
  Text EditText(ControlId box) const;
  void SetCaption(const Text& caption);

  // Handles the window's own keys (Tab, Shift+Tab, Esc) before a message is
  // translated; true when it consumed the message.
  bool PreTranslateMessage(const MSG& msg);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool CreateControls(HINSTANCE instance);
  void OnPaint();
  void OnCommand(int id, int code);
  void OnActivate(WPARAM wparam);
  void OnSetFocus();
  void OnNcDestroy();
  void MoveFocus(bool forward);
  void RunRelocation();

  HWND hwnd_ = nullptr;
  Label label1_, label2_, label3_, label4_;
  HWND edit1_ = nullptr, edit2_ = nullptr, button_ = nullptr, progress_ = nullptr;
  HBRUSH edit_brush_ = nullptr;
  HWND last_focus_ = nullptr;  // the control that had the focus at deactivation
  bool loop_running_ = false;  // set just before the message loop begins
  int running_relocations_ = 0;
  bool quit_held_ = false;  // the window went away during a run: quit when it returns
};

MainWindow& TheMainWindow();

// Dispatches every message waiting for the thread (the window's keys included),
// stopping short of a quit message, which stays in the queue.
void DispatchWaitingMessages();
