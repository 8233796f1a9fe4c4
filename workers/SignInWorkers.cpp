#include "workers/SignInWorkers.h"

#include <windows.h>

#include <json/value.h>

#include <memory>

#include "support/LogFile.h"
#include "support/Registry.h"
#include "support/Text.h"
#include "workers/ApiCall.h"
#include "workers/MainWndCalls.h"
#include "workers/ReplyData.h"
#include "workers/UserId.h"

namespace {

// "token2" goes through the narrow registry interface.
const char kSettingsKeyNarrow[] = "Software\\tessalunde";
const char kTokenValueNarrow[] = "token2";

// The id travels as the "Userid" header line, which the HTTP client cuts at
// CR, LF and ";": an id holding those (or other control characters) would
// be sent cut short or as extra header lines, so it is not accepted.
bool IsUsableUserId(const std::string& userId) {
  if (userId.empty()) return false;
  for (unsigned char c : userId) {
    if (c < 0x20 || c == 0x7F || c == ';') return false;
  }
  return true;
}

void LogReply(const std::string& replyText) noexcept {
  try {
    LOG_TEXT(Utf8ToWide(replyText));
  } catch (...) {
    // A line that cannot be made is dropped like one that cannot be written.
  }
}

// True when the reply was an envelope and its outcome has been queued; a
// refusal without a message to show takes the failure path.
bool SendCode(std::unique_ptr<std::string> mobile, std::string& replyText) {
  if (!mobile) return false;
  const std::string number = *mobile;
  mobile.reset();
  replyText = ApiCall("/Speed/User/send?", "/Speed/User/send", {{"mobile", number}}, true).text;
  ApiEnvelope envelope;
  if (!ReadApiEnvelope(replyText, envelope)) return false;
  if (envelope.code == kApiSuccessCode) {
    QueueMainWndCall(&CMainWnd::on_code_sent);
    return true;
  }
  if (envelope.message.empty()) return false;
  QueueMainWndText(&CMainWnd::on_code_failed, Utf8ToWide(envelope.message));
  return true;
}

// True when the service refused (its message queued) or the sign-in is
// stored and queued; false for every reply that cannot be used, a refusal
// without a message included.
bool SignIn(const char* path, const char* credentialName, std::unique_ptr<SignInRequest> request,
            std::string& replyText) {
  if (!request) return false;
  replyText = ApiCall(path, path, {{"mobile", request->mobile}, {credentialName, request->credential}}, false).text;
  // The typed code or password is not kept after the transfer.
  request.reset();
  ApiEnvelope envelope;
  if (!ReadApiEnvelope(replyText, envelope)) return false;
  if (envelope.code != kApiSuccessCode) {
    if (envelope.message.empty()) return false;
    QueueMainWndText(&CMainWnd::on_sign_in_failed, Utf8ToWide(envelope.message));
    return true;
  }
  Json::Value payload;
  std::string userId;
  if (!ParseJsonText(DecodeReplyData(envelope.data), payload) || !JsonMemberText(payload, "user_id", userId) ||
      !IsUsableUserId(userId)) {
    return false;
  }
  // A failed write only costs the stored sign-in at the next start.
  RegistryWriteNarrow(HKEY_CURRENT_USER, kSettingsKeyNarrow, kTokenValueNarrow, REG_SZ, userId.data(),
                      static_cast<DWORD>(userId.size()));
  // Set before the window hears of it, so every request it starts next
  // carries the new id.
  SetUserId(userId);
  QueueMainWndCall(&CMainWnd::on_signed_in);
  return true;
}

void LoginWorker(void* argument, const char* path, const char* credentialName) {
  std::unique_ptr<SignInRequest> request(static_cast<SignInRequest*>(argument));
  std::string replyText;
  try {
    if (SignIn(path, credentialName, std::move(request), replyText)) return;
  } catch (...) {
  }
  LogReply(replyText);
  QueueMainWndText(&CMainWnd::on_sign_in_failed, std::wstring(L"登录错误！请稍后重试"));
}

}  // namespace

void SendCodeWorker(void* mobile) {
  std::unique_ptr<std::string> owned(static_cast<std::string*>(mobile));
  std::string replyText;
  try {
    if (SendCode(std::move(owned), replyText)) return;
  } catch (...) {
  }
  LogReply(replyText);
  QueueMainWndText(&CMainWnd::on_code_failed, std::wstring(L"网络错误，发送失败"));
}

void LoginByCodeWorker(void* request) { LoginWorker(request, "/Speed/User/login?", "mobile_code"); }

void LoginByPasswordWorker(void* request) { LoginWorker(request, "/Speed/User/zmlogin?", "password"); }

void RestoreSignInWorker(void* token) {
  std::unique_ptr<std::string> owned(static_cast<std::string*>(token));
  try {
    std::string userId = owned ? *owned : std::string();
    owned.reset();
    if (!IsUsableUserId(userId)) userId.clear();
    SetUserId(userId);
    QueueMainWndCall(userId.empty() ? &CMainWnd::on_no_saved_sign_in : &CMainWnd::on_auto_signed_in);
  } catch (...) {
    QueueMainWndCall(&CMainWnd::on_no_saved_sign_in);
  }
}

void ClearStoredSignIn() {
  SetUserId("");
  RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kTokenValue);
}
