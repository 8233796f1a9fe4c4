#include "workers/SignInWorkers.h"

#include <windows.h>

#include <json/value.h>


#include "support/LogFile.h"
#include "support/Registry.h"
#include "support/Text.h"
#include "workers/ApiCall.h"
#include "workers/Reports.h"
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

// True when the reply was an envelope and its outcome has been queued; a
// refusal without a message to show takes the failure path.
bool SendCode(const std::string* mobile, std::string& replyText) {
  if (!mobile) return false;
  replyText = ApiCall("/Speed/User/send?", "/Speed/User/send", {{"mobile", *mobile}}, true).text;
  ApiEnvelope envelope;
  if (!ReadApiEnvelope(replyText, envelope)) return false;
  if (envelope.code == kApiSuccessCode) {
    ReportCodeSent();
    return true;
  }
  if (envelope.message.empty()) return false;
  ReportCodeFailed(Utf8ToWide(envelope.message));
  return true;
}

// True when the service refused (its message queued) or the sign-in is
// stored and queued; false for every reply that cannot be used, a refusal
// without a message included.
bool SignIn(const char* path, const char* credentialName, SignInRequest* request, std::string& replyText) {
  if (!request) return false;
  replyText = ApiCall(path, path, {{"mobile", request->mobile}, {credentialName, request->credential}}, false).text;
  // The typed code or password is not kept after the transfer.
  request->credential.assign(request->credential.size(), '\0');
  request->credential.clear();
  ApiEnvelope envelope;
  if (!ReadApiEnvelope(replyText, envelope)) return false;
  if (envelope.code != kApiSuccessCode) {
    if (envelope.message.empty()) return false;
    ReportSignInFailed(Utf8ToWide(envelope.message));
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
  ReportSignedIn();
  return true;
}

void LoginWorker(void* request, const char* path, const char* credentialName) {
  std::string replyText;
  try {
    if (SignIn(path, credentialName, static_cast<SignInRequest*>(request), replyText)) return;
  } catch (...) {
  }
  LOG_REPLY(replyText);
  ReportSignInFailed(L"登录错误！请稍后重试");
}

}  // namespace

void SendCodeWorker(void* mobile) {
  std::string replyText;
  try {
    if (SendCode(static_cast<const std::string*>(mobile), replyText)) return;
  } catch (...) {
  }
  LOG_REPLY(replyText);
  ReportCodeFailed(L"网络错误，发送失败");
}

void LoginByCodeWorker(void* request) { LoginWorker(request, "/Speed/User/login?", "mobile_code"); }

void LoginByPasswordWorker(void* request) { LoginWorker(request, "/Speed/User/zmlogin?", "password"); }

void RestoreSignInWorker(void* token) {
  try {
    const std::string* stored = static_cast<const std::string*>(token);
    std::string userId = stored ? *stored : std::string();
    if (!IsUsableUserId(userId)) userId.clear();
    SetUserId(userId);
    if (userId.empty()) {
      ReportNoSavedSignIn();
    } else {
      ReportAutoSignedIn();
    }
  } catch (...) {
    ReportNoSavedSignIn();
  }
}

void ClearStoredSignIn() {
  SetUserId("");
  RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kTokenValue);
}
