#include "app/program.h"

#include <windows.h>

#include <new>

#include "app/main_window.h"

namespace {

RegistryAccess* g_registry = nullptr;
bool g_shutdown_step_registered = false;
bool g_ole_initialised = false;

}  // namespace

RegistryAccess& Registry() { return *g_registry; }

bool CreateRegistryAccess() {
  g_registry = new (std::nothrow) RegistryAccess();
  if (!g_registry) return false;
  g_shutdown_step_registered = true;
  return true;
}

void InitialiseOle() {
  OleInitialize(nullptr);
  g_ole_initialised = true;
}

void RunShutdownSteps() {
  TheMainWindow().Destroy();
  if (g_shutdown_step_registered) {
    g_shutdown_step_registered = false;
    delete g_registry;
    g_registry = nullptr;
  }
  if (g_ole_initialised) {
    g_ole_initialised = false;
    OleUninitialize();
  }
}

void EndProgram(int exit_code) {
  RunShutdownSteps();
  ExitProcess(static_cast<UINT>(exit_code));
}

void FailStartUp(const char* text) {
  MessageBoxA(nullptr, text, "Morvane", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  ExitProcess(static_cast<UINT>(-1));
}
