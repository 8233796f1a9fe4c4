#include "support/ThreadManager.h"

#include <atomic>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "support/DownloadFile.h"
#include "support/FileSystem.h"
#include "support/HttpClient.h"
#include "support/WorkerStop.h"
#include "tests/common/DemoService.h"
#include "tests/support/TestFolder.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

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
std::atomic<int> g_entered{0};
std::atomic<int> g_released{0};
void WaitForRelease(void*) {
  ++g_entered;
  WaitForSingleObject(g_release, INFINITE);
  ++g_released;
}

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

// The last resort: workers that ignore the stop request are ended once the
// wait is over, and their records go with them.
TEST(ThreadManager, TerminateAllEndsWorkersThatIgnoreTheStop) {
  g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  CWindowMultiThreadManager manager(200);
  g_entered = 0;
  for (int i = 0; i < 4; ++i) manager.StartThread(WaitForRelease, nullptr);
  for (int i = 0; i < 3000 && g_entered < 4; ++i) Sleep(1);
  ASSERT_EQ(g_entered.load(), 4);
  manager.TerminateAll();
  EXPECT_EQ(manager.RecordedCount(), 0u);
  manager.TerminateAll();
  Slot slot;
  manager.StartThread(FunctionA, &slot);
  for (int i = 0; i < 3000 && slot.runs == 0; ++i) Sleep(10);
  EXPECT_EQ(slot.runs.load(), 1);
  // Ended threads are really gone: none wakes up when released.
  g_released = 0;
  SetEvent(g_release);
  Sleep(100);
  EXPECT_EQ(g_released.load(), 0);
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
  for (int round = 0; round < 1000; ++round) {
    g_go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_waiting = 0;
    CWindowMultiThreadManager manager;
    std::vector<Slot> slots(8);
    for (auto& slot : slots) manager.StartThread(WaitThenFinish, &slot);
    for (int i = 0; i < 3000 && g_waiting < 8; ++i) Sleep(1);
    ASSERT_EQ(g_waiting.load(), 8);
    SetEvent(g_go);
    manager.TerminateAll();
    ASSERT_EQ(manager.RecordedCount(), 0u) << round;
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
    // Whatever ran, ran before TerminateAll returned: a late run would come
    // before its thread's records go.
    std::vector<int> runsAfterSweep;
    for (auto& slot : slots) runsAfterSweep.push_back(slot.runs.load());
    ASSERT_TRUE(WaitUntilEmpty(manager));
    for (size_t i = 0; i < slots.size(); ++i) EXPECT_EQ(slots[i].runs.load(), runsAfterSweep[i]);
  }
}

void SleepIgnoringTheStop(void* argument) { Sleep(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(argument))); }

// Workers that finish right around the end of the wait race TerminateAll's
// decision to end them: each is either left to finish or ended, never both,
// and nothing hangs or stays recorded.
TEST(ThreadManager, WorkersFinishingAtTheEndOfTheWaitNeverHang) {
  for (int round = 0; round < 300; ++round) {
    CWindowMultiThreadManager manager(4);
    for (UINT_PTR i = 0; i < 6; ++i) manager.StartThread(SleepIgnoringTheStop, reinterpret_cast<void*>((round + i) % 9));
    manager.TerminateAll();
    ASSERT_EQ(manager.RecordedCount(), 0u) << round;
    Slot after;
    manager.StartThread(FunctionA, &after);
    for (int i = 0; i < 3000 && after.runs == 0; ++i) Sleep(1);
    ASSERT_EQ(after.runs.load(), 1) << round;
  }
}

std::atomic<int> g_pausesCut{0};
std::atomic<int> g_pausing{0};
void PauseUntilStopped(void* argument) {
  ++g_pausing;
  while (WorkerPause(60000)) {
  }
  ++g_pausesCut;
  ++static_cast<Slot*>(argument)->runs;
}

// Cooperative workers return from their function by themselves: nothing is
// ended by force, and every record is gone afterwards.
TEST(ThreadManager, StopRequestEndsPausesAndTheManagerWorksAfterwards) {
  g_pausesCut = 0;
  g_pausing = 0;
  CWindowMultiThreadManager manager(60000);
  std::vector<Slot> slots(6);
  for (auto& slot : slots) manager.StartThread(PauseUntilStopped, &slot);
  for (int i = 0; i < 3000 && g_pausing < 6; ++i) Sleep(1);
  ASSERT_EQ(g_pausing.load(), 6);
  manager.TerminateAll();
  EXPECT_EQ(g_pausesCut.load(), 6);
  EXPECT_EQ(manager.RecordedCount(), 0u);
  EXPECT_FALSE(WorkerStopRequested());

  // A worker started after the sweep is not asked to stop.
  Slot after;
  manager.StartThread(PauseUntilStopped, &after);
  for (int i = 0; i < 3000 && g_pausing < 7; ++i) Sleep(1);
  ASSERT_EQ(g_pausing.load(), 7);
  Sleep(200);
  EXPECT_EQ(after.runs.load(), 0);
  manager.TerminateAll();
  EXPECT_EQ(after.runs.load(), 1);
}

// An argument handed over with start_worker: it counts being freed, and
// being freed while its worker still uses it.
std::atomic<int> g_freedWhileInUse{0};
struct OwnedArgument {
  explicit OwnedArgument(std::atomic<int>& freed) : freed_(freed) {}
  ~OwnedArgument() {
    if (inUse) ++g_freedWhileInUse;
    ++freed_;
  }
  std::atomic<int>& freed_;
  std::atomic<bool> inUse{false};
};

void UseArgument(void* argument) {
  OwnedArgument* owned = static_cast<OwnedArgument*>(argument);
  owned->inUse = true;
  Sleep(2);
  owned->inUse = false;
}

// From StartThread on the manager owns the argument: freed once after the
// function, or once when the thread skips it at shutdown, never while in use.
TEST(ThreadManager, OwnedArgumentsAreFreedOnceWhetherTheFunctionRanOrWasSkipped) {
  for (int round = 0; round < 50; ++round) {
    std::atomic<int> freed{0};
    {
      CWindowMultiThreadManager manager;
      for (int i = 0; i < 8; ++i) {
        ASSERT_NE(start_worker(manager, UseArgument, std::make_unique<OwnedArgument>(freed)), 0u);
      }
      // Every other round ends the workers at once, so some never run.
      if (round % 2) manager.TerminateAll();
      ASSERT_TRUE(WaitUntilEmpty(manager)) << round;
      ASSERT_EQ(freed.load(), 8) << round;
    }
    EXPECT_EQ(freed.load(), 8) << round;
  }
  EXPECT_EQ(g_freedWhileInUse.load(), 0);
}

TEST(ThreadManager, ThreadsNotStartedByAManagerAreNeverAskedToStop) {
  EXPECT_FALSE(WorkerStopRequested());
  EXPECT_TRUE(WorkerPause(1));
}

// A transfer that receives nothing: its worker must end through the stop
// request, not by force, and leave no half-written file.
struct StalledFetch {
  std::wstring path;
  bool usesHttpClient;
  std::atomic<bool> returned{false};
  std::atomic<bool> result{true};
};

void FetchStalled(void* argument) {
  StalledFetch* fetch = static_cast<StalledFetch*>(argument);
  const std::string url = CDemoService::FilesUrl("stall/stopped.bin");
  if (fetch->usesHttpClient) {
    CHttpClient client;
    std::string text;
    fetch->result = client.InitLibCurl() && client.SetTimeouts(3600, 300) &&
                    client.Request(url, HttpMethod::Get, text, nullptr, fetch->path) != 0 && text.empty();
  } else {
    fetch->result = DownloadFile(1, url, fetch->path, nullptr);
  }
  fetch->returned = true;
}

TEST(ThreadManager, TerminateAllStopsLiveTransfers) {
  CDemoService demo;
  ASSERT_TRUE(demo.Reset());
  CTestFolder folder(L"stopped-transfers");
  StalledFetch fetches[2];
  fetches[0].path = folder / L"download-file.bin";
  fetches[0].usesHttpClient = false;
  fetches[1].path = folder / L"http-client.bin";
  fetches[1].usesHttpClient = true;
  // The program's own wait: a worker still stalled after it is ended by
  // force and never sets "returned".
  CWindowMultiThreadManager manager;
  for (StalledFetch& fetch : fetches) manager.StartThread(FetchStalled, &fetch);
  // The stalled answer's first bytes have arrived once the files exist.
  for (int i = 0; i < 1000 && !(FileExists(fetches[0].path) && FileExists(fetches[1].path)); ++i) Sleep(10);
  manager.TerminateAll();
  for (const StalledFetch& fetch : fetches) {
    EXPECT_TRUE(fetch.returned.load());
    EXPECT_FALSE(fetch.result.load());
    EXPECT_FALSE(FileExists(fetch.path));
  }
  EXPECT_EQ(manager.RecordedCount(), 0u);
}
