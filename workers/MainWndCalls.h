#pragma once
// The calls the main window takes through its call queue: the workers'
// reports and the account menu's commands. The window implements this
// interface, so the workers name its methods for post_call without knowing
// the window; the tests put a recording stand-in in its place.
//
// A method runs on the window thread and owns its payload. Which payload a
// method carries is fixed in one place (CallPayload.cpp); the Report
// functions (Reports.h) pack them and TakePayload unpacks them.
#include <windows.h>

#include "support/MsgDispatch.h"

class IMainWndCalls : public CMsgDispatch<IMainWndCalls> {
 public:
  // Where post_call wakes the window; null while there is no native window.
  virtual HWND native_handle() const = 0;

  virtual void on_version_reply(int, void* replyText) = 0;
  virtual void on_fatal_error(int, void* message) = 0;
  virtual void on_config_loaded(int, void*) = 0;
  virtual void on_articles_loaded(int, void*) = 0;
  virtual void on_articles_failed(int, void* message) = 0;
  virtual void on_auto_signed_in(int, void*) = 0;
  virtual void on_no_saved_sign_in(int, void*) = 0;
  virtual void on_code_sent(int, void*) = 0;
  virtual void on_code_failed(int, void* message) = 0;
  virtual void on_signed_in(int, void*) = 0;
  virtual void on_sign_in_failed(int, void* message) = 0;
  virtual void on_download_status(int, void* status) = 0;
  virtual void on_download_failed(int, void* message) = 0;
  virtual void start_download_workers(int, void*) = 0;
  virtual void on_download_speed(int threadId, void* bytesPerSecond) = 0;
  virtual void on_download_worker_done(int threadId, void*) = 0;
  virtual void on_update_downloaded(int, void* path) = 0;
  virtual void on_update_failed(int, void*) = 0;

  // The account menu's commands.
  virtual void open_home_page(int, void*) = 0;
  virtual void open_qq_group_page(int, void*) = 0;
  virtual void open_help_page(int, void*) = 0;
  virtual void sign_out(int, void*) = 0;

 protected:
  ~IMainWndCalls() override = default;
};

// The one main window; null before it is made and after it is gone.
extern IMainWndCalls* g_mainWnd;
