#include "support/LogFile.h"

#include "support/ScopedHandles.h"
#include "support/Text.h"

#include <windows.h>

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

CWriteLogFile g_logFile;

namespace {

constexpr size_t kFormatBufferChars = 10240;

// A cap below 1 KiB (0 or negative) leaves only the newest line in the file.
uint64_t CapBytes(int limitKb) { return limitKb > 0 ? static_cast<uint64_t>(limitKb) * 1024 : 0; }

// "[2024-05-01 09:03:07][.\\Unit.cpp 42]": local time, then the caller.
std::wstring LinePrefix(const wchar_t* source, int line) {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t stamp[32] = {};
  swprintf(stamp, 32, L"[%04d-%02d-%02d %02d:%02d:%02d][", now.wYear, now.wMonth, now.wDay, now.wHour,
           now.wMinute, now.wSecond);
  return stamp + std::wstring(source ? source : L"") + L" " + std::to_wstring(line) + L"]";
}

}  // namespace

CWriteLogFile::CWriteLogFile() = default;

CWriteLogFile::~CWriteLogFile() = default;

void CWriteLogFile::SetLogFile(const std::wstring& path, int limitKb) {
  try {
    CAutoLock guard(lock_);
    unsigned long size = LogFileSize(path);
    if (size == 0 || size > CapBytes(limitKb)) DeleteFileW(path.c_str());
    path_ = path;
    limitKb_ = limitKb;
  } catch (...) {
    // The log never fails its caller; without a path, lines are dropped.
  }
}

void CWriteLogFile::WriteLog(const wchar_t* source, int line, const wchar_t* format, ...) {
  wchar_t text[kFormatBufferChars];
  text[0] = L'\0';
  if (format) {
    va_list arguments;
    va_start(arguments, format);
    // The C runtime's own wide formatter, in which "%s" takes a wide
    // string as the callers expect; it leaves a cut text unterminated.
    _vsnwprintf(text, kFormatBufferChars - 1, format, arguments);
    va_end(arguments);
    text[kFormatBufferChars - 1] = L'\0';
  }
  try {
    CAutoLock guard(lock_);
    AppendLine(LinePrefix(source, line) + text);
  } catch (...) {
    // A line that cannot be built is dropped.
  }
}

void CWriteLogFile::WriteLogText(const wchar_t* source, int line, const std::wstring& text) {
  try {
    CAutoLock guard(lock_);
    AppendLine(LinePrefix(source, line) + text);
  } catch (...) {
    // A line that cannot be built is dropped.
  }
}

void CWriteLogFile::WriteLogUtf8(const wchar_t* source, int line, const std::string& text) {
  try {
    WriteLogText(source, line, Utf8ToWide(text));
  } catch (...) {
    // A text that cannot be converted is dropped like a line that cannot be built.
  }
}

unsigned long CWriteLogFile::LogFileSize(const std::wstring& path) {
  CAutoLock guard(lock_);
  CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.Valid()) return 0;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.Get(), &size)) return 0;
  // A file past 4 GiB must still count as over any cap.
  return size.QuadPart > static_cast<LONGLONG>(ULONG_MAX) ? ULONG_MAX : static_cast<unsigned long>(size.QuadPart);
}

// Called under the lock. The size check, the delete and the one write of
// the whole line all happen while the lock is held, so lines never mix and
// the file is never deleted under another thread's line.
void CWriteLogFile::AppendLine(const std::wstring& line) {
  if (path_.empty()) return;
  if (LogFileSize(path_) > CapBytes(limitKb_)) DeleteFileW(path_.c_str());
  CScopedHandle file(CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return;
  const bool newFile = GetLastError() != ERROR_ALREADY_EXISTS;
  // A new file starts with the byte-order mark FF FE.
  std::wstring record = newFile ? std::wstring(1, L'\xFEFF') : std::wstring();
  record += line;
  record += L"\r\n";
  DWORD written = 0;
  WriteFile(file.Get(), record.data(), static_cast<DWORD>(record.size() * sizeof(wchar_t)), &written, nullptr);
}
