#include "app/SelfUpdate.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include <json/value.h>

#include "app/MainWnd.h"
#include "app/MsgBoxWnd.h"
#include "support/HeldFile.h"
#include "support/LogFile.h"
#include "support/UpdateSignature.h"
#include "workers/ApiCall.h"
#include "workers/DeploymentTrust.h"
#include "workers/SelfUpdateWorker.h"
#include "workers/VersionCheck.h"

namespace {

// A text member of the reply ("file_url", "file_sig"); empty when it is
// missing or no text.
std::string OfferText(const std::string& versionData, const char* name) {
  Json::Value root;
  std::string text;
  if (!ParseJsonText(versionData, root) || !JsonMemberText(root, name, text)) text.clear();
  return text;
}

// Why a downloaded file is not started, as the log says it.
const wchar_t* RefusalReason(SignatureCheck check) {
  switch (check) {
    case SignatureCheck::kFileUnreadable: return L"文件无法读取";
    case SignatureCheck::kSignatureMissing: return L"没有签名";
    case SignatureCheck::kSignatureMalformed: return L"签名格式不正确";
    case SignatureCheck::kKeyUnusable: return L"内置更新公钥不可用";
    case SignatureCheck::kMismatch: return L"签名与文件不符";
    case SignatureCheck::kValid: break;
  }
  return L"";
}

// Starts the downloaded copy so that it replaces the program; false, logged,
// when it does not start.
bool StartDownloadedCopy(const std::wstring& path) {
  const std::wstring parameters = SelfReplaceArguments(ProgramFilePath());
  const HINSTANCE started =
      ::ShellExecuteW(nullptr, L"open", path.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(started) <= 32) {
    LOG_LINE(L"ShellExecute %s failed: %d", path.c_str(), static_cast<int>(reinterpret_cast<INT_PTR>(started)));
    return false;
  }
  return true;
}

// Checks the file against the signature and starts it while still holding
// it, so nothing can take its place between the check and the start. The
// hold ends on return, before the caller may delete the file.
bool StartSignedCopy(const std::wstring& path, const std::string& signature, const char* keyPem) {
  CHeldFile file(path);
  if (!file.Held()) {
    LOG_LINE(L"%s无法锁定：%lu", path.c_str(), file.OpenError());
    return false;
  }
  const SignatureCheck check = VerifyFileSignature(file, signature, keyPem);
  if (check != SignatureCheck::kValid) {
    LOG_LINE(L"%s未启动：%s", path.c_str(), RefusalReason(check));
    return false;
  }
  return StartDownloadedCopy(path);
}

}  // namespace

bool CSelfUpdate::offer_update(const std::string& versionData) {
  if (!IsUpdateOffered(versionData)) return false;
  signature_ = OfferText(versionData, "file_sig");
  if (window_.message_box(L"发现新版本，请更新后使用！", kMsgBoxOkCancel, L"开始更新", L"退出程序") == 1) {
    start_self_update(OfferText(versionData, "file_url"));
  } else {
    window_.close_program();
  }
  return true;
}

void CSelfUpdate::start_self_update(const std::string& url) {
  window_.select_page(kStartupPageIndex);
  window_.startup_page().set_loading_tip(L"正在下载新版本");
  if (!start_worker(window_.threads(), &SelfUpdateWorker, std::make_unique<std::string>(url))) on_update_failed();
}

void CSelfUpdate::on_update_downloaded(const std::wstring& path) {
  const char* keyPem = CompiledDeploymentTrust().updateKeyPem;
  const bool started = keyPem[0] != '\0' ? StartSignedCopy(path, signature_, keyPem) : StartDownloadedCopy(path);
  // A copy that does not start would leave the user with no program at
  // all: tell them instead of closing silently. What is not started is no
  // update, and nothing of it may stay to be taken for one later.
  if (!started) {
    ::DeleteFileW(path.c_str());
    on_update_failed();
    return;
  }
  window_.close_program();
}

void CSelfUpdate::on_update_failed() {
  window_.message_box(L"更新失败，请去官网重新下载！", kMsgBoxOk, L"确定", L"取消");
  window_.close_program();
}
