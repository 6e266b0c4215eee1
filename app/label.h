// Label: a child window of the program's own class that draws its one line of
// text itself, on the COLOR_BTNFACE background. It never takes the focus.
#pragma once

#include <windows.h>

#include "registry/text.h"

class Label {
 public:
  enum class Look {
    kPlain,      // black, left-aligned, DEFAULT_GUI_FONT
    kHeadline,   // red, bold, centred, in a font of its own made for each paint
  };

  static bool RegisterClass(HINSTANCE instance);

  bool Create(HWND parent, int id, const char* text, int left, int top, int width, int height,
              Look look);
  // Keeps its own copy, makes it the window text and has the whole label
  // redrawn at its next paint, without erasing.
  void SetCaption(const Text& caption);
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void OnPaint();

  HWND hwnd_ = nullptr;
  Text text_;
  Look look_ = Look::kPlain;
};
