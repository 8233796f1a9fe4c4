// The sign-in page on the real main window: the SMS button's countdown and
// its reset on a failure, the tip line and its one timer, the two modes of
// signing in with the account stored at every attempt, and Enter. The
// page's timers run short here.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "app/SignInPage.h"
#include "support/Registry.h"
#include "tests/app/MainWindowFixture.h"
#include "ui/RichEditUI.h"
#include "ui/TabLayoutUI.h"
#include "workers/Reports.h"
#include "workers/SignInWorkers.h"

namespace {

class SignInPageTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kAccountValue);
    MainWindowFixture::SetUp();
    window_.select_page(kSignInPageIndex);
    TestSkinWindow::pump();
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kAccountValue);
    RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kTokenValue);
  }

  // What a click on the control raises.
  void click(const wchar_t* name) {
    ui::CControlUI* button = control(name);
    button->manager()->send_notification(button, L"click");
  }
  std::wstring account() {
    std::wstring value;
    return RegistryRead(HKEY_CURRENT_USER, kSettingsKey, kAccountValue, REG_SZ, value) ? value : L"(missing)";
  }
  int mode() { return static_cast<ui::CTabLayoutUI*>(control(L"signin_type_tab")->interface_of(L"TabLayout"))
                   ->current_index(); }
};

TEST_F(SignInPageTest, SendCodeCountsDownAndAFailureResetsItAtOnce) {
  ui::CControlUI* send = control(L"sendcode");
  click(L"sendcode");
  EXPECT_EQ(send->text(), L"发送验证码");  // no number: nothing happens
  EXPECT_TRUE(send->is_enabled());

  control(L"account_edit")->set_text(L"13800138000");
  click(L"sendcode");
  StopWorkers();
  EXPECT_EQ(send->text(), L"60s");
  EXPECT_FALSE(send->is_enabled());
  EXPECT_EQ(send->tag(), 60u);
  ASSERT_TRUE(TestSkinWindow::pump_until([&] { return send->text() == L"59s"; }, 3000));
  ASSERT_TRUE(TestSkinWindow::pump_until([&] { return send->text() == L"57s"; }, 3000));
  // The last tick makes the button usable again.
  send->set_tag(1);
  ASSERT_TRUE(TestSkinWindow::pump_until([&] { return send->text() == L"发送验证码"; }, 3000));
  EXPECT_TRUE(send->is_enabled());
  EXPECT_EQ(send->tag(), 0u);

  click(L"sendcode");
  StopWorkers();
  ReportCodeFailed(L"网络错误，发送失败");
  window_.dispatch_calls();
  EXPECT_EQ(send->text(), L"发送验证码");
  EXPECT_TRUE(send->is_enabled());
  ui::CControlUI* tip = control(L"signin_tip_lab");
  EXPECT_TRUE(tip->is_visible());
  EXPECT_EQ(tip->text(), L"网络错误，发送失败");
  EXPECT_EQ(static_cast<ui::CLabelUI*>(tip->interface_of(L"Label"))->text_color(), kTipFailureColor);
  TestSkinWindow::pump_for(5 * Delays().countdownStepMs);
  EXPECT_EQ(send->text(), L"发送验证码");  // the countdown stopped with it
}

TEST_F(SignInPageTest, ASecondTipGoesWithTheFirstOnesTimer) {
  ui::CControlUI* tip = control(L"signin_tip_lab");
  auto* label = static_cast<ui::CLabelUI*>(tip->interface_of(L"Label"));
  const DWORD tipMs = Delays().tipMs;
  const DWORD start = ::GetTickCount();
  ReportCodeSent();
  window_.dispatch_calls();
  EXPECT_EQ(tip->text(), L"发送成功！");
  EXPECT_EQ(label->text_color(), kTipSuccessColor);
  TestSkinWindow::pump_for(tipMs / 2);
  ReportSignInFailed(L"验证码错误或已失效");
  window_.dispatch_calls();
  EXPECT_EQ(label->text_color(), kTipFailureColor);
  ASSERT_TRUE(TestSkinWindow::pump_until([&] { return !tip->is_visible(); }, 4 * tipMs));
  const DWORD shown = ::GetTickCount() - start;
  EXPECT_GE(shown, tipMs - 100);
  EXPECT_LT(shown, tipMs * 3 / 2 - 100) << "the second tip restarted the timer";
  EXPECT_EQ(tip->text(), L"");
}

TEST_F(SignInPageTest, SignInStoresTheAccountInEitherModeAndShowsTheResult) {
  ui::CControlUI* signIn = control(L"signin");
  control(L"account_edit")->set_text(L"13900000000");
  click(L"signin");  // no code: nothing
  EXPECT_EQ(signIn->text(), L"登录");
  EXPECT_EQ(account(), L"(missing)");

  click(L"go_pwd_signin");
  EXPECT_EQ(mode(), 1);
  control(L"pwd_edit")->set_text(L"secret");
  click(L"signin");
  StopWorkers();
  EXPECT_EQ(signIn->text(), L"正在登录...");
  EXPECT_FALSE(signIn->is_enabled());
  EXPECT_EQ(account(), L"13900000000");

  ReportSignInFailed(L"账号或密码错误");
  window_.dispatch_calls();
  EXPECT_EQ(signIn->text(), L"登录");
  EXPECT_TRUE(signIn->is_enabled());
  EXPECT_EQ(control(L"pwd_edit")->text(), L"secret");
  EXPECT_EQ(control(L"signin_tip_lab")->text(), L"账号或密码错误");

  click(L"go_code_signin");
  EXPECT_EQ(mode(), 0);
  control(L"code_edit")->set_text(L"123456");
  ReportSignedIn();
  window_.dispatch_calls();
  EXPECT_EQ(control(L"code_edit")->text(), L"");
  EXPECT_EQ(control(L"pwd_edit")->text(), L"");
  EXPECT_EQ(control(L"account_edit")->text(), L"13900000000");
  EXPECT_EQ(static_cast<ui::CTabLayoutUI*>(control(L"maintab")->interface_of(L"TabLayout"))->current_index(),
            kMainPageIndex);
}

TEST_F(SignInPageTest, EnterInAFieldSignsInWithTheSelectedMode) {
  struct Case {
    const wchar_t* focused;
    const wchar_t* code;
    bool starts;
  } cases[] = {
      {L"code_edit", L"123456", true},
      {L"account_edit", L"123456", true},
      {L"code_edit", L"", false},
      {L"go_pwd_signin", L"123456", false},
  };
  control(L"account_edit")->set_text(L"13800138000");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.focused, c.focused + std::wcslen(c.focused)));
    ReportSignInFailed(L"reset");
    window_.dispatch_calls();
    control(L"code_edit")->set_text(c.code);
    control(c.focused)->set_focus();
    ::SendMessageW(window_.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
    StopWorkers();
    EXPECT_EQ(control(L"signin")->text() == L"正在登录...", c.starts);
  }
}

}  // namespace
