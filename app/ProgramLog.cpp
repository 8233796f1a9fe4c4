#include "app/ProgramLog.h"

#include <windows.h>

#include <string>

#include "support/LogFile.h"

namespace {

const DWORD kTempPathCapacity = 511;
const int kLogLimitKb = 1024;

}  // namespace

void OpenProgramLog() {
  wchar_t folder[kTempPathCapacity] = {};
  const DWORD length = GetTempPathW(kTempPathCapacity, folder);
  const std::wstring path = length > 0 && length < kTempPathCapacity ? std::wstring(folder, length) : std::wstring();
  g_logFile.SetLogFile(path + L"marrowvalelog.txt", kLogLimitKb);
}
