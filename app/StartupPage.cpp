#include "app/StartupPage.h"

#include <json/value.h>

#include <memory>
#include <string>

#include "app/MainWnd.h"
#include "app/MsgBoxWnd.h"
#include "support/Registry.h"
#include "support/Text.h"
#include "workers/ApiCall.h"
#include "workers/SignInWorkers.h"
#include "workers/StartupWorkers.h"

namespace {

const UINT kProgramIcon = 103;

bool IsJson(const std::string& text) {
  Json::Value root;
  return ParseJsonText(text, root);
}

std::wstring ReadSetting(const wchar_t* name) {
  std::wstring value;
  if (!RegistryRead(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, value)) value.clear();
  return value;
}

}  // namespace

void CStartupPage::bind_controls(const ui::CWindowManagerUI& manager) {
  loadingTip_ = find_control_as<ui::CLabelUI>(manager, L"loadingtip", L"Label");
  versionLab_ = find_control_as<ui::CLabelUI>(manager, L"version_lab", L"Label");
  startBtn_ = find_control_as<ui::CButtonUI>(manager, L"startBtn", L"Button");
}

void CStartupPage::on_window_init() {
  window_.set_icon(kProgramIcon);
  HWND hwnd = window_.hwnd();
  ::SetForegroundWindow(hwnd);
  ::BringWindowToTop(hwnd);
  if (g_programDir.find(L"\\Favorites\\") != std::wstring::npos) {
    window_.message_box(L"无法在收藏夹中运行！", kMsgBoxOk, L"确定", L"取消");
    window_.close_program();
    return;
  }
  if (versionLab_) versionLab_->set_text(L"版本:1.4");
  if (startBtn_) startBtn_->set_enabled(false);
  window_.threads().StartThread(&CheckVersionWorker, nullptr);
}

void CStartupPage::load_config() { window_.threads().StartThread(&GetConfigWorker, nullptr); }

void CStartupPage::on_fatal_error(const std::wstring& text) {
  window_.message_box(text, kMsgBoxOk, L"我知道了", L"取消");
  window_.close_program();
}

void CStartupPage::on_config_loaded() {
  if (startBtn_) startBtn_->set_enabled(true);
  if (!IsJson(g_configText)) {
    window_.message_box(L"数据错误！", kMsgBoxOk, L"确定", L"取消");
    window_.close_program();
    return;
  }
  const std::wstring account = ReadSetting(kAccountValue);
  const std::wstring token = ReadSetting(kTokenValue);
  if (token.empty()) {
    if (!account.empty()) window_.sign_in_page().show_saved_account(account);
    window_.select_page(kSignInPageIndex);
  } else {
    set_loading_tip(L"正在登录...");
    start_worker(window_.threads(), &RestoreSignInWorker, std::make_unique<std::string>(WideToUtf8(token)));
  }
  window_.threads().StartThread(&GetArticlesWorker, nullptr);
}

void CStartupPage::on_auto_signed_in() {
  set_loading_tip(L"");
  window_.select_page(kMainPageIndex);
}

void CStartupPage::on_no_saved_sign_in() {
  window_.select_page(kSignInPageIndex);
  RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kTokenValue);
}

void CStartupPage::set_loading_tip(const std::wstring& text) {
  if (loadingTip_) loadingTip_->set_text(text);
}
