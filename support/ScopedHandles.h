#pragma once
// Small owners for the handles the support code opens, so every path closes them.
#include <windows.h>

#include <utility>

class CScopedRegKey {
 public:
  CScopedRegKey() = default;
  ~CScopedRegKey() { Reset(); }
  CScopedRegKey(const CScopedRegKey&) = delete;
  CScopedRegKey& operator=(const CScopedRegKey&) = delete;

  HKEY* Receive() { Reset(); return &key_; }
  HKEY Get() const { return key_; }
  void Reset() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

class CScopedHandle {
 public:
  CScopedHandle() = default;
  explicit CScopedHandle(HANDLE handle) : handle_(handle) {}
  ~CScopedHandle() { Reset(); }
  CScopedHandle(const CScopedHandle&) = delete;
  CScopedHandle& operator=(const CScopedHandle&) = delete;
  CScopedHandle(CScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  CScopedHandle& operator=(CScopedHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A COM interface pointer released when it goes out of scope.
template <typename T>
class CComPtrOwner {
 public:
  CComPtrOwner() = default;
  ~CComPtrOwner() { if (pointer_) pointer_->Release(); }
  CComPtrOwner(const CComPtrOwner&) = delete;
  CComPtrOwner& operator=(const CComPtrOwner&) = delete;

  T** Receive() { return &pointer_; }
  void** ReceiveVoid() { return reinterpret_cast<void**>(&pointer_); }
  T* operator->() const { return pointer_; }
  T* Get() const { return pointer_; }

 private:
  T* pointer_ = nullptr;
};
