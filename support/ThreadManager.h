#pragma once
// Runs each background task on a thread of its own and remembers the thread
// while it runs, so the owning window can end whatever is left at teardown.
#include <windows.h>

#include <map>
#include <set>

#include "support/CriticalSection.h"

typedef void (*WorkerFunction)(void* argument);

class CWindowMultiThreadManager {
 public:
  CWindowMultiThreadManager() = default;
  virtual ~CWindowMultiThreadManager();
  CWindowMultiThreadManager(const CWindowMultiThreadManager&) = delete;
  CWindowMultiThreadManager& operator=(const CWindowMultiThreadManager&) = delete;

  // The id the worker sees as its own; 0 when no thread could be made. The
  // argument is not owned.
  DWORD StartThread(WorkerFunction function, void* argument);
  // Ends every recorded thread at once, without letting it clean up; a
  // thread that has not reached its function yet never runs it.
  void TerminateAll();
  void RemoveThread(DWORD id);

  // How many threads are recorded; for tests and diagnostics.
  size_t RecordedCount();

 private:
  static unsigned __stdcall ThreadEntry(void* manager);
  void RunCurrentThread();
  void EndStartedThread(HANDLE handle);

  // Locks are taken in the order 1, 2, 3 whenever more than one is held.
  CCriticalSection handlesLock_;    // 1
  CCriticalSection functionsLock_;  // 2
  CCriticalSection argumentsLock_;  // 3
  std::map<DWORD, HANDLE> handles_;
  std::map<DWORD, WorkerFunction> functions_;
  std::set<DWORD> started_;  // threads that took their function; lock 2
  std::map<DWORD, void*> arguments_;
};
