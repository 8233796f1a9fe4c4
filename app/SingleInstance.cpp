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

bool AwaitAndRaiseRunningInstance(DWORD waitMs, DWORD pollMs) {
  const ULONGLONG deadline = GetTickCount64() + waitMs;
  for (;;) {
    if (RaiseRunningInstance()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(pollMs);
  }
}
