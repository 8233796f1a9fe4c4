#include "workers/DownloadQueue.h"

#include <iterator>
#include <utility>

std::deque<DownloadItem> g_downloadQueue;
CCriticalSection g_downloadQueueLock;
std::atomic<bool> g_fileFailureShown{false};

void ReplaceDownloadQueue(std::vector<DownloadItem> items) {
  CAutoLock lock(g_downloadQueueLock);
  g_downloadQueue.assign(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
}

bool PopDownloadItem(DownloadItem& item) {
  CAutoLock lock(g_downloadQueueLock);
  if (g_downloadQueue.empty()) return false;
  item = std::move(g_downloadQueue.front());
  g_downloadQueue.pop_front();
  return true;
}

int PendingDownloadCount() {
  CAutoLock lock(g_downloadQueueLock);
  return static_cast<int>(g_downloadQueue.size());
}
