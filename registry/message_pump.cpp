#include "registry/message_pump.h"

#ifdef _WIN32
#include <windows.h>

void ProcessWaitingMessages() {
  MSG msg;
  // Look first, then take exactly the message seen, so that a quit message is
  // never taken from the queue.
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    if (!PeekMessageA(&msg, nullptr, msg.message, msg.message, PM_REMOVE)) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

#else

#include <utility>

namespace {
std::function<void()>& Hook() {
  static std::function<void()> hook;
  return hook;
}
}  // namespace

void ProcessWaitingMessages() {
  if (Hook()) Hook()();
}

void SetWaitingMessagesHook(std::function<void()> hook) { Hook() = std::move(hook); }

#endif
