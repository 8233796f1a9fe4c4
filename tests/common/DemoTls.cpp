#include "tests/common/DemoTls.h"

#include <windows.h>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/sha.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <memory>

namespace {

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Free {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
struct OpenSslFree {
  void operator()(unsigned char* bytes) const { OPENSSL_free(bytes); }
};

std::wstring DemoTlsPath(const char* fileName) {
  const char* build = std::getenv("ORVANE_BUILD_DIR");
  std::wstring path = L"Z:";
  for (const char* c = build ? build : ""; *c; ++c) path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
  path += L"\\demo\\tls\\";
  for (const char* c = fileName; *c; ++c) path.push_back(static_cast<wchar_t>(*c));
  return path;
}

bool ReadText(const std::wstring& path, std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char chunk[4096];
  DWORD read = 0;
  text.clear();
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) text.append(chunk, read);
  CloseHandle(file);
  return !text.empty();
}

std::string PinOf(X509* certificate) {
  unsigned char* der = nullptr;
  const int length = i2d_PUBKEY(X509_get0_pubkey(certificate), &der);
  std::unique_ptr<unsigned char, OpenSslFree> owned(der);
  if (length <= 0) return std::string();
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(der, static_cast<size_t>(length), digest);
  unsigned char text[4 * ((SHA256_DIGEST_LENGTH + 2) / 3) + 1];
  const int textLength = EVP_EncodeBlock(text, digest, SHA256_DIGEST_LENGTH);
  return "sha256//" + std::string(reinterpret_cast<char*>(text), static_cast<size_t>(textLength));
}

}  // namespace

bool LoadDemoCertificate(const char* fileName, DemoCertificate& certificate) {
  if (!ReadText(DemoTlsPath(fileName), certificate.pem)) return false;
  std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(certificate.pem.data(), static_cast<int>(certificate.pem.size())));
  if (!bio) return false;
  std::unique_ptr<X509, X509Free> parsed(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  if (!parsed) return false;
  certificate.pin = PinOf(parsed.get());
  return !certificate.pin.empty();
}
