#pragma once
// Web pages the program shows in the user's browser: article links and the
// pages the service's configuration names.
#include <string>

// Opens url with the shell's "open" verb; nothing for an empty url.
void open_in_browser(const std::wstring& url);

// Opens the configuration's text value of that name ("home", "qq", "help");
// nothing when the configuration is not JSON or the value is missing or
// empty.
void open_configured_page(const char* name);
