#pragma once
// File downloads for the game files: one open file for the whole transfer,
// a progress callback that can abort, the digest computed as the bytes are
// written, and never a partial file left behind.
#include <cstdint>
#include <memory>
#include <string>

// Receives the caller's context, the bytes announced (0 until known), the
// bytes received so far and the average speed in bytes per second; returns
// false to abort the transfer.
typedef bool (*DownloadProgress)(int context, int64_t total, int64_t now, double speed);

// A transfer that receives nothing for this long is dropped as failed, so a
// server that stops sending cannot hold a download worker forever.
constexpr long kDownloadStallSeconds = 60;

// One transfer handle reused for file after file, so its connection to the
// file server stays open between them. One per thread.
class CFileDownloader {
 public:
  CFileDownloader();
  ~CFileDownloader();
  CFileDownloader(const CFileDownloader&) = delete;
  CFileDownloader& operator=(const CFileDownloader&) = delete;

  // True when the whole body arrived with a status from 200 to 399. Any
  // other outcome deletes the file. progress may be null. digest, when
  // given, receives the MD5 of the bytes written (empty on failure).
  // stallSeconds stays at its default in the program; tests shorten it.
  bool Fetch(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
             std::string* digest = nullptr, long stallSeconds = kDownloadStallSeconds);

 private:
  struct EasyHandleDeleter {
    void operator()(void* handle) const;
  };
  bool Transfer(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
                std::string* digest, long stallSeconds);

  std::unique_ptr<void, EasyHandleDeleter> handle_;
};

// A single download on a transfer handle of its own.
bool DownloadFile(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
                  long stallSeconds = kDownloadStallSeconds);
