#pragma once
// How a worker sees that the window that started it is going away: the
// thread manager asks its workers to stop before it waits for them, and a
// worker ends its transfers and pauses early when asked. A thread the
// manager did not start is never asked.
#include <windows.h>

// True once the current worker's manager has asked its workers to stop.
bool WorkerStopRequested();
// Waits milliseconds, or less when a stop is requested meanwhile; true when
// the whole pause passed.
bool WorkerPause(DWORD milliseconds);
// The manager's stop request (a manual-reset event) for the current thread;
// null for none.
void SetWorkerStopEvent(HANDLE event);
