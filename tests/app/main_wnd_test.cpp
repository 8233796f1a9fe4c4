// The real main window from main.xml and the start-up page's steps, with
// the workers it starts stopped at once so the steps run in the order the
// test gives: the state after "windowinit", the configuration loaded with
// and without a saved account, and a configuration that is not JSON.
#include <gtest/gtest.h>

#include <string>

#include "app/MainWnd.h"
#include "app/MsgBoxWnd.h"
#include "support/Registry.h"
#include "tests/ui/SkinTestFiles.h"
#include "tests/ui/TestSkinWindow.h"
#include "ui/ButtonUI.h"
#include "ui/ControlUI.h"
#include "ui/TabLayoutUI.h"
#include "workers/SignInWorkers.h"
#include "workers/StartupWorkers.h"

namespace {

std::wstring g_boxText;

// Runs inside the message box's modal loop: reads the box's text and
// presses OK.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = ::FindWindowW(L"CMsgBoxWnd", nullptr);
  if (!box) return;
  ::KillTimer(nullptr, timer);
  auto* window = reinterpret_cast<ui::CNativeWindow*>(::GetWindowLongPtrW(box, GWLP_USERDATA));
  auto* messageBox = dynamic_cast<CMsgBoxWnd*>(window);
  if (!messageBox) return;
  if (ui::CControlUI* text = messageBox->manager().find_control(L"msgbox_text")) g_boxText = text->text();
  messageBox->close(1);
}

class MainWndTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kAccountValue);
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kTokenValue);
    ASSERT_TRUE(window_.create_main_window());
    window_.show();
    // "windowinit" comes with the first paint and sets the version text.
    ASSERT_TRUE(TestSkinWindow::pump_until([&] { return control(L"version_lab")->text() == L"版本:1.4"; }));
    StopWorkers();
  }
  void TearDown() override {
    StopWorkers();
    if (window_.hwnd()) ::DestroyWindow(window_.hwnd());
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kAccountValue);
    g_configText.clear();
  }

  // Ends the workers a step started and drops what they queued, so only
  // the test decides what the window hears next.
  bool StopWorkers() {
    window_.threads().TerminateAll();
    CMainWnd::QueuedCall call;
    while (window_.take_call(call)) {
      if (call.method == &CMainWnd::on_version_reply) delete static_cast<std::string*>(call.pointerArgument);
      if (call.method == &CMainWnd::on_fatal_error || call.method == &CMainWnd::on_articles_failed) {
        delete static_cast<std::wstring*>(call.pointerArgument);
      }
    }
    return true;
  }

  ui::CControlUI* control(const wchar_t* name) { return window_.manager().find_control(name); }
  int page() {
    auto* tab = static_cast<ui::CTabLayoutUI*>(control(L"maintab")->interface_of(L"TabLayout"));
    return tab ? tab->current_index() : -1;
  }
  void LoadConfig(const std::string& text) {
    g_configText = text;
    window_.on_config_loaded(0, nullptr);
    StopWorkers();
  }

  Bytes archive_;
  CMainWnd window_;
};

TEST_F(MainWndTest, WindowInitShowsTheVersionAndDisablesTheStartButton) {
  EXPECT_EQ(control(L"version_lab")->text(), L"版本:1.4");
  EXPECT_EQ(control(L"loadingtip")->text(), L"正在检查版本信息...");
  EXPECT_FALSE(control(L"startBtn")->is_enabled());
  RECT window{};
  ::GetWindowRect(window_.hwnd(), &window);
  EXPECT_EQ(window.right - window.left, 390);
  EXPECT_EQ(window.bottom - window.top, 480);
}

TEST_F(MainWndTest, ConfigurationEnablesStartAndOpensTheSignInPage) {
  LoadConfig(R"({"downloadurl_prefix": "http://127.0.0.1/"})");
  EXPECT_TRUE(control(L"startBtn")->is_enabled());
  EXPECT_EQ(page(), kSignInPageIndex);
  EXPECT_EQ(control(L"account_edit")->text(), L"");
}

TEST_F(MainWndTest, SavedAccountIsFilledIn) {
  const std::wstring account = L"13800138000";
  ASSERT_TRUE(RegistryWrite(HKEY_CURRENT_USER, kSettingsKey, kAccountValue, REG_SZ, account.c_str(),
                            static_cast<DWORD>(account.size() * sizeof(wchar_t))));
  LoadConfig(R"({"downloadurl_prefix": "http://127.0.0.1/"})");
  EXPECT_EQ(control(L"account_edit")->text(), account);
  EXPECT_EQ(page(), kSignInPageIndex);
}

TEST_F(MainWndTest, ConfigurationThatIsNotJsonEndsTheProgram) {
  g_boxText.clear();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &AnswerBox);
  LoadConfig("not json");
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(g_boxText, L"数据错误！");
  EXPECT_TRUE(TestSkinWindow::pump_until([&] { return window_.hwnd() == nullptr; }));
}

TEST_F(MainWndTest, AutomaticSignInOpensTheMainPage) {
  window_.on_auto_signed_in(0, nullptr);
  EXPECT_EQ(page(), kMainPageIndex);
  EXPECT_EQ(control(L"loadingtip")->text(), L"");
}

}  // namespace
