#include "support/ThreadManager.h"

#include <atomic>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Slot {
  std::atomic<int> runs{0};
  std::atomic<DWORD> threadId{0};
  std::atomic<int> function{0};
};

void FunctionA(void* argument) {
  Slot* slot = static_cast<Slot*>(argument);
  slot->threadId = GetCurrentThreadId();
  slot->function = 1;
  ++slot->runs;
}

void FunctionB(void* argument) {
  Slot* slot = static_cast<Slot*>(argument);
  slot->threadId = GetCurrentThreadId();
  slot->function = 2;
  ++slot->runs;
}

std::atomic<int> g_nullArguments{0};
void CountNull(void* argument) {
  if (argument == nullptr) ++g_nullArguments;
}

HANDLE g_release = nullptr;
void WaitForRelease(void*) { WaitForSingleObject(g_release, INFINITE); }

// Bounded so a fault fails the test instead of hanging it.
bool WaitUntilEmpty(CWindowMultiThreadManager& manager) {
  for (int i = 0; i < 3000 && manager.RecordedCount() != 0; ++i) Sleep(10);
  return manager.RecordedCount() == 0;
}

}  // namespace

TEST(ThreadManager, QuickWorkerLeavesNoRecord) {
  CWindowMultiThreadManager manager;
  g_nullArguments = 0;
  DWORD id = manager.StartThread(CountNull, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_TRUE(WaitUntilEmpty(manager));
  EXPECT_EQ(g_nullArguments.load(), 1);
}

TEST(ThreadManager, HundredWorkersRunTheirOwnFunctionAndArgument) {
  CWindowMultiThreadManager manager;
  std::vector<Slot> slots(100);
  std::vector<DWORD> ids;
  for (size_t i = 0; i < slots.size(); ++i) {
    ids.push_back(manager.StartThread(i % 2 ? FunctionB : FunctionA, &slots[i]));
  }
  ASSERT_TRUE(WaitUntilEmpty(manager));
  for (size_t i = 0; i < slots.size(); ++i) {
    EXPECT_EQ(slots[i].runs.load(), 1) << i;
    EXPECT_EQ(slots[i].function.load(), i % 2 ? 2 : 1) << i;
    EXPECT_EQ(slots[i].threadId.load(), ids[i]) << i;
  }
}

TEST(ThreadManager, TerminateAllOnEmptyAndTwiceDoesNothing) {
  CWindowMultiThreadManager manager;
  manager.TerminateAll();
  manager.TerminateAll();
  EXPECT_EQ(manager.RecordedCount(), 0u);
}

TEST(ThreadManager, TerminateAllEndsBlockedWorkers) {
  g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  CWindowMultiThreadManager manager;
  for (int i = 0; i < 4; ++i) manager.StartThread(WaitForRelease, nullptr);
  manager.TerminateAll();
  manager.TerminateAll();
  Slot slot;
  manager.StartThread(FunctionA, &slot);
  for (int i = 0; i < 3000 && slot.runs == 0; ++i) Sleep(10);
  EXPECT_EQ(slot.runs.load(), 1);
  SetEvent(g_release);
  CloseHandle(g_release);
}

std::atomic<int> g_waiting{0};
HANDLE g_go = nullptr;
void WaitThenFinish(void* argument) {
  ++g_waiting;
  WaitForSingleObject(g_go, INFINITE);
  ++static_cast<Slot*>(argument)->runs;
}

TEST(ThreadManager, NoDeadlockWhenWorkersFinishDuringTheSweep) {
  for (int round = 0; round < 20; ++round) {
    g_go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_waiting = 0;
    CWindowMultiThreadManager manager;
    std::vector<Slot> slots(8);
    for (auto& slot : slots) manager.StartThread(WaitThenFinish, &slot);
    for (int i = 0; i < 3000 && g_waiting < 8; ++i) Sleep(1);
    ASSERT_EQ(g_waiting.load(), 8);
    SetEvent(g_go);
    manager.TerminateAll();
    // The manager still works afterwards: no table lock was left taken.
    Slot after;
    manager.StartThread(FunctionB, &after);
    for (int i = 0; i < 3000 && after.runs == 0; ++i) Sleep(10);
    ASSERT_EQ(after.runs.load(), 1) << round;
    CloseHandle(g_go);
  }
}

TEST(ThreadManager, TerminateAllRightAfterStartNeverRunsLateFunctions) {
  for (int round = 0; round < 20; ++round) {
    CWindowMultiThreadManager manager;
    std::vector<Slot> slots(8);
    for (auto& slot : slots) manager.StartThread(FunctionA, &slot);
    manager.TerminateAll();
    // Whatever ran, ran before TerminateAll returned.
    std::vector<int> runsAfterSweep;
    for (auto& slot : slots) runsAfterSweep.push_back(slot.runs.load());
    Sleep(20);
    for (size_t i = 0; i < slots.size(); ++i) EXPECT_EQ(slots[i].runs.load(), runsAfterSweep[i]);
  }
}
