// Holds the program's single-instance semaphore until its standard input
// closes. Alone, with no window: a program start must not be stopped by it.
// With "--window-after MS" it stands in for a start that is a moment ahead:
// after MS milliseconds it shows a window of the main window's class and
// title, which a later start is to raise instead of opening its own.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/SingleInstance.h"
#include "support/InstanceSemaphore.h"

namespace {

void Say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

void WaitForEndOfInput() {
  while (std::getchar() != EOF) {
  }
}

HWND StandInMainWindow() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"CMainWnd";
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, L"CMainWnd", L"Orvane盒子", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                         windowClass.hInstance, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  CInstanceSemaphore semaphore(kInstanceSemaphoreName);
  Say("holding");
  if (argc < 3 || std::strcmp(argv[1], "--window-after") != 0) {
    WaitForEndOfInput();
    return 0;
  }
  Sleep(static_cast<DWORD>(std::atoi(argv[2])));
  HWND window = StandInMainWindow();
  if (!window) return 1;
  Say("window");
  const DWORD windowThread = GetCurrentThreadId();
  std::thread([windowThread] {
    WaitForEndOfInput();
    PostThreadMessageW(windowThread, WM_QUIT, 0, 0);
  }).detach();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  DestroyWindow(window);
  return 0;
}
