#pragma once
// The single-instance rule: a running main window, found by its class and
// title, is brought to the front instead of opening a second one.

// The semaphore every normal run holds while it runs.
constexpr char kInstanceSemaphoreName[] = "Global\\_ONCE_RUN_lumtrovehub_1_";

// Restores and raises the running main window; false when there is none.
bool RaiseRunningInstance();
