#include "support/HttpClient.h"

#include <windows.h>

#include <curl/curl.h>

#include <cstdio>

#include "support/FileSystem.h"
#include "support/WorkerStop.h"

namespace {

const char kNotInitialised[] = "InitLibCurl is not invoked";
const long kDefaultTimeoutSeconds = 30;

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

bool Append(HeaderList& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (!grown) return false;
  list.release();
  list.reset(grown);
  return true;
}

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

bool HttpGlobalInit() { return curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK; }

void HttpGlobalCleanup() { curl_global_cleanup(); }

void CHttpClient::EasyHandleDeleter::operator()(void* handle) const { curl_easy_cleanup(handle); }

CHttpClient::CHttpClient() = default;

CHttpClient::~CHttpClient() { Cleanup(); }

bool CHttpClient::InitLibCurl(const char* cookieFile) {
  errorText_.clear();
  handle_.reset(curl_easy_init());
  CURL* handle = handle_.get();
  if (!handle) return false;
  bool ok = curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CHttpClient::BodySink) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_WRITEDATA, this) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &CHttpClient::HeaderSink) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_HEADERDATA, this) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_HEADER, 0L) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CHttpClient::StopSink) == CURLE_OK;
  if (ok && cookieFile && *cookieFile) {
    ok = curl_easy_setopt(handle, CURLOPT_COOKIEFILE, cookieFile) == CURLE_OK &&
         curl_easy_setopt(handle, CURLOPT_COOKIEJAR, cookieFile) == CURLE_OK;
  }
  return ok && SetTimeouts(kDefaultTimeoutSeconds, kDefaultTimeoutSeconds);
}

bool CHttpClient::SetTimeouts(long totalSeconds, long connectSeconds, long stallSeconds) {
  CURL* handle = handle_.get();
  if (!handle) return true;
  // Time-outs on worker threads need the library to stay away from signals.
  return curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
         curl_easy_setopt(handle, CURLOPT_TIMEOUT, totalSeconds) == CURLE_OK &&
         curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, connectSeconds) == CURLE_OK &&
         curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
         curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stallSeconds) == CURLE_OK;
}

void CHttpClient::SetPostData(const std::string& body) {
  CURL* handle = handle_.get();
  if (body.empty() || !handle) return;
  postData_ = body;
  curl_easy_setopt(handle, CURLOPT_POST, 1L);
  curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postData_.size()));
  curl_easy_setopt(handle, CURLOPT_POSTFIELDS, postData_.data());
}

int CHttpClient::Request(const std::string& url, HttpMethod method, std::string& outText,
                         const char* extraHeaders, const std::wstring& downloadPath) {
  downloadPath_ = downloadPath;
  if (!downloadPath.empty()) DeleteFileW(downloadPath.c_str());
  if (url.empty()) return 0;
  size_t folderEnd = downloadPath.find_last_of(L"\\/");
  // A folder that cannot be made shows up as a body that cannot be written.
  if (folderEnd != std::wstring::npos) CreateDirectoryTree(downloadPath.substr(0, folderEnd));

  bool hasScheme = url.find("http://") != std::string::npos || url.find("https://") != std::string::npos;
  bool ok = Perform(hasScheme ? url : "http://" + url, method, extraHeaders);
  // A file that did not receive the whole body must not pass for one.
  if (!ok && !downloadPath.empty()) DeleteFileW(downloadPath.c_str());
  int status = ResponseCode();
  if (ok) {
    outText = bodyText_;
  } else {
    outText = handle_ ? errorText_ : kNotInitialised;
  }
  return status;
}

bool CHttpClient::Perform(const std::string& url, HttpMethod method, const char* extraHeaders) {
  headerText_.clear();
  bodyText_.clear();
  CURL* handle = handle_.get();
  if (!handle) return false;

  std::vector<std::string> lines = {
      "Accept: */*",
      "Accept-Language: zh-CN",
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
      "Accept-Encoding: gzip, deflate",
  };
  std::string host = HostHeader(url);
  if (!host.empty()) lines.push_back(host);
  lines.push_back("Connection: Keep-Alive");
  if (method == HttpMethod::Patch) lines.push_back("X-HTTP-Method-Override: PATCH");
  for (std::string& line : ExtraHeaderLines(extraHeaders)) lines.push_back(std::move(line));

  HeaderList headers;
  for (const std::string& line : lines) {
    if (!Append(headers, line)) {
      errorText_ = curl_easy_strerror(CURLE_OUT_OF_MEMORY);
      return false;
    }
  }
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "gzip");
  if (method == HttpMethod::Get) curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  if (method == HttpMethod::Patch) curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, "PATCH");
  CURLcode result = curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  if (result == CURLE_OK) result = curl_easy_perform(handle);
  // The list dies with this call; the handle must not keep pointing at it.
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
  // Buffered bytes that cannot be written are a write failure too.
  if (downloadFile_ && fclose(downloadFile_.release()) != 0 && result == CURLE_OK) result = CURLE_WRITE_ERROR;
  if (result != CURLE_OK) {
    errorText_ = curl_easy_strerror(result);
    return false;
  }
  return true;
}

int CHttpClient::ResponseCode() const {
  long status = 0;
  if (!handle_ || curl_easy_getinfo(handle_.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) return 0;
  return static_cast<int>(status);
}

void CHttpClient::Cleanup() { handle_.reset(); }

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

size_t CHttpClient::BodySink(char* data, size_t size, size_t count, void* client) {
  CHttpClient* self = static_cast<CHttpClient*>(client);
  size_t bytes = size * count;
  if (self->downloadPath_.empty()) {
    self->bodyText_.append(data, bytes);
    return bytes;
  }
  // Opened at the first chunk, so an empty body makes no file. A chunk that
  // cannot be written is reported short, which fails the transfer.
  if (!self->downloadFile_) self->downloadFile_.reset(_wfopen(self->downloadPath_.c_str(), L"wb"));
  if (!self->downloadFile_) return 0;
  return fwrite(data, 1, bytes, self->downloadFile_.get());
}

int CHttpClient::StopSink(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return WorkerStopRequested() ? 1 : 0;
}

size_t CHttpClient::HeaderSink(char* data, size_t size, size_t count, void* client) {
  static_cast<CHttpClient*>(client)->headerText_.append(data, size * count);
  return size * count;
}
