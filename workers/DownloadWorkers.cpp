#include "workers/DownloadWorkers.h"

#include <windows.h>

#include <json/reader.h>
#include <json/value.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/MainWnd.h"
#include "support/DownloadFile.h"
#include "support/FileSystem.h"
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
#include "workers/MainWndCalls.h"
#include "workers/StartupWorkers.h"

namespace {

const wchar_t kSearching[] = L"查找游戏启动器";
const wchar_t kGameNotFound[] = L"未找到此启动器，无法继续安装";
const wchar_t kListFailed[] = L"文件列表获取失败！";
const wchar_t kFileFailed[] = L"有文件下载失败，你可以等待全部下载结束后再次下载";
const wchar_t kClientFolder[] = L"client\\";
const unsigned long kEndPauseMs = 1000;
const ULONGLONG kSpeedReportIntervalMs = 100;

// Calls that carry a number rather than an owned payload.
void QueueNumbers(CMainWnd::Method method, DWORD threadId, void* value) noexcept {
  try {
    if (g_mainWnd) g_mainWnd->post_call(g_mainWnd->native_handle(), method, static_cast<int>(threadId), value);
  } catch (...) {
  }
}

void QueueSpeed(DWORD threadId, double bytesPerSecond) {
  double clamped = bytesPerSecond < 0 ? 0 : bytesPerSecond > UINT32_MAX ? UINT32_MAX : bytesPerSecond;
  uintptr_t value = static_cast<uint32_t>(clamped);
  QueueNumbers(&CMainWnd::on_download_speed, threadId, reinterpret_cast<void*>(value));
}

std::unique_ptr<Json::Value> ParseJson(const std::string& text) {
  std::unique_ptr<Json::Value> root(new Json::Value);
  std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  if (!reader->parse(text.data(), text.data() + text.size(), root.get(), nullptr)) root.reset();
  return root;
}

// A member as text; absent members and values that have no text form
// (arrays, objects) give an empty text.
std::string MemberText(const Json::Value& object, const char* name) {
  if (!object.isObject()) return std::string();
  const Json::Value& value = object[name];
  return value.isConvertibleTo(Json::stringValue) ? value.asString() : std::string();
}

std::string FileListUrl() {
  try {
    std::unique_ptr<Json::Value> config = ParseJson(ConfigText());
    if (!config) return std::string();
    return MemberText(*config, "filelist_url_prefix") + MemberText(*config, "file_url");
  } catch (...) {
    return std::string();
  }
}

std::vector<DownloadItem> ReadFileList(const std::wstring& path) {
  std::vector<DownloadItem> items;
  try {
    std::unique_ptr<Json::Value> root = ParseJson(ReadWholeFile(path));
    std::vector<Json::Value> entries;
    if (!root || !JsonListItems(*root, entries)) return items;
    for (const Json::Value& entry : entries) items.push_back({MemberText(entry, "file"), MemberText(entry, "md5")});
  } catch (...) {
    items.clear();
  }
  return items;
}

std::wstring TempFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, path);
  return length && length <= MAX_PATH ? std::wstring(path, length) : std::wstring();
}

std::wstring StatusText(int remaining) {
  wchar_t text[64] = {};
  swprintf(text, 64, L"正在下载，剩余%d个文件", remaining);
  return text;
}

void ReportFileFailure() {
  if (!g_fileFailureShown.exchange(true)) QueueMainWndText(&CMainWnd::on_download_failed, std::wstring(kFileFailed));
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
  if (tools.md5.Md5File(local) == item.md5) return true;
  DeleteFileW(local.c_str());
  size_t folderEnd = local.find_last_of(L"\\/");
  if (!CreateDirectoryTree(local.substr(0, folderEnd))) return false;
  std::string url = ReplaceAll(g_downloadUrlPrefix + item.file, "\\", "/");
  std::string digest;
  if (!tools.downloader.Fetch(static_cast<int>(GetCurrentThreadId()), url, local, &ReportDownloadSpeed, &digest)) {
    return false;
  }
  // A wrong file stays in place: the next run fetches it again.
  return HasListedDigest(item, local, digest);
}

// Every report is a round trip to the window, and the text it shows (the
// speed and the files left) changes no faster than this interval. A zero
// after a reported speed is never held back, so a finished transfer's share
// leaves the sum at once; always reports even so.
void ReportWorkerSpeed(DWORD threadId, double speed, bool always) {
  thread_local ULONGLONG lastReport = 0;
  thread_local bool lastWasZero = true;
  const bool zero = speed < 1;
  const ULONGLONG tick = GetTickCount64();
  const bool due = lastReport == 0 || tick - lastReport >= kSpeedReportIntervalMs;
  if (!always && !due && !(zero && !lastWasZero)) return;
  lastReport = tick;
  lastWasZero = zero;
  QueueSpeed(threadId, speed);
}

// Second half of the coordinator, once the game root is known.
void FillDownloadQueue(const std::wstring& root) {
  std::string listUrl = FileListUrl();
  std::wstring listPath = TempFolder() + FileNameOfPath(Utf8ToWide(listUrl));
  listUrl += "?r=" + std::to_string(static_cast<long>(GetTickCount()));
  if (!DownloadUrlToFile(listUrl, listPath, true)) {
    QueueMainWndText(&CMainWnd::on_download_failed, std::wstring(kListFailed));
    return;
  }
  ReplaceDownloadQueue(ReadFileList(listPath));
  QueueMainWndText(&CMainWnd::on_download_status, StatusText(PendingDownloadCount()));
  CreateDirectoryTree(root + L"client");
  DeleteTree(root + kClientFolder + L"temp");
  g_fileFailureShown = false;
  QueueMainWndCall(&CMainWnd::start_download_workers);
}

}  // namespace

bool ReportDownloadSpeed(int context, int64_t, int64_t, double speed) {
  ReportWorkerSpeed(static_cast<DWORD>(context), speed, false);
  return true;
}

void LocateAndListWorker(void*) {
  try {
    ReplaceDownloadQueue({});
    QueueMainWndText(&CMainWnd::on_download_status, std::wstring(kSearching));
    std::wstring root = LocateGameRoot();
    if (!FileAccessible(root)) {
      LOG_TEXT(std::wstring());
      QueueMainWndText(&CMainWnd::on_download_failed, std::wstring(kGameNotFound));
      return;
    }
    SetGameRoot(root);
    FillDownloadQueue(root);
  } catch (...) {
    QueueMainWndText(&CMainWnd::on_download_failed, std::wstring(kListFailed));
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
    ReportWorkerSpeed(threadId, 0, false);
    if (!current) ReportFileFailure();
  }
  if (WorkerStopRequested()) return;
  // The files-left count the window shows is brought up to date.
  ReportWorkerSpeed(threadId, 0, true);
  if (!WorkerPause(kEndPauseMs)) return;
  QueueNumbers(&CMainWnd::on_download_worker_done, threadId, &g_gameRoot);
}
