#include "support/ThreadManager.h"

#include <process.h>

#include <vector>

namespace {
const DWORD kEndWaitMs = 5000;
}  // namespace

CWindowMultiThreadManager::~CWindowMultiThreadManager() {
  CAutoLock lock1(handlesLock_);
  for (auto& entry : handles_) CloseHandle(entry.second);
  handles_.clear();
}

DWORD CWindowMultiThreadManager::StartThread(WorkerFunction function, void* argument) {
  unsigned id = 0;
  HANDLE handle = reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, &CWindowMultiThreadManager::ThreadEntry, this, CREATE_SUSPENDED, &id));
  if (!handle) return 0;
  {
    CAutoLock lock1(handlesLock_);
    handles_[id] = handle;
    CAutoLock lock2(functionsLock_);
    functions_[id] = function;
    CAutoLock lock3(argumentsLock_);
    arguments_[id] = argument;
  }
  ResumeThread(handle);
  return id;
}

unsigned __stdcall CWindowMultiThreadManager::ThreadEntry(void* manager) {
  static_cast<CWindowMultiThreadManager*>(manager)->RunCurrentThread();
  return 0;
}

void CWindowMultiThreadManager::RunCurrentThread() {
  DWORD id = GetCurrentThreadId();
  WorkerFunction function = nullptr;
  void* argument = nullptr;
  {
    CAutoLock lock2(functionsLock_);
    auto found = functions_.find(id);
    if (found != functions_.end()) {
      function = found->second;
      started_.insert(id);
    }
  }
  {
    CAutoLock lock3(argumentsLock_);
    auto found = arguments_.find(id);
    if (found != arguments_.end()) argument = found->second;
  }
  if (function) function(argument);
  RemoveThread(id);
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
  started_.erase(id);
  CAutoLock lock3(argumentsLock_);
  arguments_.erase(id);
}

void CWindowMultiThreadManager::TerminateAll() {
  std::vector<HANDLE> notStarted;
  {
    // All three locks are held for the sweep: a thread ended while it held a
    // table lock would leave that lock taken for good.
    CAutoLock lock1(handlesLock_);
    CAutoLock lock2(functionsLock_);
    CAutoLock lock3(argumentsLock_);
    for (auto& entry : handles_) {
      if (started_.count(entry.first)) {
        EndStartedThread(entry.second);
      } else {
        // Still being set up by the system (maybe holding the loader lock):
        // ending it there could hang the process's exit, so it is told to
        // skip its function instead.
        functions_.erase(entry.first);
        notStarted.push_back(entry.second);
      }
    }
    handles_.clear();
  }
  for (HANDLE handle : notStarted) {
    WaitForSingleObject(handle, kEndWaitMs);
    CloseHandle(handle);
  }
}

void CWindowMultiThreadManager::EndStartedThread(HANDLE handle) {
  // Ending a thread is asynchronous: wait (bounded) until it is really gone,
  // so none runs on into the manager or its arguments after this returns.
  if (TerminateThread(handle, 0)) WaitForSingleObject(handle, kEndWaitMs);
  CloseHandle(handle);
}

size_t CWindowMultiThreadManager::RecordedCount() {
  CAutoLock lock1(handlesLock_);
  CAutoLock lock2(functionsLock_);
  CAutoLock lock3(argumentsLock_);
  return handles_.size() + functions_.size() + arguments_.size();
}
