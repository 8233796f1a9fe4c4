#include "workers/DownloadWorkers.h"

#include <windows.h>

#include <json/value.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "support/Delays.h"
#include "support/DownloadFile.h"
#include "support/FileSystem.h"
#include "support/JsonText.h"
#include "support/LogFile.h"
#include "support/Md5.h"
#include "support/PathHelpers.h"
#include "support/Text.h"
#include "support/WorkerStop.h"
#include "workers/ClientPath.h"
#include "workers/DownloadQueue.h"
#include "workers/DownloadUrlToFile.h"
#include "workers/GameLocator.h"
#include "workers/JsonList.h"
#include "workers/Reports.h"
#include "workers/StartupWorkers.h"

namespace {

const wchar_t kSearching[] = L"查找游戏启动器";
const wchar_t kGameNotFound[] = L"未找到此启动器，无法继续安装";
const wchar_t kListFailed[] = L"文件列表获取失败！";
const wchar_t kFileFailed[] = L"有文件下载失败，你可以等待全部下载结束后再次下载";
const wchar_t kClientFolder[] = L"client\\";
const ULONGLONG kSpeedReportIntervalMs = 100;

// A member as text; a member that has none (an array, an object) is empty.
std::string MemberText(const Json::Value& object, const char* name) {
  std::string text;
  return JsonMemberText(object, name, text) ? text : std::string();
}

std::string FileListUrl() {
  try {
    Json::Value config;
    if (!ParseJsonText(ConfigText(), config)) return std::string();
    return MemberText(config, "filelist_url_prefix") + MemberText(config, "file_url");
  } catch (...) {
    return std::string();
  }
}

std::vector<DownloadItem> ReadFileList(const std::wstring& path) {
  std::vector<DownloadItem> items;
  try {
    Json::Value root;
    std::vector<Json::Value> entries;
    if (!ParseJsonText(ReadWholeFile(path), root) || !JsonListItems(root, entries)) return items;
    for (const Json::Value& entry : entries) items.push_back({MemberText(entry, "file"), MemberText(entry, "md5")});
  } catch (...) {
    items.clear();
  }
  return items;
}

std::wstring StatusText(int remaining) {
  wchar_t text[64] = {};
  swprintf(text, 64, L"正在下载，剩余%d个文件", remaining);
  return text;
}

void ReportFileFailure() {
  if (!g_fileFailureShown.exchange(true)) ReportDownloadFailed(kFileFailed);
}

// A worker's own digest buffer and transfer handle, kept for all its files.
struct WorkerTools {
  CMd5A md5;
  CFileDownloader downloader;
};

// A fetched file must have the listed digest, whatever the case of its hex
// letters; an empty "md5" checks nothing.
bool HasListedDigest(const DownloadItem& item, const std::wstring& local, const std::string& digest) {
  if (item.md5.empty() || ConvertCase(false, item.md5) == digest) return true;
  LOG_LINE(L"%s校验失败，应为%s，实为%s", local.c_str(), AnsiToWide(item.md5).c_str(), AnsiToWide(digest).c_str());
  return false;
}

// Fetches one item; true when the file is current afterwards.
bool FetchItem(const DownloadItem& item, WorkerTools& tools) {
  std::wstring relative = Utf8ToWide(item.file);
  if (!IsSafeClientPath(relative)) {
    LOG_LINE(L"%s文件路径不安全，未下载", relative.c_str());
    return false;
  }
  std::wstring local = GameRoot() + kClientFolder + relative;
  const std::string present = tools.md5.Md5File(local);
  // A check cut short by the stop request says nothing about the file, so
  // it stays as it is.
  if (WorkerStopRequested()) return false;
  if (present == item.md5) return true;
  DeleteFileW(local.c_str());
  size_t folderEnd = local.find_last_of(L"\\/");
  if (!CreateDirectoryTree(local.substr(0, folderEnd))) {
    LOG_LINE(L"%s的文件夹无法创建，未下载", local.c_str());
    return false;
  }
  std::string url = ReplaceAll(g_downloadUrlPrefix + item.file, "\\", "/");
  std::string digest;
  if (!tools.downloader.Fetch(static_cast<int>(GetCurrentThreadId()), url, local, &ReportDownloadSpeed, &digest)) {
    // A transfer ended by the stop request is no fault of the file.
    if (!WorkerStopRequested()) {
      const TransferResult& result = tools.downloader.LastResult();
      LOG_LINE(L"%s下载失败，%s，HTTP状态%ld", local.c_str(), AnsiToWide(result.text).c_str(), result.status);
    }
    return false;
  }
  // A wrong file stays in place: the next run fetches it again.
  return HasListedDigest(item, local, digest);
}

// Every report is a round trip to the window, and the text it shows (the
// speed and the files left) changes no faster than this interval. A zero
// after a reported speed is never held back, so a finished transfer's share
// leaves the sum at once; always reports even so.
void ReportSpeedWhenDue(DWORD threadId, double speed, bool always) {
  thread_local ULONGLONG lastReport = 0;
  thread_local bool lastWasZero = true;
  const bool zero = speed < 1;
  const ULONGLONG tick = GetTickCount64();
  const bool due = lastReport == 0 || tick - lastReport >= kSpeedReportIntervalMs;
  if (!always && !due && !(zero && !lastWasZero)) return;
  lastReport = tick;
  lastWasZero = zero;
  ReportWorkerSpeed(threadId, speed);
}

// Second half of the coordinator, once the game root is known.
void FillDownloadQueue(const std::wstring& root) {
  std::string listUrl = FileListUrl();
  std::wstring listPath = TempFolder() + FileNameOfPath(Utf8ToWide(listUrl));
  listUrl += "?r=" + std::to_string(static_cast<long>(GetTickCount()));
  if (!DownloadUrlToFile(listUrl, listPath, true)) {
    ReportDownloadFailed(kListFailed);
    return;
  }
  ReplaceDownloadQueue(ReadFileList(listPath));
  ReportDownloadStatus(StatusText(PendingDownloadCount()));
  CreateDirectoryTree(root + L"client");
  DeleteTree(root + kClientFolder + L"temp");
  g_fileFailureShown = false;
  ReportFileListReady();
}

}  // namespace

bool ReportDownloadSpeed(int context, int64_t, int64_t, double speed) {
  ReportSpeedWhenDue(static_cast<DWORD>(context), speed, false);
  return true;
}

void LocateAndListWorker(void*) {
  try {
    ReplaceDownloadQueue({});
    ReportDownloadStatus(kSearching);
    std::wstring root = LocateGameRoot();
    if (!FileAccessible(root)) {
      LOG_TEXT(std::wstring());
      ReportDownloadFailed(kGameNotFound);
      return;
    }
    SetGameRoot(root);
    FillDownloadQueue(root);
  } catch (...) {
    ReportDownloadFailed(kListFailed);
  }
}

void DownloadWorker(void*) {
  const DWORD threadId = GetCurrentThreadId();
  WorkerTools tools;
  DownloadItem item;
  while (!WorkerStopRequested() && PopDownloadItem(item)) {
    bool current = false;
    try {
      current = FetchItem(item, tools);
    } catch (...) {
      // Out of memory for a path or a URL: this file fails, the others go on.
    }
    if (WorkerStopRequested()) break;
    // A failed file's transfer leaves the sum too.
    ReportSpeedWhenDue(threadId, 0, false);
    if (!current) ReportFileFailure();
  }
  if (WorkerStopRequested()) return;
  // The files-left count the window shows is brought up to date.
  ReportSpeedWhenDue(threadId, 0, true);
  if (!WorkerPause(Delays().downloadEndPauseMs)) return;
  ReportDownloadWorkerDone(threadId);
}
