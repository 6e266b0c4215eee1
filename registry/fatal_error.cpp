#include "registry/fatal_error.h"

#include <cstdio>

namespace {
// "程序发生致命错误，错误代码：<code>"
void FormatReport(int code, char* buffer, size_t size) {
  std::snprintf(buffer, size, "程序发生致命错误，错误代码：%d", code);
}
}  // namespace

#ifdef _WIN32
#include <windows.h>

namespace {
const char kCaption[] = "致命错误";
}  // namespace

void FatalError(int code) {
  char report[128];
  FormatReport(code, report, sizeof report);
  MessageBoxA(nullptr, report, kCaption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
  ExitProcess(static_cast<UINT>(-1));
}

#else
#include <cstdlib>

namespace {
FatalErrorHook fatal_error_hook = nullptr;
}  // namespace

void FatalError(int code) {
  if (fatal_error_hook) {
    fatal_error_hook(code);
    return;
  }
  char report[128];
  FormatReport(code, report, sizeof report);
  std::fprintf(stderr, "%s\n", report);
  std::_Exit(-1);
}

void SetFatalErrorHook(FatalErrorHook hook) { fatal_error_hook = hook; }

#endif
