// The start-up chain's workers against the running demo deployment: what
// each queues to the main window, what it keeps process-wide and what it
// logs, for good replies and for every kind of bad one.
#include "workers/StartupWorkers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Text.h"
#include "tests/common/DemoService.h"
#include "tests/common/TestLog.h"
#include "tests/workers/RecordingCalls.h"
#include "tests/workers/WorkerCallTest.h"
#include "workers/ApiCall.h"
#include "workers/JsonList.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

const wchar_t kVersionFailed[] = L"检查更新失败，请下载最新版本！";
const wchar_t kConfigFailed[] = L"配置数据获取失败！";
const wchar_t kArticlesFailed[] = L"文章数据获取失败！";


Json::Value Parsed(const std::string& text) {
  Json::Value value;
  EXPECT_TRUE(ParseJsonText(text, value)) << text;
  return value;
}

class StartupWorkersTest : public CWorkerCallTest {
 protected:
  StartupWorkersTest() : CWorkerCallTest(L"startup-workers") {}

  void SetUp() override {
    CWorkerCallTest::SetUp();
    g_configText = g_downloadUrlPrefix = g_articlesText = "stale";
  }
};

TEST_F(StartupWorkersTest, VersionCheckHandsTheDecodedDataToTheWindow) {
  CheckVersionWorker(nullptr);
  TakenCall call = OnlyCall();
  EXPECT_EQ(call.name, "on_version_reply");
  Json::Value version = Parsed(call.narrowText);
  EXPECT_EQ(version["check_code"].asString(), "4");
  EXPECT_EQ(version["file_url"].asString(), CDemoService::FilesUrl("update/OrvaneBox.exe"));
  Json::Value records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["path"].asString(), "/Speed/Config/checkVersion");
  EXPECT_EQ(records[0]["body"].asString().rfind("ts=", 0), 0u);
  EXPECT_TRUE(log_.Lines().empty());
  EXPECT_EQ(g_configText, "stale");
}

// The window makes the update decision from this text, so it must arrive
// exactly as the service encoded it, whatever "check_code" holds.
TEST_F(StartupWorkersTest, VersionDataArrivesUnchanged) {
  for (const char* payload : {R"({"check_code":"10","file_url":"http://h/new.exe"})", R"({"check_code":"abc"})",
                              R"({"check_code":""})"}) {
    SCOPED_TRACE(payload);
    ASSERT_TRUE(demo_.Reset());
    AddFault(Mode("data", payload));
    CheckVersionWorker(nullptr);
    TakenCall call = OnlyCall();
    EXPECT_EQ(call.name, "on_version_reply");
    EXPECT_EQ(call.narrowText, payload);
  }
}

TEST_F(StartupWorkersTest, ConfigurationIsKeptWithItsDownloadPrefix) {
  GetConfigWorker(nullptr);
  TakenCall call = OnlyCall();
  EXPECT_EQ(call.name, "on_config_loaded");
  EXPECT_FALSE(call.hasPayload);
  Json::Value config = Parsed(ConfigText());
  EXPECT_EQ(config["filelist_url_prefix"].asString(), CDemoService::FilesUrl(""));
  EXPECT_EQ(config["file_url"].asString(), "filelist.json");
  EXPECT_EQ(g_downloadUrlPrefix, CDemoService::FilesUrl("client/"));
  EXPECT_EQ(Records()[0]["path"].asString(), "/Speed/Config/getConfig");
  EXPECT_TRUE(log_.Lines().empty());
}

TEST_F(StartupWorkersTest, ConfigurationWithoutDownloadPrefixIsAccepted) {
  const std::string payload = R"({"home":"http://h/","filelist_url_prefix":"http://f/"})";
  AddFault(Mode("data", payload));
  GetConfigWorker(nullptr);
  EXPECT_EQ(OnlyCall().name, "on_config_loaded");
  EXPECT_EQ(ConfigText(), payload);
  EXPECT_EQ(g_downloadUrlPrefix, "");
}

TEST_F(StartupWorkersTest, ArticleListIsKept) {
  GetArticlesWorker(nullptr);
  TakenCall call = OnlyCall();
  EXPECT_EQ(call.name, "on_articles_loaded");
  EXPECT_FALSE(call.hasPayload);
  std::vector<Json::Value> articles;
  ASSERT_TRUE(JsonListItems(Parsed(ArticlesText()), articles));
  ASSERT_EQ(articles.size(), 3u);
  EXPECT_EQ(Utf8ToWide(articles[0]["title"].asString()), L"Mir M韩服客户端下载说明");
  EXPECT_EQ(Records()[0]["path"].asString(), "/Speed/Config/getArticles");
}

// Data under 64 characters travels in clear and is used as it is.
TEST_F(StartupWorkersTest, ShortDataInClearWorksForAllThree) {
  AddFault(Envelope("data", R"({"check_code":"5"})"));
  CheckVersionWorker(nullptr);
  EXPECT_EQ(OnlyCall().narrowText, R"({"check_code":"5"})");

  ASSERT_TRUE(demo_.Reset());
  AddFault(Envelope("data", R"({"downloadurl_prefix":"http://d/"})"));
  GetConfigWorker(nullptr);
  EXPECT_EQ(OnlyCall().name, "on_config_loaded");
  EXPECT_EQ(g_downloadUrlPrefix, "http://d/");

  ASSERT_TRUE(demo_.Reset());
  AddFault(Envelope("data", R"([{"title":"t","url":"http://a/"}])"));
  GetArticlesWorker(nullptr);
  EXPECT_EQ(OnlyCall().name, "on_articles_loaded");
  EXPECT_EQ(ArticlesText(), R"([{"title":"t","url":"http://a/"}])");
}

// Every reply that is not a usable envelope ends in the call's failure
// path: one log line with the reply, the fixed text to the window (never
// the envelope's message). The version and article data are not checked by
// the workers, only the configuration, which must be a JSON object and is
// kept only when it is one.
struct MalformedReply {
  const char* name;
  Json::Value mode;
  bool versionFails;
  bool configFails;
  bool articlesFails;
};

std::vector<MalformedReply> MalformedReplies() {
  Json::Value codeObject(Json::objectValue);
  codeObject["value"] = 10001;
  Json::Value codeArray(Json::arrayValue);
  codeArray.append(10001);
  Json::Value dataObject(Json::objectValue);
  dataObject["check_code"] = "5";
  return {
      {"not JSON", Mode("raw", "<html>busy</html>"), true, true, true},
      {"cut short", Mode("raw", R"({"code":10001,"data":")"), true, true, true},
      {"blanks", Mode("raw", " \t "), true, true, true},
      {"root an array", Mode("raw", R"([{"code":10001,"data":"{}"}])"), true, true, true},
      {"root a text", Mode("raw", R"("10001")"), true, true, true},
      {"root a number", Mode("raw", "10001"), true, true, true},
      {"code missing", Mode("raw", R"({"data":"{}"})"), true, true, true},
      {"empty envelope", Mode("raw", "{}"), true, true, true},
      {"code true", Envelope("code", true), true, true, true},
      {"code null", Envelope("code", Json::Value()), true, true, true},
      {"code a text", Envelope("code", "10001"), true, true, true},
      {"code an object", Envelope("code", codeObject), true, true, true},
      {"code an array", Envelope("code", codeArray), true, true, true},
      {"code beyond an integer", Envelope("code", 1e30), true, true, true},
      {"code refused", Envelope("code", 10002), true, true, true},
      {"refused without message", Mode("raw", R"({"code":10002})"), true, true, true},
      {"refused with a message", Mode("raw", R"({"code":10002,"message":"\u7ef4\u62a4"})"), true, true, true},
      {"refused with a number as message", Mode("raw", R"({"code":10002,"message":7})"), true, true, true},
      {"data an array", Envelope("data", codeArray), true, true, true},
      {"data an object", Envelope("data", dataObject), true, true, true},
      {"data not JSON", Mode("data", "not json"), false, true, false},
      {"data invalid hex", Envelope("data", std::string(512, 'z')), false, true, false},
      {"data huge and undecodable", Envelope("data", std::string(256 * 200, '0')), false, true, false},
      {"configuration a list", Mode("data", "[1,2]"), false, true, false},
      {"configuration null", Mode("data", "null"), false, true, false},
      {"download prefix an object", Mode("data", R"({"downloadurl_prefix":{"a":1}})"), false, true, false},
  };
}

TEST_F(StartupWorkersTest, MalformedRepliesTakeTheFailurePath) {
  const struct {
    const char* name;
    void (*worker)(void*);
    bool MalformedReply::*fails;
    const char* success;
    const char* failure;
    const wchar_t* failureText;
  } kWorkers[] = {
      {"version", &CheckVersionWorker, &MalformedReply::versionFails, "on_version_reply", "on_fatal_error",
       kVersionFailed},
      {"config", &GetConfigWorker, &MalformedReply::configFails, "on_config_loaded", "on_fatal_error",
       kConfigFailed},
      {"articles", &GetArticlesWorker, &MalformedReply::articlesFails, "on_articles_loaded", "on_articles_failed",
       kArticlesFailed},
  };
  for (const MalformedReply& reply : MalformedReplies()) {
    for (const auto& worker : kWorkers) {
      SCOPED_TRACE(std::string(reply.name) + " / " + worker.name);
      ASSERT_TRUE(demo_.Reset());
      AddFault(reply.mode);
      g_configText = g_downloadUrlPrefix = "stale";
      CTestLog log(L"startup-malformed");
      worker.worker(nullptr);
      TakenCall call = OnlyCall();
      std::vector<std::wstring> lines = log.Lines();
      if (reply.*worker.fails) {
        EXPECT_EQ(call.name, worker.failure);
        EXPECT_EQ(call.text, worker.failureText);
        EXPECT_EQ(g_configText, "stale");
        EXPECT_EQ(g_downloadUrlPrefix, "stale");
        ASSERT_EQ(lines.size(), 1u);
        if (reply.mode.isMember("raw")) {
          const std::wstring raw = Utf8ToWide(reply.mode["raw"].asString());
          EXPECT_EQ(lines[0].substr(lines[0].size() - raw.size()), raw);
        }
      } else {
        EXPECT_EQ(call.name, worker.success);
        EXPECT_TRUE(lines.empty());
      }
    }
  }
}

// No answer from either host: the failed first attempt and the failure are
// both logged, and each call queues its own failure.
TEST_F(StartupWorkersTest, NoAnswerFromEitherHostFails) {
  const struct {
    void (*worker)(void*);
    const char* failure;
    const wchar_t* text;
  } kCases[] = {
      {&CheckVersionWorker, "on_fatal_error", kVersionFailed},
      {&GetConfigWorker, "on_fatal_error", kConfigFailed},
      {&GetArticlesWorker, "on_articles_failed", kArticlesFailed},
  };
  Json::Value status(Json::objectValue);
  status["status"] = 503;
  for (const auto& failing : kCases) {
    SCOPED_TRACE(failing.failure);
    ASSERT_TRUE(demo_.Reset());
    AddFault(status);
    CTestLog log(L"startup-no-answer");
    failing.worker(nullptr);
    TakenCall call = OnlyCall();
    EXPECT_EQ(call.name, failing.failure);
    EXPECT_EQ(call.text, failing.text);
    EXPECT_EQ(log.Lines().size(), 2u);
    Json::Value records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1]["host"].asString(), "fallback");
  }
  EXPECT_EQ(g_configText, "stale");
  EXPECT_EQ(g_articlesText, "stale");
}

TEST(StartupWorkersWithoutWindow, ResultIsKeptAndNothingBreaks) {
  ASSERT_TRUE(CDemoService().Reset());
  ASSERT_EQ(g_mainWnd, nullptr);
  g_articlesText.clear();
  GetArticlesWorker(nullptr);
  EXPECT_FALSE(ArticlesText().empty());
}

}  // namespace
