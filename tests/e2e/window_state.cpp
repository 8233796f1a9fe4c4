// Prints the state of the program's main window as Windows sees it, one
// "name=value" per line: found, iconic, visible, enabled, foreground.
// With "all", also each top-level window of the program's window thread and
// that thread's input state, for the evidence of a failed test.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void print_window(HWND window) {
  wchar_t cls[128] = L"";
  wchar_t title[128] = L"";
  GetClassNameW(window, cls, 128);
  GetWindowTextW(window, title, 128);
  RECT rect{};
  GetWindowRect(window, &rect);
  DWORD_PTR ignored = 0;
  const bool responds = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
  std::printf("window=%p class=%ls title=%ls rect=%ld,%ld,%ld,%ld visible=%d enabled=%d responds=%d\n",
              static_cast<void*>(window), cls, title, rect.left, rect.top, rect.right, rect.bottom,
              IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0, responds ? 1 : 0);
}

BOOL CALLBACK print_each(HWND window, LPARAM) {
  print_window(window);
  return TRUE;
}

void print_thread(HWND main) {
  const DWORD thread = GetWindowThreadProcessId(main, nullptr);
  EnumThreadWindows(thread, &print_each, 0);
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(thread, &info)) return;
  std::printf("thread flags=%#lx active=%p focus=%p capture=%p foreground=%p\n", info.flags,
              static_cast<void*>(info.hwndActive), static_cast<void*>(info.hwndFocus),
              static_cast<void*>(info.hwndCapture), static_cast<void*>(GetForegroundWindow()));
  POINT cursor{};
  GetCursorPos(&cursor);
  std::printf("cursor=%ld,%ld under=%p\n", cursor.x, cursor.y, static_cast<void*>(WindowFromPoint(cursor)));
}

}  // namespace

int main(int argc, char** argv) {
  HWND window = FindWindowW(L"CMainWnd", L"Orvane盒子");
  std::printf("found=%d\n", window != nullptr);
  if (window) {
    std::printf("iconic=%d\nvisible=%d\nenabled=%d\nforeground=%d\n", IsIconic(window) ? 1 : 0,
                IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0,
                GetForegroundWindow() == window ? 1 : 0);
    if (argc > 1 && std::strcmp(argv[1], "all") == 0) print_thread(window);
  }
  return 0;
}
