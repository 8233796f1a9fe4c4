#include "support/UpdateSignature.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <climits>
#include <vector>

#include "support/OpenSslPointers.h"

namespace {

const size_t kSignatureBytes = 64;

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Standard base64 with its padding and nothing else: no white space, no
// URL alphabet, no bits left over in the last character. Anything else is
// refused, so one signature has exactly one text.
bool DecodeBase64Strictly(const std::string& text, std::vector<unsigned char>& bytes) {
  bytes.clear();
  if (text.empty() || text.size() % 4 != 0) return false;
  const size_t padding = text.compare(text.size() - 2, 2, "==") == 0 ? 2 : text.back() == '=' ? 1 : 0;
  const size_t digits = text.size() - padding;
  unsigned bits = 0;
  int bitCount = 0;
  for (size_t i = 0; i < digits; ++i) {
    const int value = Base64Value(text[i]);
    if (value < 0) return false;
    bits = (bits << 6) | static_cast<unsigned>(value);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      bytes.push_back(static_cast<unsigned char>(bits >> bitCount));
      bits &= (1u << bitCount) - 1;
    }
  }
  return bits == 0;
}

OsslKey PublicKeyFromPem(const std::string& pem) {
  if (pem.empty() || pem.size() > INT_MAX) return OsslKey();
  OsslBio source(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!source) return OsslKey();
  OsslKey key(PEM_read_bio_PUBKEY(source.get(), nullptr, nullptr, nullptr));
  if (!key || !EVP_PKEY_is_a(key.get(), "ED25519")) return OsslKey();
  return key;
}

// Ed25519 signs the message itself: no separate digest (a null one).
bool SignatureFits(EVP_PKEY* key, const std::vector<unsigned char>& signature, const std::string& bytes) {
  OsslDigestContext context(EVP_MD_CTX_new());
  return context && EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key) == 1 &&
         EVP_DigestVerify(context.get(), signature.data(), signature.size(),
                          reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == 1;
}

}  // namespace

SignatureCheck VerifyFileSignature(CHeldFile& file, const std::string& signatureBase64,
                                   const std::string& publicKeyPem) {
  std::string bytes;
  if (!file.ReadAll(bytes)) return SignatureCheck::kFileUnreadable;
  if (signatureBase64.empty()) return SignatureCheck::kSignatureMissing;
  std::vector<unsigned char> signature;
  if (!DecodeBase64Strictly(signatureBase64, signature) || signature.size() != kSignatureBytes) {
    return SignatureCheck::kSignatureMalformed;
  }
  const OsslKey key = PublicKeyFromPem(publicKeyPem);
  SignatureCheck result = SignatureCheck::kKeyUnusable;
  if (key) result = SignatureFits(key.get(), signature, bytes) ? SignatureCheck::kValid : SignatureCheck::kMismatch;
  // A refused key or signature leaves OpenSSL's reasons queued on this
  // thread, where its next user (a transfer) would take them for its own.
  ERR_clear_error();
  return result;
}
