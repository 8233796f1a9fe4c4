#include "support/DownloadFile.h"

CFileDownloader::CFileDownloader() = default;

CFileDownloader::~CFileDownloader() = default;

bool CFileDownloader::Fetch(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
                            std::string* digest, long stallSeconds) {
  // Every option is set anew for each file; the open connection stays. No
  // total limit: a large file takes as long as it takes while data flows.
  // A handle that cannot be prepared fails the fetch below, which still
  // clears the path.
  transfer_.Prepare({0, 0, stallSeconds});
  TransferRequest request;
  request.url = url;
  FileTarget target;
  target.path = path;
  target.lowestStatus = 200;
  target.highestStatus = 399;
  // A game file may be empty, and must exist all the same.
  target.emptyBodyMakesFile = true;
  target.progress = progress;
  target.context = context;
  target.digest = digest;
  return transfer_.FetchToFile(request, target);
}

bool DownloadFile(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
                  long stallSeconds) {
  return CFileDownloader().Fetch(context, url, path, progress, nullptr, stallSeconds);
}
