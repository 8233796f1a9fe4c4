// The main page's download bookkeeping on the real main window: the speed
// text, the end of a run after its last worker (one message, PATH and FILE
// written), and worker ends that do not belong to the run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainPage.h"
#include "support/Registry.h"
#include "tests/app/MainWindowFixture.h"
#include "workers/DownloadQueue.h"
#include "workers/GameLocator.h"
#include "workers/Reports.h"

namespace {

const wchar_t kGameKey[] = L"Software\\WEMADE\\MirM";

std::wstring GameValue(const wchar_t* name) {
  std::wstring value;
  return RegistryRead(HKEY_CURRENT_USER, kGameKey, name, REG_SZ, value) ? value : L"(missing)";
}

TEST(DownloadSpeedTextTest, KibibytesUpTo1024ThenMebibytes) {
  struct Case {
    int remaining;
    DWORD bytesPerSecond;
    const wchar_t* text;
  } cases[] = {
      {3, 0, L"剩余3个文件，速度:0Kb/s"},
      {3, 1023, L"剩余3个文件，速度:0Kb/s"},
      {2, 1048575, L"剩余2个文件，速度:1023Kb/s"},
      {2, 1048576, L"剩余2个文件，速度:1024Kb/s"},
      {1, 1049600, L"剩余1个文件，速度:1Mb/s"},
      {0, 4 * 300 * 1024, L"剩余0个文件，速度:1Mb/s"},
      {0, 0xFFFFFFFF, L"剩余0个文件，速度:4095Mb/s"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DownloadSpeedText(c.remaining, c.bytesPerSecond), c.text) << c.bytesPerSecond;
  }
}

class MainPageTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    RegistryDelete(HKEY_CURRENT_USER, kGameKey, L"PATH");
    RegistryDelete(HKEY_CURRENT_USER, kGameKey, L"FILE");
    MainWindowFixture::SetUp();
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    RegistryDelete(HKEY_CURRENT_USER, kGameKey, L"PATH");
    RegistryDelete(HKEY_CURRENT_USER, kGameKey, L"FILE");
  }
};

TEST_F(MainPageTest, TheLastOfFourWorkersEndsTheRunOnce) {
  SetGameRoot(L"C:\\Games\\Wemade\\MirM\\");
  ReplaceDownloadQueue({});
  ReportFileListReady();
  window_.dispatch_calls();
  // The four real workers find the queue empty, pause and end.
  ASSERT_TRUE(TestSkinWindow::pump_until([] { return !AnsweredBoxes().empty(); }, 20000));
  TestSkinWindow::pump_for(300);
  EXPECT_EQ(AnsweredBoxes(), std::vector<std::wstring>{L"下载已结束！"});
  EXPECT_EQ(GameValue(L"PATH"), L"C:\\Games\\Wemade\\MirM\\client");
  EXPECT_EQ(GameValue(L"FILE"), L"MirM.exe");
  ui::CControlUI* start = control(L"startBtn");
  EXPECT_EQ(start->text(), L"开始下载");
  EXPECT_TRUE(start->is_enabled());
}

TEST_F(MainPageTest, WorkerEndsAndSpeedsFromOutsideTheRunAreIgnored) {
  ui::CControlUI* start = control(L"startBtn");
  start->set_text(L"正在下载，剩余3个文件");
  // No run at all, then a worker of no run: nothing ends, nothing is shown.
  ReportWorkerSpeed(12345, 5000);
  ReportDownloadWorkerDone(12345);
  window_.dispatch_calls();
  TestSkinWindow::pump_for(300);
  EXPECT_TRUE(AnsweredBoxes().empty());
  EXPECT_EQ(GameValue(L"PATH"), L"(missing)");
  EXPECT_EQ(start->text(), L"正在下载，剩余3个文件");
}

}  // namespace
