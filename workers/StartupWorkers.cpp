#include "workers/StartupWorkers.h"

#include <json/value.h>

#include "support/LogFile.h"
#include "support/Text.h"
#include "workers/ApiCall.h"
#include "workers/MainWndCalls.h"
#include "workers/ReplyData.h"

std::string g_configText;
std::string g_downloadUrlPrefix;
std::string g_articlesText;

namespace {

const char kVersionPath[] = "/Speed/Config/checkVersion";
const char kConfigPath[] = "/Speed/Config/getConfig";
const char kArticlesPath[] = "/Speed/Config/getArticles";

// The decoded "data" of a reply that the service accepted; false for any
// reply that is not such an envelope.
bool SuccessData(const std::string& replyText, std::string& data) {
  ApiEnvelope envelope;
  if (!ReadApiEnvelope(replyText, envelope) || envelope.code != kApiSuccessCode) return false;
  data = DecodeReplyData(envelope.data);
  return true;
}

void FailCall(const std::string& replyText, CMainWnd::Method method, const wchar_t* text) noexcept {
  try {
    LOG_TEXT(Utf8ToWide(replyText));
  } catch (...) {
    // A line that cannot be made is dropped like one that cannot be written.
  }
  QueueMainWndText(method, std::wstring(text));
}

bool CheckVersion(std::string& replyText) {
  replyText = ApiCall(kVersionPath, kVersionPath, {}, true).text;
  std::string data;
  if (!SuccessData(replyText, data)) return false;
  QueueMainWndText(&CMainWnd::on_version_reply, data);
  return true;
}

bool GetConfig(std::string& replyText) {
  replyText = ApiCall(kConfigPath, kConfigPath, {}, true).text;
  std::string data;
  if (!SuccessData(replyText, data)) return false;
  Json::Value config;
  std::string prefix;
  // The window and the download read members of it, so anything but an
  // object (a list, a bare value, null) is as unusable as no JSON at all,
  // and such a text is never kept.
  if (!ParseJsonText(data, config) || !config.isObject() ||
      !JsonMemberText(config, "downloadurl_prefix", prefix)) {
    return false;
  }
  g_configText = data;
  g_downloadUrlPrefix = prefix;
  QueueMainWndCall(&CMainWnd::on_config_loaded);
  return true;
}

bool GetArticles(std::string& replyText) {
  replyText = ApiCall(kArticlesPath, kArticlesPath, {}, true).text;
  std::string data;
  if (!SuccessData(replyText, data)) return false;
  g_articlesText = data;
  QueueMainWndCall(&CMainWnd::on_articles_loaded);
  return true;
}

// Runs one call; whatever reading the reply throws ends in the failure path.
void RunCall(bool (*call)(std::string&), CMainWnd::Method failure, const wchar_t* failureText) {
  std::string replyText;
  try {
    if (call(replyText)) return;
  } catch (...) {
  }
  FailCall(replyText, failure, failureText);
}

}  // namespace

std::string ConfigText() { return g_configText; }

std::string ArticlesText() { return g_articlesText; }

void CheckVersionWorker(void*) {
  RunCall(&CheckVersion, &CMainWnd::on_fatal_error, L"检查更新失败，请下载最新版本！");
}

void GetConfigWorker(void*) { RunCall(&GetConfig, &CMainWnd::on_fatal_error, L"配置数据获取失败！"); }

void GetArticlesWorker(void*) {
  RunCall(&GetArticles, &CMainWnd::on_articles_failed, L"文章数据获取失败！");
}
