#include "app/SelfReplace.h"

#include <shellapi.h>

#include "app/ProgramLog.h"
#include "support/LogFile.h"
#include "support/PathHelpers.h"
#include "workers/SelfUpdateWorker.h"

namespace {

// The old program closes its window right after starting this run.
const DWORD kFirstWaitMs = 500;
const DWORD kRetryPauseMs = 250;
const DWORD kCopyBudgetMs = 5000;

// Errors of a file that another process still holds open.
bool IsInUse(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_USER_MAPPED_FILE;
}

// This run writes no log unless a copy fails; the log is opened for that.
void LogFailedCopy(const std::wstring& target, DWORD error, DWORD elapsedMs) {
  static bool opened = false;
  if (!opened) {
    OpenProgramLog();
    opened = true;
  }
  LOG_LINE(L"CopyFile %s failed: %lu after %lu ms", target.c_str(), error, elapsedMs);
}

}  // namespace

bool IsSelfReplaceRun(const std::wstring& arguments) { return arguments.find(L"update") != std::wstring::npos; }

bool SelfReplaceTarget(const std::wstring& arguments, std::wstring& target) {
  const size_t first = arguments.find(L'\'');
  const size_t last = arguments.rfind(L'\'');
  if (first == std::wstring::npos || last == first) return false;
  target = arguments.substr(first + 1, last - first - 1);
  return true;
}

bool IsReplaceableTarget(const std::wstring& ownPath, const std::wstring& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  return CompareStringOrdinal(FileNameOfPath(ownPath).c_str(), -1, FileNameOfPath(target).c_str(), -1, TRUE) ==
         CSTR_EQUAL;
}

bool CopyOverRunningProgram(const std::wstring& source, const std::wstring& target, DWORD budgetMs,
                            CopyFailureReport report) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (CopyFileW(source.c_str(), target.c_str(), FALSE)) return true;
    const DWORD error = GetLastError();
    const DWORD elapsed = GetTickCount() - start;
    report(target, error, elapsed);
    if (!IsInUse(error) || elapsed >= budgetMs) return false;
    Sleep(kRetryPauseMs);
  }
}

void RunSelfReplace(const std::wstring& arguments) {
  std::wstring target;
  if (!SelfReplaceTarget(arguments, target)) return;
  const std::wstring ownPath = ProgramFilePath();
  if (ownPath.empty() || !IsReplaceableTarget(ownPath, target)) return;
  Sleep(kFirstWaitMs);
  // Even a copy that never succeeded starts the program there, so the user
  // is not left without one; the log tells why it is still the old version.
  CopyOverRunningProgram(ownPath, target, kCopyBudgetMs, &LogFailedCopy);
  ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
