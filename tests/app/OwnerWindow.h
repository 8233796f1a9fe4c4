#pragma once
// A main-window stand-in for the tests of the program's small windows: a
// real popup showing main.xml (so the skins' shared fonts exist), which runs
// queued calls like the program's main window does. A test hands it an
// action that then runs on the window thread inside another window's modal
// loop, and moves the real pointer with the system's input queue.
#include <windows.h>

#include <functional>
#include <utility>

#include "support/MsgDispatch.h"
#include "tests/ui/TestSkinWindow.h"
#include "ui/NativeWindow.h"
#include "ui/SkinBuilder.h"
#include "ui/WindowManagerUI.h"

class OwnerWindow : public ui::CNativeWindow, public CMsgDispatch<OwnerWindow> {
 public:
  ~OwnerWindow() override {
    if (hwnd()) ::DestroyWindow(hwnd());
  }

  bool open(int left = 200, int top = 150) {
    if (!create(nullptr, L"Orvane owner", WS_POPUP | WS_CLIPCHILDREN, 0, left, top, 390, 480)) return false;
    manager.bind_window(hwnd());
    ui::CSkinBuilder builder;
    ui::CControlUI* root = builder.build(L"main.xml", nullptr, &manager);
    if (!root) return false;
    manager.attach_root(root);
    ::ShowWindow(hwnd(), SW_SHOW);
    ::SetForegroundWindow(hwnd());
    ::UpdateWindow(hwnd());
    TestSkinWindow::pump();
    return true;
  }

  // Runs fn on the window thread as soon as a modal loop handles messages.
  void call_while_open(std::function<void()> fn) {
    action = std::move(fn);
    post_call(hwnd(), &OwnerWindow::run_action, 0, nullptr);
  }

  void run_action(int, void*) {
    if (action) action();
  }

  ui::CWindowManagerUI manager;
  std::function<void()> action;

 protected:
  const wchar_t* window_class_name() const override { return L"OrvaneOwnerTest"; }
  LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override {
    if (IsCallQueueMessage(msg)) {
      dispatch_calls();
      return 0;
    }
    LRESULT result = 0;
    if (manager.handle_window_message(msg, wparam, lparam, result)) return result;
    return ui::CNativeWindow::handle_message(msg, wparam, lparam);
  }
};

inline POINT ScreenCentreOf(HWND hwnd, const RECT& r) {
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ::ClientToScreen(hwnd, &p);
  return p;
}

// Moves the pointer to a screen point through the input queue, together
// with a button event, so they arrive in order.
inline void SendMouseAt(POINT screen, DWORD buttons) {
  const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = (screen.x * 65536 + width - 1) / width;
  input.mi.dy = (screen.y * 65536 + height - 1) / height;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  ::SendInput(1, &input, sizeof(input));
}

inline void ClickAt(POINT screen) {
  SendMouseAt(screen, MOUSEEVENTF_LEFTDOWN);
  SendMouseAt(screen, MOUSEEVENTF_LEFTUP);
}
