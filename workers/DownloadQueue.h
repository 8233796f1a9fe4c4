#pragma once
// The files of the current download run, shared by the coordinator that
// fills the queue and the download workers that empty it.
#include <atomic>
#include <deque>
#include <string>
#include <vector>

#include "support/CriticalSection.h"

// One entry of the file list.
struct DownloadItem {
  std::string file;  // UTF-8 path under the client folder, "/" or "\\" separated; also the URL's tail
  std::string md5;   // expected digest, compared as text with the local file's
};

// Every access holds g_downloadQueueLock; use the functions below.
extern std::deque<DownloadItem> g_downloadQueue;
extern CCriticalSection g_downloadQueueLock;

// Set by the first worker of a run whose file fails, so the user is told once.
extern std::atomic<bool> g_fileFailureShown;

constexpr int kDownloadWorkerCount = 4;

// Replaces the whole queue in one step, so workers of an earlier run that
// are still taking items never see a half-filled list.
void ReplaceDownloadQueue(std::vector<DownloadItem> items);
// Copies the front item out and removes it; false when the queue is empty.
bool PopDownloadItem(DownloadItem& item);
// Items not yet taken by a worker.
int PendingDownloadCount();
