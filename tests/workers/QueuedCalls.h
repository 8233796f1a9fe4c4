#pragma once
// What workers queued to a main window that has no native window: the
// posts fail, so the calls stay queued, and the test takes them out as the
// window thread would, freeing each payload as its method would.
#include <string>
#include <vector>

#include "app/MainWnd.h"

struct TakenCall {
  CMainWnd::Method method = nullptr;
  bool hasPayload = false;
  std::wstring text;        // a wide payload
  std::string narrowText;   // a narrow payload
};

inline const char* MethodName(CMainWnd::Method method) {
  static const struct {
    CMainWnd::Method method;
    const char* name;
  } kNames[] = {
      {&CMainWnd::on_version_reply, "on_version_reply"},
      {&CMainWnd::on_fatal_error, "on_fatal_error"},
      {&CMainWnd::on_config_loaded, "on_config_loaded"},
      {&CMainWnd::on_articles_loaded, "on_articles_loaded"},
      {&CMainWnd::on_articles_failed, "on_articles_failed"},
      {&CMainWnd::on_auto_signed_in, "on_auto_signed_in"},
      {&CMainWnd::on_no_saved_sign_in, "on_no_saved_sign_in"},
      {&CMainWnd::on_code_sent, "on_code_sent"},
      {&CMainWnd::on_code_failed, "on_code_failed"},
      {&CMainWnd::on_signed_in, "on_signed_in"},
      {&CMainWnd::on_sign_in_failed, "on_sign_in_failed"},
      {&CMainWnd::on_update_downloaded, "on_update_downloaded"},
      {&CMainWnd::on_update_failed, "on_update_failed"},
  };
  for (const auto& entry : kNames) {
    if (entry.method == method) return entry.name;
  }
  return "another method";
}

inline std::vector<TakenCall> TakeQueuedCalls(CMainWnd& window) {
  std::vector<TakenCall> calls;
  CMainWnd::QueuedCall call;
  while (window.take_call(call)) {
    TakenCall taken;
    taken.method = call.method;
    taken.hasPayload = call.pointerArgument != nullptr;
    if (call.method == &CMainWnd::on_version_reply) {
      std::string* text = static_cast<std::string*>(call.pointerArgument);
      if (text) taken.narrowText = *text;
      delete text;
    } else if (call.method == &CMainWnd::on_fatal_error || call.method == &CMainWnd::on_articles_failed ||
               call.method == &CMainWnd::on_code_failed || call.method == &CMainWnd::on_sign_in_failed ||
               call.method == &CMainWnd::on_update_downloaded) {
      std::wstring* text = static_cast<std::wstring*>(call.pointerArgument);
      if (text) taken.text = *text;
      delete text;
    }
    calls.push_back(taken);
  }
  return calls;
}
