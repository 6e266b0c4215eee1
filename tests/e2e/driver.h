// Drives the real morvane.exe from outside, as a user would: starts it, finds
// its window and controls, types, clicks, reads and answers its message boxes,
// and looks at what a run leaves in the registry and on disk. Used by the
// end-to-end tests and by the headless demonstration of ./run.sh.
//
// Everything here runs inside the scratch Wine prefix that tests/e2e/run.sh
// sets up; the paths it is given lie on that prefix's drive C:.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace e2e {

using Text = std::string;  // code page 936 bytes, as the program uses them

// Child-window identifiers of the program's controls.
enum Control : int {
  kLabel1 = 1001,
  kLabel2 = 1002,
  kLabel3 = 1003,  // the caption the relocation sets
  kLabel4 = 1004,
  kEdit1 = 1011,  // disk letter
  kEdit2 = 1012,  // folder name
  kButton1 = 1021,
  kProgress1 = 1031,
};

// The program's texts.
extern const char kMessageCaption[];
extern const char kFoldersMissing[];  // A
extern const char kAskDelete[];       // B
extern const char kDeleted[];         // C
extern const char kRestart[];         // D
extern const char kChangeFailed[];    // E
extern const char kNotAllDeleted[];   // shown instead of C when something remains
extern const char kInitialCaption[];
extern const char kCopyingCaption[];
extern const char kSuccessCaption[];

// Where the executable is: %MORVANE_EXE%, or app\morvane.exe of the build tree
// that holds this driver (<build>\tests\e2e\<driver>.exe).
Text MorvaneExePath();

// Folder for screenshots (%MORVANE_E2E_ARTIFACTS%); empty when none are wanted.
Text ArtifactsFolder();

// One message box of the program, as found on screen.
struct MessageBoxView {
  HWND hwnd = nullptr;
  Text caption;
  Text text;
  bool has_ok = false;
  bool has_cancel = false;
};

// How a message box is answered.
enum class Answer {
  kOk,      // its OK button
  kCancel,  // its Cancel button
  kEscKey,  // a real Esc key press while the box is in front
};

// One running morvane.exe, started by Start() and ended (if still running) by
// the destructor.
class Morvane {
 public:
  Morvane() = default;
  Morvane(const Morvane&) = delete;
  Morvane& operator=(const Morvane&) = delete;
  ~Morvane();

  // Starts the program and waits until its main window is visible. On failure
  // error says why.
  bool Start(Text* error);

  HWND window() const { return window_; }
  HWND control(Control id) const { return GetDlgItem(window_, id); }
  DWORD process_id() const { return process_id_; }
  bool Running() const;

  // Puts text into an edit box (WM_SETTEXT).
  void Type(Control edit, const Text& text);
  // The window text of a control: a label's caption, an edit box's text.
  Text TextOf(Control id) const;

  // Presses 按钮1: a posted BM_CLICK, so the driver goes on while the run works.
  void PressButton();
  // Presses 按钮1 with a real mouse click at its centre; false when the click
  // did not arrive.
  bool ClickButtonWithMouse();
  // Closes the window: a posted WM_CLOSE.
  void PostClose();
  // Closes the window as its close box, Alt+F4 and the system menu's Close do:
  // a posted WM_SYSCOMMAND SC_CLOSE. (A real click on the close box is lost now
  // and then by Wine's virtual desktop, so the tests do not rely on one.)
  void PostSystemClose();
  // A real key press (down and up) while the main window is in front.
  bool PressKey(WORD virtual_key);

  // Waits for the next message box of the program (class "#32770").
  bool WaitForMessageBox(DWORD timeout_ms, MessageBoxView* box) const;

  // Answers message boxes until one of A, D or E has been answered (or none
  // comes within the timeout); message B gets answer_b, all others OK. Gives
  // the texts in the order shown. A screenshot of each box is saved when
  // shot_prefix is not empty and screenshots are wanted.
  std::vector<Text> AnswerMessages(Answer answer_b, const Text& shot_prefix = Text());

  // Waits for the process to end; false on timeout. exit_code receives its code.
  bool WaitForExit(DWORD timeout_ms, DWORD* exit_code);

 private:
  PROCESS_INFORMATION process_ = {};
  DWORD process_id_ = 0;
  HWND window_ = nullptr;
};

// Closes a message box with the given answer and waits until it is gone.
bool AnswerMessageBox(const MessageBoxView& box, Answer answer);

// Brings a window to the front; true when it is the foreground window.
bool BringToFront(HWND hwnd);

// Real input through SendInput.
void SendKey(WORD virtual_key);
void SendMouseMove(POINT screen_point);
void SendMouseClick(POINT screen_point);

// Saves what the screen shows of a window (frame included) as a 24-bit BMP in
// the artifacts folder; gives the file's path, empty when nothing was saved.
Text SaveScreenshot(HWND hwnd, const Text& name);

// The Desktop setting: value "Desktop" of the key
// HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders.
struct RegistryValue {
  bool exists = false;
  DWORD type = REG_NONE;
  std::string data;  // the stored bytes, exactly
};
RegistryValue ReadDesktopSetting();
// Writes the value (or deletes it when !exists); true on success.
bool WriteDesktopSetting(const RegistryValue& value);
RegistryValue ExpandTextValue(const Text& text);  // REG_EXPAND_SZ with one terminating zero
// What "reg.exe query <key> /v Desktop" prints (the program Wine runs for `wine reg`).
Text QueryDesktopSettingWithReg();

// Files and folders. A tree maps each relative path below its root to the
// file's bytes; a folder is listed with a trailing backslash and empty bytes.
using Tree = std::map<Text, std::string>;
bool Exists(const Text& path);
bool IsFolder(const Text& path);
bool IsLink(const Text& path);  // a reparse point (a symbolic link under Wine)
bool WriteTree(const Text& root, const Tree& tree);
// Reads a tree; links are listed (as folders or files) but not entered.
Tree ReadTree(const Text& root);
// Removes a tree, links as links: what they point at is left alone.
void RemoveTree(const Text& path);
Text ExpandEnvironment(const Text& text);

// Converts code page 936 bytes to UTF-8 for printing.
std::string ToUtf8(const Text& text);

}  // namespace e2e
