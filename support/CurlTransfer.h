#pragma once
// The program's one owner of a libcurl transfer handle. It makes and frees
// the handle, gives it the options every transfer of the program shares,
// checks every option it sets and every value it reads back, and reports
// how each transfer ended: the library's result and the HTTP status apart.
// The API requests (CHttpClient) and the game-file downloads
// (CFileDownloader) both run on it, and every fetch of a URL into a file is
// its FetchToFile. Nothing here throws; libcurl stays inside this unit.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/Md5.h"

// A transfer that receives nothing for this long ends as failed, so a
// server that stops sending cannot hold a worker forever.
constexpr long kTransferStallSeconds = 60;

// Once at start-up and once at exit, while no worker runs.
bool HttpGlobalInit();
void HttpGlobalCleanup();

// What every HTTPS transfer demands of the server. With both members empty
// any certificate is accepted.
struct TransferTrust {
  std::string pins;         // "sha256//BASE64[;...]": the server's public key must be one of these
  std::string caBundlePem;  // the server's certificate and host name are verified against these
  bool VerifiesServers() const { return !pins.empty() || !caBundlePem.empty(); }
};

// For the transfers prepared from now on; set while no transfer runs (at
// start-up, or between the cases of a test).
void SetTransferTrust(const TransferTrust& trust);
const TransferTrust& CurrentTransferTrust();

enum class HttpMethod {
  Post = 0,   // a POST when a body was given, otherwise the library's GET
  Get = 1,
  Patch = 3,  // sent as PATCH
};

// Receives the caller's context, the bytes announced (0 until known), the
// bytes received so far and the average speed in bytes per second; returns
// false to abort the transfer.
typedef bool (*DownloadProgress)(int context, int64_t total, int64_t now, double speed);

// How a transfer ended. A reply with status 404 is a transport that
// succeeded (code 0) with status 404; a refused connection is a library
// error with status 0.
struct TransferResult {
  int code = 0;       // the library's result (a CURLcode); 0 when the whole reply arrived
  std::string text;   // the library's description of code
  long status = 0;    // the HTTP status of the last reply; 0 when none came
  bool Transported() const { return code == 0; }
};

// Limits of each transfer; 0 leaves the library's own.
struct TransferLimits {
  long totalSeconds;
  long connectSeconds;
  long stallSeconds;
};

// What one transfer sends beyond the options already on the handle.
struct TransferRequest {
  std::string url;
  std::vector<std::string> headerLines;  // sent in this order
  HttpMethod method = HttpMethod::Get;
};

// Where FetchToFile puts a body, and which replies count.
struct FileTarget {
  std::wstring path;
  // A reply with a status outside this range leaves no file.
  long lowestStatus = 0;
  long highestStatus = 999;
  // Without it an empty body makes no file.
  bool emptyBodyMakesFile = false;
  DownloadProgress progress = nullptr;  // may be null
  int context = 0;                      // given to progress
  std::string* digest = nullptr;        // when given: the MD5 of the file, empty on failure
};

class CCurlTransfer {
 public:
  CCurlTransfer();
  ~CCurlTransfer();
  CCurlTransfer(const CCurlTransfer&) = delete;
  CCurlTransfer& operator=(const CCurlTransfer&) = delete;

  // Makes the handle, or resets the one it has (its open connection stays
  // for the next transfer), and gives it the shared options with these
  // limits. False when the handle cannot be made or an option is refused;
  // LastResult says why.
  bool Prepare(const TransferLimits& limits);
  bool HasHandle() const { return handle_ != nullptr; }
  // Frees the handle; the next transfer needs Prepare again.
  void Close();

  // Each is false when there is no handle or the library refuses the
  // option; the next transfer then fails with that result instead of going
  // out otherwise than asked, until Prepare.
  bool SetLimits(const TransferLimits& limits);
  bool SetCookieFile(const char* path);
  // Later transfers send a copy of body as a POST (HttpMethod::Post).
  bool SetPostBody(const std::string& body);
  // Compressed replies are decoded, whatever encodings the header lines
  // offer.
  bool DecodeCompressedReplies();

  // True when the whole reply arrived, whatever its status; its body is
  // then body.
  bool PerformToText(const TransferRequest& request, std::string& body);
  // The one way a URL is fetched into a file. Whatever is at path goes
  // first and the missing folders are made; the body is written as it
  // arrives, the file opened at its first byte. True when the whole body of
  // a reply with an accepted status is the file at path; otherwise nothing
  // of this transfer stays there.
  bool FetchToFile(const TransferRequest& request, const FileTarget& target);

  // How the last transfer (or the failed Prepare or option) ended.
  const TransferResult& LastResult() const { return last_; }

 private:
  struct HandleDeleter {
    void operator()(void* handle) const;
  };
  struct HeaderListDeleter {
    void operator()(void* list) const;
  };
  struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
  };

  static size_t BodySink(char* data, size_t size, size_t count, void* transfer);
  static int ProgressSink(void* transfer, long long total, long long now, long long, long long);

  // True for CURLE_OK; otherwise keeps the refusal for the next transfer.
  bool Accepted(int code);
  // Gives the handle the checks of the current TransferTrust.
  bool ApplyTrust();
  void Record(int code, long status);
  bool Perform(const TransferRequest& request);
  // Closes the body's file and keeps it only when it is the whole accepted
  // reply.
  bool FileComplete(const FileTarget& target, bool transported);

  // The list the handle points at, kept until the next transfer replaces it.
  std::unique_ptr<void, HeaderListDeleter> headers_;
  // Declared after the list, so it is freed before the list.
  std::unique_ptr<void, HandleDeleter> handle_;
  int refused_ = 0;  // a refused option's result, until Prepare
  TransferResult last_;

  // The running transfer's body goes to text_, or to file_ at target_'s path.
  std::string* text_ = nullptr;
  const FileTarget* target_ = nullptr;
  std::unique_ptr<FILE, FileCloser> file_;
  CMd5Stream digest_;
};
