#include "support/WorkerStop.h"

namespace {
thread_local const WorkerStopSignal* t_stop = nullptr;
}  // namespace

bool WorkerStopRequested() { return t_stop && t_stop->requested.load(std::memory_order_acquire); }

bool WorkerPause(DWORD milliseconds) {
  if (!t_stop) {
    Sleep(milliseconds);
    return true;
  }
  return WaitForSingleObject(t_stop->event, milliseconds) == WAIT_TIMEOUT;
}

void SetWorkerStopSignal(const WorkerStopSignal* signal) { t_stop = signal; }
