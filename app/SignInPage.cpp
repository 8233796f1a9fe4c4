#include "app/SignInPage.h"

#include <memory>
#include <string>
#include <utility>

#include "app/MainWnd.h"
#include "support/Delays.h"
#include "support/Registry.h"
#include "support/Text.h"
#include "workers/SignInWorkers.h"

namespace {

const int kCodeMode = 0;
const int kPasswordMode = 1;
const wchar_t kSendCodeText[] = L"发送验证码";
const wchar_t kSignInText[] = L"登录";
const wchar_t kSignInBusyText[] = L"正在登录...";

std::wstring text_of(const ui::CControlUI* control) { return control ? control->text() : std::wstring(); }

void set_text(ui::CControlUI* control, const std::wstring& text) {
  if (control) control->set_text(text);
}

void start_timer(ui::CControlUI* control, UINT id, UINT elapseMs) {
  if (control->manager()) control->manager()->set_control_timer(control, id, elapseMs);
}

void kill_timers(ui::CControlUI* control) {
  if (control->manager()) control->manager()->kill_control_timers(control);
}

}  // namespace

const NotifyRoute<CSignInPage> CSignInPage::kRoutes[] = {
    {L"sendcode", ui::kNotifyClick, &CSignInPage::on_send_code_click},
    {L"go_pwd_signin", ui::kNotifyClick, &CSignInPage::on_password_mode_click},
    {L"go_code_signin", ui::kNotifyClick, &CSignInPage::on_code_mode_click},
    {L"signin", ui::kNotifyClick, &CSignInPage::on_sign_in_click},
    {L"sendcode", ui::kNotifyTimer, &CSignInPage::on_send_code_timer},
    {L"signin_tip_lab", ui::kNotifyTimer, &CSignInPage::on_tip_timer},
};

void CSignInPage::bind_controls(const ui::CWindowManagerUI& manager) {
  accountEdit_ = find_control_as<ui::CRichEditUI>(manager, L"account_edit", L"RichEdit");
  codeEdit_ = find_control_as<ui::CRichEditUI>(manager, L"code_edit", L"RichEdit");
  pwdEdit_ = find_control_as<ui::CRichEditUI>(manager, L"pwd_edit", L"RichEdit");
  sendCode_ = find_control_as<ui::CButtonUI>(manager, L"sendcode", L"Button");
  signIn_ = find_control_as<ui::CButtonUI>(manager, L"signin", L"Button");
  signInTypeTab_ = find_control_as<ui::CTabLayoutUI>(manager, L"signin_type_tab", L"TabLayout");
  tipLab_ = find_control_as<ui::CLabelUI>(manager, L"signin_tip_lab", L"Label");
}

bool CSignInPage::notify(ui::TNotify& msg) { return route_notify(*this, kRoutes, msg); }

void CSignInPage::on_send_code_click(ui::TNotify&) { send_code(); }

void CSignInPage::on_password_mode_click(ui::TNotify&) {
  if (signInTypeTab_) signInTypeTab_->select_item(kPasswordMode);
}

void CSignInPage::on_code_mode_click(ui::TNotify&) {
  if (signInTypeTab_) signInTypeTab_->select_item(kCodeMode);
}

void CSignInPage::on_sign_in_click(ui::TNotify&) { sign_in(); }

void CSignInPage::send_code() {
  const std::wstring account = text_of(accountEdit_);
  if (account.empty() || !sendCode_) return;
  sendCode_->set_enabled(false);
  sendCode_->set_text(std::to_wstring(kSendCodeCountdown) + L"s");
  sendCode_->set_tag(kSendCodeCountdown);
  start_timer(sendCode_, kSendCodeTimerId, Delays().countdownStepMs);
  start_worker(window_.threads(), &SendCodeWorker, std::make_unique<std::string>(WideToUtf8(account)));
}

void CSignInPage::on_send_code_timer(ui::TNotify& msg) {
  if (msg.wparam != kSendCodeTimerId || !sendCode_) return;
  const int left = static_cast<int>(sendCode_->tag()) - 1;
  if (left <= 0) {
    reset_send_code();
    return;
  }
  sendCode_->set_tag(left);
  sendCode_->set_text(std::to_wstring(left) + L"s");
}

void CSignInPage::reset_send_code() {
  if (!sendCode_) return;
  sendCode_->set_tag(0);
  sendCode_->set_text(kSendCodeText);
  sendCode_->set_enabled(true);
  kill_timers(sendCode_);
}

void CSignInPage::show_tip(const std::wstring& text, DWORD color) {
  if (!tipLab_) return;
  tipLab_->set_text(text);
  tipLab_->set_visible(true);
  tipLab_->set_text_color(color);
  // A tip shown while another is up goes away with the first one: a running
  // timer is not restarted.
  start_timer(tipLab_, kTipTimerId, Delays().tipMs);
}

void CSignInPage::on_tip_timer(ui::TNotify&) {
  if (!tipLab_) return;
  kill_timers(tipLab_);
  tipLab_->set_text(L"");
  tipLab_->set_visible(false);
}

void CSignInPage::show_saved_account(const std::wstring& account) {
  if (!accountEdit_) return;
  accountEdit_->set_text(account);
  if (pwdEdit_ && pwdEdit_->manager()) pwdEdit_->manager()->set_focus_needed(pwdEdit_);
}

void CSignInPage::on_code_sent() { show_tip(L"发送成功！", kTipSuccessColor); }

void CSignInPage::on_code_failed(const std::wstring& text) {
  show_tip(text, kTipFailureColor);
  reset_send_code();
}

void CSignInPage::sign_in() {
  const std::wstring account = text_of(accountEdit_);
  if (account.empty()) return;
  const bool byPassword = signInTypeTab_ && signInTypeTab_->current_index() == kPasswordMode;
  const std::wstring credential = text_of(byPassword ? pwdEdit_ : codeEdit_);
  if (credential.empty()) return;
  std::unique_ptr<SignInRequest> request(new SignInRequest{WideToUtf8(account), WideToUtf8(credential)});
  start_worker(window_.threads(), byPassword ? &LoginByPasswordWorker : &LoginByCodeWorker, std::move(request));
  set_sign_in_busy(true);
  // Kept for the next start also when this attempt fails.
  RegistryWrite(HKEY_CURRENT_USER, kSettingsKey, kAccountValue, REG_SZ, account.data(),
                static_cast<DWORD>(account.size() * sizeof(wchar_t)));
}

void CSignInPage::set_sign_in_busy(bool busy) {
  if (!signIn_) return;
  signIn_->set_enabled(!busy);
  signIn_->set_text(busy ? kSignInBusyText : kSignInText);
}

void CSignInPage::on_signed_in() {
  set_text(pwdEdit_, L"");
  set_text(codeEdit_, L"");
  set_sign_in_busy(false);
  window_.select_page(kMainPageIndex);
}

void CSignInPage::on_sign_in_failed(const std::wstring& text) {
  set_sign_in_busy(false);
  show_tip(text, kTipFailureColor);
}

bool CSignInPage::on_enter_key(unsigned key) {
  if (key != VK_RETURN) return false;
  ui::CControlUI* focused = window_.manager().focused_control();
  if (!focused) return false;
  const std::wstring& name = focused->name();
  if (name != L"account_edit" && name != L"pwd_edit" && name != L"signin" && name != L"code_edit") return false;
  if (signIn_) signIn_->set_focus();
  sign_in();
  return true;
}

void CSignInPage::on_signed_out() {
  ClearStoredSignIn();
  window_.select_page(kSignInPageIndex);
  set_text(pwdEdit_, L"");
  set_text(codeEdit_, L"");
  // After a saved sign-in the page was never filled: the user still finds
  // the number that stays in the registry.
  std::wstring account;
  if (accountEdit_ && accountEdit_->text().empty() &&
      RegistryRead(HKEY_CURRENT_USER, kSettingsKey, kAccountValue, REG_SZ, account)) {
    accountEdit_->set_text(account);
  }
}
