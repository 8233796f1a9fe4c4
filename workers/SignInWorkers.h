#pragma once
// The sign-in page's calls (send an SMS code, sign in with the code or with
// a password), the adoption of a stored sign-in at start-up, and the token
// store: the registry values that carry the account across starts.
#include <string>

// Under HKEY_CURRENT_USER, created on first write.
constexpr wchar_t kSettingsKey[] = L"Software\\tessalunde";
// The number last submitted (UTF-16); written by the sign-in page, never
// deleted.
constexpr wchar_t kAccountValue[] = L"account";
// The user id of the last successful sign-in, written as a narrow string.
constexpr wchar_t kTokenValue[] = L"token2";

// What a sign-in worker receives: made on the window thread and handed to
// the thread manager (start_worker), which frees it after the worker. Both
// texts UTF-8 as typed.
struct SignInRequest {
  std::string mobile;
  std::string credential;  // the SMS code or the password
};

// Worker functions; each argument is owned by the thread manager. Here a
// std::string holding the mobile number. Success: on_code_sent. Refused:
// on_code_failed with the service's message. Failure (a refusal without a
// message among them): logged, then on_code_failed with "网络错误，发送失败".
void SendCodeWorker(void* mobile);
// The argument is a SignInRequest; its credential is wiped once sent.
// Success: the user id is stored in "token2" and in the process, then
// on_signed_in. Refused: on_sign_in_failed with the service's message,
// nothing stored. Failure (no answer, malformed reply, a refusal without a
// message, no usable user id): logged, then on_sign_in_failed with
// "登录错误！请稍后重试".
void LoginByCodeWorker(void* request);
void LoginByPasswordWorker(void* request);
// The argument is a std::string holding the stored "token2" (UTF-8); it is
// adopted without asking the service.
// on_auto_signed_in when it is a usable user id, else on_no_saved_sign_in.
void RestoreSignInWorker(void* token);

// Sign-out, on the window thread: forgets the user id and deletes "token2";
// "account" stays.
void ClearStoredSignIn();
