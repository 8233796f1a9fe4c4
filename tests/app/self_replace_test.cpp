// The self-replace run: which arguments select it and name the target, and
// the copy over a program file that is still in use for a while.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "app/SelfReplace.h"
#include "support/PathHelpers.h"
#include "support/ScopedHandles.h"
#include "workers/SelfUpdateWorker.h"

namespace {

TEST(SelfReplaceTest, ArgumentsSelectTheRunAndNameTheTarget) {
  const struct {
    const wchar_t* arguments;
    bool selected;
    bool hasTarget;
    const wchar_t* target;
  } kCases[] = {
      {L"update 'C:\\Program Files\\Box\\box.exe'", true, true, L"C:\\Program Files\\Box\\box.exe"},
      {L"update ''", true, true, L""},
      {L"update", true, false, L""},
      {L"update 'C:\\box.exe", true, false, L""},
      {L"'C:\\a' update 'b'", true, true, L"C:\\a' update 'b"},
      {L"\"D:\\updates\\box.exe\"", true, false, L""},
      {L"Update 'C:\\box.exe'", false, true, L"C:\\box.exe"},
      {L"", false, false, L""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "arguments: " << std::string(c.arguments, c.arguments + wcslen(c.arguments)));
    EXPECT_EQ(IsSelfReplaceRun(c.arguments), c.selected);
    std::wstring target = L"unchanged";
    EXPECT_EQ(SelfReplaceTarget(c.arguments, target), c.hasTarget);
    if (c.hasTarget) {
      EXPECT_EQ(target, c.target);
    }
  }
}

TEST(SelfReplaceTest, ArgumentsOfTheUpdaterNameTheProgramAgain) {
  const std::wstring program = L"C:\\Tools\\box.exe";
  std::wstring target;
  ASSERT_TRUE(IsSelfReplaceRun(SelfReplaceArguments(program)));
  ASSERT_TRUE(SelfReplaceTarget(SelfReplaceArguments(program), target));
  EXPECT_EQ(target, program);
}

struct Attempt {
  DWORD error;
  DWORD elapsedMs;
};
std::vector<Attempt> g_attempts;

void RecordAttempt(const std::wstring&, DWORD error, DWORD elapsedMs) { g_attempts.push_back({error, elapsedMs}); }

class CopyOverTest : public testing::Test {
 protected:
  void SetUp() override {
    g_attempts.clear();
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring base = std::wstring(folder) + L"orvane-self-replace-" + std::to_wstring(GetCurrentProcessId());
    source_ = base + L"-new.exe";
    target_ = base + L"-old.exe";
    ASSERT_TRUE(Write(source_, "new version"));
    ASSERT_TRUE(Write(target_, "old version"));
  }
  void TearDown() override {
    DeleteFileW(source_.c_str());
    DeleteFileW(target_.c_str());
  }

  static bool Write(const std::wstring& path, const std::string& text) {
    CScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file.Valid() && WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
  }
  std::string Read(const std::wstring& path) {
    CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char buffer[64] = {};
    DWORD read = 0;
    if (!file.Valid() || !ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr)) return std::string();
    return std::string(buffer, read);
  }

  // Holds the target open without sharing, as a running program holds its
  // file, and lets it go after holdMs.
  std::thread HoldTarget(DWORD holdMs) {
    HANDLE held = CreateFileW(target_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(held, INVALID_HANDLE_VALUE);
    return std::thread([held, holdMs] {
      CScopedHandle owner(held);
      Sleep(holdMs);
    });
  }

  std::wstring source_;
  std::wstring target_;
};

TEST_F(CopyOverTest, CopiesOnceTheOldProgramLetsGo) {
  std::thread holder = HoldTarget(1200);
  const bool copied = CopyOverRunningProgram(source_, target_, 5000, &RecordAttempt);
  holder.join();
  EXPECT_TRUE(copied);
  EXPECT_EQ(Read(target_), "new version");
  ASSERT_GE(g_attempts.size(), 2u) << "the file was held for 1.2 s";
  for (const Attempt& attempt : g_attempts) EXPECT_EQ(attempt.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_LT(g_attempts.back().elapsedMs, 2500u);
}

TEST_F(CopyOverTest, GivesUpAfterItsBudget) {
  std::thread holder = HoldTarget(3000);
  const DWORD start = GetTickCount();
  const bool copied = CopyOverRunningProgram(source_, target_, 800, &RecordAttempt);
  const DWORD elapsed = GetTickCount() - start;
  holder.join();
  EXPECT_FALSE(copied);
  EXPECT_EQ(Read(target_), "old version");
  EXPECT_GE(g_attempts.size(), 3u);
  EXPECT_GE(g_attempts.back().elapsedMs, 800u);
  EXPECT_LT(elapsed, 2000u);
}

TEST_F(CopyOverTest, OnlyAnExistingFileOfTheProgramsNameIsReplaced) {
  const std::wstring name = FileNameOfPath(source_);
  const std::wstring copies = target_ + L".copies\\";
  ASSERT_TRUE(CreateDirectoryW(copies.c_str(), nullptr));
  ASSERT_TRUE(Write(copies + name, "another copy"));
  const struct {
    const char* name;
    std::wstring target;
    bool replaceable;
  } kCases[] = {
      {"existing copy of the same name", copies + name, true},
      {"same name in other letter case", copies + L"ORVANE" + name.substr(6), true},
      {"another file", target_, false},
      {"missing file of the same name", copies + L"missing\\" + name, false},
      {"a folder", copies, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsReplaceableTarget(source_, c.target), c.replaceable);
  }
  DeleteFileW((copies + name).c_str());
  RemoveDirectoryW(copies.c_str());
}

TEST_F(CopyOverTest, AnErrorOtherThanUseIsNotRetried) {
  const std::wstring missingFolder = target_ + L".missing\\box.exe";
  EXPECT_FALSE(CopyOverRunningProgram(source_, missingFolder, 5000, &RecordAttempt));
  ASSERT_EQ(g_attempts.size(), 1u);
  EXPECT_EQ(g_attempts[0].error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
