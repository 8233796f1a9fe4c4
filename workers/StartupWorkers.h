#pragma once
// The three calls of the start-up chain: version check, configuration and
// article list. Each runs on a worker of its own and reports to the main
// window through its call queue; the window starts the next one.
#include <string>

// Written once by their worker before the window is told (the queued call
// is the signal), then only read, so no lock guards them.
extern std::string g_configText;         // the decoded configuration, a JSON object
extern std::string g_downloadUrlPrefix;  // its "downloadurl_prefix"
extern std::string g_articlesText;       // the decoded article list, unchecked

std::string ConfigText();
std::string ArticlesText();

// Worker functions; their argument is unused. Every failure is logged with
// the reply and queued with the call's fixed text.
// Success: on_version_reply with the decoded data (the window decides on
// the update). Failure: on_fatal_error.
void CheckVersionWorker(void* unused);
// Success: the configuration is stored and on_config_loaded queued; a
// configuration that is not a JSON object fails and is not stored.
// Failure: on_fatal_error.
void GetConfigWorker(void* unused);
// Success: the list is stored and on_articles_loaded queued. Failure:
// on_articles_failed.
void GetArticlesWorker(void* unused);
