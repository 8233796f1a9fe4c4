#include "support/DownloadFile.h"

#include <windows.h>

#include <curl/curl.h>
#include <share.h>

#include <cstdio>

#include "support/FileSystem.h"
#include "support/Md5.h"
#include "support/WorkerStop.h"

namespace {

// Larger reads mean far fewer socket waits per file (each one a round trip
// to the system under Wine); four workers hold 2 MiB in all.
const long kReceiveBufferBytes = 512L * 1024;

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using FileOwner = std::unique_ptr<FILE, FileCloser>;

struct TransferRecord {
  int context;
  CURL* handle;
  DownloadProgress progress;
  FILE* file;
  CMd5Stream md5;
};

// Reports a short write as a short count, which makes the library fail the
// transfer instead of leaving a file with a hole; only written bytes are
// digested.
size_t FileSink(char* data, size_t size, size_t count, void* record) {
  TransferRecord* transfer = static_cast<TransferRecord*>(record);
  size_t written = fwrite(data, 1, size * count, transfer->file);
  transfer->md5.Update(data, written);
  return written;
}

int ProgressSink(void* record, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  const TransferRecord* transfer = static_cast<const TransferRecord*>(record);
  if (WorkerStopRequested()) return 1;
  if (!transfer->progress) return 0;
  curl_off_t speed = 0;
  curl_easy_getinfo(transfer->handle, CURLINFO_SPEED_DOWNLOAD_T, &speed);
  bool goOn = transfer->progress(transfer->context, total, now, static_cast<double>(speed));
  return goOn ? 0 : 1;
}

bool SetOptions(CURL* h, const std::string& url, TransferRecord& transfer, long stallSeconds) {
  bool ready = curl_easy_setopt(h, CURLOPT_URL, url.c_str()) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_HEADER, 0L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &FileSink) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_VERBOSE, 1L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBufferBytes) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, stallSeconds) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &ProgressSink) == CURLE_OK &&
               curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer) == CURLE_OK;
  if (ready && transfer.progress) ready = curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L) == CURLE_OK;
  return ready;
}

}  // namespace

void CFileDownloader::EasyHandleDeleter::operator()(void* handle) const { curl_easy_cleanup(handle); }

CFileDownloader::CFileDownloader() = default;

CFileDownloader::~CFileDownloader() = default;

bool CFileDownloader::Fetch(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
                            std::string* digest, long stallSeconds) {
  if (digest) digest->clear();
  DeleteFileW(path.c_str());
  if (url.empty()) return false;
  size_t folderEnd = path.find_last_of(L"\\/");
  if (folderEnd != std::wstring::npos) CreateDirectoryTree(path.substr(0, folderEnd));
  if (Transfer(context, url, path, progress, digest, stallSeconds)) return true;
  if (digest) digest->clear();
  DeleteFileW(path.c_str());
  return false;
}

bool CFileDownloader::Transfer(int context, const std::string& url, const std::wstring& path,
                               DownloadProgress progress, std::string* digest, long stallSeconds) {
  FileOwner file(_wfsopen(path.c_str(), L"ab+", _SH_DENYNO));
  if (!file) return false;
  if (handle_) {
    // Keeps the open connection for this file; every option is set anew.
    curl_easy_reset(handle_.get());
  } else {
    handle_.reset(curl_easy_init());
    if (!handle_) return false;
  }
  CURL* h = handle_.get();
  TransferRecord transfer{context, h, progress, file.get(), CMd5Stream()};
  if (!SetOptions(h, url, transfer, stallSeconds) || curl_easy_perform(h) != CURLE_OK) return false;
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  // The file must be complete on disk before it counts as downloaded.
  if (status < 200 || status >= 400 || fflush(file.get()) != 0) return false;
  if (digest) *digest = transfer.md5.Finish();
  return true;
}

bool DownloadFile(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
                  long stallSeconds) {
  return CFileDownloader().Fetch(context, url, path, progress, nullptr, stallSeconds);
}
