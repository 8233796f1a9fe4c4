#include "workers/StartupWorkers.h"

#include <json/value.h>

#include "support/LogFile.h"
#include "support/Text.h"
#include "workers/ApiCall.h"
#include "workers/Reports.h"
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

bool CheckVersion(std::string& replyText) {
  replyText = ApiCall(kVersionPath, kVersionPath, {}, true).text;
  std::string data;
  if (!SuccessData(replyText, data)) return false;
  ReportVersionReply(data);
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
  ReportConfigLoaded();
  return true;
}

bool GetArticles(std::string& replyText) {
  replyText = ApiCall(kArticlesPath, kArticlesPath, {}, true).text;
  std::string data;
  if (!SuccessData(replyText, data)) return false;
  g_articlesText = data;
  ReportArticlesLoaded();
  return true;
}

// Runs one call; whatever reading the reply throws ends in the failure path.
void RunCall(bool (*call)(std::string&), void (*reportFailure)(const std::wstring&) noexcept,
             const wchar_t* failureText) {
  std::string replyText;
  try {
    if (call(replyText)) return;
  } catch (...) {
  }
  LOG_REPLY(replyText);
  reportFailure(failureText);
}

}  // namespace

std::string ConfigText() { return g_configText; }

std::string ArticlesText() { return g_articlesText; }

void CheckVersionWorker(void*) {
  RunCall(&CheckVersion, &ReportFatalError, L"检查更新失败，请下载最新版本！");
}

void GetConfigWorker(void*) { RunCall(&GetConfig, &ReportFatalError, L"配置数据获取失败！"); }

void GetArticlesWorker(void*) {
  RunCall(&GetArticles, &ReportArticlesFailed, L"文章数据获取失败！");
}
