#pragma once
// COM on the current thread (apartment-threaded) for as long as the object
// lives: the window thread needs it for OLE, a locator worker for the
// shell's link object.
#include <objbase.h>

class CComApartment {
 public:
  CComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~CComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  CComApartment(const CComApartment&) = delete;
  CComApartment& operator=(const CComApartment&) = delete;

  bool ready() const { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};
