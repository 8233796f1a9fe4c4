#include "app/MainPage.h"

#include <json/value.h>

#include <cwchar>
#include <memory>

#include "app/MainWnd.h"
#include "app/MenuWnd.h"
#include "app/MsgBoxWnd.h"
#include "app/ShellOpen.h"
#include "support/Registry.h"
#include "support/Text.h"
#include "workers/ApiCall.h"
#include "workers/DownloadQueue.h"
#include "workers/DownloadWorkers.h"
#include "workers/GameLocator.h"
#include "workers/ReportWorker.h"
#include "workers/StartupWorkers.h"

namespace {

const wchar_t kStartText[] = L"开始下载";
const wchar_t kStartingText[] = L"正在下载";
const wchar_t kFinishedText[] = L"下载已结束！";

// The game's own key, where its launcher finds the client.
const wchar_t kGameKey[] = L"Software\\WEMADE\\MirM";
const wchar_t kGamePathValue[] = L"PATH";
const wchar_t kGameFileValue[] = L"FILE";
const wchar_t kClientFolder[] = L"client";
const wchar_t kGameProgram[] = L"MirM.exe";

const DWORD kTopicTextColor = 0xFFFFFFFF;
const DWORD kTopicHotTextColor = 0xFF0FB4FF;
const int kTopicHeight = 17;

bool write_setting(const wchar_t* value, const std::wstring& data) {
  return RegistryWrite(HKEY_CURRENT_USER, kGameKey, value, REG_SZ, data.data(),
                       static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

std::wstring member_text(const Json::Value& element, const char* name) {
  std::string text;
  if (!JsonMemberText(element, name, text)) return std::wstring();
  return Utf8ToWide(text);
}

}  // namespace

std::wstring DownloadSpeedText(int remainingFiles, DWORD totalBytesPerSecond) {
  DWORD total = totalBytesPerSecond >> 10;
  const wchar_t* format = L"剩余%d个文件，速度:%dKb/s";
  if (total > 1024) {
    total >>= 10;
    format = L"剩余%d个文件，速度:%dMb/s";
  }
  wchar_t text[256] = {};
  std::swprintf(text, 256, format, remainingFiles, static_cast<int>(total));
  return text;
}

const NotifyRoute<CMainPage> CMainPage::kRoutes[] = {
    {L"startBtn", ui::kNotifyClick, &CMainPage::start_download},
    {L"topic_btn", ui::kNotifyClick, &CMainPage::on_topic_click},
    {L"menu_btn", ui::kNotifyClick, &CMainPage::on_menu_click},
};

void CMainPage::bind_controls(const ui::CWindowManagerUI& manager) {
  startBtn_ = find_control_as<ui::CButtonUI>(manager, L"startBtn", L"Button");
  topicList_ = find_control_as<ui::CContainerUI>(manager, L"topic_list", L"Container");
}

bool CMainPage::notify(ui::TNotify& msg) { return route_notify(*this, kRoutes, msg); }

void CMainPage::start_download(ui::TNotify&) {
  if (startBtn_) {
    startBtn_->set_enabled(false);
    startBtn_->set_text(kStartingText);
  }
  window_.threads().StartThread(&LocateAndListWorker, nullptr);
  window_.threads().StartThread(&ReportWorker, reinterpret_cast<void*>(static_cast<UINT_PTR>(kReportDownloadStarted)));
}

void CMainPage::on_topic_click(ui::TNotify& msg) {
  if (msg.sender) open_in_browser(msg.sender->user_data());
}

void CMainPage::on_menu_click(ui::TNotify&) { show_account_menu(window_.hwnd()); }

void CMainPage::on_download_status(const std::wstring& text) {
  if (startBtn_) startBtn_->set_text(text);
}

void CMainPage::start_download_workers() {
  thread_speeds_.clear();
  for (int i = 0; i < kDownloadWorkerCount; ++i) {
    const DWORD id = window_.threads().StartThread(&DownloadWorker, nullptr);
    if (id) thread_speeds_[id] = 0;
  }
}

void CMainPage::on_download_speed(DWORD threadId, DWORD bytesPerSecond) {
  auto worker = thread_speeds_.find(threadId);
  if (worker == thread_speeds_.end()) return;
  worker->second = bytesPerSecond;
  DWORD total = 0;
  for (const auto& entry : thread_speeds_) total += entry.second;
  if (startBtn_) startBtn_->set_text(DownloadSpeedText(PendingDownloadCount(), total));
}

void CMainPage::on_download_worker_done(DWORD threadId) {
  // A worker of an earlier run, whose table was replaced, does not end this
  // run: without this check it would report a second, false completion.
  if (thread_speeds_.erase(threadId) == 0) return;
  if (!thread_speeds_.empty()) return;
  set_start_button_idle();
  write_setting(kGamePathValue, GameRoot() + kClientFolder);
  write_setting(kGameFileValue, kGameProgram);
  window_.message_box(kFinishedText, kMsgBoxOk, L"确定", L"取消");
}

void CMainPage::on_download_failed(const std::wstring& text) {
  set_start_button_idle();
  window_.message_box(text, kMsgBoxOk, L"确定", L"取消");
}

void CMainPage::set_start_button_idle() {
  if (!startBtn_) return;
  startBtn_->set_text(kStartText);
  startBtn_->set_enabled(true);
  startBtn_->set_tooltip(L"");
}

void CMainPage::on_articles_loaded() {
  Json::Value articles;
  if (!topicList_ || !ParseJsonText(ArticlesText(), articles)) return;
  topicList_->remove_all();
  for (const Json::Value& element : articles) {
    add_article(member_text(element, "title"), member_text(element, "url"));
  }
}

void CMainPage::add_article(const std::wstring& title, const std::wstring& url) {
  ui::CButtonUI* button = new ui::CButtonUI;
  if (!topicList_->add(button)) {
    delete button;
    return;
  }
  button->set_text(title);
  button->set_user_data(url);
  button->set_text_color(kTopicTextColor);
  button->set_hot_text_color(kTopicHotTextColor);
  button->apply_attribute(L"align", L"left");
  button->set_fixed_height(kTopicHeight);
  button->set_name(L"topic_btn");
  if (url.empty()) {
    // Listed but not a link: it keeps its colour and cannot be clicked.
    button->set_disabled_text_color(kTopicTextColor);
    button->set_enabled(false);
  }
}
