// Fetching a URL into a file against the demo file server: true only when the
// whole reply is a file on disk afterwards.
#include "workers/DownloadUrlToFile.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <json/value.h>

#include <string>
#include <vector>

#include "support/FileSystem.h"
#include "support/ScopedHandles.h"
#include "tests/common/DemoService.h"
#include "tests/common/TestLog.h"
#include "tests/support/TestFolder.h"
#include "tests/workers/DownloadTestFiles.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

// LockedFile: an old file another program holds open without sharing, so
// it can be neither deleted nor written.
enum class AtPath { Nothing, OldFile, Folder, LockedFile };

TEST(DownloadUrlToFileTest, ResultMeansTheWholeFileIsThere) {
  CDemoService demo;
  const std::string served = TestBytes("served", 200000);
  struct Case {
    const char* name;
    std::string url;
    AtPath before;
    bool replace;
    bool result;
    const char* after;  // the file's bytes afterwards; null: the served bytes
    bool requested;
  } cases[] = {
      {"served file", CDemoService::FilesUrl("dlu/served.bin"), AtPath::Nothing, true, true, nullptr, true},
      {"served file over an old one", CDemoService::FilesUrl("dlu/served.bin"), AtPath::OldFile, true, true, nullptr, true},
      {"redirect followed", CDemoService::FilesUrl("redirect/dlu/served.bin"), AtPath::Nothing, true, true, nullptr, true},
      {"old file kept without replace", CDemoService::FilesUrl("dlu/served.bin"), AtPath::OldFile, false, true, "old", false},
      {"missing on the server", CDemoService::FilesUrl("dlu/absent.bin"), AtPath::OldFile, true, false, "<missing>", true},
      {"reply cut short", CDemoService::FilesUrl("cut/dlu.bin"), AtPath::Nothing, true, false, "<missing>", true},
      {"no server", "http://127.0.0.1:1/dlu.bin", AtPath::Nothing, true, false, "<missing>", false},
      {"empty url", "", AtPath::OldFile, true, false, "old", false},
      {"folder at the path", CDemoService::FilesUrl("dlu/served.bin"), AtPath::Folder, true, false, "<missing>", true},
      {"file that cannot be written", CDemoService::FilesUrl("dlu/served.bin"), AtPath::LockedFile, true, false, "old",
       true},
      {"folder at the path without replace", CDemoService::FilesUrl("dlu/served.bin"), AtPath::Folder, false, false,
       "<missing>", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(demo.Reset());
    ASSERT_TRUE(demo.PutFile("dlu/served.bin", served));
    CTestLog log(L"url-to-file");
    CTestFolder folder(L"url-to-file");
    const std::wstring path = folder / L"list.json";
    if (c.before == AtPath::OldFile || c.before == AtPath::LockedFile) {
      ASSERT_TRUE(WriteTestBytes(path, "old"));
    } else if (c.before == AtPath::Folder) {
      ASSERT_TRUE(CreateDirectoryTree(path));
    }
    CScopedHandle lock;
    if (c.before == AtPath::LockedFile) {
      lock.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(lock.Valid());
    }

    EXPECT_EQ(DownloadUrlToFile(c.url, path, c.replace), c.result);
    lock.Reset();
    if (c.before == AtPath::Folder) {
      EXPECT_TRUE(IsFolder(path));
    } else {
      EXPECT_EQ(ReadTestFile(path), c.after ? std::string(c.after) : served);
    }
    Json::Value entries;
    ASSERT_TRUE(demo.FilesLog(entries));
    EXPECT_EQ(entries.size() != 0, c.requested);
    // A failure leaves one log line naming the URL and the path.
    std::vector<std::wstring> lines = log.Lines();
    if (c.result) {
      EXPECT_TRUE(lines.empty());
    } else if (!c.url.empty()) {
      EXPECT_EQ(lines.size(), 1u);
      const std::wstring expected = std::wstring(c.url.begin(), c.url.end()) + L"下载失败" + path + L",";
      for (const std::wstring& line : lines) EXPECT_NE(line.find(expected), std::wstring::npos) << line;
    }
  }
}

TEST(DownloadUrlToFileTest, ReplyThatStopsArrivingFailsAtTheStallLimit) {
  // The server sends a first piece and then holds the connection for 120 s;
  // the program gives up after 60 s without data, which the test shortens.
  CDemoService demo;
  ASSERT_TRUE(demo.Reset());
  CTestLog log(L"url-to-file-stall");
  CTestFolder folder(L"url-to-file-stall");
  const std::wstring path = folder / L"OrvaneBox.exe";
  const ULONGLONG started = GetTickCount64();
  EXPECT_FALSE(DownloadUrlToFile(CDemoService::FilesUrl("stall/update.exe"), path, true, 2));
  EXPECT_LT(GetTickCount64() - started, 60000u) << "ended by the server, not by the stall limit";
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(log.Lines().size(), 1u);
}

}  // namespace
