#pragma once
// MD5 digests (RFC 1321) as 32 lower-case hex characters: request
// signatures, the check of downloaded game files and the machine identity.
#include <string>

class CMd5A {
 public:
  virtual ~CMd5A();
  // The digest of exactly the bytes given, zero bytes included.
  std::string Md5String(const std::string& bytes);
  // The digest of the file's bytes, or an empty text when the file cannot
  // be opened or read to its end.
  std::string Md5File(const std::wstring& path);
};
