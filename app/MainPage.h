#pragma once
// The main page, shown once the user is signed in: the one download button,
// which also shows what the download is doing and its total speed, and the
// service's article links. The download itself is the workers' (locator,
// file list, four download workers); this page starts them, sums the
// speeds they report and finishes the run when the last one has ended.
#include <windows.h>

#include <map>
#include <string>

#include "app/Page.h"
#include "ui/ButtonUI.h"
#include "ui/ContainerUI.h"

class CMainWnd;

// The button's text for a running download: files still waiting and the
// summed speed of the workers, in KiB/s up to 1024, then in MiB/s (the
// texts say Kb/s and Mb/s).
std::wstring DownloadSpeedText(int remainingFiles, DWORD totalBytesPerSecond);

class CMainPage : public CPage {
 public:
  explicit CMainPage(CMainWnd& window) : window_(window) {}

  void bind_controls(const ui::CWindowManagerUI& manager) override;
  bool notify(ui::TNotify& msg) override;

  // Reports of the workers, queued to the window.
  void on_download_status(const std::wstring& text);
  void start_download_workers();
  void on_download_speed(DWORD threadId, DWORD bytesPerSecond);
  void on_download_worker_done(DWORD threadId);
  void on_download_failed(const std::wstring& text);
  void on_articles_loaded();

  // Workers of the current download and their last speeds (bytes/s).
  const std::map<DWORD, DWORD>& thread_speeds() const { return thread_speeds_; }

 private:
  void start_download(ui::TNotify&);
  void on_topic_click(ui::TNotify& msg);
  void on_menu_click(ui::TNotify&);

  void set_start_button_idle();
  void add_article(const std::wstring& title, const std::wstring& url);

  static const NotifyRoute<CMainPage> kRoutes[];

  CMainWnd& window_;
  ui::CButtonUI* startBtn_ = nullptr;
  ui::CContainerUI* topicList_ = nullptr;
  std::map<DWORD, DWORD> thread_speeds_;
};
