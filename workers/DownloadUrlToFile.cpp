#include "workers/DownloadUrlToFile.h"

#include <windows.h>

#include "support/HttpClient.h"
#include "support/LogFile.h"
#include "support/Text.h"

namespace {

const long kTotalSeconds = 3600;
const long kConnectSeconds = 300;

bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool DownloadUrlToFile(const std::string& url, const std::wstring& path, bool replace, long stallSeconds) {
  if (url.empty()) return false;
  if (IsFile(path)) {
    if (!replace) return true;
    DeleteFileW(path.c_str());
  }
  int status = 0;
  bool complete = false;
  {
    CHttpClient client;
    std::string transportError;
    if (client.InitLibCurl() && client.SetTimeouts(kTotalSeconds, kConnectSeconds, stallSeconds)) {
      status = client.Request(url, HttpMethod::Get, transportError, nullptr, path);
      // With the body going to the file, the text is only ever an error: a
      // transfer cut short must not pass for the whole file.
      complete = transportError.empty();
    }
  }
  if (complete && status >= 200 && status <= 300 && IsFile(path)) return true;
  DeleteFileW(path.c_str());
  LOG_LINE(L"%s下载失败%s,%ld", AnsiToWide(url).c_str(), path.c_str(), static_cast<long>(status));
  return false;
}
