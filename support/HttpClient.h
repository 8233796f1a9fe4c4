#pragma once
// The program's HTTP(S) client over libcurl: one CHttpClient per logical
// request, living on the calling worker's stack. It sends the fixed
// browser-like header lines, posts a body or gets a resource, and keeps the
// reply body in memory or appends it to a file. Nothing here throws:
// failures come back as false, a status of 0 and a text.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// A transfer that receives nothing for this long ends as failed.
constexpr long kTransferStallSeconds = 60;

// Once at start-up and once at exit, while no worker runs.
bool HttpGlobalInit();
void HttpGlobalCleanup();

enum class HttpMethod {
  Post = 0,   // a POST when SetPostData gave a body, otherwise the library's GET
  Get = 1,
  Patch = 3,  // sent as PATCH with "X-HTTP-Method-Override: PATCH"
};

class CHttpClient {
 public:
  CHttpClient();
  ~CHttpClient();
  CHttpClient(const CHttpClient&) = delete;
  CHttpClient& operator=(const CHttpClient&) = delete;

  // Creates the transfer handle with the fixed options and 30/30 s time-outs.
  // cookieFile, when given and not empty, is read and written as the cookie jar.
  bool InitLibCurl(const char* cookieFile = nullptr);
  // Besides the total and connect limits, a transfer that receives no byte
  // for stallSeconds ends too, whatever time it has left.
  bool SetTimeouts(long totalSeconds, long connectSeconds, long stallSeconds = kTransferStallSeconds);
  // A non-empty body turns every later request of this object into a POST.
  // The object keeps its own copy of the body.
  void SetPostData(const std::string& body);
  // Returns the HTTP status (0 when none came). outText receives the body,
  // or on a transport failure the library's error description, or
  // "InitLibCurl is not invoked". A non-empty downloadPath is emptied first
  // and receives the body instead of outText.
  int Request(const std::string& url, HttpMethod method, std::string& outText,
              const char* extraHeaders = nullptr, const std::wstring& downloadPath = std::wstring());
  // One transfer; true when the library reports success, whatever the status.
  bool Perform(const std::string& url, HttpMethod method, const char* extraHeaders);
  int ResponseCode() const;
  void Cleanup();

  // The header lines that extraHeaders adds: the text is cut at every CR,
  // LF and ";", and each piece of two or more characters is one line.
  static std::vector<std::string> ExtraHeaderLines(const char* extraHeaders);

 private:
  struct EasyHandleDeleter {
    void operator()(void* handle) const;
  };
  struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
  };

  static size_t BodySink(char* data, size_t size, size_t count, void* client);
  static size_t HeaderSink(char* data, size_t size, size_t count, void* client);
  // Ends the transfer when the worker is asked to stop.
  static int StopSink(void*, long long, long long, long long, long long);

  std::unique_ptr<void, EasyHandleDeleter> handle_;
  std::string headerText_;
  std::string bodyText_;
  std::string errorText_;
  std::string postData_;
  std::wstring downloadPath_;
  std::unique_ptr<FILE, FileCloser> downloadFile_;  // open during a transfer into downloadPath_
};
