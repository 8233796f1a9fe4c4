// The download coordinator and the four download workers, started as the
// main window starts them, against files served by the demo deployment and a
// game folder in the test prefix that the launcher's registration points at.
#include "workers/DownloadWorkers.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <json/value.h>
#include <json/writer.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/FileSystem.h"
#include "support/Md5.h"
#include "support/Registry.h"
#include "support/Text.h"
#include "tests/common/DemoService.h"
#include "tests/common/ShortDelays.h"
#include "tests/common/TestLog.h"
#include "tests/support/TestFolder.h"
#include "tests/workers/DownloadTestFiles.h"
#include "tests/workers/GameInstallLock.h"
#include "tests/workers/RecordingCalls.h"
#include "workers/DownloadQueue.h"
#include "workers/GameLocator.h"
#include "workers/StartupWorkers.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

const wchar_t kSearching[] = L"查找游戏启动器";
const wchar_t kListFailed[] = L"文件列表获取失败！";
const wchar_t kFileFailed[] = L"有文件下载失败，你可以等待全部下载结束后再次下载";
const wchar_t kLauncherKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MirMLauncher.exe";

std::wstring FilesLeft(int count) { return L"正在下载，剩余" + std::to_wstring(count) + L"个文件"; }

std::string Md5(const std::string& bytes) { return CMd5A().Md5String(bytes); }

std::string JsonText(const Json::Value& value) { return Json::writeString(Json::StreamWriterBuilder(), value); }

Json::Value Entry(const std::string& file, const std::string& md5) {
  Json::Value entry(Json::objectValue);
  entry["file"] = file;
  entry["md5"] = md5;
  return entry;
}

// What the window received during one run.
struct RunRecord {
  std::vector<std::wstring> statuses;
  std::vector<std::wstring> failures;
  bool workersRequested = false;
  std::set<DWORD> started;
  std::multiset<DWORD> done;
  bool donePayloadsEmpty = true;
  std::vector<std::pair<DWORD, double>> speeds;
};

bool WaitForThreads(CRecordingCalls& window) {
  for (int i = 0; i < 6000; ++i) {
    if (window.threads().RecordedCount() == 0) return true;
    Sleep(50);
  }
  return false;
}

// Runs every queued call as the window would.
void Drain(CRecordingCalls& window, RunRecord& record) {
  for (const TakenCall& call : window.TakeCalls()) {
    if (call.name == "on_download_status" || call.name == "on_download_failed") {
      auto& texts = call.name == "on_download_status" ? record.statuses : record.failures;
      texts.push_back(call.hasPayload ? call.text : L"<null>");
    } else if (call.name == "start_download_workers") {
      record.workersRequested = true;
    } else if (call.name == "on_download_speed") {
      EXPECT_TRUE(call.hasPayload);
      record.speeds.push_back({static_cast<DWORD>(call.intArgument), call.speed});
    } else if (call.name == "on_download_worker_done") {
      record.done.insert(static_cast<DWORD>(call.intArgument));
      record.donePayloadsEmpty = record.donePayloadsEmpty && !call.hasPayload;
    } else {
      ADD_FAILURE() << "a call the download does not make: " << call.name;
    }
  }
}

void StartWorkers(CRecordingCalls& window, RunRecord& record) {
  for (int i = 0; i < kDownloadWorkerCount; ++i) record.started.insert(window.threads().StartThread(&DownloadWorker, nullptr));
}

// The coordinator on a thread of the window's manager and, when it asks for
// them, the four download workers, until every thread has ended.
RunRecord RunDownload(CRecordingCalls& window) {
  RunRecord record;
  window.threads().StartThread(&LocateAndListWorker, nullptr);
  EXPECT_TRUE(WaitForThreads(window));
  Drain(window, record);
  if (!record.workersRequested) return record;
  StartWorkers(window, record);
  EXPECT_TRUE(WaitForThreads(window));
  Drain(window, record);
  return record;
}

// Every worker ended with one report, and its speed dropped to 0 after its
// last file.
void ExpectWorkersEnded(const RunRecord& run) {
  EXPECT_EQ(run.started.size(), static_cast<size_t>(kDownloadWorkerCount));
  EXPECT_EQ(run.done, std::multiset<DWORD>(run.started.begin(), run.started.end()));
  EXPECT_TRUE(run.donePayloadsEmpty);
  std::map<DWORD, double> lastSpeed;
  for (const auto& speed : run.speeds) {
    EXPECT_EQ(run.started.count(speed.first), 1u) << "speed of thread " << speed.first;
    lastSpeed[speed.first] = speed.second;
  }
  for (const auto& last : lastSpeed) EXPECT_EQ(last.second, 0) << "thread " << last.first;
}

class DownloadWorkersTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lock_.Owned());
    ASSERT_TRUE(demo_.Reset());
    name_ = testing::UnitTest::GetInstance()->current_test_info()->name();
    prefix_ = "dlt/" + name_ + "/";
    root_ = game_.Path() + L"\\MirM\\";
    ASSERT_TRUE(CreateDirectoryTree(game_.Path() + L"\\MirM"));
    std::wstring launcher = root_ + L"Launcher\\MirMLauncher.exe";
    ASSERT_TRUE(RegistryWrite(HKEY_LOCAL_MACHINE, kLauncherKey, L"", REG_SZ, launcher.c_str(),
                              static_cast<DWORD>(launcher.size() * sizeof(wchar_t))));
    UseList("list-" + name_ + ".json");
  }
  void TearDown() override {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kLauncherKey, KEY_WOW64_32KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kLauncherKey, KEY_WOW64_64KEY, 0);
  }

  // The configuration of a run whose list is fileUrl beside the client
  // files on the server.
  void UseList(const std::string& fileUrl) {
    Json::Value config(Json::objectValue);
    config["filelist_url_prefix"] = CDemoService::FilesUrl(prefix_);
    config["file_url"] = fileUrl;
    config["downloadurl_prefix"] = CDemoService::FilesUrl(prefix_ + "client/");
    g_configText = JsonText(config);
    // Workers of an earlier run may be reading it; it never changes within a test.
    if (g_downloadUrlPrefix != config["downloadurl_prefix"].asString()) {
      g_downloadUrlPrefix = config["downloadurl_prefix"].asString();
    }
    listName_ = fileUrl;
  }
  void ServeList(const Json::Value& list) { ASSERT_TRUE(demo_.PutFile(prefix_ + listName_, JsonText(list))); }
  // Puts a client file on the server and returns its bytes.
  std::string Serve(const std::string& file, size_t size) {
    std::string bytes = TestBytes(name_ + file, size);
    EXPECT_TRUE(demo_.PutFile(prefix_ + "client/" + ReplaceAll(file, "\\", "/"), bytes));
    return bytes;
  }
  std::wstring Local(const std::string& file) { return root_ + L"client\\" + Utf8ToWide(file); }
  bool WriteLocal(const std::string& file, const std::string& bytes) {
    std::wstring path = Local(file);
    return CreateDirectoryTree(path.substr(0, path.find_last_of(L"\\/"))) && WriteTestBytes(path, bytes);
  }

  // Where the file server's access log stands now.
  size_t LogMark() {
    Json::Value entries;
    EXPECT_TRUE(demo_.FilesLog(entries));
    return entries.size();
  }
  // The client files of this test fetched since mark, as paths under the
  // client folder of the server.
  std::multiset<std::string> FetchedFiles(size_t mark = 0) {
    std::multiset<std::string> files;
    for (const Json::Value& entry : LogEntriesSince(mark)) {
      const std::string uri = entry["uri"].asString();
      const std::string client = "/" + prefix_ + "client/";
      if (uri.compare(0, client.size(), client) == 0) files.insert(uri.substr(client.size()));
    }
    return files;
  }
  std::vector<Json::Value> LogEntriesSince(size_t mark) {
    Json::Value entries;
    EXPECT_TRUE(demo_.FilesLog(entries));
    std::vector<Json::Value> since;
    for (Json::ArrayIndex i = static_cast<Json::ArrayIndex>(mark); i < entries.size(); ++i) {
      if (entries[i]["uri"].asString().find("/" + prefix_) == 0) since.push_back(entries[i]);
    }
    return since;
  }
  // Every file under the game root, as paths relative to it.
  std::set<std::wstring> FilesUnderRoot() {
    std::set<std::wstring> files;
    CollectFiles(root_, L"", files);
    return files;
  }
  static void CollectFiles(const std::wstring& base, const std::wstring& relative, std::set<std::wstring>& files) {
    WIN32_FIND_DATAW entry = {};
    HANDLE find = FindFirstFileW((base + relative + L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
      std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        CollectFiles(base, relative + name + L"\\", files);
      } else {
        files.insert(relative + name);
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }

  CGameInstallLock lock_;
  CShortDelays delays_;
  CDemoService demo_;
  CTestFolder game_{L"download"};
  CTestLog log_{L"download"};
  CRecordingCalls window_;
  std::string name_;
  std::string prefix_;
  std::string listName_;
  std::wstring root_;
};

TEST_F(DownloadWorkersTest, OnlyMissingOrDifferentFilesAreFetched) {
  Json::Value list(Json::arrayValue);
  std::map<std::string, std::string> expected;
  const char* current[] = {"a.bin", "b.bin", "data/c.bin", "data/d.bin", "data\\e.bin", "x/y/z/f.bin", "g.bin"};
  for (const char* file : current) {
    expected[file] = Serve(file, 1000 + expected.size() * 3000);
    ASSERT_TRUE(WriteLocal(file, expected[file]));
    list.append(Entry(file, Md5(expected[file])));
  }
  expected["h.bin"] = Serve("h.bin", 300000);
  expected["i.bin"] = Serve("i.bin", 5000);
  ASSERT_TRUE(WriteLocal("i.bin", "an older copy"));
  expected["sub\\deep\\j.bin"] = Serve("sub\\deep\\j.bin", 7000);
  for (const char* file : {"h.bin", "i.bin", "sub\\deep\\j.bin"}) list.append(Entry(file, Md5(expected[file])));
  ServeList(list);

  RunRecord run = RunDownload(window_);
  EXPECT_EQ(run.statuses, (std::vector<std::wstring>{kSearching, FilesLeft(10)}));
  EXPECT_TRUE(run.failures.empty());
  ExpectWorkersEnded(run);
  EXPECT_EQ(GameRoot(), root_);
  EXPECT_EQ(FetchedFiles(), (std::multiset<std::string>{"h.bin", "i.bin", "sub/deep/j.bin"}));
  for (const auto& file : expected) EXPECT_EQ(ReadTestFile(Local(file.first)), file.second) << file.first;
  std::vector<Json::Value> requests = LogEntriesSince(0);
  ASSERT_FALSE(requests.empty());
  EXPECT_TRUE(std::regex_match(requests[0]["uri"].asString(), std::regex("/" + prefix_ + listName_ + "\\?r=-?[0-9]+")))
      << requests[0]["uri"].asString();

  // Everything is current now: a second run only reads the list.
  size_t mark = LogMark();
  run = RunDownload(window_);
  EXPECT_EQ(run.statuses, (std::vector<std::wstring>{kSearching, FilesLeft(10)}));
  EXPECT_TRUE(run.failures.empty());
  ExpectWorkersEnded(run);
  EXPECT_TRUE(FetchedFiles(mark).empty());
  EXPECT_EQ(LogEntriesSince(mark).size(), 1u);
}

TEST_F(DownloadWorkersTest, UpperCaseDigestIsFetchedAtEveryRun) {
  std::string bytes = Serve("upper.bin", 4000);
  ASSERT_TRUE(WriteLocal("upper.bin", bytes));
  Json::Value list(Json::arrayValue);
  list.append(Entry("upper.bin", ConvertCase(true, Md5(bytes))));
  ServeList(list);
  for (int run = 0; run < 2; ++run) {
    size_t mark = LogMark();
    RunRecord record = RunDownload(window_);
    EXPECT_TRUE(record.failures.empty());
    ExpectWorkersEnded(record);
    EXPECT_EQ(FetchedFiles(mark), std::multiset<std::string>{"upper.bin"}) << "run " << run;
    EXPECT_EQ(ReadTestFile(Local("upper.bin")), bytes);
  }
}

// A fetched file whose bytes do not have the listed digest is a failed
// file: reported once, logged with both digests, left in place and fetched
// again by the next run.
TEST_F(DownloadWorkersTest, FetchedFileWithOtherBytesThanListedFails) {
  std::string served = Serve("wrong.bin", 70000);
  std::string good = Serve("good.bin", 5000);
  const std::string listed = Md5("the bytes the list promised");
  Json::Value list(Json::arrayValue);
  list.append(Entry("wrong.bin", listed));
  list.append(Entry("good.bin", Md5(good)));
  ServeList(list);
  for (int round = 0; round < 2; ++round) {
    size_t mark = LogMark();
    RunRecord run = RunDownload(window_);
    EXPECT_EQ(run.failures, std::vector<std::wstring>{kFileFailed}) << round;
    ExpectWorkersEnded(run);
    EXPECT_EQ(FetchedFiles(mark).count("wrong.bin"), 1u) << round;
    EXPECT_EQ(ReadTestFile(Local("wrong.bin")), served);
    EXPECT_EQ(ReadTestFile(Local("good.bin")), good);
  }
  std::vector<std::wstring> lines = log_.Lines();
  ASSERT_EQ(lines.size(), 2u);
  for (const std::wstring& line : lines) {
    EXPECT_NE(line.find(Local("wrong.bin")), std::wstring::npos) << line;
    EXPECT_NE(line.find(Utf8ToWide(listed)), std::wstring::npos) << line;
    EXPECT_NE(line.find(Utf8ToWide(Md5(served))), std::wstring::npos) << line;
  }
}

TEST_F(DownloadWorkersTest, MissingFileWithEmptyDigestCountsAsCurrent) {
  Serve("empty-digest.bin", 100);
  std::string bytes = Serve("other.bin", 100);
  Json::Value list(Json::arrayValue);
  list.append(Entry("empty-digest.bin", ""));
  list.append(Entry("other.bin", Md5(bytes)));
  ServeList(list);
  RunRecord run = RunDownload(window_);
  EXPECT_TRUE(run.failures.empty());
  ExpectWorkersEnded(run);
  EXPECT_EQ(FetchedFiles(), std::multiset<std::string>{"other.bin"});
  EXPECT_FALSE(FileExists(Local("empty-digest.bin")));
}

TEST_F(DownloadWorkersTest, FailedFilesAreReportedOnceAndTheRunCompletes) {
  std::string one = Serve("one.bin", 2000);
  std::string two = Serve("two.bin", 2000);
  ASSERT_TRUE(WriteLocal("blocked", "a file where a folder must go"));
  Json::Value list(Json::arrayValue);
  list.append(Entry("absent-1.bin", Md5("x")));
  list.append(Entry("one.bin", Md5(one)));
  list.append(Entry("absent-2.bin", Md5("y")));
  list.append(Entry("blocked/three.bin", Md5("z")));
  list.append(Entry("two.bin", Md5(two)));
  ServeList(list);

  RunRecord run = RunDownload(window_);
  EXPECT_EQ(run.statuses, (std::vector<std::wstring>{kSearching, FilesLeft(5)}));
  EXPECT_EQ(run.failures, std::vector<std::wstring>{kFileFailed});
  ExpectWorkersEnded(run);
  EXPECT_EQ(ReadTestFile(Local("one.bin")), one);
  EXPECT_EQ(ReadTestFile(Local("two.bin")), two);
  EXPECT_FALSE(FileExists(Local("absent-1.bin")));
  EXPECT_FALSE(FileExists(Local("absent-2.bin")));
  EXPECT_EQ(ReadTestFile(Local("blocked")), "a file where a folder must go");

  // The next run tells the user again.
  run = RunDownload(window_);
  EXPECT_EQ(run.failures, std::vector<std::wstring>{kFileFailed});
  ExpectWorkersEnded(run);
}

TEST_F(DownloadWorkersTest, ListWithoutEntriesCompletesWithNoFiles) {
  const char* bodies[] = {"[]", "{}", "null", "not json", "[{\"file\": \"a.bin\", \"md5\""};
  for (const char* body : bodies) {
    SCOPED_TRACE(body);
    ASSERT_TRUE(demo_.PutFile(prefix_ + listName_, body));
    RunRecord run = RunDownload(window_);
    EXPECT_EQ(run.statuses, (std::vector<std::wstring>{kSearching, FilesLeft(0)}));
    EXPECT_TRUE(run.failures.empty());
    ExpectWorkersEnded(run);
    EXPECT_TRUE(FetchedFiles().empty());
  }
  EXPECT_TRUE(IsFolder(root_ + L"client"));
}

TEST_F(DownloadWorkersTest, ObjectListIsTakenInNameOrder) {
  Json::Value list(Json::objectValue);
  list["b"] = Entry("second.bin", "2");
  list["c"] = Entry("third.bin", "3");
  list["a"] = Entry("first.bin", "1");
  ServeList(list);
  LocateAndListWorker(nullptr);
  RunRecord record;
  Drain(window_, record);
  EXPECT_TRUE(record.workersRequested);
  std::vector<std::string> order;
  DownloadItem item;
  while (PopDownloadItem(item)) order.push_back(item.file + " " + item.md5);
  EXPECT_EQ(order, (std::vector<std::string>{"first.bin 1", "second.bin 2", "third.bin 3"}));
}

TEST_F(DownloadWorkersTest, ListThatCannotBeHadEndsTheRun) {
  struct Case {
    const char* name;
    const char* config;     // null: the test's own
    const char* listBody;   // null: the list is not served
    const char* indexBody;  // served as the index page of the list's folder
  } cases[] = {
      {"list missing on the server", nullptr, nullptr, nullptr},
      {"list with an empty body", nullptr, "", nullptr},
      {"list URL naming a folder", "folder", nullptr, "[]"},
      {"configuration without the list's members", "{\"downloadurl_prefix\": \"http://127.0.0.1:1/\"}", nullptr, nullptr},
      {"configuration that is not JSON", "not json", nullptr, nullptr},
      {"configuration that is not an object", "[\"filelist_url_prefix\"]", nullptr, nullptr},
      {"list cut short", "cut", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CTestLog log(L"list-failure");
    UseList("list-" + name_ + ".json");
    if (c.config && std::string(c.config) == "folder") {
      UseList("");
    } else if (c.config && std::string(c.config) == "cut") {
      Json::Value config(Json::objectValue);
      config["filelist_url_prefix"] = CDemoService::FilesUrl("cut/");
      config["file_url"] = "list-" + name_ + ".json";
      g_configText = JsonText(config);
    } else if (c.config) {
      g_configText = c.config;
    }
    ASSERT_TRUE(demo_.PutFile(prefix_ + "index.html", c.indexBody ? c.indexBody : "<html></html>"));
    if (c.listBody) {
      ASSERT_TRUE(demo_.PutFile(prefix_ + listName_, c.listBody));
    }

    RunRecord run = RunDownload(window_);
    EXPECT_EQ(run.statuses, std::vector<std::wstring>{kSearching});
    EXPECT_EQ(run.failures, std::vector<std::wstring>{kListFailed});
    EXPECT_FALSE(run.workersRequested);
    std::vector<std::wstring> lines = log.Lines();
    EXPECT_EQ(lines.size(), 1u);
    for (const std::wstring& line : lines) EXPECT_NE(line.find(L"下载失败"), std::wstring::npos) << line;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    EXPECT_FALSE(FileExists(std::wstring(temp) + Utf8ToWide("list-" + name_ + ".json")));
    EXPECT_TRUE(IsFolder(temp));
  }
}

TEST_F(DownloadWorkersTest, EntriesOutsideTheClientFolderAreNeverWritten) {
  // Served where a climbing path would lead on the server, and present where
  // it would lead on disk.
  ASSERT_TRUE(demo_.PutFile(prefix_ + "escape.bin", "from the server"));
  ASSERT_TRUE(demo_.PutFile(prefix_ + "up.bin", "from the server"));
  std::string absolute = Serve("abs.bin", 300);
  ASSERT_TRUE(WriteTestBytes(root_ + L"escape.bin", "kept"));
  ASSERT_TRUE(WriteTestBytes(root_ + L"up.bin", "kept"));
  std::string good = Serve("good.bin", 3000);

  const char* unsafe[] = {"..\\escape.bin",  "sub/../../up.bin", "sub\\..\\..\\up.bin", "../escape.bin",
                          "sub/... /up.bin", "\\abs.bin",        "/abs.bin",          "C:abs.bin",
                          "C:\\abs.bin",     "good.bin:stream",  ""};
  Json::Value list(Json::arrayValue);
  for (const char* file : unsafe) list.append(Entry(file, Md5("from the server")));
  list.append(Entry("", ""));
  list.append(Entry("good.bin", Md5(good)));
  ServeList(list);

  RunRecord run = RunDownload(window_);
  EXPECT_EQ(run.failures, std::vector<std::wstring>{kFileFailed});
  ExpectWorkersEnded(run);
  EXPECT_EQ(FetchedFiles(), std::multiset<std::string>{"good.bin"});
  EXPECT_EQ(FilesUnderRoot(), (std::set<std::wstring>{L"escape.bin", L"up.bin", L"client\\good.bin"}));
  EXPECT_EQ(ReadTestFile(root_ + L"escape.bin"), "kept");
  EXPECT_EQ(ReadTestFile(root_ + L"up.bin"), "kept");
  std::vector<std::wstring> lines = log_.Lines();
  EXPECT_EQ(lines.size(), std::size(unsafe) + 1);
  for (const std::wstring& line : lines) EXPECT_NE(line.find(L"不安全"), std::wstring::npos) << line;
}

// A device name opens the device instead of a file ("nul.txt" would swallow
// the download and then read as an empty file), and Windows stores a name
// with a trailing dot or blank under another name: such entries are refused
// and logged like the climbing ones.
TEST_F(DownloadWorkersTest, DeviceNamesAndNamesWindowsChangesAreNeverFetched) {
  std::map<std::string, std::string> good;
  for (const char* file : {"a.bin", "sub/b.bin", "c.bin"}) good[file] = Serve(file, 2000);
  const char* refused[] = {"nul.txt", "sub/COM1.dat", "Con.tar.gz", "aux/x.bin", "lpt9 .log",
                           "a.bin.",  "c.bin ",       ".",          "sub./b.bin", "sub/./b.bin"};
  Json::Value list(Json::arrayValue);
  list.append(Entry("a.bin", Md5(good["a.bin"])));
  for (const char* file : refused) list.append(Entry(file, Md5("")));
  list.append(Entry("sub/b.bin", Md5(good["sub/b.bin"])));
  list.append(Entry("c.bin", Md5(good["c.bin"])));
  ServeList(list);

  RunRecord run = RunDownload(window_);
  EXPECT_EQ(run.failures, std::vector<std::wstring>{kFileFailed});
  ExpectWorkersEnded(run);
  EXPECT_EQ(FetchedFiles(), (std::multiset<std::string>{"a.bin", "sub/b.bin", "c.bin"}));
  EXPECT_EQ(FilesUnderRoot(), (std::set<std::wstring>{L"client\\a.bin", L"client\\sub\\b.bin", L"client\\c.bin"}));
  for (const auto& file : good) EXPECT_EQ(ReadTestFile(Local(file.first)), file.second) << file.first;
  std::vector<std::wstring> lines = log_.Lines();
  EXPECT_EQ(lines.size(), std::size(refused));
  for (const char* file : refused) {
    const std::wstring line = L"]" + Utf8ToWide(file) + L"文件路径不安全，未下载";
    size_t matching = 0;
    for (const std::wstring& logged : lines) {
      if (logged.size() >= line.size() && logged.compare(logged.size() - line.size(), line.size(), line) == 0) {
        ++matching;
      }
    }
    EXPECT_EQ(matching, 1u) << file;
  }
}

TEST_F(DownloadWorkersTest, NewRunWhileWorkersOfTheLastRunStillRun) {
  Json::Value oldList(Json::arrayValue);
  for (int i = 0; i < 80; ++i) {
    std::string file = "old/" + std::to_string(i) + ".bin";
    oldList.append(Entry(file, Md5(Serve(file, 32768))));
  }
  std::map<std::string, std::string> fresh;
  Json::Value newList(Json::arrayValue);
  for (int i = 0; i < 20; ++i) {
    std::string file = "new/" + std::to_string(i) + ".bin";
    fresh[file] = Serve(file, 32768);
    newList.append(Entry(file, Md5(fresh[file])));
  }
  UseList("list-old.json");
  ServeList(oldList);
  UseList("list-new.json");
  ServeList(newList);

  UseList("list-old.json");
  RunRecord oldRun;
  window_.threads().StartThread(&LocateAndListWorker, nullptr);
  ASSERT_TRUE(WaitForThreads(window_));
  Drain(window_, oldRun);
  ASSERT_TRUE(oldRun.workersRequested);
  StartWorkers(window_, oldRun);

  // The button is usable again after a failure, so a new run may start
  // while the old workers are busy.
  UseList("list-new.json");
  RunRecord newRun;
  LocateAndListWorker(nullptr);
  Drain(window_, newRun);
  ASSERT_TRUE(newRun.workersRequested);
  StartWorkers(window_, newRun);
  ASSERT_TRUE(WaitForThreads(window_));
  Drain(window_, newRun);

  EXPECT_TRUE(newRun.failures.empty());
  std::set<DWORD> all(oldRun.started);
  all.insert(newRun.started.begin(), newRun.started.end());
  EXPECT_EQ(all.size(), 2u * kDownloadWorkerCount);
  EXPECT_EQ(newRun.done, std::multiset<DWORD>(all.begin(), all.end()));
  EXPECT_EQ(PendingDownloadCount(), 0);
  std::multiset<std::string> fetched = FetchedFiles();
  for (const auto& file : fresh) {
    EXPECT_EQ(fetched.count(file.first), 1u) << file.first;
    EXPECT_EQ(ReadTestFile(Local(file.first)), file.second) << file.first;
  }
  for (const std::string& file : fetched) EXPECT_EQ(fetched.count(file), 1u) << file;
}

// A game file that cannot be had leaves one log line with its path, how its
// transfer ended (the library's text) and the HTTP status, so a missing
// file, a broken reply and an unreachable server read apart.
TEST_F(DownloadWorkersTest, FailedFileIsLoggedWithTransferResultAndStatus) {
  const std::string file = "lost/file.bin";
  Json::Value list(Json::arrayValue);
  list.append(Entry(file, Md5("never served")));
  ServeList(list);
  const struct Case {
    const char* name;
    std::string downloadPrefix;
    const wchar_t* result;
    long status;
  } cases[] = {
      {"missing on the server", CDemoService::FilesUrl(prefix_ + "client/"), L"No error", 404},
      {"reply cut short", CDemoService::FilesUrl("cut/" + prefix_ + "client/"), L"Transferred a partial file", 200},
      {"no server", "http://127.0.0.1:1/", L"Couldn't connect to server", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CTestLog log(L"file-failure");
    // No worker of an earlier run is left to read it.
    g_downloadUrlPrefix = c.downloadPrefix;
    RunRecord run = RunDownload(window_);
    EXPECT_EQ(run.failures, std::vector<std::wstring>{kFileFailed});
    EXPECT_FALSE(FileExists(Local(file)));
    const std::wstring expected =
        L"]" + Local(file) + L"下载失败，" + c.result + L"，HTTP状态" + std::to_wstring(c.status);
    std::vector<std::wstring> lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].size() >= expected.size() &&
                lines[0].compare(lines[0].size() - expected.size(), expected.size(), expected) == 0)
        << lines[0];
  }
}

}  // namespace
