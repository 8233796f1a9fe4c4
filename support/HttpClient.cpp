#include "support/HttpClient.h"

#include <windows.h>

namespace {

const char kNotInitialised[] = "InitLibCurl is not invoked";
const long kDefaultTimeoutSeconds = 30;

// "Host: " + the part after "://" up to the next "/", from the url without
// its surrounding blanks; empty when the url names no scheme.
std::string HostHeader(const std::string& url) {
  size_t first = url.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  std::string trimmed = url.substr(first, url.find_last_not_of(' ') - first + 1);
  size_t scheme = trimmed.find("://");
  if (scheme == std::string::npos) return std::string();
  size_t start = scheme + 3;
  return "Host: " + trimmed.substr(start, trimmed.find('/', start) - start);
}

}  // namespace

CHttpClient::CHttpClient() = default;

CHttpClient::~CHttpClient() { Cleanup(); }

bool CHttpClient::InitLibCurl(const char* cookieFile) {
  if (!transfer_.Prepare({kDefaultTimeoutSeconds, kDefaultTimeoutSeconds, kTransferStallSeconds})) return false;
  if (!transfer_.DecodeCompressedReplies()) return false;
  return !cookieFile || !*cookieFile || transfer_.SetCookieFile(cookieFile);
}

bool CHttpClient::SetTimeouts(long totalSeconds, long connectSeconds, long stallSeconds) {
  return !transfer_.HasHandle() || transfer_.SetLimits({totalSeconds, connectSeconds, stallSeconds});
}

bool CHttpClient::SetPostData(const std::string& body) {
  if (body.empty() || !transfer_.HasHandle()) return true;
  return transfer_.SetPostBody(body);
}

int CHttpClient::Request(const std::string& url, HttpMethod method, std::string& outText,
                         const char* extraHeaders, const std::wstring& downloadPath) {
  downloadPath_ = downloadPath;
  if (url.empty()) {
    if (!downloadPath.empty()) DeleteFileW(downloadPath.c_str());
    return 0;
  }
  bool hasScheme = url.find("http://") != std::string::npos || url.find("https://") != std::string::npos;
  if (Perform(hasScheme ? url : "http://" + url, method, extraHeaders)) {
    outText = bodyText_;
  } else {
    outText = transfer_.HasHandle() ? transfer_.LastResult().text : kNotInitialised;
  }
  return ResponseCode();
}

bool CHttpClient::Perform(const std::string& url, HttpMethod method, const char* extraHeaders) {
  bodyText_.clear();
  TransferRequest request = RequestFor(url, method, extraHeaders);
  if (downloadPath_.empty()) return transfer_.PerformToText(request, bodyText_);
  FileTarget target;
  target.path = downloadPath_;
  // Whatever the status, the whole body is the file; the caller judges it.
  return transfer_.FetchToFile(request, target);
}

TransferRequest CHttpClient::RequestFor(const std::string& url, HttpMethod method, const char* extraHeaders) const {
  TransferRequest request;
  request.url = url;
  request.method = method;
  request.headerLines = {
      "Accept: */*",
      "Accept-Language: zh-CN",
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
      "Accept-Encoding: gzip, deflate",
  };
  std::string host = HostHeader(url);
  if (!host.empty()) request.headerLines.push_back(host);
  request.headerLines.push_back("Connection: Keep-Alive");
  if (method == HttpMethod::Patch) request.headerLines.push_back("X-HTTP-Method-Override: PATCH");
  for (std::string& line : ExtraHeaderLines(extraHeaders)) request.headerLines.push_back(std::move(line));
  return request;
}

int CHttpClient::ResponseCode() const {
  return transfer_.HasHandle() ? static_cast<int>(transfer_.LastResult().status) : 0;
}

void CHttpClient::Cleanup() { transfer_.Close(); }

std::vector<std::string> CHttpClient::ExtraHeaderLines(const char* extraHeaders) {
  std::vector<std::string> lines;
  if (!extraHeaders) return lines;
  const std::string text = extraHeaders;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n;", start);
    if (end == std::string::npos) end = text.size();
    if (end - start > 1) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}
