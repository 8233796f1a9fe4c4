// Each report reaches the window's method of its name with its payload
// unpacked as the window unpacks it: the packing and the payload kinds
// agree for every report.
#include "workers/Reports.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/workers/RecordingCalls.h"

namespace {

struct Case {
  const char* name;
  std::function<void()> report;
  std::wstring text;
  std::string narrowText;
  double speed;
  int intArgument;
  bool hasPayload;
};

TEST(Reports, EachReportReachesItsMethodWithItsPayload) {
  const Case cases[] = {
      {"on_version_reply", [] { ReportVersionReply("{\"check_code\":\"5\"}"); }, L"", "{\"check_code\":\"5\"}", 0, 0, true},
      {"on_fatal_error", [] { ReportFatalError(L"配置数据获取失败！"); }, L"配置数据获取失败！", "", 0, 0, true},
      {"on_config_loaded", [] { ReportConfigLoaded(); }, L"", "", 0, 0, false},
      {"on_articles_loaded", [] { ReportArticlesLoaded(); }, L"", "", 0, 0, false},
      {"on_articles_failed", [] { ReportArticlesFailed(L"a"); }, L"a", "", 0, 0, true},
      {"on_auto_signed_in", [] { ReportAutoSignedIn(); }, L"", "", 0, 0, false},
      {"on_no_saved_sign_in", [] { ReportNoSavedSignIn(); }, L"", "", 0, 0, false},
      {"on_code_sent", [] { ReportCodeSent(); }, L"", "", 0, 0, false},
      {"on_code_failed", [] { ReportCodeFailed(L"b"); }, L"b", "", 0, 0, true},
      {"on_signed_in", [] { ReportSignedIn(); }, L"", "", 0, 0, false},
      {"on_sign_in_failed", [] { ReportSignInFailed(L"c"); }, L"c", "", 0, 0, true},
      {"on_download_status", [] { ReportDownloadStatus(L"d"); }, L"d", "", 0, 0, true},
      {"on_download_failed", [] { ReportDownloadFailed(L"e"); }, L"e", "", 0, 0, true},
      {"start_download_workers", [] { ReportFileListReady(); }, L"", "", 0, 0, false},
      {"on_download_speed", [] { ReportWorkerSpeed(1234, 5e9); }, L"", "", 5e9, 1234, true},
      {"on_download_worker_done", [] { ReportDownloadWorkerDone(4321); }, L"", "", 0, 4321, false},
      {"on_update_downloaded", [] { ReportUpdateDownloaded(L"C:\\t\\OrvaneBox.exe"); }, L"C:\\t\\OrvaneBox.exe", "", 0,
       0, true},
      {"on_update_failed", [] { ReportUpdateFailed(); }, L"", "", 0, 0, false},
  };
  CRecordingCalls window;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.report();
    std::vector<TakenCall> calls = window.TakeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, c.name);
    EXPECT_EQ(calls[0].hasPayload, c.hasPayload);
    EXPECT_EQ(calls[0].text, c.text);
    EXPECT_EQ(calls[0].narrowText, c.narrowText);
    EXPECT_EQ(calls[0].speed, c.speed);
    EXPECT_EQ(calls[0].intArgument, c.intArgument);
  }
}

// Without a main window a report goes nowhere and takes nothing with it.
TEST(Reports, ReportsWithoutAWindowAreDropped) {
  ASSERT_EQ(g_mainWnd, nullptr);
  ReportFatalError(L"lost");
  ReportWorkerSpeed(1, 2);
  CRecordingCalls window;
  EXPECT_TRUE(window.TakeCalls().empty());
}

}  // namespace
