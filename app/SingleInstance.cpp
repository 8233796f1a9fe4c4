#include "app/SingleInstance.h"

#include <windows.h>

bool RaiseRunningInstance() {
  HWND running = FindWindowW(L"CMainWnd", L"Orvane盒子");
  if (!running) return false;
  ShowWindow(running, SW_RESTORE);
  // Topmost and at once back: this raises it without moving or sizing it.
  const UINT keep = SWP_NOMOVE | SWP_NOSIZE;
  SetWindowPos(running, HWND_TOPMOST, 0, 0, 0, 0, keep);
  SetWindowPos(running, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
  return true;
}
