// A broken contract (an argument outside the range a caller must respect) is
// fatal: a message box reports the fatal error with its code and, once it is
// closed, the process ends with exit code -1.
#pragma once

// Error codes reported with a fatal error.
constexpr int kFatalArgumentOutOfRange = 9;

#ifdef _WIN32
[[noreturn]] void FatalError(int code);
#else
// Native build: without a hook the report goes to stderr and the process ends
// with exit code -1. A test can set a hook instead: it receives the code, and
// FatalError then returns to its caller.
void FatalError(int code);
using FatalErrorHook = void (*)(int code);
void SetFatalErrorHook(FatalErrorHook hook);
#endif
