#pragma once
// The program's HTTP(S) client: one CHttpClient per logical request, living
// on the calling worker's stack. It sends the fixed browser-like header
// lines, posts a body or gets a resource, and keeps the reply body in memory
// or writes it to a file. Nothing here throws: failures come back as false,
// a status of 0 and a text.
#include <string>
#include <vector>

#include "support/CurlTransfer.h"

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
  // A non-empty body turns every later request of this object into a POST
  // (HttpMethod::Post). The object keeps its own copy of the body. False
  // when the body could not be set; the next request then fails.
  bool SetPostData(const std::string& body);
  // Returns the HTTP status (0 when none came). outText receives the body,
  // or on a transport failure the library's error description, or
  // "InitLibCurl is not invoked". A non-empty downloadPath is emptied first
  // and receives the body instead of outText (an empty body makes no file).
  // HttpMethod::Patch also sends "X-HTTP-Method-Override: PATCH".
  int Request(const std::string& url, HttpMethod method, std::string& outText,
              const char* extraHeaders = nullptr, const std::wstring& downloadPath = std::wstring());
  // One transfer; true when the library reports success, whatever the status.
  bool Perform(const std::string& url, HttpMethod method, const char* extraHeaders);
  int ResponseCode() const;
  // How the last request ended: the library's result and the HTTP status.
  const TransferResult& LastResult() const { return transfer_.LastResult(); }
  void Cleanup();

  // The header lines that extraHeaders adds: the text is cut at every CR,
  // LF and ";", and each piece of two or more characters is one line.
  static std::vector<std::string> ExtraHeaderLines(const char* extraHeaders);

 private:
  TransferRequest RequestFor(const std::string& url, HttpMethod method, const char* extraHeaders) const;

  CCurlTransfer transfer_;
  std::string bodyText_;
  std::wstring downloadPath_;
};
