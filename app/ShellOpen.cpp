#include "app/ShellOpen.h"

#include <windows.h>
#include <shellapi.h>

#include <json/value.h>

#include <string>

#include "support/Text.h"
#include "workers/ApiCall.h"
#include "workers/StartupWorkers.h"

void open_in_browser(const std::wstring& url) {
  if (url.empty()) return;
  ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void open_configured_page(const char* name) {
  Json::Value config;
  std::string url;
  if (!ParseJsonText(ConfigText(), config) || !JsonMemberText(config, name, url)) return;
  open_in_browser(Utf8ToWide(url));
}
