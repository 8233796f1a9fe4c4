#pragma once
// MD5 digests (RFC 1321) as 32 lower-case hex characters: request
// signatures, the check of downloaded game files and the machine identity.
#include <cstddef>
#include <cstdint>
#include <string>

// The running state of one digest.
struct Md5Context {
  uint32_t state[4];
  uint64_t bitCount;
  unsigned char buffer[64];
};

class CMd5A {
 public:
  virtual ~CMd5A();
  // The digest of exactly the bytes given, zero bytes included.
  std::string Md5String(const std::string& bytes);
  // The digest of the file's bytes, or an empty text when the file cannot
  // be opened or read to its end, or when the calling worker is asked to
  // stop (WorkerStopRequested) before it is done.
  std::string Md5File(const std::wstring& path);
};

// A digest fed piece by piece, for bytes that arrive over time: a download
// is digested as it is written, so it needs no second read.
class CMd5Stream {
 public:
  CMd5Stream();
  void Update(const void* data, size_t length);
  // The digest of everything fed since construction or the last Finish;
  // the stream starts over afterwards.
  std::string Finish();

 private:
  Md5Context context_;
};
