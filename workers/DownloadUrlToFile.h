#pragma once
// Fetching one URL into a file: the file list and the program's own update.
#include <string>

#include "support/HttpClient.h"

// True only when the whole body of a reply with a status from 200 to 300 is
// now a file at path (a folder there does not count). replace = false keeps
// an existing file and reports true at once. A failure is logged with the
// URL, the path and the status, and leaves no file behind. A transfer that
// receives nothing for stallSeconds fails (the program keeps the default;
// tests shorten it).
bool DownloadUrlToFile(const std::string& url, const std::wstring& path, bool replace,
                       long stallSeconds = kTransferStallSeconds);
