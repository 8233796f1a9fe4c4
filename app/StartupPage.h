#pragma once
// The start-up page and the start-up sequence it shows: the version check,
// the configuration, then a saved sign-in restored or the sign-in page.
// Every failure on the way is fatal: one message box, then the program ends.
#include <string>

#include "app/Page.h"
#include "ui/ButtonUI.h"
#include "ui/LabelUI.h"

class CMainWnd;

class CStartupPage : public CPage {
 public:
  explicit CStartupPage(CMainWnd& window) : window_(window) {}

  void bind_controls(const ui::CWindowManagerUI& manager) override;
  bool notify(ui::TNotify&) override { return false; }

  // Steps of the sequence, on the window thread.
  void on_window_init();
  void load_config();
  void on_fatal_error(const std::wstring& text);
  void on_config_loaded();
  void on_auto_signed_in();
  void on_no_saved_sign_in();
  void set_loading_tip(const std::wstring& text);

 private:
  CMainWnd& window_;
  ui::CLabelUI* loadingTip_ = nullptr;
  ui::CLabelUI* versionLab_ = nullptr;
  ui::CButtonUI* startBtn_ = nullptr;
};
