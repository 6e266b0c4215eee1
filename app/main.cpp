// Start-up: OLE, the one RegistryAccess object, the main window centred and
// shown, the message loop; then the shutdown steps.
#include <windows.h>

#include <cstdio>

#include "app/main_window.h"
#include "app/program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitialiseOle();

  if (!CreateRegistryAccess()) {
    char text[128];
    std::snprintf(text, sizeof text, "内存分配失败：无法分配 %u 字节！",
                  static_cast<unsigned>(sizeof(RegistryAccess)));
    FailStartUp(text);
  }

  MainWindow& window = TheMainWindow();
  if (!window.Create(instance)) FailStartUp("加载启动窗口失败！");

  const int exit_code = window.RunMessageLoop();
  RunShutdownSteps();
  return exit_code;
}
