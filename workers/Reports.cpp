#include "workers/Reports.h"

#include <memory>

#include "workers/CallPayload.h"
#include "workers/MainWndCalls.h"

namespace {

// Queues the call, or frees the payload when there is no window to run it.
void Queue(IMainWndCalls::Method method, int intArgument, void* payload) noexcept {
  IMainWndCalls::QueuedCall call{method, intArgument, payload};
  try {
    if (g_mainWnd) {
      g_mainWnd->post_call(g_mainWnd->native_handle(), method, intArgument, payload);
      return;
    }
  } catch (...) {
  }
  FreePayload(call);
}

// A heap copy of the value as the payload; none when it cannot be made.
template <class Value>
void QueueCopy(IMainWndCalls::Method method, int intArgument, const Value& value) noexcept {
  Value* copy = nullptr;
  try {
    copy = new Value(value);
  } catch (...) {
  }
  Queue(method, intArgument, copy);
}

}  // namespace

void ReportVersionReply(const std::string& replyText) noexcept {
  QueueCopy(&IMainWndCalls::on_version_reply, 0, replyText);
}
void ReportFatalError(const std::wstring& message) noexcept { QueueCopy(&IMainWndCalls::on_fatal_error, 0, message); }
void ReportConfigLoaded() noexcept { Queue(&IMainWndCalls::on_config_loaded, 0, nullptr); }
void ReportArticlesLoaded() noexcept { Queue(&IMainWndCalls::on_articles_loaded, 0, nullptr); }
void ReportArticlesFailed(const std::wstring& message) noexcept {
  QueueCopy(&IMainWndCalls::on_articles_failed, 0, message);
}
void ReportAutoSignedIn() noexcept { Queue(&IMainWndCalls::on_auto_signed_in, 0, nullptr); }
void ReportNoSavedSignIn() noexcept { Queue(&IMainWndCalls::on_no_saved_sign_in, 0, nullptr); }
void ReportCodeSent() noexcept { Queue(&IMainWndCalls::on_code_sent, 0, nullptr); }
void ReportCodeFailed(const std::wstring& message) noexcept { QueueCopy(&IMainWndCalls::on_code_failed, 0, message); }
void ReportSignedIn() noexcept { Queue(&IMainWndCalls::on_signed_in, 0, nullptr); }
void ReportSignInFailed(const std::wstring& message) noexcept {
  QueueCopy(&IMainWndCalls::on_sign_in_failed, 0, message);
}
void ReportDownloadStatus(const std::wstring& status) noexcept {
  QueueCopy(&IMainWndCalls::on_download_status, 0, status);
}
void ReportDownloadFailed(const std::wstring& message) noexcept {
  QueueCopy(&IMainWndCalls::on_download_failed, 0, message);
}
void ReportFileListReady() noexcept { Queue(&IMainWndCalls::start_download_workers, 0, nullptr); }
void ReportWorkerSpeed(DWORD threadId, double bytesPerSecond) noexcept {
  QueueCopy(&IMainWndCalls::on_download_speed, static_cast<int>(threadId), bytesPerSecond);
}
void ReportDownloadWorkerDone(DWORD threadId) noexcept {
  Queue(&IMainWndCalls::on_download_worker_done, static_cast<int>(threadId), nullptr);
}
void ReportUpdateDownloaded(const std::wstring& path) noexcept {
  QueueCopy(&IMainWndCalls::on_update_downloaded, 0, path);
}
void ReportUpdateFailed() noexcept { Queue(&IMainWndCalls::on_update_failed, 0, nullptr); }
