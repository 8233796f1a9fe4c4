#include "support/InstanceSemaphore.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string UniqueName() {
  return "Global\\_ONCE_RUN_orvane_test_" + std::to_string(GetCurrentProcessId()) + "_" +
         std::to_string(GetTickCount());
}

}  // namespace

TEST(InstanceSemaphore, SecondObjectInSameProcessSeesTheFirst) {
  std::string name = UniqueName();
  CInstanceSemaphore first(name);
  EXPECT_FALSE(first.AlreadyExists());
  CInstanceSemaphore second(name);
  EXPECT_TRUE(second.AlreadyExists());
  second.Close();
  second.Close();
  first.Close();
  CInstanceSemaphore third(name);
  EXPECT_FALSE(third.AlreadyExists());
}

TEST(InstanceSemaphore, SecondProcessSeesTheFirst) {
  std::string name = UniqueName();
  CInstanceSemaphore first(name);
  ASSERT_FALSE(first.AlreadyExists());
  SetEnvironmentVariableA("ORVANE_SEMAPHORE_NAME", name.c_str());
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=InstanceSemaphoreChild.*";
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  WaitForSingleObject(process.hProcess, 60000);
  DWORD exitCode = 99;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  SetEnvironmentVariableA("ORVANE_SEMAPHORE_NAME", nullptr);
  EXPECT_EQ(exitCode, 0u);
}

// Runs only as the child of the test above.
TEST(InstanceSemaphoreChild, ReportsAlreadyExists) {
  const char* name = getenv("ORVANE_SEMAPHORE_NAME");
  if (!name) GTEST_SKIP() << "runs as a child process only";
  CInstanceSemaphore second(name);
  EXPECT_TRUE(second.AlreadyExists());
}
