// A root number outside 1 to 5 is a caller's fault: a message box reports the
// fatal error with code 9, the process ends with exit code -1, and nothing is
// opened or written. Under Wine this runs in a child process whose message box
// the test finds and answers; natively the fatal error is taken over by a hook.
#include <string>

#include "registry/fatal_error.h"
#include "tests/registry/registry_fixture.h"

namespace regtest {
namespace {

using FatalErrorTest = RegistryTest;

const HKEY kAllRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER,
                          HKEY_LOCAL_MACHINE, HKEY_USERS};

#ifdef _WIN32

struct ChildBox {
  DWORD process_id;
  HWND box = nullptr;
};

BOOL CALLBACK FindChildBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ChildBox*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char class_name[16] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (owner == search->process_id && std::string(class_name) == "#32770" &&
      IsWindowVisible(window)) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

// Waits for the child to end (ending it when it does not), closes its handles
// and gives its exit code; false when it had to be ended.
bool WaitForChild(PROCESS_INFORMATION& child, DWORD* exit_code) {
  const DWORD waited = WaitForSingleObject(child.hProcess, 30000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 1);
  GetExitCodeProcess(child.hProcess, exit_code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return waited == WAIT_OBJECT_0;
}

std::string HelperPath() {
  char self[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  return path.substr(0, path.find_last_of("\\/") + 1) + "registry_fatal_helper.exe";
}

TEST_F(FatalErrorTest, RootOutsideOneToFiveEndsTheProcessWithMinusOneAndWritesNothing) {
  for (int root : {0, 6}) {
    SCOPED_TRACE(root);
    const std::string target = SubPath() + "\\Fatal";
    std::string command = "\"" + HelperPath() + "\" " + std::to_string(root) + " \"" + target + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child))
        << command;
    // Wait for the child's message box (or for the child to end without one).
    ChildBox search{child.dwProcessId};
    for (int tries = 0; tries < 600 && !search.box; ++tries) {
      if (WaitForSingleObject(child.hProcess, 50) == WAIT_OBJECT_0) break;
      EnumWindows(FindChildBox, reinterpret_cast<LPARAM>(&search));
    }
    EXPECT_NE(search.box, nullptr) << "no message box from the child";
    if (search.box) {
      char text[256] = {};
      GetDlgItemTextA(search.box, 0xFFFF, text, sizeof text);
      const std::string report = text;
      EXPECT_NE(report.find("致命错误"), std::string::npos) << report;
      EXPECT_NE(report.find("9"), std::string::npos) << report;
      PostMessageA(search.box, WM_COMMAND, IDOK, 0);
    }
    DWORD exit_code = 0;
    ASSERT_TRUE(WaitForChild(child, &exit_code)) << "the helper did not end";
    EXPECT_EQ(exit_code, 0xFFFFFFFFu);
    for (HKEY r : kAllRoots) EXPECT_FALSE(KeyExistsUnder(r, target));
  }
}

TEST_F(FatalErrorTest, TheHelperWritesWithARootInRange) {
  // The same child with root 3 writes and ends normally: the test above sees
  // the fatal error, not a helper that cannot run.
  const std::string target = SubPath() + "\\Written";
  std::string command = "\"" + HelperPath() + "\" 3 \"" + target + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &child));
  DWORD exit_code = 1;
  EXPECT_TRUE(WaitForChild(child, &exit_code)) << "the helper did not end";
  EXPECT_EQ(exit_code, 0u);
  auto v = Get("Written", "v");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->data, Bytes({1, 2}));
}

#else

int reported_code = 0;
int reports = 0;
void Record(int code) {
  reported_code = code;
  ++reports;
}

TEST_F(FatalErrorTest, RootOutsideOneToFiveIsFatalErrorNineBeforeAnyRegistryCall) {
  SetFatalErrorHook(Record);
  for (int root : {0, 6, -1, 1000}) {
    SCOPED_TRACE(root);
    reports = 0;
    reported_code = 0;
    ClearCalls();
    EXPECT_FALSE(registry.WriteValueUnderRoot(root, SubPath() + "\\Fatal", "v", Bytes{1}));
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(reported_code, 9);
    EXPECT_EQ(CountAllCalls(), 0);
    for (HKEY r : kAllRoots) EXPECT_FALSE(KeyExistsUnder(r, SubPath() + "\\Fatal"));
  }
  reports = 0;
  EXPECT_TRUE(registry.WriteValueUnderRoot(1, "Fine", "v", Bytes{1}));
  EXPECT_EQ(reports, 0);
  SetFatalErrorHook(nullptr);
}

TEST_F(FatalErrorTest, WithoutAHookTheFatalErrorEndsTheProcessWithMinusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(registry.WriteValueUnderRoot(6, SubPath(), "v", Bytes{1}),
              ::testing::ExitedWithCode(255), "9");
}

#endif

}  // namespace
}  // namespace regtest
