#pragma once
// File downloads for the game files: the body written as it arrives, a
// progress callback that can abort, the digest computed as the bytes are
// written, and never a partial file left behind.
#include <string>

#include "support/CurlTransfer.h"

// One transfer handle reused for file after file, so its connection to the
// file server stays open between them. One per thread.
class CFileDownloader {
 public:
  CFileDownloader();
  ~CFileDownloader();
  CFileDownloader(const CFileDownloader&) = delete;
  CFileDownloader& operator=(const CFileDownloader&) = delete;

  // True when the whole body arrived with a status from 200 to 399 (an
  // empty body makes an empty file). Any other outcome deletes the file.
  // progress may be null. digest, when given, receives the MD5 of the bytes
  // written (empty on failure). A transfer that receives nothing for
  // stallSeconds fails; the program keeps the default, tests shorten it.
  bool Fetch(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
             std::string* digest = nullptr, long stallSeconds = kTransferStallSeconds);
  // How the last Fetch ended: the library's result and the HTTP status.
  const TransferResult& LastResult() const { return transfer_.LastResult(); }

 private:
  CCurlTransfer transfer_;
};

// A single download on a transfer handle of its own.
bool DownloadFile(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
                  long stallSeconds = kTransferStallSeconds);
