// Every HTTPS transfer, API request and file download alike, checks the
// server as the set trust demands: against the demo hosts as they are, and
// while they answer in the service's name with an impostor's certificate
// (the same host names, another key).
#include <gtest/gtest.h>

#include <string>

#include "support/CurlTransfer.h"
#include "support/DownloadFile.h"
#include "support/FileSystem.h"
#include "support/HttpClient.h"
#include "tests/common/DemoService.h"
#include "tests/common/DemoTls.h"
#include "tests/common/TestLog.h"
#include "tests/support/TestFolder.h"

namespace {

[[maybe_unused]] testing::Environment* const kCurl = testing::AddGlobalTestEnvironment(new CCurlEnvironment);

const char kBody[] = "served over HTTPS";

std::string HostUrl(const char* host, int portOffset) {
  return std::string("https://") + host + ":" + std::to_string(CDemoService::PortBase() + portOffset) +
         "/files/trust/hello.txt";
}

class TransferTrustTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.Reset());
    ASSERT_TRUE(demo_.PutFile("trust/hello.txt", kBody));
    ASSERT_TRUE(LoadDemoCertificate(L"cert.pem", genuine_)) << "no demo/tls/cert.pem under ORVANE_BUILD_DIR";
    ASSERT_TRUE(LoadDemoCertificate(L"impostor-cert.pem", impostor_));
    ASSERT_NE(genuine_.pin, impostor_.pin);
  }
  void TearDown() override {
    SetTransferTrust(TransferTrust());
    EXPECT_TRUE(demo_.Reset());
  }

  testing::AssertionResult ShowImpostor() {
    for (const char* mode : {"primary impostor", "fallback impostor"}) {
      Json::Value fault(Json::objectValue);
      fault["mode"] = mode;
      testing::AssertionResult added = demo_.AddFault(fault);
      if (!added) return added;
    }
    return testing::AssertionSuccess();
  }

  // Whether the text request and the file download both went through or
  // both failed at the handshake, as expected.
  void ExpectTransfers(const char* host, int portOffset, bool accepted, const std::string& label) {
    const std::string url = HostUrl(host, portOffset);
    CHttpClient client;
    ASSERT_TRUE(client.InitLibCurl());
    std::string text;
    const int status = client.Request(url, HttpMethod::Get, text);
    EXPECT_EQ(status, accepted ? 200 : 0) << label << " " << url << ": " << text;
    if (accepted) {
      EXPECT_EQ(text, kBody) << label;
    } else {
      EXPECT_FALSE(client.LastResult().Transported()) << label;
    }
    const std::wstring path = folder_ / L"hello.txt";
    EXPECT_EQ(DownloadFile(0, url, path, nullptr), accepted) << label << " download of " << url;
    EXPECT_EQ(FileExists(path), accepted) << label;
  }

  CDemoService demo_;
  CTestFolder folder_{L"trust"};
  DemoCertificate genuine_;
  DemoCertificate impostor_;
};

TEST_F(TransferTrustTest, EachTrustAcceptsTheServersItNames) {
  enum Which { kNone, kGenuine, kImpostor, kBoth };
  struct Case {
    const char* name;
    Which pins;
    Which ca;
    bool acceptsGenuine;
    bool acceptsImpostor;
  };
  const Case cases[] = {
      {"nothing set", kNone, kNone, true, true},
      {"the hosts' pin", kGenuine, kNone, true, false},
      {"another key's pin", kImpostor, kNone, false, true},
      {"a list with the hosts' pin", kBoth, kNone, true, true},
      {"the hosts' certificate as CA", kNone, kGenuine, true, false},
      {"another certificate as CA", kNone, kImpostor, false, true},
      {"pin and CA of the hosts", kGenuine, kGenuine, true, false},
      {"the hosts' pin, another CA", kGenuine, kImpostor, false, false},
  };
  auto trustOf = [this](const Case& c) {
    TransferTrust trust;
    if (c.pins == kGenuine) trust.pins = genuine_.pin;
    if (c.pins == kImpostor) trust.pins = impostor_.pin;
    if (c.pins == kBoth) trust.pins = impostor_.pin + ";" + genuine_.pin;
    if (c.ca == kGenuine) trust.caBundlePem = genuine_.pem;
    if (c.ca == kImpostor) trust.caBundlePem = impostor_.pem;
    return trust;
  };
  for (bool impostor : {false, true}) {
    if (impostor) ASSERT_TRUE(ShowImpostor());
    for (const Case& c : cases) {
      SetTransferTrust(trustOf(c));
      const std::string label = std::string(c.name) + (impostor ? ", impostor hosts" : ", genuine hosts");
      const bool accepted = impostor ? c.acceptsImpostor : c.acceptsGenuine;
      ExpectTransfers("localhost", 443, accepted, label);
      ExpectTransfers("127.0.0.1", 444, accepted, label);
    }
  }
}

TEST_F(TransferTrustTest, PlainHttpUnderTrustIsLoggedOncePerRun) {
  CTestLog log(L"transfer_trust_plain_http");
  TransferTrust trust;
  trust.pins = genuine_.pin;
  SetTransferTrust(trust);
  for (int i = 0; i < 2; ++i) {
    CHttpClient client;
    ASSERT_TRUE(client.InitLibCurl());
    std::string text;
    EXPECT_EQ(client.Request(CDemoService::FilesUrl("trust/hello.txt"), HttpMethod::Get, text), 200);
    EXPECT_EQ(text, kBody);
  }
  int plainLines = 0;
  for (const std::wstring& line : log.Lines()) {
    if (line.find(L"明文HTTP") != std::wstring::npos) {
      ++plainLines;
      EXPECT_NE(line.find(L"trust/hello.txt"), std::wstring::npos) << "the line names the URL";
    }
  }
  EXPECT_EQ(plainLines, 1);
}

}  // namespace
