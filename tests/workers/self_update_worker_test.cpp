// The self-update download against the demo file server: only a whole,
// non-empty program file is handed over; anything else leaves no file and
// reports the failure.
#include "workers/SelfUpdateWorker.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/FileSystem.h"
#include "support/PathHelpers.h"
#include "tests/workers/DownloadTestFiles.h"
#include "tests/workers/WorkerCallTest.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

class SelfUpdateWorkerTest : public CWorkerCallTest {
 protected:
  SelfUpdateWorkerTest() : CWorkerCallTest(L"self_update_worker_test") {}
  void TearDown() override {
    DeleteFileW(target_.c_str());
    CWorkerCallTest::TearDown();
  }
  const std::wstring target_ = UpdateDownloadPath(ProgramFilePath());
};

TEST_F(SelfUpdateWorkerTest, DownloadsNextToTheTemporaryFolderUnderTheProgramsName) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  EXPECT_EQ(target_, std::wstring(folder) + FileNameOfPath(ProgramFilePath()));
  EXPECT_EQ(SelfReplaceArguments(L"C:\\Tools\\box.exe"), L"update 'C:\\Tools\\box.exe'");
}

TEST_F(SelfUpdateWorkerTest, OnlyAWholeNonEmptyFileIsHandedOver) {
  const std::string program = TestBytes("new program", 300000);
  ASSERT_TRUE(demo_.PutFile("update/whole.exe", program));
  ASSERT_TRUE(demo_.PutFile("update/empty.exe", ""));
  const struct {
    const char* name;
    std::string url;
    bool handedOver;
  } kCases[] = {
      {"whole file", CDemoService::FilesUrl("update/whole.exe"), true},
      {"missing file", CDemoService::FilesUrl("update/missing.exe"), false},
      {"cut short", CDemoService::FilesUrl("cut/whole.exe"), false},
      {"empty file", CDemoService::FilesUrl("update/empty.exe"), false},
      {"no URL", std::string(), false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    // An older download of the same name is replaced or removed.
    ASSERT_TRUE(WriteTestBytes(target_, "an older download"));
    SelfUpdateWorker(new std::string(c.url));
    const TakenCall call = OnlyCall();
    if (c.handedOver) {
      EXPECT_EQ(call.name, "on_update_downloaded");
      EXPECT_EQ(call.text, target_);
      EXPECT_TRUE(ReadTestFile(target_) == program);
    } else {
      EXPECT_EQ(call.name, "on_update_failed");
      EXPECT_FALSE(FileExists(target_));
    }
  }
}

}  // namespace
