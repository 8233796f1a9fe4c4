#include "workers/SelfUpdateWorker.h"

#include <windows.h>


#include "support/LogFile.h"
#include "support/PathHelpers.h"
#include "workers/DownloadUrlToFile.h"
#include "workers/Reports.h"

namespace {

const DWORD kPathCapacity = 512;

// The file's length, or -1 when it cannot be read.
LONGLONG FileLength(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

std::wstring ProgramFilePath() {
  wchar_t path[kPathCapacity] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, kPathCapacity);
  if (length == 0 || length >= kPathCapacity) return std::wstring();
  return std::wstring(path, length);
}

std::wstring UpdateDownloadPath(const std::wstring& programPath) {
  const std::wstring folder = TempFolder();
  return folder.empty() ? std::wstring() : folder + FileNameOfPath(programPath);
}

std::wstring SelfReplaceArguments(const std::wstring& programPath) { return L"update '" + programPath + L"'"; }

void SelfUpdateWorker(void* url) {
  const std::string* fileUrl = static_cast<const std::string*>(url);
  std::wstring target;
  try {
    const std::wstring programPath = ProgramFilePath();
    if (!programPath.empty()) target = UpdateDownloadPath(programPath);
    if (fileUrl && !target.empty() && DownloadUrlToFile(*fileUrl, target, true)) {
      // An empty body is no program: starting it would end this one for nothing.
      if (FileLength(target) > 0) {
        ReportUpdateDownloaded(target);
        return;
      }
      LOG_LINE(L"%s is empty", target.c_str());
    }
  } catch (...) {
  }
  // Nothing of an earlier or a failed download may be taken for the update.
  if (!target.empty()) DeleteFileW(target.c_str());
  ReportUpdateFailed();
}
