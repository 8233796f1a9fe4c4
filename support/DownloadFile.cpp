#include "support/DownloadFile.h"

#include <windows.h>

#include <curl/curl.h>
#include <share.h>

#include <cstdio>
#include <memory>

#include "support/FileSystem.h"
#include "support/WorkerStop.h"

namespace {

// Larger reads mean far fewer socket waits per file (each one a round trip
// to the system under Wine); four workers hold 2 MiB in all.
const long kReceiveBufferBytes = 512L * 1024;

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using OpenFile = std::unique_ptr<FILE, FileCloser>;

struct EasyHandleDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleDeleter>;

struct ProgressBridge {
  int context;
  CURL* handle;
  DownloadProgress progress;
};

// Reports a short write as a short count, which makes the library fail the
// transfer instead of leaving a file with a hole.
size_t FileSink(char* data, size_t size, size_t count, void* file) {
  return fwrite(data, 1, size * count, static_cast<FILE*>(file));
}

int ProgressSink(void* record, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  const ProgressBridge* bridge = static_cast<const ProgressBridge*>(record);
  if (WorkerStopRequested()) return 1;
  if (!bridge->progress) return 0;
  curl_off_t speed = 0;
  curl_easy_getinfo(bridge->handle, CURLINFO_SPEED_DOWNLOAD_T, &speed);
  bool goOn = bridge->progress(bridge->context, total, now, static_cast<double>(speed));
  return goOn ? 0 : 1;
}

bool Transfer(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
              long stallSeconds) {
  OpenFile file(_wfsopen(path.c_str(), L"ab+", _SH_DENYNO));
  if (!file) return false;
  EasyHandle handle(curl_easy_init());
  if (!handle) return false;
  CURL* h = handle.get();
  ProgressBridge bridge{context, h, progress};
  bool ready = curl_easy_setopt(h, CURLOPT_URL, url.c_str()) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_HEADER, 0L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &FileSink) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_WRITEDATA, file.get()) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_VERBOSE, 1L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBufferBytes) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, stallSeconds) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &ProgressSink) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_XFERINFODATA, &bridge) == CURLE_OK;
  if (ready && progress) ready = curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L) == CURLE_OK;
  if (!ready || curl_easy_perform(h) != CURLE_OK) return false;
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  // The file must be complete on disk before it counts as downloaded.
  return status >= 200 && status < 400 && fflush(file.get()) == 0;
}

}  // namespace

bool DownloadFile(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
                  long stallSeconds) {
  DeleteFileW(path.c_str());
  if (url.empty()) return false;
  size_t folderEnd = path.find_last_of(L"\\/");
  if (folderEnd != std::wstring::npos) CreateDirectoryTree(path.substr(0, folderEnd));
  if (Transfer(context, url, path, progress, stallSeconds)) return true;
  DeleteFileW(path.c_str());
  return false;
}
