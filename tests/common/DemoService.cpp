#include "tests/common/DemoService.h"

#include <curl/curl.h>
#include <json/reader.h>
#include <json/writer.h>

#include <cstdlib>
#include <memory>

namespace {

struct EasyHandleDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

size_t Collect(char* data, size_t size, size_t count, void* text) {
  static_cast<std::string*>(text)->append(data, size * count);
  return size * count;
}

std::string LocalUrl(int port, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(port) + "/" + path;
}

}  // namespace

int CDemoService::PortBase() {
  const char* base = std::getenv("ORVANE_DEMO_PORT_BASE");
  return base && *base ? std::atoi(base) : 18000;
}

std::string CDemoService::DirectUrl(const std::string& path) { return LocalUrl(PortBase() + 80, path); }

std::string CDemoService::FilesUrl(const std::string& path) { return LocalUrl(PortBase() + 81, path); }

testing::AssertionResult CDemoService::Reset() { return Exchange("POST", "reset", "", nullptr); }

testing::AssertionResult CDemoService::AddFault(const Json::Value& fault) {
  return Exchange("POST", "fault", Json::writeString(Json::StreamWriterBuilder(), fault), nullptr);
}

testing::AssertionResult CDemoService::SetAccount(const std::string& mobile, const std::string& password) {
  Json::Value account(Json::objectValue);
  account["mobile"] = mobile;
  account["password"] = password;
  return Exchange("POST", "account", Json::writeString(Json::StreamWriterBuilder(), account), nullptr);
}

testing::AssertionResult CDemoService::SmsCode(const std::string& mobile, std::string& code) {
  Json::Value answer;
  const std::string query = mobile[0] == '+' ? "%2B" + mobile.substr(1) : mobile;
  testing::AssertionResult result = Exchange("GET", "sms?mobile=" + query, "", &answer);
  if (result) code = answer["code"].asString();
  return result;
}

testing::AssertionResult CDemoService::PutFile(const std::string& path, const std::string& bytes) {
  return Exchange("PUT", "files/" + path, bytes, nullptr);
}

testing::AssertionResult CDemoService::Requests(Json::Value& records) {
  return Exchange("GET", "requests", "", &records);
}

testing::AssertionResult CDemoService::FilesLog(Json::Value& entries) {
  return Exchange("GET", "files-log", "", &entries);
}

testing::AssertionResult CDemoService::Exchange(const char* method, const std::string& path,
                                                const std::string& body, Json::Value* answer) {
  std::unique_ptr<CURL, EasyHandleDeleter> handle(curl_easy_init());
  if (!handle) return testing::AssertionFailure() << "no libcurl handle";
  CURL* h = handle.get();
  std::string url = DirectUrl("demo/" + path);
  std::string reply;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, 60L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
  if (std::string(method) != "GET") {
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
  }
  CURLcode result = curl_easy_perform(h);
  if (result != CURLE_OK) {
    return testing::AssertionFailure() << method << " " << url << ": " << curl_easy_strerror(result)
                                       << " (is scripts/demo-service.sh running?)";
  }
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  if (status < 200 || status > 299) {
    return testing::AssertionFailure() << method << " " << url << " answered " << status << ": " << reply;
  }
  if (answer) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string error;
    if (!reader->parse(reply.data(), reply.data() + reply.size(), answer, &error)) {
      return testing::AssertionFailure() << url << " answered no JSON: " << error;
    }
  }
  return testing::AssertionSuccess();
}

void CCurlEnvironment::SetUp() { ASSERT_EQ(curl_global_init(CURL_GLOBAL_ALL), CURLE_OK); }

void CCurlEnvironment::TearDown() { curl_global_cleanup(); }
