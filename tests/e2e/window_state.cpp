// Prints the state of the program's main window as Windows sees it, one
// "name=value" per line: found, iconic, visible, enabled, foreground.
#include <windows.h>

#include <cstdio>

int main() {
  HWND window = FindWindowW(L"CMainWnd", L"Orvane盒子");
  std::printf("found=%d\n", window != nullptr);
  if (window) {
    std::printf("iconic=%d\nvisible=%d\nenabled=%d\nforeground=%d\n", IsIconic(window) ? 1 : 0,
                IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0,
                GetForegroundWindow() == window ? 1 : 0);
  }
  return 0;
}
