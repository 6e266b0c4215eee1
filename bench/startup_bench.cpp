// Start-up: from process creation to the main window being visible and ready for
// input, for morvane.exe and for Wine's notepad.exe started the same way, in
// alternating order; each is closed again with WM_CLOSE. Prints the medians as
//   RESULT startup <notepad seconds> <morvane seconds> 1
// Usage: startup_bench ROUNDS MORVANE_EXE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/stopwatch.h"

namespace {

struct Search {
  DWORD process;
  const char* window_class;
  HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
  Search* s = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[64];
  if (process == s->process && IsWindowVisible(window) &&
      GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, s->window_class) == 0) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

// Seconds from CreateProcess to a visible window of the class that answers a
// message; negative when it did not come within 30 seconds.
double TimeStart(const std::string& command_line, const char* window_class) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back(0);
  const double start = Seconds();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return -1;
  WaitForInputIdle(process.hProcess, 30000);
  Search search = {process.dwProcessId, window_class, nullptr};
  double ready = -1;
  while (Seconds() - start < 30) {
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    DWORD_PTR answer = 0;
    if (search.found &&
        SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) {
      ready = Seconds() - start;
      break;
    }
    Sleep(1);
  }
  if (search.found) PostMessageA(search.found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ready;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_bench ROUNDS MORVANE_EXE\n");
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  const std::string morvane = std::string("\"") + argv[2] + "\"";
  char system_folder[MAX_PATH];
  GetSystemDirectoryA(system_folder, MAX_PATH);
  const std::string notepad = std::string("\"") + system_folder + "\\notepad.exe\"";
  // One start of each first, not counted: it brings up the desktop process and
  // fills the caches for both.
  TimeStart(notepad, "Notepad");
  TimeStart(morvane, "MorvaneMainWindow");
  std::vector<double> a, b;
  for (int r = 0; r < rounds; ++r) {
    for (int step = 0; step < 2; ++step) {
      const bool baseline = (step == 0) == (r % 2 == 0);
      const double t = baseline ? TimeStart(notepad, "Notepad") : TimeStart(morvane, "MorvaneMainWindow");
      if (t < 0) {
        std::fprintf(stderr, "startup_bench: %s did not show its window\n",
                     baseline ? "notepad.exe" : "morvane.exe");
        return 1;
      }
      std::fprintf(stderr, "  round %d %s %.3f s\n", r + 1, baseline ? "notepad" : "morvane", t);
      (baseline ? a : b).push_back(t);
    }
  }
  std::printf("RESULT startup %.6f %.6f 1\n", Median(a), Median(b));
  return 0;
}
