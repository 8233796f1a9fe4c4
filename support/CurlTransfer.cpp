#include "support/CurlTransfer.h"

#include <windows.h>

#include <curl/curl.h>
#include <share.h>

#include <atomic>
#include <type_traits>

#include "support/FileSystem.h"
#include "support/LogFile.h"
#include "support/Text.h"
#include "support/WorkerStop.h"

static_assert(std::is_same<curl_off_t, long long>::value, "ProgressSink is declared with long long");

namespace {

// Larger reads mean far fewer socket waits per file (each one a round trip
// to the system under Wine); four download workers hold 2 MiB in all.
const long kFileReceiveBufferBytes = 512L * 1024;

// Sets options one after another; the first refusal skips the rest and is
// kept.
class COptionSetter {
 public:
  explicit COptionSetter(CURL* handle) : handle_(handle) {}
  template <typename Value>
  COptionSetter& Set(CURLoption option, Value value) {
    if (code_ == CURLE_OK) code_ = curl_easy_setopt(handle_, option, value);
    return *this;
  }
  CURLcode Code() const { return code_; }

 private:
  CURL* handle_;
  CURLcode code_ = CURLE_OK;
};

TransferTrust g_trust;
// A plain-HTTP URL goes unprotected whatever the trust; said once a run.
std::atomic<bool> g_plainHttpLogged{false};

bool IsPlainHttp(const std::string& url) {
  static const char kScheme[] = "http://";
  return url.size() >= sizeof(kScheme) - 1 && _strnicmp(url.c_str(), kScheme, sizeof(kScheme) - 1) == 0;
}

}  // namespace

void SetTransferTrust(const TransferTrust& trust) { g_trust = trust; }

const TransferTrust& CurrentTransferTrust() { return g_trust; }

bool HttpGlobalInit() { return curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK; }

void HttpGlobalCleanup() { curl_global_cleanup(); }

void CCurlTransfer::HandleDeleter::operator()(void* handle) const { curl_easy_cleanup(handle); }

void CCurlTransfer::HeaderListDeleter::operator()(void* list) const {
  curl_slist_free_all(static_cast<curl_slist*>(list));
}

CCurlTransfer::CCurlTransfer() = default;

CCurlTransfer::~CCurlTransfer() = default;

bool CCurlTransfer::Prepare(const TransferLimits& limits) {
  refused_ = CURLE_OK;
  if (handle_) {
    curl_easy_reset(handle_.get());
    // The reset handle no longer points at the list.
    headers_.reset();
  } else {
    handle_.reset(curl_easy_init());
  }
  if (!handle_) {
    Record(CURLE_FAILED_INIT, 0);
    return false;
  }
  CURLcode code = COptionSetter(handle_.get())
                      .Set(CURLOPT_HEADER, 0L)
                      .Set(CURLOPT_VERBOSE, 1L)
                      .Set(CURLOPT_FOLLOWLOCATION, 1L)
                      .Set(CURLOPT_WRITEFUNCTION, &CCurlTransfer::BodySink)
                      .Set(CURLOPT_WRITEDATA, this)
                      .Set(CURLOPT_NOPROGRESS, 0L)
                      .Set(CURLOPT_XFERINFOFUNCTION, &CCurlTransfer::ProgressSink)
                      .Set(CURLOPT_XFERINFODATA, this)
                      .Code();
  return Accepted(code) && ApplyTrust() && SetLimits(limits);
}

bool CCurlTransfer::ApplyTrust() {
  // Without a CA bundle certificates are not verified (a deployment may
  // still pin its hosts' keys, which the library checks either way); game
  // files are checked by their listed digests in any case.
  const TransferTrust& trust = g_trust;
  const bool verify = !trust.caBundlePem.empty();
  COptionSetter options(handle_.get());
  options.Set(CURLOPT_SSL_VERIFYPEER, verify ? 1L : 0L).Set(CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
  if (verify) {
    curl_blob bundle{const_cast<char*>(trust.caBundlePem.data()), trust.caBundlePem.size(), CURL_BLOB_COPY};
    options.Set(CURLOPT_CAINFO_BLOB, &bundle);
  }
  if (!trust.pins.empty()) options.Set(CURLOPT_PINNEDPUBLICKEY, trust.pins.c_str());
  return Accepted(options.Code());
}

void CCurlTransfer::Close() {
  handle_.reset();
  headers_.reset();
}

bool CCurlTransfer::SetLimits(const TransferLimits& limits) {
  if (!handle_) return false;
  // Time-outs on worker threads need the library to stay away from signals.
  return Accepted(COptionSetter(handle_.get())
                     .Set(CURLOPT_NOSIGNAL, 1L)
                     .Set(CURLOPT_TIMEOUT, limits.totalSeconds)
                     .Set(CURLOPT_CONNECTTIMEOUT, limits.connectSeconds)
                     .Set(CURLOPT_LOW_SPEED_LIMIT, 1L)
                     .Set(CURLOPT_LOW_SPEED_TIME, limits.stallSeconds)
                     .Code());
}

bool CCurlTransfer::SetCookieFile(const char* path) {
  if (!handle_) return false;
  return Accepted(COptionSetter(handle_.get()).Set(CURLOPT_COOKIEFILE, path).Set(CURLOPT_COOKIEJAR, path).Code());
}

bool CCurlTransfer::SetPostBody(const std::string& body) {
  if (!handle_) return false;
  // The library keeps its own copy, so the body need not outlive the call.
  return Accepted(COptionSetter(handle_.get())
                     .Set(CURLOPT_POST, 1L)
                     .Set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()))
                     .Set(CURLOPT_COPYPOSTFIELDS, body.data())
                     .Code());
}

bool CCurlTransfer::DecodeCompressedReplies() {
  if (!handle_) return false;
  // An empty list decodes every encoding the library knows and leaves the
  // Accept-Encoding line to the caller's header lines.
  return Accepted(COptionSetter(handle_.get()).Set(CURLOPT_ACCEPT_ENCODING, "").Code());
}

bool CCurlTransfer::PerformToText(const TransferRequest& request, std::string& body) {
  body.clear();
  text_ = &body;
  bool transported = Perform(request);
  text_ = nullptr;
  return transported;
}

bool CCurlTransfer::FetchToFile(const TransferRequest& request, const FileTarget& target) {
  if (target.digest) target.digest->clear();
  DeleteFileW(target.path.c_str());
  size_t folderEnd = target.path.find_last_of(L"\\/");
  // A folder that cannot be made shows up as a body that cannot be written.
  if (folderEnd != std::wstring::npos) CreateDirectoryTree(target.path.substr(0, folderEnd));
  digest_ = CMd5Stream();
  target_ = &target;
  bool transported = Perform(request);
  target_ = nullptr;
  return FileComplete(target, transported);
}

bool CCurlTransfer::FileComplete(const FileTarget& target, bool transported) {
  const bool bodyWritten = file_ != nullptr;
  // Buffered bytes that cannot be written are a write failure too.
  if (file_ && fclose(file_.release()) != 0 && transported) {
    Record(CURLE_WRITE_ERROR, last_.status);
    transported = false;
  }
  bool kept = transported && last_.status >= target.lowestStatus && last_.status <= target.highestStatus;
  if (kept && !bodyWritten && target.emptyBodyMakesFile) {
    std::unique_ptr<FILE, FileCloser> empty(_wfsopen(target.path.c_str(), L"wb", _SH_DENYNO));
    if (!empty || fclose(empty.release()) != 0) {
      Record(CURLE_WRITE_ERROR, last_.status);
      kept = false;
    }
  }
  if (!kept) {
    DeleteFileW(target.path.c_str());
    return false;
  }
  if (target.digest) *target.digest = digest_.Finish();
  return true;
}

bool CCurlTransfer::Accepted(int code) {
  if (code == CURLE_OK) return true;
  if (refused_ == CURLE_OK) refused_ = code;
  Record(code, 0);
  return false;
}

void CCurlTransfer::Record(int code, long status) {
  last_.code = code;
  last_.text = curl_easy_strerror(static_cast<CURLcode>(code));
  last_.status = status;
}

bool CCurlTransfer::Perform(const TransferRequest& request) {
  CURL* handle = handle_.get();
  if (!handle || refused_ != CURLE_OK) {
    Record(handle ? refused_ : CURLE_FAILED_INIT, 0);
    return false;
  }
  std::unique_ptr<void, HeaderListDeleter> headers;
  for (const std::string& line : request.headerLines) {
    curl_slist* grown = curl_slist_append(static_cast<curl_slist*>(headers.get()), line.c_str());
    if (!grown) {
      Record(CURLE_OUT_OF_MEMORY, 0);
      return false;
    }
    headers.release();
    headers.reset(grown);
  }
  CURLcode code = curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  if (code != CURLE_OK) {
    Record(code, 0);
    return false;
  }
  // The handle points at the new list now; the old one can go.
  headers_ = std::move(headers);
  COptionSetter options(handle);
  if (request.method == HttpMethod::Get) options.Set(CURLOPT_HTTPGET, 1L);
  if (request.method == HttpMethod::Patch) options.Set(CURLOPT_CUSTOMREQUEST, "PATCH");
  if (target_) options.Set(CURLOPT_BUFFERSIZE, kFileReceiveBufferBytes);
  code = options.Set(CURLOPT_URL, request.url.c_str()).Code();
  if (code != CURLE_OK) {
    Record(code, 0);
    return false;
  }
  if (g_trust.VerifiesServers() && IsPlainHttp(request.url) && !g_plainHttpLogged.exchange(true)) {
    LOG_LINE(L"以明文HTTP传输，不受证书校验保护：%s", AnsiToWide(request.url).c_str());
  }
  code = curl_easy_perform(handle);
  // Every transfer starts its status afresh, so this is this reply's.
  long status = 0;
  CURLcode info = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (info != CURLE_OK) {
    status = 0;
    if (code == CURLE_OK) code = info;
  }
  Record(code, status);
  return code == CURLE_OK;
}

size_t CCurlTransfer::BodySink(char* data, size_t size, size_t count, void* transfer) {
  CCurlTransfer* self = static_cast<CCurlTransfer*>(transfer);
  const size_t bytes = size * count;
  if (!self->target_) {
    // A body that cannot be kept is reported short, which fails the transfer.
    try {
      if (self->text_) self->text_->append(data, bytes);
    } catch (...) {
      return 0;
    }
    return bytes;
  }
  // Opened at the first byte, so an empty body makes no file unless asked.
  // A piece that cannot be written is reported short, which fails the
  // transfer instead of leaving a file with a hole; only written bytes are
  // digested.
  if (!self->file_) self->file_.reset(_wfsopen(self->target_->path.c_str(), L"wb", _SH_DENYNO));
  if (!self->file_) return 0;
  size_t written = fwrite(data, 1, bytes, self->file_.get());
  if (self->target_->digest) self->digest_.Update(data, written);
  return written;
}

int CCurlTransfer::ProgressSink(void* transfer, long long total, long long now, long long, long long) {
  // Ends the transfer when the worker is asked to stop.
  if (WorkerStopRequested()) return 1;
  const CCurlTransfer* self = static_cast<const CCurlTransfer*>(transfer);
  const FileTarget* target = self->target_;
  if (!target || !target->progress) return 0;
  curl_off_t speed = 0;
  // An average the library cannot give is reported as none.
  if (curl_easy_getinfo(self->handle_.get(), CURLINFO_SPEED_DOWNLOAD_T, &speed) != CURLE_OK) speed = 0;
  try {
    return target->progress(target->context, total, now, static_cast<double>(speed)) ? 0 : 1;
  } catch (...) {
    // A report that cannot be made leaves the transfer going.
    return 0;
  }
}
