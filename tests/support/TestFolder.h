#pragma once
// A fresh folder under the temporary folder for one test, removed afterwards.
#include <windows.h>

#include <string>

#include "support/FileSystem.h"

class CTestFolder {
 public:
  explicit CTestFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"orvane-test-" + name + L"-" + std::to_wstring(GetCurrentProcessId());
    DeleteTree(path_);
    CreateDirectoryTree(path_);
  }
  ~CTestFolder() { DeleteTree(path_); }
  CTestFolder(const CTestFolder&) = delete;
  CTestFolder& operator=(const CTestFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& child) const { return path_ + L"\\" + child; }

 private:
  std::wstring path_;
};

inline void WriteTestFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}
