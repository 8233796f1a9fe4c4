#pragma once
// A re-entrant lock and its scope guard.
#include <windows.h>

class CCriticalSection {
 public:
  CCriticalSection() { InitializeCriticalSection(&section_); }
  ~CCriticalSection() { DeleteCriticalSection(&section_); }
  CCriticalSection(const CCriticalSection&) = delete;
  CCriticalSection& operator=(const CCriticalSection&) = delete;

  void Lock() { EnterCriticalSection(&section_); }
  void Unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class CAutoLock {
 public:
  explicit CAutoLock(CCriticalSection& lock) : lock_(lock) { lock_.Lock(); }
  ~CAutoLock() { lock_.Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

 private:
  CCriticalSection& lock_;
};
