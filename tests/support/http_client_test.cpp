// CHttpClient and DownloadFile against the running demo deployment: its
// file server, its plain API port and its HTTPS hosts on 127.0.0.1.
#include "support/DownloadFile.h"
#include "support/FileSystem.h"
#include "support/HttpClient.h"
#include "support/Md5.h"
#include "support/ScopedHandles.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/common/DemoService.h"
#include "tests/support/TestFolder.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

const char kBrowserLines[][90] = {
    "Accept: */*",
    "Accept-Language: zh-CN",
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
    "Accept-Encoding: gzip, deflate",
};

std::string PrimaryHostPort() { return "localhost:" + std::to_string(CDemoService::PortBase() + 443); }

std::string PrimaryUrl(const std::string& path) { return "https://" + PrimaryHostPort() + path; }

// Bytes that differ from offset to offset, so a shifted or cut copy shows.
std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

std::string FileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(no file)";
  std::string bytes;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  CloseHandle(file);
  return bytes;
}

Json::Value Fault(const char* mode) {
  Json::Value fault(Json::objectValue);
  fault["mode"] = mode;
  return fault;
}

std::vector<std::string> HeadersOf(const Json::Value& record) {
  std::vector<std::string> lines;
  for (const Json::Value& line : record["headers"]) lines.push_back(line.asString());
  return lines;
}

class HttpClientTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.Reset()); }

  // The only recorded request; fails the test when there is not exactly one.
  Json::Value OnlyRequest() {
    Json::Value records;
    EXPECT_TRUE(demo_.Requests(records));
    EXPECT_EQ(records.size(), 1u);
    return records.size() == 1 ? records[0] : Json::Value();
  }

  CDemoService demo_;
  CTestFolder folder_{L"http"};
};

TEST(HttpClientHeaders, ExtraHeaderLinesSplitting) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {nullptr, {}},
      {"", {}},
      {"A: 1\r\nB: 2\r\nC: 3", {"A: 1", "B: 2", "C: 3"}},
      {"a;b", {}},
      {"A: 1; B: 2", {"A: 1", " B: 2"}},
      {"\r\n;;\r\nA: 1\r\n\r\n", {"A: 1"}},
      {"x\r\nyz\ru", {"yz"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CHttpClient::ExtraHeaderLines(c.text), c.lines) << (c.text ? c.text : "(null)");
  }
}

TEST(HttpClientHeaders, ExtraHeaderTextOfAnyLength) {
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; i < 200; ++i) {
    expected.push_back("X-Line-" + std::to_string(i) + ": " + std::string(40, static_cast<char>('a' + i % 26)));
    text += expected.back() + "\r\n";
  }
  ASSERT_GT(text.size(), 8000u);
  EXPECT_EQ(CHttpClient::ExtraHeaderLines(text.c_str()), expected);
}

TEST(HttpGlobal, InitAndCleanupPair) {
  EXPECT_TRUE(HttpGlobalInit());
  HttpGlobalCleanup();
}

TEST_F(HttpClientTest, RequestWithoutHandleOrUrl) {
  CHttpClient uninitialised;
  std::string text = "before";
  EXPECT_EQ(uninitialised.Request(CDemoService::FilesUrl("filelist.json"), HttpMethod::Get, text), 0);
  EXPECT_EQ(text, "InitLibCurl is not invoked");
  EXPECT_EQ(uninitialised.ResponseCode(), 0);

  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  text = "before";
  EXPECT_EQ(client.Request("", HttpMethod::Get, text), 0);
  EXPECT_EQ(text, "before");
}

TEST_F(HttpClientTest, UrlForms) {
  ASSERT_TRUE(demo_.PutFile("forms/hello.txt", "hello from the file server"));
  const std::string plain = CDemoService::FilesUrl("forms/hello.txt");
  const std::string withoutScheme = plain.substr(std::string("http://").size());
  const std::string urls[] = {
      plain,
      withoutScheme,
      withoutScheme + "?back=http://elsewhere",
      PrimaryUrl("/files/forms/hello.txt"),
      "https://127.0.0.1:" + std::to_string(CDemoService::PortBase() + 444) + "/files/forms/hello.txt",
  };
  for (const std::string& url : urls) {
    CHttpClient client;
    ASSERT_TRUE(client.InitLibCurl());
    std::string text;
    EXPECT_EQ(client.Request(url, HttpMethod::Get, text), 200) << url << ": " << text;
    EXPECT_EQ(text, "hello from the file server") << url;
  }
}

TEST_F(HttpClientTest, HeaderLinesInOrderOverHttps) {
  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  client.SetPostData("ts=1&sign=0");
  std::string text;
  int status = client.Request(PrimaryUrl("/Speed/Config/checkVersion"), HttpMethod::Post, text,
                              "Userid: 0\r\nClientuuid: abc\r\na;b;Lang: zh-cn");
  EXPECT_EQ(status, 200) << text;

  Json::Value record = OnlyRequest();
  EXPECT_EQ(record["method"].asString(), "POST");
  EXPECT_EQ(record["body"].asString(), "ts=1&sign=0");
  // The library moves the Host line to the front and adds the body's two
  // lines after all of ours.
  std::vector<std::string> expected = {"Host: " + PrimaryHostPort()};
  expected.insert(expected.end(), std::begin(kBrowserLines), std::end(kBrowserLines));
  expected.push_back("Connection: Keep-Alive");
  expected.push_back("Userid: 0");
  expected.push_back("Clientuuid: abc");
  expected.push_back("Lang: zh-cn");
  expected.push_back("Content-Length: 11");
  expected.push_back("Content-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(HeadersOf(record), expected);
}

TEST_F(HttpClientTest, LongExtraHeaderTextArrivesWhole) {
  std::string text;
  std::vector<std::string> sent;
  for (int i = 0; i < 60; ++i) {
    sent.push_back("X-Long-" + std::to_string(i) + ": " + std::string(50, static_cast<char>('A' + i % 26)));
    text += sent.back() + "\r\n";
  }
  ASSERT_GT(text.size(), 3000u);
  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  client.SetPostData("ts=1&sign=0");
  std::string reply;
  EXPECT_EQ(client.Request(PrimaryUrl("/Speed/Config/checkVersion"), HttpMethod::Post, reply, text.c_str()), 200);

  std::vector<std::string> received;
  for (const std::string& line : HeadersOf(OnlyRequest())) {
    if (line.compare(0, 7, "X-Long-") == 0) received.push_back(line);
  }
  EXPECT_EQ(received, sent);
}

TEST_F(HttpClientTest, UrlWithLeadingBlanksIsGivenToTheLibraryAsIs) {
  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  client.SetPostData("ts=1&sign=0");
  std::string text;
  // This libcurl refuses a url that starts with blanks, so nothing is sent.
  EXPECT_EQ(client.Request("  " + PrimaryUrl("/Speed/Config/checkVersion"), HttpMethod::Post, text), 0);
  EXPECT_EQ(text, curl_easy_strerror(CURLE_URL_MALFORMAT));
  Json::Value records;
  ASSERT_TRUE(demo_.Requests(records));
  EXPECT_TRUE(records.empty());
}

TEST_F(HttpClientTest, MethodChoice) {
  struct Case {
    const char* body;
    HttpMethod method;
    const char* sentMethod;
  };
  const Case cases[] = {
      {"", HttpMethod::Post, "GET"},
      {"a=1", HttpMethod::Post, "POST"},
      {"a=1", HttpMethod::Get, "GET"},
      {"a=1", HttpMethod::Patch, "PATCH"},
  };
  ASSERT_TRUE(demo_.PutFile("forms/hello.txt", "hello"));
  for (const Case& c : cases) {
    CHttpClient client;
    ASSERT_TRUE(client.InitLibCurl());
    client.SetPostData(c.body);
    std::string text;
    client.Request(CDemoService::FilesUrl("forms/hello.txt"), c.method, text);
    Json::Value log;
    ASSERT_TRUE(demo_.FilesLog(log));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[log.size() - 1]["method"].asString(), c.sentMethod);
  }
}

TEST_F(HttpClientTest, ErrorStatusKeepsItsBody) {
  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  std::string text;
  EXPECT_EQ(client.Request(CDemoService::FilesUrl("no/such/file.txt"), HttpMethod::Get, text), 404);
  EXPECT_NE(text.find("404 Not Found"), std::string::npos) << text;
}

TEST_F(HttpClientTest, CompressedReplyIsDecoded) {
  std::string json = "[";
  for (int i = 0; i < 200; ++i) json += (i ? "," : "") + std::string("{\"n\":") + std::to_string(i) + "}";
  json += "]";
  ASSERT_TRUE(demo_.PutFile("packed.json", json));
  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  std::string text;
  EXPECT_EQ(client.Request(CDemoService::FilesUrl("packed.json"), HttpMethod::Get, text), 200);
  EXPECT_EQ(text, json);
  Json::Value log;
  ASSERT_TRUE(demo_.FilesLog(log));
  ASSERT_FALSE(log.empty());
  EXPECT_LT(log[log.size() - 1]["bytes"].asUInt(), json.size()) << "the reply was not compressed";
}

TEST_F(HttpClientTest, BodyIntoFileInNewFolders) {
  const std::string bytes = Pattern(300000);
  ASSERT_TRUE(demo_.PutFile("update/big.bin", bytes));
  const std::wstring path = folder_ / L"a\\b\\big.bin";
  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  client.SetTimeouts(3600, 300);
  std::string text = "before";
  EXPECT_EQ(client.Request(CDemoService::FilesUrl("update/big.bin"), HttpMethod::Get, text, nullptr, path), 200);
  EXPECT_EQ(text, "");
  EXPECT_EQ(FileBytes(path), bytes);
}

TEST_F(HttpClientTest, FailedTransferStillEmptiesTheFile) {
  const std::wstring path = folder_ / L"old.bin";
  WriteTestFile(path, "stale content");
  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  std::string text;
  EXPECT_EQ(client.Request("http://127.0.0.1:1/file.bin", HttpMethod::Get, text, nullptr, path), 0);
  EXPECT_EQ(text, curl_easy_strerror(CURLE_COULDNT_CONNECT));
  EXPECT_FALSE(FileExists(path));
}

// A body that cannot be written is a failed transfer, not a file with holes.
TEST_F(HttpClientTest, UnwritableBodyFailsTheTransfer) {
  ASSERT_TRUE(demo_.PutFile("update/big.bin", Pattern(300000)));
  const std::wstring path = folder_ / L"held.bin";
  WriteTestFile(path, "held by another program");
  CScopedHandle held(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.Valid());
  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  std::string text;
  EXPECT_EQ(client.Request(CDemoService::FilesUrl("update/big.bin"), HttpMethod::Get, text, nullptr, path), 200);
  EXPECT_EQ(text, curl_easy_strerror(CURLE_WRITE_ERROR));
  held.Reset();
  EXPECT_EQ(FileBytes(path), "held by another program");
}

TEST_F(HttpClientTest, StalledServerEndsInTimeout) {
  ASSERT_TRUE(demo_.AddFault(Fault("stall")));
  CHttpClient client;
  ASSERT_TRUE(client.InitLibCurl());
  ASSERT_TRUE(client.SetTimeouts(2, 2));
  client.SetPostData("ts=1&sign=0");
  std::string text;
  EXPECT_EQ(client.Request(PrimaryUrl("/Speed/Config/checkVersion"), HttpMethod::Post, text), 0);
  EXPECT_EQ(text, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
}

// DownloadFile's progress callbacks, by context: 1 records, 2 aborts.
struct ProgressCall {
  int context;
  int64_t total;
  int64_t now;
};
std::vector<ProgressCall> g_progressCalls;

bool RecordProgress(int context, int64_t total, int64_t now, double speed) {
  EXPECT_GE(speed, 0.0);
  g_progressCalls.push_back({context, total, now});
  return context != 2;
}

class DownloadFileTest : public HttpClientTest {
 protected:
  void SetUp() override {
    HttpClientTest::SetUp();
    g_progressCalls.clear();
    ASSERT_TRUE(demo_.PutFile("game/data.bin", bytes_));
  }

  const std::string bytes_ = Pattern(200000);
  const std::wstring path_ = folder_ / L"client\\sub\\data.bin";
};

TEST_F(DownloadFileTest, RedirectThenWholeFile) {
  EXPECT_TRUE(DownloadFile(1, CDemoService::FilesUrl("redirect/game/data.bin"), path_, &RecordProgress));
  EXPECT_EQ(FileBytes(path_), bytes_);

  ASSERT_FALSE(g_progressCalls.empty());
  for (const ProgressCall& call : g_progressCalls) EXPECT_EQ(call.context, 1);
  EXPECT_EQ(g_progressCalls.back().now, static_cast<int64_t>(bytes_.size()));
  EXPECT_EQ(g_progressCalls.back().total, static_cast<int64_t>(bytes_.size()));
}

TEST_F(DownloadFileTest, FailuresLeaveNoFile) {
  struct Case {
    const char* what;
    std::string url;
    int context;
    DownloadProgress progress;
  };
  const Case cases[] = {
      {"404 with progress", CDemoService::FilesUrl("game/missing.bin"), 1, &RecordProgress},
      {"404 without progress", CDemoService::FilesUrl("game/missing.bin"), 1, nullptr},
      {"connection cut", CDemoService::FilesUrl("cut/game/data.bin"), 1, &RecordProgress},
      {"progress says stop", CDemoService::FilesUrl("game/data.bin"), 2, &RecordProgress},
      {"nothing listens", "http://127.0.0.1:1/game/data.bin", 1, nullptr},
      {"empty url", "", 1, nullptr},
  };
  for (const Case& c : cases) {
    WriteTestFile(path_, "stale content");
    EXPECT_FALSE(DownloadFile(c.context, c.url, path_, c.progress)) << c.what;
    EXPECT_FALSE(FileExists(path_)) << c.what;
  }
}

// One downloader keeps its transfer handle from file to file: a failed
// transfer leaves nothing behind that spoils the next one, and each digest
// is of that file's bytes alone.
TEST_F(DownloadFileTest, OneDownloaderFetchesFileAfterFileWithTheirDigests) {
  const std::string small = Pattern(3000);
  ASSERT_TRUE(demo_.PutFile("game/small.bin", small));
  const std::string failing[] = {CDemoService::FilesUrl("game/missing.bin"),
                                 CDemoService::FilesUrl("cut/game/data.bin"), "http://127.0.0.1:1/game/data.bin"};
  CFileDownloader downloader;
  std::string digest;
  for (const std::string& url : failing) {
    digest = "stale";
    EXPECT_FALSE(downloader.Fetch(1, url, path_, &RecordProgress, &digest)) << url;
    EXPECT_EQ(digest, "") << url;
    EXPECT_FALSE(FileExists(path_)) << url;
    EXPECT_TRUE(downloader.Fetch(1, CDemoService::FilesUrl("redirect/game/data.bin"), path_, nullptr, &digest)) << url;
    EXPECT_EQ(FileBytes(path_), bytes_) << url;
    EXPECT_EQ(digest, CMd5A().Md5String(bytes_)) << url;
    EXPECT_TRUE(downloader.Fetch(1, CDemoService::FilesUrl("game/small.bin"), path_, &RecordProgress, &digest)) << url;
    EXPECT_EQ(FileBytes(path_), small) << url;
    EXPECT_EQ(digest, CMd5A().Md5String(small)) << url;
  }
}

// A fetch's outcome keeps the library's result and the HTTP status apart:
// a reply with an error status arrived whole, a refused connection brought
// no status at all. Only the whole body of a good reply is left as a file,
// an empty one included.
TEST_F(DownloadFileTest, OutcomeTellsTransportAndStatusApart) {
  ASSERT_TRUE(demo_.PutFile("game/empty.bin", ""));
  struct Case {
    const char* what;
    std::string url;
    int context;
    CURLcode code;
    long status;
    bool fetched;
    std::string bytes;  // of the file when fetched
  };
  const Case cases[] = {
      {"whole file", CDemoService::FilesUrl("game/data.bin"), 1, CURLE_OK, 200, true, bytes_},
      {"empty file", CDemoService::FilesUrl("game/empty.bin"), 1, CURLE_OK, 200, true, ""},
      {"missing on the server", CDemoService::FilesUrl("game/missing.bin"), 1, CURLE_OK, 404, false, ""},
      {"connection cut", CDemoService::FilesUrl("cut/game/data.bin"), 1, CURLE_PARTIAL_FILE, 200, false, ""},
      {"progress says stop", CDemoService::FilesUrl("game/data.bin"), 2, CURLE_ABORTED_BY_CALLBACK, 0, false, ""},
      {"nothing listens", "http://127.0.0.1:1/game/data.bin", 1, CURLE_COULDNT_CONNECT, 0, false, ""},
  };
  CFileDownloader downloader;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteTestFile(path_, "stale content");
    std::string digest = "stale";
    EXPECT_EQ(downloader.Fetch(c.context, c.url, path_, &RecordProgress, &digest), c.fetched);
    const TransferResult& result = downloader.LastResult();
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.text, curl_easy_strerror(c.code));
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.Transported(), c.code == CURLE_OK);
    if (c.fetched) {
      EXPECT_EQ(FileBytes(path_), c.bytes);
      EXPECT_EQ(digest, CMd5A().Md5String(c.bytes));
    } else {
      EXPECT_FALSE(FileExists(path_));
      EXPECT_EQ(digest, "");
    }
  }
}

TEST_F(DownloadFileTest, StalledTransferIsDropped) {
  // The program waits 60 s for data; the test shortens that window.
  EXPECT_FALSE(DownloadFile(1, CDemoService::FilesUrl("stall/game/data.bin"), path_, &RecordProgress, 2));
  EXPECT_FALSE(FileExists(path_));
  ASSERT_FALSE(g_progressCalls.empty());
  EXPECT_EQ(g_progressCalls.back().now, 16);
}

}  // namespace
