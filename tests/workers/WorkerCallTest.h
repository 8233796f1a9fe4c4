#pragma once
// A fixture for worker tests against the demo service: the service is reset
// around each test, faults can be set, and the one call a worker queued to
// a window-less main window can be taken out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/DemoService.h"
#include "tests/common/ShortDelays.h"
#include "tests/common/TestLog.h"
#include "tests/workers/RecordingCalls.h"

// A demo-service fault mode {kind: value}.
inline Json::Value Mode(const char* kind, const Json::Value& value) {
  Json::Value mode(Json::objectValue);
  mode[kind] = value;
  return mode;
}

// A fault that answers with the envelope member set to value.
inline Json::Value Envelope(const char* member, const Json::Value& value) {
  Json::Value members(Json::objectValue);
  members[member] = value;
  return Mode("envelope", members);
}

class CWorkerCallTest : public testing::Test {
 protected:
  explicit CWorkerCallTest(const wchar_t* logName) : log_(logName) {}

  void SetUp() override { ASSERT_TRUE(demo_.Reset()); }
  void TearDown() override { EXPECT_TRUE(demo_.Reset()); }

  void AddFault(const Json::Value& mode, const char* host = "any") {
    Json::Value fault(Json::objectValue);
    fault["mode"] = mode;
    fault["host"] = host;
    ASSERT_TRUE(demo_.AddFault(fault));
  }

  // The one call the worker queued.
  TakenCall OnlyCall() {
    std::vector<TakenCall> calls = window_.TakeCalls();
    EXPECT_EQ(calls.size(), 1u);
    return calls.empty() ? TakenCall() : calls[0];
  }

  Json::Value Records() {
    Json::Value records;
    EXPECT_TRUE(demo_.Requests(records));
    return records;
  }

  CShortDelays delays_;
  CDemoService demo_;
  CTestLog log_;
  CRecordingCalls window_;
};
