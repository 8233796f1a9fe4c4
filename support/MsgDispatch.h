#pragma once
// The queue through which worker threads (and the account menu) hand calls to
// the window thread: a call is appended under the lock, the window is woken
// with four posted messages, and the window thread runs the calls in order.
#include <windows.h>

#include <deque>

#include "support/CriticalSection.h"

const UINT kCallQueueFirstMessage = WM_USER + 1000;  // 2024
const UINT kCallQueueLastMessage = WM_USER + 1003;   // 2027

inline bool IsCallQueueMessage(UINT message) {
  return message >= kCallQueueFirstMessage && message <= kCallQueueLastMessage;
}

template <class T>
class CMsgDispatch {
 public:
  typedef void (T::*Method)(int intArgument, void* pointerArgument);

  struct QueuedCall {
    Method method = nullptr;
    int intArgument = 0;
    void* pointerArgument = nullptr;
  };

  CMsgDispatch() = default;
  // Calls still queued are dropped; payloads they carry are not freed.
  virtual ~CMsgDispatch() {
    CAutoLock lock(queueLock_);
    queue_.clear();
  }
  CMsgDispatch(const CMsgDispatch&) = delete;
  CMsgDispatch& operator=(const CMsgDispatch&) = delete;

  // Any thread. A failed post leaves the call queued for the next one.
  void post_call(HWND window, Method method, int intArgument, void* pointerArgument) {
    {
      CAutoLock lock(queueLock_);
      queue_.push_back(QueuedCall{method, intArgument, pointerArgument});
    }
    // Posting to no window would land on the calling thread's own queue.
    if (!window) return;
    for (UINT message = kCallQueueFirstMessage; message <= kCallQueueLastMessage; ++message) {
      PostMessageW(window, message, 0, 0);
    }
  }

  // Window thread only. The lock is not held while a call runs, so a call
  // may post further calls or run a nested message loop.
  void dispatch_calls() {
    QueuedCall call;
    while (take_call(call)) (static_cast<T*>(this)->*call.method)(call.intArgument, call.pointerArgument);
  }

  bool take_call(QueuedCall& call) {
    CAutoLock lock(queueLock_);
    if (queue_.empty()) return false;
    call = queue_.front();
    queue_.pop_front();
    return true;
  }

 private:
  CCriticalSection queueLock_;
  std::deque<QueuedCall> queue_;
};
