// The usage report against the running demo deployment.
#include "workers/ReportWorker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>

#include "tests/common/DemoService.h"
#include "tests/common/TestLog.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

void* Argument(uintptr_t code) { return reinterpret_cast<void*>(code); }

class ReportWorkerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.Reset()); }

  Json::Value Records() {
    Json::Value records;
    EXPECT_TRUE(demo_.Requests(records));
    return records;
  }

  CDemoService demo_;
  CTestLog log_{L"report"};
};

TEST_F(ReportWorkerTest, DownloadStartIsReported) {
  ReportWorker(Argument(kReportDownloadStarted));
  Json::Value records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["host"].asString(), "primary");
  EXPECT_EQ(records[0]["path"].asString(), "/Speed/Server/Report?");
  std::string body = records[0]["body"].asString();
  EXPECT_TRUE(std::regex_match(body, std::regex("code=100000&ts=[1-9][0-9]{9,}&sign=[0-9a-f]{32}"))) << body;
  EXPECT_EQ(records[0]["reply_code"].asInt(), 10001);
  EXPECT_TRUE(log_.Lines().empty());
}

TEST_F(ReportWorkerTest, FailedFirstAttemptIsLoggedAndRetried) {
  Json::Value fault(Json::objectValue);
  fault["mode"]["status"] = 500;
  fault["host"] = "primary";
  ASSERT_TRUE(demo_.AddFault(fault));
  ReportWorker(Argument(kReportDownloadStarted));
  Json::Value records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1]["host"].asString(), "fallback");
  EXPECT_EQ(records[1]["path"].asString(), "/Speed/Server/Report");
  EXPECT_EQ(records[1]["body"].asString(), records[0]["body"].asString());
  EXPECT_EQ(records[1]["reply_code"].asInt(), 10001);
  EXPECT_EQ(log_.Lines().size(), 1u);
}

TEST_F(ReportWorkerTest, ReportLostOnBothHostsChangesNothing) {
  Json::Value fault(Json::objectValue);
  fault["mode"]["status"] = 500;
  ASSERT_TRUE(demo_.AddFault(fault));
  ReportWorker(Argument(7));
  Json::Value records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_TRUE(std::regex_match(records[0]["body"].asString(), std::regex("code=7&ts=.*")));
  EXPECT_EQ(log_.Lines().size(), 1u);
}

}  // namespace
