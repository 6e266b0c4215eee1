#include "app/label.h"

#include "app/window_kit.h"

namespace {

const char kLabelClass[] = "MorvaneLabel";

}  // namespace

bool Label::RegisterClass(HINSTANCE instance) {
  return RegisterProgramClass(instance, kLabelClass, WindowProc);
}

bool Label::Create(HWND parent, int id, const char* text, int left, int top, int width,
                   int height, Look look) {
  look_ = look;
  text_ = text;
  hwnd_ = CreateWindowExA(0, kLabelClass, text, WS_CHILD | WS_CLIPSIBLINGS, left, top, width,
                          height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)),
                          this);
  return hwnd_ != nullptr;
}

void Label::SetCaption(const Text& caption) {
  text_ = caption;
  if (!IsWindow(hwnd_)) return;  // the window may be gone while a run finishes
  SetWindowTextA(hwnd_, text_.c_str());
  InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT CALLBACK Label::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Label*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT:
      if (self) {
        self->OnPaint();
        return 0;
      }
      break;
    case WM_NCDESTROY:
      if (self) self->hwnd_ = nullptr;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

void Label::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT client, area;
  GetClientRect(hwnd_, &client);
  if (IntersectRect(&area, &ps.rcPaint, &client)) {
    HRGN clip = CreateRectRgnIndirect(&area);
    SelectClipRgn(dc, clip);
    FillRgn(dc, clip, GetSysColorBrush(COLOR_BTNFACE));
    DeleteObject(clip);
    if (!text_.empty()) {
      const bool headline = look_ == Look::kHeadline;
      HFONT own = headline ? CreateControlFont(-14, FW_BOLD) : nullptr;
      HGDIOBJ font = own ? static_cast<HGDIOBJ>(own) : GetStockObject(DEFAULT_GUI_FONT);
      HGDIOBJ previous = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, headline ? RGB(255, 0, 0) : RGB(0, 0, 0));
      UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | (headline ? DT_CENTER : DT_LEFT);
      DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &client, format);
      SelectObject(dc, previous);
      if (own) DeleteObject(own);
    }
  }
  EndPaint(hwnd_, &ps);
}
