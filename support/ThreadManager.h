#pragma once
// Runs each background task on a thread of its own and remembers the thread
// while it runs, so the owning window can end whatever is left at teardown.
#include <windows.h>

#include <atomic>
#include <map>
#include <vector>

#include "support/CriticalSection.h"
#include "support/ScopedHandles.h"
#include "support/WorkerStop.h"

#include <memory>

typedef void (*WorkerFunction)(void* argument);
// Frees a worker's argument.
typedef void (*ArgumentDeleter)(void* argument);

class CWindowMultiThreadManager {
 public:
  // How long TerminateAll waits for workers to end by themselves.
  static constexpr DWORD kDefaultStopWaitMs = 3000;

  explicit CWindowMultiThreadManager(DWORD stopWaitMs = kDefaultStopWaitMs);
  // Ends what still runs (TerminateAll) before the tables go.
  virtual ~CWindowMultiThreadManager();
  CWindowMultiThreadManager(const CWindowMultiThreadManager&) = delete;
  CWindowMultiThreadManager& operator=(const CWindowMultiThreadManager&) = delete;

  // The id the worker sees as its own; 0 when no thread could be made. With
  // a deleter the manager owns the argument from here on: it is freed when
  // the function returns, when the thread is told to skip it, or at once
  // when no thread could be made. Only a worker ended by force keeps it, as
  // it may have died holding the heap's lock. Without one the argument
  // stays the caller's.
  DWORD StartThread(WorkerFunction function, void* argument, ArgumentDeleter deleter = nullptr);
  // Asks every worker to stop (WorkerStopRequested, WorkerPause) and waits
  // for them within the stop wait; a thread not yet in its function never
  // runs it. Only a worker still inside its function after the wait is
  // ended by force. Workers started afterwards run normally.
  void TerminateAll();
  void RemoveThread(DWORD id);

  // How many records the tables hold; for tests and diagnostics.
  size_t RecordedCount();

 private:
  // Where a worker thread is; moved only by compare-and-swap so the thread
  // and TerminateAll agree on who goes on.
  enum Phase : int { kNotStarted, kInFunction, kFunctionDone, kSkip, kBeingEnded };

  struct OwnedArgument {
    void* value = nullptr;
    ArgumentDeleter deleter = nullptr;
    void Free() const {
      if (deleter) deleter(value);
    }
  };

  struct Snapshot {
    DWORD id;
    CScopedHandle handle;  // a duplicate: the record's own may be closed meanwhile
  };

  static unsigned __stdcall ThreadEntry(void* manager);
  void RunCurrentThread();
  // Removes the thread's argument from the records and hands it over.
  OwnedArgument TakeArgument(DWORD id);
  std::vector<Snapshot> SnapshotAndSkipUnstarted();
  void EndByForceIfStillInFunction(const std::vector<Snapshot>& threads);

  const DWORD stopWaitMs_;
  CScopedHandle stopEvent_;
  WorkerStopSignal stop_;
  // Locks are taken in the order 1, 2, 3 whenever more than one is held.
  CCriticalSection handlesLock_;    // 1
  CCriticalSection functionsLock_;  // 2
  CCriticalSection argumentsLock_;  // 3
  std::map<DWORD, HANDLE> handles_;
  std::map<DWORD, WorkerFunction> functions_;
  std::map<DWORD, std::atomic<int>> phases_;  // lock 2
  std::map<DWORD, OwnedArgument> arguments_;
};

// Starts worker on a thread of threads with argument owned by the manager;
// the worker borrows it as an Argument*. 0 when no thread could be made.
template <class Argument>
DWORD start_worker(CWindowMultiThreadManager& threads, WorkerFunction worker, std::unique_ptr<Argument> argument) {
  return threads.StartThread(worker, argument.release(), [](void* value) { delete static_cast<Argument*>(value); });
}
