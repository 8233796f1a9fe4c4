#pragma once
// The single-instance rule: a running main window, found by its class and
// title, is brought to the front instead of opening a second one.
#include <windows.h>

// The semaphore every normal run holds while it runs.
constexpr char kInstanceSemaphoreName[] = "Global\\_ONCE_RUN_lumtrovehub_1_";

// Restores and raises the running main window; false when there is none.
bool RaiseRunningInstance();

// For a start that found the semaphore held but no window: another start
// may be a moment ahead and not have shown its window yet. Polls for that
// window for up to waitMs and raises it; false when none appeared, and the
// start goes on (a held semaphore alone never stops one).
constexpr DWORD kOtherInstanceWaitMs = 5000;
bool AwaitAndRaiseRunningInstance(DWORD waitMs = kOtherInstanceWaitMs, DWORD pollMs = 100);
