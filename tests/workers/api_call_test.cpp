// ApiCall and the envelope reading against the running demo deployment over
// HTTPS: the service checks every signature, and its records show what the
// program sent, in order, with arrival times.
#include "workers/ApiCall.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "support/CurlTransfer.h"
#include "support/MachineIdentity.h"
#include "support/Text.h"
#include "tests/common/DemoService.h"
#include "tests/common/ShortDelays.h"
#include "tests/common/TestLog.h"
#include "workers/DeploymentTrust.h"
#include "workers/ReplyData.h"
#include "workers/UserId.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

const char kVersionPath[] = "/Speed/Config/checkVersion";
const std::regex kSignature("&?ts=[1-9][0-9]{9,}&sign=[0-9a-f]{32}$");

Json::Value Fault(const Json::Value& mode, const char* host = "any") {
  Json::Value fault(Json::objectValue);
  fault["mode"] = mode;
  fault["host"] = host;
  fault["count"] = 1;
  return fault;
}

Json::Value StatusMode(int status) {
  Json::Value mode(Json::objectValue);
  mode["status"] = status;
  return mode;
}

Json::Value Decoded(const ApiReply& reply) {
  ApiEnvelope envelope;
  Json::Value payload;
  EXPECT_TRUE(ReadApiEnvelope(reply.text, envelope)) << reply.text;
  EXPECT_EQ(envelope.code, kApiSuccessCode) << reply.text;
  EXPECT_TRUE(ParseJsonText(DecodeReplyData(envelope.data), payload)) << envelope.data;
  return payload;
}

class ApiCallTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.Reset());
    SetUserId("");
  }
  void TearDown() override { SetUserId(""); }

  Json::Value Records() {
    Json::Value records;
    EXPECT_TRUE(demo_.Requests(records));
    return records;
  }

  CShortDelays delays_;
  CDemoService demo_;
  CTestLog log_{L"api-call"};
};

TEST_F(ApiCallTest, CallWithoutParametersIsSignedAndDecoded) {
  ApiReply reply = ApiCall(kVersionPath, kVersionPath, {}, true);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(Decoded(reply)["check_code"].asString(), "4");

  Json::Value records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["host"].asString(), "primary");
  EXPECT_EQ(records[0]["path"].asString(), kVersionPath);
  std::string body = records[0]["body"].asString();
  EXPECT_TRUE(std::regex_match(body, std::regex("ts=[1-9][0-9]{9,}&sign=[0-9a-f]{32}"))) << body;
  EXPECT_TRUE(log_.Lines().empty());
}

TEST_F(ApiCallTest, ClientLinesInOrder) {
  struct Case {
    std::string userId;
    std::string userLine;
  };
  const Case cases[] = {{"", "Userid: 0"}, {"12345", "Userid: 12345"}};
  for (const Case& c : cases) {
    ASSERT_TRUE(demo_.Reset());
    SetUserId(c.userId);
    ApiCall(kVersionPath, kVersionPath, {}, true);
    Json::Value records = Records();
    ASSERT_EQ(records.size(), 1u);
    std::vector<std::string> headers;
    for (const Json::Value& line : records[0]["headers"]) headers.push_back(line.asString());
    const std::vector<std::string> block = {c.userLine, "Clientuuid: " + MachineId(), "Categoryid: 4",
                                            "Version: 4", "Lang: zh-cn"};
    auto at = std::search(headers.begin(), headers.end(), block.begin(), block.end());
    EXPECT_NE(at, headers.end()) << c.userLine;
    EXPECT_EQ(std::count(headers.begin(), headers.end(), std::string()), 0);
    EXPECT_EQ(std::count_if(headers.begin(), headers.end(),
                            [](const std::string& line) { return line.compare(0, 8, "Userid: ") == 0; }),
              1);
  }
}

TEST_F(ApiCallTest, ParametersSentEncodedAndSignedInLowerCase) {
  ASSERT_TRUE(demo_.SetAccount("+8613912345678", "Pass Word+1"));
  ApiReply reply = ApiCall("/Speed/User/zmlogin?", "/Speed/User/zmlogin?",
                           {{"mobile", "+8613912345678"}, {"password", "Pass Word+1"}}, false);
  Json::Value payload = Decoded(reply);
  EXPECT_GT(payload["user_id"].asInt(), 100001);

  Json::Value records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["path"].asString(), "/Speed/User/zmlogin?");
  std::string body = records[0]["body"].asString();
  const std::string pairs = "mobile=%2B8613912345678&password=Pass+Word%2B1";
  EXPECT_EQ(body.substr(0, pairs.size()), pairs);
  EXPECT_TRUE(std::regex_match(body.substr(pairs.size()), kSignature)) << body;
}

TEST_F(ApiCallTest, WrongPasswordIsRefusedWithItsMessage) {
  ApiReply reply = ApiCall("/Speed/User/zmlogin?", "/Speed/User/zmlogin?",
                           {{"mobile", "13800138000"}, {"password", "orvane2024"}}, false);
  ApiEnvelope envelope;
  ASSERT_TRUE(ReadApiEnvelope(reply.text, envelope)) << reply.text;
  EXPECT_EQ(envelope.code, 10005);
  EXPECT_EQ(Utf8ToWide(envelope.message), L"\u8D26\u53F7\u6216\u5BC6\u7801\u9519\u8BEF");
}

TEST_F(ApiCallTest, NoAnswerFromPrimaryFallsBackAfterPause) {
  // What the log line of the failed first attempt ends with: the reply text
  // or the HTTP client's error (nullptr: nothing logged).
  struct Case {
    const char* what;
    Json::Value mode;
    bool logFirstFailure;
    const char* logged;
  };
  const Case cases[] = {
      {"200 with empty body", "empty", true, "]"},
      {"301 without a target", StatusMode(301), true, "301 Moved Permanently\n"},
      {"status 199", StatusMode(199), true, curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL)},
      {"500, not logged", StatusMode(500), false, nullptr},
  };
  // Long enough to tell from the request times.
  Delays().fallbackPauseMs = 300;
  for (const Case& c : cases) {
    ASSERT_TRUE(demo_.Reset());
    CTestLog log(L"fallback");
    ASSERT_TRUE(demo_.AddFault(Fault(c.mode, "primary")));
    ApiReply reply = ApiCall("/Speed/User/send?", "/Speed/User/send", {{"mobile", "13800138000"}}, c.logFirstFailure);
    EXPECT_EQ(reply.status, 200) << c.what;

    Json::Value records = Records();
    ASSERT_EQ(records.size(), 2u) << c.what;
    EXPECT_EQ(records[0]["host"].asString(), "primary") << c.what;
    EXPECT_EQ(records[0]["path"].asString(), "/Speed/User/send?") << c.what;
    EXPECT_EQ(records[1]["host"].asString(), "fallback") << c.what;
    EXPECT_EQ(records[1]["path"].asString(), "/Speed/User/send") << c.what;
    EXPECT_EQ(records[1]["body"].asString(), records[0]["body"].asString()) << c.what;
    EXPECT_EQ(records[1]["reply_code"].asInt(), kApiSuccessCode) << c.what;
    double gap = records[1]["time"].asDouble() - records[0]["time"].asDouble();
    EXPECT_GE(gap, 0.29) << c.what;
    EXPECT_LT(gap, 30.0) << c.what;
    std::vector<std::wstring> lines = log.Lines();
    ASSERT_EQ(lines.size(), c.logged ? 1u : 0u) << c.what;
    if (c.logged) {
      const std::wstring ending = Utf8ToWide(c.logged);
      EXPECT_TRUE(lines[0].size() >= ending.size() &&
                  lines[0].compare(lines[0].size() - ending.size(), ending.size(), ending) == 0)
          << c.what << ": " << WideToUtf8(lines[0]);
    }
  }
}

TEST_F(ApiCallTest, Status300IsAnAnswer) {
  ASSERT_TRUE(demo_.AddFault(Fault(StatusMode(300), "primary")));
  ApiReply reply = ApiCall(kVersionPath, kVersionPath, {}, true);
  EXPECT_EQ(reply.status, 300);
  EXPECT_EQ(Decoded(reply)["check_code"].asString(), "4");
  EXPECT_EQ(Records().size(), 1u);
  EXPECT_TRUE(log_.Lines().empty());
}

TEST_F(ApiCallTest, BothHostsDownLogsTheClientError) {
  ASSERT_TRUE(demo_.AddFault(Fault("primary down")));
  ASSERT_TRUE(demo_.AddFault(Fault("fallback down")));
  ApiReply reply = ApiCall(kVersionPath, kVersionPath, {}, true);
  const std::string error = curl_easy_strerror(CURLE_COULDNT_CONNECT);
  EXPECT_EQ(reply.status, 0);
  EXPECT_EQ(reply.text, error);
  ApiEnvelope envelope;
  EXPECT_FALSE(ReadApiEnvelope(reply.text, envelope));
  std::vector<std::wstring> lines = log_.Lines();
  ASSERT_EQ(lines.size(), 1u);
  const std::wstring ending = Utf8ToWide(error);
  EXPECT_EQ(lines[0].substr(lines[0].size() - ending.size()), ending) << WideToUtf8(lines[0]);
  EXPECT_NE(lines[0].find(L"ApiCall.cpp"), std::wstring::npos) << WideToUtf8(lines[0]);
}

// Someone answering in the service's name with a certificate of another key
// gets nothing from a build that pins its hosts: the call ends as a call
// with no answer, from the fallback host too. A build that sets nothing
// talks to whoever answers.
TEST_F(ApiCallTest, HostsShowingAnotherCertificate) {
  const DeploymentTrust& compiled = CompiledDeploymentTrust();
  TransferTrust demoTrust;
  demoTrust.pins = compiled.tlsPins;
  demoTrust.caBundlePem = compiled.caBundlePem;
  if (!demoTrust.VerifiesServers()) GTEST_SKIP() << "this build trusts any certificate (no demo trust settings)";
  struct Case {
    const char* what;
    bool pinned;
    std::vector<const char*> impostors;
    int status;                 // of the call's reply
    const char* answeringHost;  // that the service recorded; nullptr: none
  };
  const Case cases[] = {
      {"pinned, both hosts", true, {"primary", "fallback"}, 0, nullptr},
      {"pinned, primary only", true, {"primary"}, 200, "fallback"},
      {"pinned, fallback only", true, {"fallback"}, 200, "primary"},
      {"nothing set, both hosts", false, {"primary", "fallback"}, 200, "primary"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(demo_.Reset());
    SetTransferTrust(c.pinned ? demoTrust : TransferTrust());
    for (const char* host : c.impostors) ASSERT_TRUE(demo_.AddFault(Fault(std::string(host) + " impostor")));
    ApiReply reply = ApiCall(kVersionPath, kVersionPath, {}, true);
    EXPECT_EQ(reply.status, c.status) << c.what << ": " << reply.text;
    ApiEnvelope envelope;
    EXPECT_EQ(ReadApiEnvelope(reply.text, envelope), c.status == 200) << c.what;
    Json::Value records = Records();
    ASSERT_EQ(records.size(), c.answeringHost ? 1u : 0u) << c.what;
    if (c.answeringHost) EXPECT_EQ(records[0]["host"].asString(), c.answeringHost) << c.what;
  }
  SetTransferTrust(TransferTrust());
}

TEST_F(ApiCallTest, DecodedConfigurationAndArticles) {
  Json::Value config = Decoded(ApiCall("/Speed/Config/getConfig", "/Speed/Config/getConfig", {}, true));
  EXPECT_EQ(config["downloadurl_prefix"].asString(), CDemoService::FilesUrl("client/"));
  EXPECT_EQ(config["file_url"].asString(), "filelist.json");

  Json::Value articles = Decoded(ApiCall("/Speed/Config/getArticles", "/Speed/Config/getArticles", {}, true));
  ASSERT_TRUE(articles.isArray());
  ASSERT_FALSE(articles.empty());
  for (const Json::Value& article : articles) {
    EXPECT_FALSE(article["title"].asString().empty());
    EXPECT_EQ(article["url"].asString().compare(0, 7, "http://"), 0);
  }
}

TEST_F(ApiCallTest, EnvelopesFromTheService) {
  struct Case {
    const char* members;
    bool readable;
    int code;
  };
  const Case cases[] = {
      {R"({"code": 10002, "message": "\u8bf7\u8f93\u5165"})", true, 10002},
      {R"({"code": "10001"})", false, 0},
      {R"({"data": [1]})", false, 0},
      {R"({"code": 10001.0})", true, kApiSuccessCode},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(demo_.Reset());
    Json::Value mode(Json::objectValue);
    ASSERT_TRUE(ParseJsonText(c.members, mode["envelope"]));
    ASSERT_TRUE(demo_.AddFault(Fault(mode)));
    ApiReply reply = ApiCall(kVersionPath, kVersionPath, {}, true);
    ApiEnvelope envelope;
    EXPECT_EQ(ReadApiEnvelope(reply.text, envelope), c.readable) << c.members;
    if (c.readable) {
      EXPECT_EQ(envelope.code, c.code) << c.members;
    }
  }
}

TEST(ReadApiEnvelope, Rules) {
  struct Case {
    const char* text;
    bool readable;
    int code;
    const char* data;
    const char* message;
  };
  const Case cases[] = {
      {R"({"code":10001,"data":"ab12"})", true, 10001, "ab12", ""},
      {R"({"code":10001.9,"data":12})", true, 10001, "12", ""},
      {R"({"code":10001})", true, 10001, "", ""},
      {R"({"code":10001,"data":null,"message":[1]})", true, 10001, "", ""},
      {R"({"code":10004,"message":"x","data":[1]})", true, 10004, "", "x"},
      {R"({"code":10002})", true, 10002, "", ""},
      {R"({})", true, 0, "", ""},
      {"/* note */ {\"code\": 10003, // line\n \"message\": \"m\"}", true, 10003, "", "m"},
      {R"({"code":"10001","data":"ab"})", false, 0, "", ""},
      {R"({"code":[10001]})", false, 0, "", ""},
      {R"({"code":{}})", false, 0, "", ""},
      {R"({"code":1e20})", false, 0, "", ""},
      {R"({"code":10001,"data":[1]})", false, 0, "", ""},
      {R"({"code":10001,"data":{"a":1}})", false, 0, "", ""},
      {R"({"code":10002,"message":{}})", false, 0, "", ""},
      {R"({"code":10002,"message":12})", false, 0, "", ""},
      {R"({"code":10002,"message":null})", false, 0, "", ""},
      {R"({"code":10002,"message":" \t\r\n"})", true, 10002, "", ""},
      {R"({"code":10002,"message":" m "})", true, 10002, "", " m "},
      {R"({"code":true,"message":"m"})", false, 0, "", ""},
      {R"({"code":false})", false, 0, "", ""},
      {R"({"code":null,"data":"ab"})", false, 0, "", ""},
      {R"([10001])", false, 0, "", ""},
      {"Couldn't connect to server", false, 0, "", ""},
      {"", false, 0, "", ""},
  };
  for (const Case& c : cases) {
    ApiEnvelope envelope;
    ASSERT_EQ(ReadApiEnvelope(c.text, envelope), c.readable) << c.text;
    if (!c.readable) continue;
    EXPECT_EQ(envelope.code, c.code) << c.text;
    EXPECT_EQ(envelope.data, c.data) << c.text;
    EXPECT_EQ(envelope.message, c.message) << c.text;
  }
}

TEST(ApiTimestamp, DecimalSecondsOfNow) {
  std::string ts = ApiTimestamp();
  EXPECT_TRUE(std::regex_match(ts, std::regex("[1-9][0-9]{9,}"))) << ts;
  EXPECT_LE(std::stoll(ts), std::stoll(ApiTimestamp()));
}

}  // namespace
