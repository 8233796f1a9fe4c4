#pragma once
// The program's main window. Workers report to it only through its call
// queue: they post the queued methods below with post_call on g_mainWnd.
#include <windows.h>

#include <map>

#include "app/MsgDispatch.h"
#include "support/ThreadManager.h"

class CMainWnd : public CMsgDispatch<CMainWnd> {
 public:
  CMainWnd();
  ~CMainWnd() override;

  HWND native_handle() const { return hwnd_; }
  CWindowMultiThreadManager& threads() { return threads_; }

  // Queued methods: a heap payload belongs to the method, which frees it.
  void on_version_reply(int, void* replyText);        // std::string*
  void on_fatal_error(int, void* message);            // std::wstring*
  void on_config_loaded(int, void*);
  void on_articles_loaded(int, void*);
  void on_articles_failed(int, void* message);        // std::wstring*
  void on_auto_signed_in(int, void*);
  void on_no_saved_sign_in(int, void*);
  void on_code_sent(int, void*);
  void on_code_failed(int, void* message);            // std::wstring*
  void on_signed_in(int, void*);
  void on_sign_in_failed(int, void* message);         // std::wstring*
  void on_download_status(int, void* status);         // std::wstring*
  void on_download_failed(int, void* message);        // std::wstring*
  void start_download_workers(int, void*);
  void on_download_speed(int threadId, void* bytesPerSecond);  // a number, not a pointer
  void on_download_worker_done(int threadId, void* gameRoot);  // not owned
  void on_update_failed(int, void*);
  void open_home_page(int, void*);
  void open_qq_group_page(int, void*);
  void open_help_page(int, void*);
  void sign_out(int, void*);

 protected:
  HWND hwnd_ = nullptr;
  CWindowMultiThreadManager threads_;
  std::map<DWORD, DWORD> thread_speeds;
};

// The one main window; null before it is made and after it is gone.
extern CMainWnd* g_mainWnd;
