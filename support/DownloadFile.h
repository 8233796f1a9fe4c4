#pragma once
// A standalone file download for the game files: its own transfer handle,
// one open file for the whole transfer, a progress callback that can abort,
// and never a partial file left behind.
#include <cstdint>
#include <string>

// Receives the caller's context, the bytes announced (0 until known), the
// bytes received so far and the average speed in bytes per second; returns
// false to abort the transfer.
typedef bool (*DownloadProgress)(int context, int64_t total, int64_t now, double speed);

// A transfer that receives nothing for this long is dropped as failed, so a
// server that stops sending cannot hold a download worker forever.
constexpr long kDownloadStallSeconds = 60;

// True when the whole body arrived with a status from 200 to 399. Any other
// outcome deletes the file. progress may be null. stallSeconds stays at its
// default in the program; tests shorten it.
bool DownloadFile(int context, const std::string& url, const std::wstring& path, DownloadProgress progress,
                  long stallSeconds = kDownloadStallSeconds);
