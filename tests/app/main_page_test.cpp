// The main page's download bookkeeping on the real main window: the speed
// text, the end of a run after its last worker (one message, PATH and FILE
// written), and worker ends that do not belong to the run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainPage.h"
#include "app/MainWnd.h"
#include "app/MsgBoxWnd.h"
#include "support/Registry.h"
#include "tests/ui/SkinTestFiles.h"
#include "tests/ui/TestSkinWindow.h"
#include "workers/DownloadQueue.h"
#include "workers/GameLocator.h"

namespace {

const wchar_t kGameKey[] = L"Software\\WEMADE\\MirM";

std::vector<std::wstring> g_boxTexts;

// Runs inside a message box's modal loop: notes its text and presses OK.
void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = ::FindWindowW(L"CMsgBoxWnd", nullptr);
  if (!box) return;
  auto* window = reinterpret_cast<ui::CNativeWindow*>(::GetWindowLongPtrW(box, GWLP_USERDATA));
  auto* messageBox = dynamic_cast<CMsgBoxWnd*>(window);
  if (!messageBox || !::IsWindowVisible(box)) return;
  if (ui::CControlUI* text = messageBox->manager().find_control(L"msgbox_text")) g_boxTexts.push_back(text->text());
  messageBox->close(1);
}

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

class MainPageTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
    RegistryDelete(HKEY_CURRENT_USER, kGameKey, L"PATH");
    RegistryDelete(HKEY_CURRENT_USER, kGameKey, L"FILE");
    ASSERT_TRUE(window_.create_main_window());
    window_.show();
    ASSERT_TRUE(TestSkinWindow::pump_until([&] { return window_.manager().find_control(L"maintab") &&
                                                        window_.manager().offscreen().ok(); }));
    window_.threads().TerminateAll();
    DropQueuedCalls();
    g_boxTexts.clear();
    timer_ = ::SetTimer(nullptr, 0, 50, &AnswerBoxes);
  }
  void TearDown() override {
    ::KillTimer(nullptr, timer_);
    window_.threads().TerminateAll();
    DropQueuedCalls();
    if (window_.hwnd()) ::DestroyWindow(window_.hwnd());
    RegistryDelete(HKEY_CURRENT_USER, kGameKey, L"PATH");
    RegistryDelete(HKEY_CURRENT_USER, kGameKey, L"FILE");
    ui::reset_skin_sources();
  }

  void DropQueuedCalls() {
    CMainWnd::QueuedCall call;
    while (window_.take_call(call)) {
      if (call.method == &CMainWnd::on_version_reply) delete static_cast<std::string*>(call.pointerArgument);
      if (call.method == &CMainWnd::on_fatal_error || call.method == &CMainWnd::on_articles_failed) {
        delete static_cast<std::wstring*>(call.pointerArgument);
      }
    }
  }

  Bytes archive_;
  CMainWnd window_;
  UINT_PTR timer_ = 0;
};

TEST_F(MainPageTest, TheLastOfFourWorkersEndsTheRunOnce) {
  SetGameRoot(L"C:\\Games\\Wemade\\MirM\\");
  ReplaceDownloadQueue({});
  window_.start_download_workers(0, nullptr);
  // The four real workers find the queue empty, wait a second and end.
  ASSERT_TRUE(TestSkinWindow::pump_until([] { return !g_boxTexts.empty(); }, 20000));
  TestSkinWindow::pump_for(300);
  EXPECT_EQ(g_boxTexts, std::vector<std::wstring>{L"下载已结束！"});
  EXPECT_EQ(GameValue(L"PATH"), L"C:\\Games\\Wemade\\MirM\\client");
  EXPECT_EQ(GameValue(L"FILE"), L"MirM.exe");
  ui::CControlUI* start = window_.manager().find_control(L"startBtn");
  EXPECT_EQ(start->text(), L"开始下载");
  EXPECT_TRUE(start->is_enabled());
}

TEST_F(MainPageTest, WorkerEndsAndSpeedsFromOutsideTheRunAreIgnored) {
  ui::CControlUI* start = window_.manager().find_control(L"startBtn");
  start->set_text(L"正在下载，剩余3个文件");
  // No run at all, then a worker of no run: nothing ends, nothing is shown.
  window_.on_download_speed(12345, reinterpret_cast<void*>(static_cast<UINT_PTR>(5000)));
  window_.on_download_worker_done(12345, nullptr);
  TestSkinWindow::pump_for(300);
  EXPECT_TRUE(g_boxTexts.empty());
  EXPECT_EQ(GameValue(L"PATH"), L"(missing)");
  EXPECT_EQ(start->text(), L"正在下载，剩余3个文件");
}

}  // namespace
