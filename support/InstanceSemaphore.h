#pragma once
// The named semaphore behind the single-instance rule. Created with an empty
// access list so a second instance under another account can open it too.
#include <windows.h>

#include <string>

#include "support/ScopedHandles.h"

class CInstanceSemaphore {
 public:
  explicit CInstanceSemaphore(const std::string& name);
  virtual ~CInstanceSemaphore() = default;
  CInstanceSemaphore(const CInstanceSemaphore&) = delete;
  CInstanceSemaphore& operator=(const CInstanceSemaphore&) = delete;

  bool AlreadyExists() const { return lastError_ == ERROR_ALREADY_EXISTS; }
  void Close() { handle_.Reset(); }

 private:
  DWORD lastError_ = 0;
  CScopedHandle handle_;
};
