#pragma once
// The sign-in page: the mobile number and either an SMS code (the default
// mode) or a password. It checks only that the fields are not empty; the
// service calls are the sign-in workers'. The SMS button counts down 60
// seconds on its own timer and the tip line shows each result for 7 s.
#include <string>

#include "app/Page.h"
#include "ui/ButtonUI.h"
#include "ui/LabelUI.h"
#include "ui/RichEditUI.h"
#include "ui/TabLayoutUI.h"

class CMainWnd;

// Control timers of the page (ids of the window manager's control timers).
const unsigned kSendCodeTimerId = 4098;
const unsigned kTipTimerId = 4099;
// Seconds the SMS button waits before it can be used again.
const int kSendCodeCountdown = 60;

const DWORD kTipSuccessColor = 0xFFFFFFFF;
const DWORD kTipFailureColor = 0xFFFF0000;

class CSignInPage : public CPage {
 public:
  explicit CSignInPage(CMainWnd& window) : window_(window) {}

  void bind_controls(const ui::CWindowManagerUI& manager) override;
  bool notify(ui::TNotify& msg) override;

  // The number saved by an earlier start, filled in with the focus moved to
  // the password field, before the page is shown.
  void show_saved_account(const std::wstring& account);
  // Results of the workers, queued to the window.
  void on_code_sent();
  void on_code_failed(const std::wstring& text);
  void on_signed_in();
  void on_sign_in_failed(const std::wstring& text);
  // Enter in the number, code or password field or on the sign-in button
  // signs in; true when the key was taken.
  bool on_enter_key(unsigned key);
  // After signing out: the page with the code and password fields emptied;
  // the number stays (taken from the registry when the field is empty).
  void on_signed_out();

 private:
  void on_send_code_click(ui::TNotify&);
  void on_password_mode_click(ui::TNotify&);
  void on_code_mode_click(ui::TNotify&);
  void on_sign_in_click(ui::TNotify&);
  void on_send_code_timer(ui::TNotify& msg);
  void on_tip_timer(ui::TNotify&);

  void send_code();
  void sign_in();
  void show_tip(const std::wstring& text, DWORD color);
  void reset_send_code();
  void set_sign_in_busy(bool busy);

  static const NotifyRoute<CSignInPage> kRoutes[];

  CMainWnd& window_;
  ui::CRichEditUI* accountEdit_ = nullptr;
  ui::CRichEditUI* codeEdit_ = nullptr;
  ui::CRichEditUI* pwdEdit_ = nullptr;
  ui::CButtonUI* sendCode_ = nullptr;
  ui::CButtonUI* signIn_ = nullptr;
  ui::CTabLayoutUI* signInTypeTab_ = nullptr;
  ui::CLabelUI* tipLab_ = nullptr;
};
