#include "support/MsgDispatch.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

const UINT kEndNestedLoop = WM_APP + 1;

// A real window on this thread that runs queued calls as the main window does.
class CProbeWindow : public CMsgDispatch<CProbeWindow> {
 public:
  CProbeWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &CProbeWindow::WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OrvaneQueueProbe";
    RegisterClassW(&windowClass);
    hwnd = CreateWindowExW(0, L"OrvaneQueueProbe", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr,
                           nullptr, GetModuleHandleW(nullptr), this);
  }
  ~CProbeWindow() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }

  void Record(int value, void*) {
    EXPECT_EQ(GetCurrentThreadId(), windowThread);
    order.push_back(value);
  }
  void RunNestedLoop(int, void*) {
    insideNested = true;
    std::thread poster([this] {
      post_call(hwnd, &CProbeWindow::RecordWhetherNested, 0, nullptr);
      PostMessageW(hwnd, kEndNestedLoop, 0, 0);
    });
    MSG message;
    while (insideNested && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    poster.join();
    nestedReturned = true;
  }
  void RecordWhetherNested(int, void*) { ranWhileNested = insideNested && !nestedReturned; }

  // Runs every message already posted to this thread.
  static void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

  HWND hwnd = nullptr;
  DWORD windowThread = GetCurrentThreadId();
  std::vector<int> order;
  bool insideNested = false;
  bool nestedReturned = false;
  bool ranWhileNested = false;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto self = reinterpret_cast<CProbeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && IsCallQueueMessage(message)) {
      self->dispatch_calls();
      return 0;
    }
    if (self && message == kEndNestedLoop) {
      self->insideNested = false;
      return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
};

size_t QueuedCount(CProbeWindow& window) {
  std::vector<CProbeWindow::QueuedCall> taken;
  CProbeWindow::QueuedCall call;
  while (window.take_call(call)) taken.push_back(call);
  for (auto& back : taken) window.post_call(nullptr, back.method, back.intArgument, back.pointerArgument);
  return taken.size();
}

}  // namespace

TEST(MsgDispatch, CallsFromTwoWorkersRunOnceEachInAppendOrderOnTheWindowThread) {
  CProbeWindow window;
  const int kPerThread = 500;
  auto poster = [&](int base) {
    for (int i = 0; i < kPerThread; ++i) window.post_call(window.hwnd, &CProbeWindow::Record, base + i, nullptr);
  };
  std::thread first(poster, 0);
  std::thread second(poster, 100000);
  first.join();
  second.join();
  CProbeWindow::Pump();
  ASSERT_EQ(window.order.size(), 2u * kPerThread);
  int lastFirst = -1, lastSecond = 99999;
  for (int value : window.order) {
    int& last = value < 100000 ? lastFirst : lastSecond;
    EXPECT_EQ(value, last + 1);
    last = value;
  }
}

TEST(MsgDispatch, CallPostedDuringANestedLoopRunsBeforeTheLoopEnds) {
  CProbeWindow window;
  window.post_call(window.hwnd, &CProbeWindow::RunNestedLoop, 0, nullptr);
  CProbeWindow::Pump();
  EXPECT_TRUE(window.nestedReturned);
  EXPECT_TRUE(window.ranWhileNested);
}

TEST(MsgDispatch, NeighbouringMessagesDoNotTouchTheQueue) {
  CProbeWindow window;
  window.post_call(nullptr, &CProbeWindow::Record, 7, nullptr);
  for (UINT message = WM_USER + 1004; message <= WM_USER + 1009; ++message) {
    SendMessageW(window.hwnd, message, 0, 0);
  }
  EXPECT_TRUE(window.order.empty());
  EXPECT_EQ(QueuedCount(window), 1u);
  SendMessageW(window.hwnd, kCallQueueFirstMessage, 0, 0);
  EXPECT_EQ(window.order, std::vector<int>{7});
}

TEST(MsgDispatch, PostAfterTheWindowIsGoneNeitherCrashesNorRuns) {
  CProbeWindow window;
  DestroyWindow(window.hwnd);
  window.post_call(window.hwnd, &CProbeWindow::Record, 1, nullptr);
  CProbeWindow::Pump();
  EXPECT_TRUE(window.order.empty());
  EXPECT_EQ(QueuedCount(window), 1u);
}
