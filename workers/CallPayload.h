#pragma once
// The payloads of the main window's queued calls: each method carries one
// kind, fixed here, as a heap object its method takes over.
#include <memory>
#include <string>

#include "workers/MainWndCalls.h"

enum class PayloadKind {
  kNone,        // the pointer is null
  kWideText,    // std::wstring
  kNarrowText,  // std::string
  kSpeed,       // double, bytes per second
};

PayloadKind PayloadKindOf(IMainWndCalls::Method method);

// Takes over a payload of type T; null stays null.
template <class T>
std::unique_ptr<T> TakePayload(void* payload) {
  return std::unique_ptr<T>(static_cast<T*>(payload));
}

// Takes over a wide-text payload; none reads as empty.
std::wstring TakeWideText(void* payload);

// Frees the payload of a call that will never run.
void FreePayload(const IMainWndCalls::QueuedCall& call);
// Empties the queue without running the calls, freeing their payloads.
void DropQueuedCalls(IMainWndCalls& window);
