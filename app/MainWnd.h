#pragma once
// The program's one top-level window: a borderless 390 x 480 window built
// from main.xml, whose tab layout "maintab" holds the start-up, sign-in and
// main pages. It owns the worker threads and the call queue through which
// they report back; each page is a unit of its own that the window routes
// notifications and queued calls to.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/MainPage.h"
#include "app/Page.h"
#include "app/SelfUpdate.h"
#include "app/SignInPage.h"
#include "app/SkinWnd.h"
#include "app/StartupPage.h"
#include "support/ThreadManager.h"
#include "ui/NativeWindow.h"
#include "ui/Notify.h"
#include "ui/SkinBuilder.h"
#include "ui/TabLayoutUI.h"
#include "ui/WindowManagerUI.h"
#include "workers/MainWndCalls.h"

// Pages of "maintab".
const int kStartupPageIndex = 0;
const int kSignInPageIndex = 1;
const int kMainPageIndex = 2;

// The notification-area callback message the popup menu answers (2034).
const UINT kTrayNotifyMessage = WM_USER + 1010;

class CMainWnd : public CSkinWnd,
                 public ui::INotifyListener,
                 public ui::ISkinBuilderCallback,
                 public IMainWndCalls {
 public:
  CMainWnd();
  ~CMainWnd() override;

  // Creates the native window; its size comes from the skin. None on failure.
  HWND create_main_window();

  HWND native_handle() const override { return hwnd(); }
  CWindowMultiThreadManager& threads() { return threads_; }
  ui::CWindowManagerUI& manager() { return manager_; }
  CStartupPage& startup_page() { return startupPage_; }
  CSignInPage& sign_in_page() { return signInPage_; }

  // Window thread only.
  void select_page(int index);
  // Hides and closes the window without asking; the program then ends.
  void close_program();
  // "确定退出盒子吗"; closes the program on OK.
  void confirm_close();
  // A message box owned by this window; 1 for OK, else 0.
  int message_box(const std::wstring& text, int kind, const std::wstring& okText,
                  const std::wstring& cancelText);
  void start_self_update(const std::string& url);

  void notify(ui::TNotify& msg) override;
  ui::CControlUI* make_custom_control(const std::wstring&) override { return nullptr; }

  // Queued methods (IMainWndCalls), run on the window thread.
  void on_version_reply(int, void* replyText) override;
  void on_fatal_error(int, void* message) override;
  void on_config_loaded(int, void*) override;
  void on_articles_loaded(int, void*) override;
  void on_articles_failed(int, void* message) override;
  void on_auto_signed_in(int, void*) override;
  void on_no_saved_sign_in(int, void*) override;
  void on_code_sent(int, void*) override;
  void on_code_failed(int, void* message) override;
  void on_signed_in(int, void*) override;
  void on_sign_in_failed(int, void* message) override;
  void on_download_status(int, void* status) override;
  void on_download_failed(int, void* message) override;
  void start_download_workers(int, void*) override;
  void on_download_speed(int threadId, void* bytesPerSecond) override;
  void on_download_worker_done(int threadId, void*) override;
  void on_update_downloaded(int, void* path) override;
  void on_update_failed(int, void*) override;
  void open_home_page(int, void*) override;
  void open_qq_group_page(int, void*) override;
  void open_help_page(int, void*) override;
  void sign_out(int, void*) override;

 protected:
  const wchar_t* window_class_name() const override { return L"CMainWnd"; }
  LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override;
  // Sets the rounded region; always leaves the message unhandled.
  virtual void on_size(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);

 private:
  LRESULT on_sys_command(WPARAM command, LPARAM lparam);
  // The sign-in page's Enter key; true when handled.
  bool on_enter_key(WPARAM key);
  // The popup menu of the notification-area callback.
  void on_tray_notify(LPARAM mouseMessage);

  void on_window_init(ui::TNotify& msg);
  void on_close_click(ui::TNotify& msg);
  void on_min_click(ui::TNotify& msg);
  void on_ignored_click(ui::TNotify& msg);
  void minimise();

  static const NotifyRoute<CMainWnd> kRoutes[];

  CWindowMultiThreadManager threads_;
  ui::CTabLayoutUI* page_tab = nullptr;
  // The pages, each made with *this; pages_ below lists them, so they are
  // declared before it.
  CStartupPage startupPage_;
  CSignInPage signInPage_;
  CMainPage mainPage_;
  CSelfUpdate selfUpdate_;
  // The pages above, borrowed, in the order notifications are offered.
  std::vector<CPage*> pages_;
};

// The program's folder with a trailing backslash.
extern std::wstring g_programDir;
