#pragma once
// The game's install traces that the locator reads (the launcher's
// registration, the desktop shortcuts, the drive letters) are shared by the
// whole test prefix. Test programs that set them up hold this lock, so two
// of them running at once do not find each other's game.
#include <windows.h>

class CGameInstallLock {
 public:
  CGameInstallLock() : mutex_(CreateMutexW(nullptr, FALSE, L"Local\\orvane-test-game-install")) {
    // An owner that died without releasing leaves it abandoned, which still
    // hands it over.
    DWORD result = mutex_ ? WaitForSingleObject(mutex_, kWaitMs) : WAIT_FAILED;
    owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  }
  ~CGameInstallLock() {
    if (owned_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
  }
  CGameInstallLock(const CGameInstallLock&) = delete;
  CGameInstallLock& operator=(const CGameInstallLock&) = delete;

  bool Owned() const { return owned_; }

 private:
  static constexpr DWORD kWaitMs = 300000;

  HANDLE mutex_;
  bool owned_ = false;
};
