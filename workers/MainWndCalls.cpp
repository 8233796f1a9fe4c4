#include "workers/MainWndCalls.h"

#include <memory>

CMainWnd* g_mainWnd = nullptr;

namespace {

// False when there is no main window to queue to.
bool Queue(CMainWnd::Method method, void* payload) {
  if (!g_mainWnd) return false;
  g_mainWnd->post_call(g_mainWnd->native_handle(), method, 0, payload);
  return true;
}

template <class Text>
void QueueHeapText(CMainWnd::Method method, const Text& text) noexcept {
  std::unique_ptr<Text> payload;
  try {
    payload.reset(new Text(text));
  } catch (...) {
    // The receivers treat a null text as empty; the call itself must not
    // be lost (a start-up failure still has to end the program).
  }
  try {
    if (Queue(method, payload.get())) payload.release();
  } catch (...) {
  }
}

}  // namespace

void QueueMainWndCall(CMainWnd::Method method) noexcept {
  try {
    Queue(method, nullptr);
  } catch (...) {
  }
}

void QueueMainWndText(CMainWnd::Method method, const std::wstring& text) noexcept {
  QueueHeapText(method, text);
}

void QueueMainWndText(CMainWnd::Method method, const std::string& text) noexcept {
  QueueHeapText(method, text);
}
