#include "tests/common/DemoTls.h"

#include <openssl/pem.h>
#include <openssl/sha.h>

#include <string>
#include <vector>

#include "support/FileSystem.h"
#include "support/OpenSslPointers.h"
#include "tests/common/WinePath.h"

namespace {

std::string PinOf(X509* certificate) {
  EVP_PKEY* key = X509_get0_pubkey(certificate);
  const int length = key ? i2d_PUBKEY(key, nullptr) : 0;
  if (length <= 0) return std::string();
  std::vector<unsigned char> der(static_cast<size_t>(length));
  unsigned char* end = der.data();
  if (i2d_PUBKEY(key, &end) != length) return std::string();
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(der.data(), der.size(), digest);
  unsigned char text[4 * ((SHA256_DIGEST_LENGTH + 2) / 3) + 1];
  const int textLength = EVP_EncodeBlock(text, digest, SHA256_DIGEST_LENGTH);
  return "sha256//" + std::string(reinterpret_cast<char*>(text), static_cast<size_t>(textLength));
}

}  // namespace

bool LoadDemoCertificate(const wchar_t* fileName, DemoCertificate& certificate) {
  certificate.pem = ReadWholeFile(WinePath("ORVANE_BUILD_DIR", std::wstring(L"demo/tls/") + fileName));
  if (certificate.pem.empty()) return false;
  OsslBio bio(BIO_new_mem_buf(certificate.pem.data(), static_cast<int>(certificate.pem.size())));
  if (!bio) return false;
  OsslX509 parsed(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  if (!parsed) return false;
  certificate.pin = PinOf(parsed.get());
  return !certificate.pin.empty();
}
