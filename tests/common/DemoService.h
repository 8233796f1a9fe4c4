#pragma once
// The tests' side door into the running demo deployment
// (scripts/demo-service.sh): its control endpoints reset it, make it
// misbehave, show what the program sent and hold the files it serves. Uses
// libcurl directly, so the program's own HTTP client is never its own judge.
#include <gtest/gtest.h>
#include <json/value.h>

#include <string>

class CDemoService {
 public:
  // ORVANE_DEMO_PORT_BASE, 18000 when unset.
  static int PortBase();
  // http://127.0.0.1:<port>/<path> on the service itself (plain HTTP).
  static std::string DirectUrl(const std::string& path);
  // http://127.0.0.1:<port>/<path> on the file server.
  static std::string FilesUrl(const std::string& path);

  testing::AssertionResult Reset();
  // {"path", "host", "count", "mode"} as the service documents it.
  testing::AssertionResult AddFault(const Json::Value& fault);
  // Creates the account or sets its password.
  testing::AssertionResult SetAccount(const std::string& mobile, const std::string& password);
  // The valid SMS code last sent to mobile (digits and an optional "+").
  testing::AssertionResult SmsCode(const std::string& mobile, std::string& code);
  testing::AssertionResult PutFile(const std::string& path, const std::string& bytes);
  // Every recorded request in order of arrival.
  testing::AssertionResult Requests(Json::Value& records);
  // The file server's access log.
  testing::AssertionResult FilesLog(Json::Value& entries);

 private:
  testing::AssertionResult Exchange(const char* method, const std::string& path, const std::string& body,
                                    Json::Value* answer);
};

// Starts and ends libcurl's global state around a test program.
class CCurlEnvironment : public testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
};
