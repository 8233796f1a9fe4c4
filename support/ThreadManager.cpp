#include "support/ThreadManager.h"

#include <process.h>

#include "support/WorkerStop.h"

namespace {

// How long a thread that is leaving, or one ended by force, gets to be gone.
const DWORD kEndWaitMs = 5000;

bool Advance(std::atomic<int>* phase, int from, int to) {
  return phase && phase->compare_exchange_strong(from, to);
}

DWORD RemainingMs(ULONGLONG deadline) {
  ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

}  // namespace

CWindowMultiThreadManager::CWindowMultiThreadManager(DWORD stopWaitMs)
    : stopWaitMs_(stopWaitMs), stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  stop_.event = stopEvent_.Get();
}

CWindowMultiThreadManager::~CWindowMultiThreadManager() {
  TerminateAll();
  CAutoLock lock1(handlesLock_);
  for (auto& entry : handles_) CloseHandle(entry.second);
  handles_.clear();
}

DWORD CWindowMultiThreadManager::StartThread(WorkerFunction function, void* argument, ArgumentDeleter deleter) {
  const OwnedArgument owned{argument, deleter};
  // Without the stop request a worker could never be asked to end.
  if (!stopEvent_.Valid()) {
    owned.Free();
    return 0;
  }
  unsigned id = 0;
  HANDLE handle = reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, &CWindowMultiThreadManager::ThreadEntry, this, CREATE_SUSPENDED, &id));
  if (!handle) {
    owned.Free();
    return 0;
  }
  {
    CAutoLock lock1(handlesLock_);
    handles_[id] = handle;
    CAutoLock lock2(functionsLock_);
    functions_[id] = function;
    phases_[id].store(kNotStarted);
    CAutoLock lock3(argumentsLock_);
    arguments_[id] = owned;
  }
  if (ResumeThread(handle) == static_cast<DWORD>(-1)) {
    // Still suspended before any of its code ran, so ending it is safe.
    TerminateThread(handle, 0);
    WaitForSingleObject(handle, kEndWaitMs);
    TakeArgument(id).Free();
    RemoveThread(id);
    return 0;
  }
  return id;
}

unsigned __stdcall CWindowMultiThreadManager::ThreadEntry(void* manager) {
  static_cast<CWindowMultiThreadManager*>(manager)->RunCurrentThread();
  return 0;
}

void CWindowMultiThreadManager::RunCurrentThread() {
  DWORD id = GetCurrentThreadId();
  WorkerFunction function = nullptr;
  std::atomic<int>* phase = nullptr;
  void* argument = nullptr;
  {
    CAutoLock lock2(functionsLock_);
    auto found = functions_.find(id);
    if (found != functions_.end()) function = found->second;
    auto record = phases_.find(id);
    if (record != phases_.end()) phase = &record->second;
  }
  {
    CAutoLock lock3(argumentsLock_);
    auto found = arguments_.find(id);
    if (found != arguments_.end()) argument = found->second.value;
  }
  // The thread's own set-up comes before it counts as inside its function:
  // the first use of its thread-local storage allocates under the runtime's
  // locks, and a thread ended by force there would leave them taken for good.
  SetWorkerStopSignal(&stop_);
  if (function && Advance(phase, kNotStarted, kInFunction)) {
    function(argument);
    if (!Advance(phase, kInFunction, kFunctionDone)) {
      // TerminateAll has claimed this thread and is ending it; it also drops
      // the records, so touch nothing more.
      for (;;) Sleep(INFINITE);
    }
  }
  SetWorkerStopSignal(nullptr);
  // Whether the function ran or was skipped, its argument is done with.
  TakeArgument(id).Free();
  RemoveThread(id);
}

CWindowMultiThreadManager::OwnedArgument CWindowMultiThreadManager::TakeArgument(DWORD id) {
  CAutoLock lock3(argumentsLock_);
  auto found = arguments_.find(id);
  if (found == arguments_.end()) return OwnedArgument();
  OwnedArgument owned = found->second;
  arguments_.erase(found);
  return owned;
}

void CWindowMultiThreadManager::RemoveThread(DWORD id) {
  CAutoLock lock1(handlesLock_);
  auto handle = handles_.find(id);
  if (handle != handles_.end()) {
    CloseHandle(handle->second);
    handles_.erase(handle);
  }
  CAutoLock lock2(functionsLock_);
  functions_.erase(id);
  phases_.erase(id);
  CAutoLock lock3(argumentsLock_);
  arguments_.erase(id);
}

void CWindowMultiThreadManager::TerminateAll() {
  stop_.requested.store(true, std::memory_order_release);
  SetEvent(stopEvent_.Get());
  std::vector<Snapshot> threads = SnapshotAndSkipUnstarted();
  ULONGLONG deadline = GetTickCount64() + stopWaitMs_;
  for (const Snapshot& thread : threads) WaitForSingleObject(thread.handle.Get(), RemainingMs(deadline));
  EndByForceIfStillInFunction(threads);
  // Threads in their own bookkeeping need the table locks, released above.
  deadline = GetTickCount64() + kEndWaitMs;
  for (const Snapshot& thread : threads) WaitForSingleObject(thread.handle.Get(), RemainingMs(deadline));
  ResetEvent(stopEvent_.Get());
  stop_.requested.store(false, std::memory_order_release);
}

std::vector<CWindowMultiThreadManager::Snapshot> CWindowMultiThreadManager::SnapshotAndSkipUnstarted() {
  std::vector<Snapshot> threads;
  CAutoLock lock1(handlesLock_);
  CAutoLock lock2(functionsLock_);
  for (auto& entry : handles_) {
    // A thread the system is still starting may hold the loader lock: it is
    // told to skip its function, never ended.
    auto phase = phases_.find(entry.first);
    if (phase != phases_.end()) Advance(&phase->second, kNotStarted, kSkip);
    HANDLE copy = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), entry.second, GetCurrentProcess(), &copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS)) {
      threads.push_back({entry.first, CScopedHandle(copy)});
    }
  }
  return threads;
}

void CWindowMultiThreadManager::EndByForceIfStillInFunction(const std::vector<Snapshot>& threads) {
  CAutoLock lock1(handlesLock_);
  CAutoLock lock2(functionsLock_);
  CAutoLock lock3(argumentsLock_);
  for (const Snapshot& thread : threads) {
    if (WaitForSingleObject(thread.handle.Get(), 0) == WAIT_OBJECT_0) continue;
    auto phase = phases_.find(thread.id);
    if (phase == phases_.end() || !Advance(&phase->second, kInFunction, kBeingEnded)) continue;
    // The last resort, for a worker that ignored the stop request for the
    // whole wait: ending a thread can leave a lock it holds (the heap's, the
    // runtime's, a library's) taken for good. It never holds the table
    // locks here, and once claimed it never touches the records again.
    if (TerminateThread(thread.handle.Get(), 0)) WaitForSingleObject(thread.handle.Get(), kEndWaitMs);
    RemoveThread(thread.id);
  }
}

size_t CWindowMultiThreadManager::RecordedCount() {
  CAutoLock lock1(handlesLock_);
  CAutoLock lock2(functionsLock_);
  CAutoLock lock3(argumentsLock_);
  return handles_.size() + functions_.size() + phases_.size() + arguments_.size();
}
