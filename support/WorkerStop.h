#pragma once
// How a worker sees that the window that started it is going away: the
// thread manager asks its workers to stop before it waits for them, and a
// worker ends its transfers and pauses early when asked. A thread the
// manager did not start is never asked.
#include <windows.h>

#include <atomic>

// The manager's stop request: a manual-reset event a worker can wait on,
// and a flag raised with it that a worker can read without a system call.
// Workers look at it between every piece of work, and under Wine even a
// wait that does not block is a round trip to the Wine server.
struct WorkerStopSignal {
  HANDLE event = nullptr;
  std::atomic<bool> requested{false};
};

// True once the current worker's manager has asked its workers to stop.
bool WorkerStopRequested();
// Waits milliseconds, or less when a stop is requested meanwhile; true when
// the whole pause passed.
bool WorkerPause(DWORD milliseconds);
// The stop request the current thread answers to; null for none.
void SetWorkerStopSignal(const WorkerStopSignal* signal);
