#include "tests/common/TestLog.h"

#include <windows.h>

#include "support/LogFile.h"

CTestLog::CTestLog(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"orvane-log-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  DeleteFileW(path_.c_str());
  g_logFile.SetLogFile(path_, 1024);
}

CTestLog::~CTestLog() { DeleteFileW(path_.c_str()); }

std::vector<std::wstring> CTestLog::Lines() const {
  std::vector<std::wstring> lines;
  HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::wstring text;
  wchar_t chunk[4096];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) text.append(chunk, read / 2);
  CloseHandle(file);
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  size_t start = 0;
  for (size_t end = text.find(L"\r\n"); end != std::wstring::npos; end = text.find(L"\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}
