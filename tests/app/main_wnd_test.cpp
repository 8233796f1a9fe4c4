// The real main window from main.xml and the start-up page's steps, with
// the workers it starts stopped at once so the steps run in the order the
// test gives: the state after "windowinit", the configuration loaded with
// and without a saved account, and a configuration that is not JSON.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainWnd.h"
#include "support/Registry.h"
#include "tests/app/MainWindowFixture.h"
#include "ui/ControlUI.h"
#include "ui/TabLayoutUI.h"
#include "workers/Reports.h"
#include "workers/SignInWorkers.h"
#include "workers/StartupWorkers.h"

namespace {

class MainWndTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kAccountValue);
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kTokenValue);
    MainWindowFixture::SetUp();
    if (HasFatalFailure()) return;
    // "windowinit" comes with the first paint and sets the version text.
    ASSERT_TRUE(TestSkinWindow::pump_until([&] { return control(L"version_lab")->text() == L"版本:1.4"; }));
    StopWorkers();
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kAccountValue);
    g_configText.clear();
  }

  int page() {
    auto* tab = static_cast<ui::CTabLayoutUI*>(control(L"maintab")->interface_of(L"TabLayout"));
    return tab ? tab->current_index() : -1;
  }
  void LoadConfig(const std::string& text) {
    g_configText = text;
    ReportConfigLoaded();
    window_.dispatch_calls();
    StopWorkers();
  }
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
  LoadConfig("not json");
  EXPECT_EQ(AnsweredBoxes(), std::vector<std::wstring>{L"数据错误！"});
  EXPECT_TRUE(TestSkinWindow::pump_until([&] { return window_.hwnd() == nullptr; }));
}

// The whole window is its caption: it drags by anything that takes no
// input, so not by a button nor by an input field.
TEST_F(MainWndTest, DraggedByAnythingButWhatTakesInput) {
  struct {
    int page;
    const wchar_t* control;
    LRESULT expected;
  } const cases[] = {
      {kStartupPageIndex, L"version_lab", HTCAPTION},
      {kSignInPageIndex, L"account_edit", HTCLIENT},
      {kMainPageIndex, L"min_btn", HTCLIENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "page " << c.page << ", " << c.control);
    window_.select_page(c.page);
    TestSkinWindow::pump_for(300);
    const RECT r = control(c.control)->rect();
    POINT point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    const ui::CControlUI* under = window_.manager().find_control_at(point);
    ASSERT_TRUE(under && under->name() == c.control);
    ::ClientToScreen(window_.hwnd(), &point);
    EXPECT_EQ(::SendMessageW(window_.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)), c.expected);
  }
}

TEST_F(MainWndTest, AutomaticSignInOpensTheMainPage) {
  ReportAutoSignedIn();
  window_.dispatch_calls();
  EXPECT_EQ(page(), kMainPageIndex);
  EXPECT_EQ(control(L"loadingtip")->text(), L"");
}

}  // namespace
