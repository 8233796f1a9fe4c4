#include "app/SelfUpdate.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include <json/value.h>

#include "app/MainWnd.h"
#include "app/MsgBoxWnd.h"
#include "support/LogFile.h"
#include "workers/ApiCall.h"
#include "workers/SelfUpdateWorker.h"
#include "workers/VersionCheck.h"

namespace {

// The reply's "file_url" as text; empty when it is missing or no text.
std::string UpdateUrl(const std::string& versionData) {
  Json::Value root;
  std::string url;
  if (!ParseJsonText(versionData, root) || !JsonMemberText(root, "file_url", url)) url.clear();
  return url;
}

}  // namespace

bool CSelfUpdate::offer_update(const std::string& versionData) {
  if (!IsUpdateOffered(versionData)) return false;
  if (window_.message_box(L"发现新版本，请更新后使用！", kMsgBoxOkCancel, L"开始更新", L"退出程序") == 1) {
    start_self_update(UpdateUrl(versionData));
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
  const std::wstring parameters = SelfReplaceArguments(ProgramFilePath());
  const HINSTANCE started =
      ::ShellExecuteW(nullptr, L"open", path.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
  // A copy that does not start would leave the user with no program at
  // all: tell them instead of closing silently. What cannot start is no
  // update, and nothing of it may stay to be taken for one later.
  if (reinterpret_cast<INT_PTR>(started) <= 32) {
    LOG_LINE(L"ShellExecute %s failed: %d", path.c_str(), static_cast<int>(reinterpret_cast<INT_PTR>(started)));
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
