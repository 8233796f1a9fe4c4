// The sign-in calls and the token store against the running demo deployment
// and the registry of the Wine prefix: what each worker queues, what it
// stores in "token2" and in the process, and what the next request sends.
#include "workers/SignInWorkers.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/Registry.h"
#include "support/Text.h"
#include "tests/common/DemoService.h"
#include "tests/common/TestLog.h"
#include "tests/workers/RecordingCalls.h"
#include "tests/workers/WorkerCallTest.h"
#include "workers/ClientDescription.h"
#include "workers/UserId.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

const char kDemoMobile[] = "13800138000";
const char kDemoPassword[] = "Orvane2024";
const wchar_t kSignInFailed[] = L"登录错误！请稍后重试";
const wchar_t kSendFailed[] = L"网络错误，发送失败";


void* Request(const std::string& mobile, const std::string& credential) {
  return new SignInRequest{mobile, credential};
}

void* Text(const std::string& text) { return new std::string(text); }

// "token2" as the window reads it at start-up; "(missing)" when absent.
std::wstring StoredToken() {
  std::wstring token;
  return RegistryRead(HKEY_CURRENT_USER, kSettingsKey, kTokenValue, REG_SZ, token) ? token : L"(missing)";
}

void StoreToken(const std::string& token) {
  ASSERT_TRUE(RegistryWriteNarrow(HKEY_CURRENT_USER, "Software\\tessalunde", "token2", REG_SZ, token.data(),
                                  static_cast<DWORD>(token.size())));
}

// The "Userid" header line of a recorded request.
std::string UseridLine(const Json::Value& record) {
  for (const Json::Value& line : record["headers"]) {
    if (line.asString().rfind("Userid:", 0) == 0) return line.asString();
  }
  return "(none)";
}

class SignInWorkersTest : public CWorkerCallTest {
 protected:
  SignInWorkersTest() : CWorkerCallTest(L"sign-in-workers") {}

  void SetUp() override {
    CWorkerCallTest::SetUp();
    ClearSettings();
  }
  void TearDown() override {
    ClearSettings();
    CWorkerCallTest::TearDown();
  }

  static void ClearSettings() {
    SetUserId("");
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kTokenValue);
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kAccountValue);
  }
};

TEST_F(SignInWorkersTest, PasswordSignInStoresTheIdAndTheNextRequestCarriesIt) {
  LoginByPasswordWorker(Request(kDemoMobile, kDemoPassword));
  TakenCall call = OnlyCall();
  EXPECT_EQ(call.name, "on_signed_in");
  EXPECT_FALSE(call.hasPayload);
  EXPECT_EQ(GetUserId(), "100001");
  EXPECT_EQ(StoredToken(), L"100001");

  SendCodeWorker(Text(kDemoMobile));
  EXPECT_EQ(OnlyCall().name, "on_code_sent");
  Json::Value records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["path"].asString(), "/Speed/User/zmlogin?");
  EXPECT_EQ(UseridLine(records[0]), "Userid: 0");
  EXPECT_EQ(UseridLine(records[1]), "Userid: 100001");
  EXPECT_TRUE(log_.Lines().empty());
}

// The first sign-in of a number with an SMS code registers it.
TEST_F(SignInWorkersTest, CodeSignInWithTheSentCode) {
  const std::string mobile = "+8613900000001";
  SendCodeWorker(Text(mobile));
  EXPECT_EQ(OnlyCall().name, "on_code_sent");
  std::string code;
  ASSERT_TRUE(demo_.SmsCode(mobile, code));

  LoginByCodeWorker(Request(mobile, code));
  EXPECT_EQ(OnlyCall().name, "on_signed_in");
  EXPECT_EQ(GetUserId(), "100002");
  EXPECT_EQ(StoredToken(), L"100002");
  Json::Value records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["path"].asString(), "/Speed/User/send?");
  EXPECT_EQ(records[1]["path"].asString(), "/Speed/User/login?");
  EXPECT_EQ(records[1]["body"].asString().rfind("mobile=%2B8613900000001&mobile_code=" + code + "&ts=", 0), 0u)
      << records[1]["body"].asString();
}

// A refusal shows the service's own message and stores nothing.
TEST_F(SignInWorkersTest, RefusalsQueueTheServiceMessageAndChangeNothing) {
  const struct {
    const char* name;
    void (*worker)(void*);
    void* (*argument)();
    const char* method;
    const wchar_t* message;
  } kCases[] = {
      {"wrong password", &LoginByPasswordWorker, [] { return Request(kDemoMobile, "orvane2024"); },
       "on_sign_in_failed", L"账号或密码错误"},
      {"wrong code", &LoginByCodeWorker, [] { return Request(kDemoMobile, "000000"); }, "on_sign_in_failed",
       L"验证码错误或已失效"},
      {"empty password", &LoginByPasswordWorker, [] { return Request(kDemoMobile, ""); }, "on_sign_in_failed",
       L"请输入密码"},
      {"bad number", &SendCodeWorker, [] { return Text("12ab"); }, "on_code_failed", L"手机号格式不正确"},
  };
  for (const auto& refusal : kCases) {
    SCOPED_TRACE(refusal.name);
    StoreToken("555");
    SetUserId("555");
    refusal.worker(refusal.argument());
    TakenCall call = OnlyCall();
    EXPECT_EQ(call.name, refusal.method);
    EXPECT_EQ(call.text, refusal.message);
    EXPECT_EQ(GetUserId(), "555");
    EXPECT_EQ(StoredToken(), L"555");
  }
  EXPECT_TRUE(log_.Lines().empty());
}

// An empty tip would tell the user nothing: a refusal without a message
// shows the call's own failure text and logs the reply.
TEST_F(SignInWorkersTest, SmsRefusalWithoutMessageShowsTheFailureText) {
  AddFault(Mode("raw", R"({"code":10003})"));
  SendCodeWorker(Text(kDemoMobile));
  TakenCall call = OnlyCall();
  EXPECT_EQ(call.name, "on_code_failed");
  EXPECT_EQ(call.text, kSendFailed);
  std::vector<std::wstring> lines = log_.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(L"{\"code\":10003}"), std::wstring::npos) << WideToUtf8(lines[0]);
}

// The SMS call logs its failed first attempt as well as the failure; the
// sign-in calls log only the failure.
TEST_F(SignInWorkersTest, NoAnswerFromEitherHost) {
  const struct {
    void (*worker)(void*);
    void* (*argument)();
    const char* method;
    const wchar_t* text;
    const char* primaryPath;
    const char* fallbackPath;
    size_t logLines;
  } kCases[] = {
      {&SendCodeWorker, [] { return Text(kDemoMobile); }, "on_code_failed", kSendFailed, "/Speed/User/send?",
       "/Speed/User/send", 2},
      {&LoginByCodeWorker, [] { return Request(kDemoMobile, "123456"); }, "on_sign_in_failed", kSignInFailed,
       "/Speed/User/login?", "/Speed/User/login?", 1},
      {&LoginByPasswordWorker, [] { return Request(kDemoMobile, kDemoPassword); }, "on_sign_in_failed",
       kSignInFailed, "/Speed/User/zmlogin?", "/Speed/User/zmlogin?", 1},
  };
  Json::Value status(Json::objectValue);
  status["status"] = 502;
  for (const auto& failing : kCases) {
    SCOPED_TRACE(failing.primaryPath);
    ASSERT_TRUE(demo_.Reset());
    AddFault(status);
    CTestLog log(L"sign-in-no-answer");
    failing.worker(failing.argument());
    TakenCall call = OnlyCall();
    EXPECT_EQ(call.name, failing.method);
    EXPECT_EQ(call.text, failing.text);
    EXPECT_EQ(log.Lines().size(), failing.logLines);
    Json::Value records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["path"].asString(), failing.primaryPath);
    EXPECT_EQ(records[1]["path"].asString(), failing.fallbackPath);
    EXPECT_EQ(records[1]["host"].asString(), "fallback");
  }
  EXPECT_EQ(GetUserId(), "");
  EXPECT_EQ(StoredToken(), L"(missing)");
}

// Replies to a password sign-in that the service would have accepted, bent
// into every shape a reply can take. A usable one stores its "user_id" as
// text; every other one ends in the failure path, logs the reply once and
// leaves the stored sign-in as it was.
TEST_F(SignInWorkersTest, SignInRepliesTable) {
  Json::Value codeArray(Json::arrayValue);
  codeArray.append(10001);
  Json::Value codeObject(Json::objectValue);
  codeObject["code"] = 10001;
  const std::string hugeMessage = WideToUtf8(std::wstring(20000, L'错'));
  const struct {
    const char* name;
    Json::Value mode;
    const char* storedId;  // null: the sign-in fails
    std::wstring failure;  // the text queued when it fails
    bool logged;           // a failure logs the reply; a refusal does not
  } kReplies[] = {
      {"numeric user_id", Mode("data", R"({"user_id":12345,"mobile":"13800138000"})"), "12345", L"", false},
      {"text user_id", Mode("data", R"({"user_id":"u-77"})"), "u-77", L"", false},
      {"short data in clear", Envelope("data", R"({"user_id":42})"), "42", L"", false},
      {"refused without message", Mode("raw", R"({"code":10005})"), nullptr, kSignInFailed, true},
      {"refused with a blank message", Mode("raw", R"({"code":10005,"message":" \t\r\n"})"), nullptr,
       kSignInFailed, true},
      {"refused with a null message", Mode("raw", R"({"code":10005,"message":null})"), nullptr, kSignInFailed,
       true},
      {"refused with a number as message", Mode("raw", R"({"code":10005,"message":12})"), nullptr, kSignInFailed,
       true},
      {"refused with a padded message", Mode("raw", R"({"code":10005,"message":" \u5bc6\u7801 "})"), nullptr,
       L" 密码 ", false},
      {"empty envelope", Mode("raw", "{}"), nullptr, kSignInFailed, true},
      {"code true", Envelope("code", true), nullptr, kSignInFailed, true},
      {"code true with a message", Mode("raw", R"({"code":true,"message":"x"})"), nullptr, kSignInFailed, true},
      {"code null", Envelope("code", Json::Value()), nullptr, kSignInFailed, true},
      {"refused with a huge message", Mode("raw", R"({"code":10005,"message":")" + hugeMessage + R"("})"), nullptr,
       Utf8ToWide(hugeMessage), false},
      {"not JSON", Mode("raw", "Bad Gateway"), nullptr, kSignInFailed, true},
      {"root an array", Mode("raw", R"([{"code":10001}])"), nullptr, kSignInFailed, true},
      {"code a text", Envelope("code", "10001"), nullptr, kSignInFailed, true},
      {"code an object", Envelope("code", codeObject), nullptr, kSignInFailed, true},
      {"code an array", Envelope("code", codeArray), nullptr, kSignInFailed, true},
      {"message an array", Mode("raw", R"({"code":10005,"message":["x"]})"), nullptr, kSignInFailed, true},
      {"data an array", Envelope("data", codeArray), nullptr, kSignInFailed, true},
      {"data empty", Envelope("data", ""), nullptr, kSignInFailed, true},
      {"data not JSON", Mode("data", "user_id=1"), nullptr, kSignInFailed, true},
      {"data invalid hex", Envelope("data", std::string(256, 'g')), nullptr, kSignInFailed, true},
      {"data huge and undecodable", Envelope("data", std::string(256 * 200, 'F')), nullptr, kSignInFailed, true},
      {"data a list", Mode("data", R"([{"user_id":1}])"), nullptr, kSignInFailed, true},
      {"user_id missing", Mode("data", R"({"mobile":"13800138000"})"), nullptr, kSignInFailed, true},
      {"user_id empty", Mode("data", R"({"user_id":""})"), nullptr, kSignInFailed, true},
      {"user_id null", Mode("data", R"({"user_id":null})"), nullptr, kSignInFailed, true},
      {"user_id an object", Mode("data", R"({"user_id":{"id":1}})"), nullptr, kSignInFailed, true},
      {"user_id with a line break", Mode("data", "{\"user_id\":\"7\\r\\nVersion: 9\"}"), nullptr, kSignInFailed,
       true},
      {"user_id with a semicolon", Mode("data", R"({"user_id":"7;8"})"), nullptr, kSignInFailed, true},
  };
  for (const auto& reply : kReplies) {
    SCOPED_TRACE(reply.name);
    ASSERT_TRUE(demo_.Reset());
    AddFault(reply.mode);
    StoreToken("555");
    SetUserId("555");
    CTestLog log(L"sign-in-replies");
    LoginByPasswordWorker(Request(kDemoMobile, kDemoPassword));
    TakenCall call = OnlyCall();
    const std::string storedId = reply.storedId ? reply.storedId : "555";
    EXPECT_EQ(call.name, reply.storedId ? "on_signed_in" : "on_sign_in_failed");
    EXPECT_EQ(call.text, reply.failure);
    EXPECT_EQ(GetUserId(), storedId);
    EXPECT_EQ(StoredToken(), Utf8ToWide(storedId));
    EXPECT_EQ(log.Lines().size(), reply.logged ? 1u : 0u);
  }
}

// The SMS call reads no "data", so only the envelope can fail it. A
// failure logs the reply; a refusal shows its message and logs nothing.
TEST_F(SignInWorkersTest, SmsRepliesTable) {
  Json::Value codeArray(Json::arrayValue);
  codeArray.append(10001);
  const struct {
    const char* name;
    Json::Value mode;
    const char* method;
    const wchar_t* text;
  } kReplies[] = {
      {"empty envelope", Mode("raw", "{}"), "on_code_failed", kSendFailed},
      {"code true", Envelope("code", true), "on_code_failed", kSendFailed},
      {"code null", Envelope("code", Json::Value()), "on_code_failed", kSendFailed},
      {"refused with a blank message", Mode("raw", R"({"code":10003,"message":"  "})"), "on_code_failed",
       kSendFailed},
      {"refused with a message", Mode("raw", R"({"code":10003,"message":"\u9891\u7e41"})"), "on_code_failed",
       L"频繁"},
      {"data not JSON", Mode("data", "not json"), "on_code_sent", nullptr},
      {"not JSON", Mode("raw", "<html></html>"), "on_code_failed", kSendFailed},
      {"root a number", Mode("raw", "10001"), "on_code_failed", kSendFailed},
      {"code a text", Envelope("code", "10001"), "on_code_failed", kSendFailed},
      {"code an array", Envelope("code", codeArray), "on_code_failed", kSendFailed},
      {"code a fraction", Envelope("code", 10001.0), "on_code_sent", nullptr},
      {"message a number", Mode("raw", R"({"code":10003,"message":12})"), "on_code_failed", kSendFailed},
      {"message an array", Mode("raw", R"({"code":10003,"message":["x"]})"), "on_code_failed", kSendFailed},
  };
  for (const auto& reply : kReplies) {
    SCOPED_TRACE(reply.name);
    ASSERT_TRUE(demo_.Reset());
    AddFault(reply.mode);
    CTestLog log(L"sms-replies");
    SendCodeWorker(Text(kDemoMobile));
    TakenCall call = OnlyCall();
    EXPECT_EQ(call.name, reply.method);
    if (reply.text) {
      EXPECT_EQ(call.text, reply.text);
    }
    const bool failed = reply.text && std::wstring(reply.text) == kSendFailed;
    EXPECT_EQ(log.Lines().size(), failed ? 1u : 0u);
  }
}

TEST_F(SignInWorkersTest, StoredSignInIsAdoptedWithoutAskingTheService) {
  const struct {
    const char* name;
    void* token;
    const char* method;
    const char* userId;
  } kCases[] = {
      {"stored id", Text("100001"), "on_auto_signed_in", "100001"},
      {"empty", Text(""), "on_no_saved_sign_in", ""},
      {"id with a line break", Text("7\r\nLang: en"), "on_no_saved_sign_in", ""},
      {"no argument", nullptr, "on_no_saved_sign_in", ""},
  };
  for (const auto& stored : kCases) {
    SCOPED_TRACE(stored.name);
    SetUserId("old");
    RestoreSignInWorker(stored.token);
    TakenCall call = OnlyCall();
    EXPECT_EQ(call.name, stored.method);
    EXPECT_FALSE(call.hasPayload);
    EXPECT_EQ(GetUserId(), stored.userId);
  }
  EXPECT_EQ(Records().size(), 0u);
}

TEST_F(SignInWorkersTest, SignOutForgetsTheIdButKeepsTheAccount) {
  const std::wstring account = L"13800138000";
  ASSERT_TRUE(RegistryWrite(HKEY_CURRENT_USER, kSettingsKey, kAccountValue, REG_SZ, account.data(),
                            static_cast<DWORD>(account.size() * sizeof(wchar_t))));
  StoreToken("100001");
  SetUserId("100001");
  ClearStoredSignIn();
  EXPECT_EQ(GetUserId(), "");
  EXPECT_EQ(CurrentUserIdText(), "0");
  EXPECT_EQ(StoredToken(), L"(missing)");
  std::wstring stored;
  EXPECT_TRUE(RegistryRead(HKEY_CURRENT_USER, kSettingsKey, kAccountValue, REG_SZ, stored));
  EXPECT_EQ(stored, account);
}

TEST_F(SignInWorkersTest, MissingRequestFailsWithoutACall) {
  LoginByCodeWorker(nullptr);
  TakenCall call = OnlyCall();
  EXPECT_EQ(call.name, "on_sign_in_failed");
  EXPECT_EQ(call.text, kSignInFailed);
  SendCodeWorker(nullptr);
  EXPECT_EQ(OnlyCall().text, kSendFailed);
  EXPECT_EQ(Records().size(), 0u);
}

// Sign-in workers write the id while requests on other workers read it for
// their header line: every read must be one whole value.
TEST_F(SignInWorkersTest, UserIdIsNeverSeenHalfWritten) {
  const std::string first(300, '1');
  const std::string second(700, '2');
  // Each post to a main window without a native window leaves four thread
  // messages on the poster's queue; this stays well below its limit.
  const int kRounds = 1000;
  std::atomic<int> readersStarted{0};
  std::atomic<int> writersLeft{2};
  std::atomic<int> torn{0};
  std::vector<std::thread> threads;
  for (int reader = 0; reader < 2; ++reader) {
    threads.emplace_back([&] {
      ++readersStarted;
      while (writersLeft > 0) {
        const std::string seen = CurrentUserIdText();
        const std::string header = ClientDescriptionBlock();
        if ((seen != "0" && seen != first && seen != second) || header.find("\r\nClientuuid: ") == std::string::npos) {
          ++torn;
        }
      }
    });
  }
  for (const std::string* id : {&first, &second}) {
    threads.emplace_back([id, &readersStarted, &writersLeft] {
      while (readersStarted < 2) std::this_thread::yield();
      for (int i = 0; i < kRounds; ++i) {
        RestoreSignInWorker(Text(*id));
        if (i % 7 == 0) ClearStoredSignIn();
      }
      --writersLeft;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(window_.TakeCalls().size(), 2u * kRounds);
}

}  // namespace
