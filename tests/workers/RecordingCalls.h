#pragma once
// The main window as the workers see it, for worker tests: it has no native
// window, so reports stay queued until the test runs them, and each call is
// recorded with its payload unpacked the way the window unpacks it.
#include <string>
#include <vector>

#include "support/ThreadManager.h"
#include "workers/CallPayload.h"
#include "workers/MainWndCalls.h"

struct TakenCall {
  std::string name;
  int intArgument = 0;
  bool hasPayload = false;
  std::wstring text;       // a wide payload
  std::string narrowText;  // a narrow payload
  double speed = 0;        // a speed payload
};

class CRecordingCalls : public IMainWndCalls {
 public:
  CRecordingCalls() { g_mainWnd = this; }
  ~CRecordingCalls() override {
    g_mainWnd = nullptr;
    DropQueuedCalls(*this);
  }

  HWND native_handle() const override { return nullptr; }
  // Workers started here, as the window starts them; ended before the
  // records go.
  CWindowMultiThreadManager& threads() { return threads_; }

  // Runs what was queued so far and hands over the records.
  std::vector<TakenCall> TakeCalls() {
    dispatch_calls();
    std::vector<TakenCall> calls;
    calls.swap(calls_);
    return calls;
  }

#define ORVANE_RECORDED(method) \
  void method(int intArgument, void* payload) override { Record(#method, &IMainWndCalls::method, intArgument, payload); }
  ORVANE_RECORDED(on_version_reply)
  ORVANE_RECORDED(on_fatal_error)
  ORVANE_RECORDED(on_config_loaded)
  ORVANE_RECORDED(on_articles_loaded)
  ORVANE_RECORDED(on_articles_failed)
  ORVANE_RECORDED(on_auto_signed_in)
  ORVANE_RECORDED(on_no_saved_sign_in)
  ORVANE_RECORDED(on_code_sent)
  ORVANE_RECORDED(on_code_failed)
  ORVANE_RECORDED(on_signed_in)
  ORVANE_RECORDED(on_sign_in_failed)
  ORVANE_RECORDED(on_download_status)
  ORVANE_RECORDED(on_download_failed)
  ORVANE_RECORDED(start_download_workers)
  ORVANE_RECORDED(on_download_speed)
  ORVANE_RECORDED(on_download_worker_done)
  ORVANE_RECORDED(on_update_downloaded)
  ORVANE_RECORDED(on_update_failed)
  ORVANE_RECORDED(open_home_page)
  ORVANE_RECORDED(open_qq_group_page)
  ORVANE_RECORDED(open_help_page)
  ORVANE_RECORDED(sign_out)
#undef ORVANE_RECORDED

 private:
  void Record(const char* name, Method method, int intArgument, void* payload) {
    TakenCall call;
    call.name = name;
    call.intArgument = intArgument;
    call.hasPayload = payload != nullptr;
    switch (PayloadKindOf(method)) {
      case PayloadKind::kWideText:
        call.text = TakeWideText(payload);
        break;
      case PayloadKind::kNarrowText:
        if (auto text = TakePayload<std::string>(payload)) call.narrowText = *text;
        break;
      case PayloadKind::kSpeed:
        if (auto speed = TakePayload<double>(payload)) call.speed = *speed;
        break;
      case PayloadKind::kNone:
        break;
    }
    calls_.push_back(call);
  }

  std::vector<TakenCall> calls_;
  CWindowMultiThreadManager threads_;
};
