#pragma once
// A file held open so that, while the hold lasts, no one can write, delete
// or rename it; others may still read it, the loader starting it as a
// program included. What is checked in the file is then what is used.
#include <windows.h>

#include <string>

#include "support/ScopedHandles.h"

// A program file is a few megabytes; anything near this size is no update
// and would not fit a 32-bit program's memory whole.
constexpr LONGLONG kLargestHeldRead = 256LL * 1024 * 1024;

class CHeldFile {
 public:
  // Opens path for reading, shared with readers only. Held() tells whether
  // it worked; a file someone has open for writing or deleting cannot be held.
  explicit CHeldFile(const std::wstring& path);
  CHeldFile(const CHeldFile&) = delete;
  CHeldFile& operator=(const CHeldFile&) = delete;

  bool Held() const { return handle_.Valid(); }
  // The system error of a failed open; 0 when the file was held.
  DWORD OpenError() const { return openError_; }
  // The whole file from its first byte, read through the hold; false, with
  // bytes empty, when nothing is held, a read fails, or the file is larger
  // than kLargestHeldRead.
  bool ReadAll(std::string& bytes);

 private:
  CScopedHandle handle_;
  DWORD openError_ = 0;
};
