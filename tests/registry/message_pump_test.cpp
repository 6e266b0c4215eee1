// The window's waiting messages are processed after each item of a listing and
// of a tree deletion. Under Wine a real window receives a message posted before
// the listing, and a quit message stays in the queue; natively a stand-in queue
// behind the seam shows when its messages are dispatched.
#include <deque>
#include <functional>
#include <vector>

#include "registry/message_pump.h"
#include "tests/registry/registry_fixture.h"

#ifndef _WIN32
#include "registry/memory_registry.h"
#endif

namespace regtest {
namespace {

using MessagePumpTest = RegistryTest;

#ifdef _WIN32

int dispatched = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) {
    ++dispatched;
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

class WindowPumpTest : public MessagePumpTest {
 protected:
  void SetUp() override {
    MessagePumpTest::SetUp();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MorvaneTestPump";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    dispatched = 0;
  }
  void TearDown() override {
    DestroyWindow(window);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    MessagePumpTest::TearDown();
  }
  HWND window = nullptr;
};

TEST_F(WindowPumpTest, AMessagePostedBeforeAListingIsDispatchedDuringIt) {
  Put("A", "v", REG_SZ, Bytes{'x'});
  Put("B", "v", REG_SZ, Bytes{'x'});
  PostMessageA(window, WM_APP, 0, 0);
  std::vector<Text> names;
  EXPECT_EQ(registry.EnumSubKeys(Path(), names), 2);
  EXPECT_EQ(dispatched, 1);
}

TEST_F(WindowPumpTest, AListingWithoutItemsProcessesNothing) {
  PostMessageA(window, WM_APP, 0, 0);
  std::vector<Text> names;
  std::vector<Bytes> data;
  std::vector<DWORD> types;
  EXPECT_EQ(registry.EnumValues(Path(), names, data, types), 0);
  EXPECT_EQ(dispatched, 0);
  Put("", "v", REG_SZ, Bytes{'x'});
  EXPECT_EQ(registry.EnumValues(Path(), names, data, types), 1);
  EXPECT_EQ(dispatched, 1);
}

TEST_F(WindowPumpTest, AQuitMessageStaysInTheQueue) {
  Put("T\\A\\B", "v", REG_SZ, Bytes{'x'});
  PostMessageA(window, WM_APP, 0, 0);
  PostQuitMessage(7);
  EXPECT_TRUE(registry.DeleteKeyTree(Path("T")));
  EXPECT_EQ(dispatched, 1);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

#else

// A stand-in for the thread's message queue: each hook call dispatches what waits.
class QueuedPumpTest : public MessagePumpTest {
 protected:
  void SetUp() override {
    MessagePumpTest::SetUp();
    SetWaitingMessagesHook([this] {
      ++pumps;
      while (!queue.empty()) {
        auto message = std::move(queue.front());
        queue.pop_front();
        message();
      }
    });
  }
  void TearDown() override {
    SetWaitingMessagesHook(nullptr);
    MessagePumpTest::TearDown();
  }
  std::deque<std::function<void()>> queue;
  int pumps = 0;
};

TEST_F(QueuedPumpTest, AMessagePostedBeforeAListingIsDispatchedAfterItsFirstItem) {
  for (const char* key : {"A", "B", "C"}) Put(key, "v", REG_SZ, Bytes{'x'});
  int items_listed_when_dispatched = -1;
  int handles_open_when_dispatched = -1;
  queue.push_back([&] {
    items_listed_when_dispatched = CountCalls("RegEnumKeyA");
    handles_open_when_dispatched = memreg::OpenHandleCount();
  });
  std::vector<Text> names;
  EXPECT_EQ(registry.EnumSubKeys(Path(), names), 3);
  EXPECT_EQ(items_listed_when_dispatched, 1);
  EXPECT_EQ(handles_open_when_dispatched, 1);  // the listed key, still open
  EXPECT_EQ(pumps, 3);
}

TEST_F(QueuedPumpTest, ValuesAndTreeDeletionsLetTheWindowWorkAfterEachItem) {
  Put("", "a", REG_SZ, Bytes{'x'});
  Put("", std::string(300, 'n'), REG_SZ, Bytes{'x'});
  std::vector<Text> names;
  std::vector<Bytes> data;
  std::vector<DWORD> types;
  EXPECT_EQ(registry.EnumValues(Path(), names, data, types), 2);
  EXPECT_EQ(pumps, 2);
  // A value whose fetch fails is not listed, and the window still works after it.
  pumps = 0;
  memreg::FailCall("RegEnumValueA", 2, ERROR_MORE_DATA);
  EXPECT_EQ(registry.EnumValues(Path(), names, data, types), 1);
  EXPECT_EQ(pumps, 2);
  // A tree of four keys below the one deleted: each is listed once.
  Put("T\\A\\B", "v", REG_SZ, Bytes{'x'});
  Put("T\\C\\D", "v", REG_SZ, Bytes{'x'});
  pumps = 0;
  EXPECT_TRUE(registry.DeleteKeyTree(Path("T")));
  EXPECT_EQ(pumps, 4);
  EXPECT_EQ(registry.DescribeValueType(Path(), "a").empty(), false);
  EXPECT_EQ(pumps, 4);  // a search is not a listing
}

#endif

}  // namespace
}  // namespace regtest
