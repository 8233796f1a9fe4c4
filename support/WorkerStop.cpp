#include "support/WorkerStop.h"

namespace {
thread_local HANDLE t_stopEvent = nullptr;
}  // namespace

bool WorkerStopRequested() { return t_stopEvent && WaitForSingleObject(t_stopEvent, 0) == WAIT_OBJECT_0; }

bool WorkerPause(DWORD milliseconds) {
  if (!t_stopEvent) {
    Sleep(milliseconds);
    return true;
  }
  return WaitForSingleObject(t_stopEvent, milliseconds) == WAIT_TIMEOUT;
}

void SetWorkerStopEvent(HANDLE event) { t_stopEvent = event; }
