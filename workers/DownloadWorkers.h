#pragma once
// The game download: the coordinator that finds the game and fills the
// download queue from the service's file list, and the workers that bring
// every missing or different file into the game's "client\\" folder.
#include <cstdint>

// Worker function; the argument is unused. Reports to the main window:
// on_download_status with the search text and then the number of files,
// on_download_failed when the game or the list cannot be had, otherwise
// start_download_workers once the queue is ready.
void LocateAndListWorker(void* unused);

// Worker function, kDownloadWorkerCount of them at once; the argument is
// unused. Takes items until the queue is empty, downloads each file whose
// local digest differs over one connection kept for all its files, checks
// the fetched file against the listed digest (a mismatch is a failed file,
// logged with both digests), reports on_download_speed (speed 0 once a
// file is done; at most ten reports a second, a zero after a speed and the
// last one always) and on_download_failed for the first failed file of a
// run, and finally on_download_worker_done with its thread id. A list entry that
// IsSafeClientPath refuses (it would leave the client folder, open a device
// or be stored under another name) is never fetched or written: it is
// logged and counts as a failed file.
void DownloadWorker(void* unused);

// Progress callback of a worker's transfer: queues on_download_speed with the
// worker's thread id (context) and the average speed, at most about ten
// times a second (the worker's own report after each file is not limited);
// never aborts.
bool ReportDownloadSpeed(int context, int64_t total, int64_t now, double speed);
