#include "workers/ReplyData.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/params.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "ReplyKey.h"
#include "support/OpenSslPointers.h"

namespace {

const size_t kBlockBytes = 128;
const size_t kBlockDigits = 2 * kBlockBytes;
const size_t kShortestEncoded = 64;
// Newer OpenSSL versions answer a bad PKCS#1 v1.5 block with random bytes
// instead of an error unless this is switched off.
const char kImplicitRejection[] = "rsa_pkcs1_implicit_rejection";


int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Each pair of characters gives one byte: two digits, or a leading digit
// alone, or 0 when the pair does not start with a digit.
std::vector<unsigned char> HexToBytes(const std::string& text) {
  std::vector<unsigned char> bytes((text.size() + 1) / 2, 0);
  for (size_t i = 0; i < bytes.size(); ++i) {
    int high = HexDigit(text[2 * i]);
    if (high < 0) continue;
    int low = 2 * i + 1 < text.size() ? HexDigit(text[2 * i + 1]) : -1;
    bytes[i] = static_cast<unsigned char>(low < 0 ? high : high * 16 + low);
  }
  return bytes;
}

// The private key from n, e and d alone (no primes, no CRT values).
OsslKey ReplyKey() {
  OsslBignum n(BN_bin2bn(kReplyKeyModulus, kReplyKeyModulusSize, nullptr));
  OsslBignum e(BN_bin2bn(kReplyKeyPublicExponent, kReplyKeyPublicExponentSize, nullptr));
  OsslBignum d(BN_bin2bn(kReplyKeyPrivateExponent, kReplyKeyPrivateExponentSize, nullptr));
  OsslParamBuild build(OSSL_PARAM_BLD_new());
  if (!n || !e || !d || !build || !OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) ||
      !OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_E, e.get()) ||
      !OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_D, d.get())) {
    return OsslKey();
  }
  OsslParams params(OSSL_PARAM_BLD_to_param(build.get()));
  OsslKeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
  EVP_PKEY* key = nullptr;
  if (!params || !context || EVP_PKEY_fromdata_init(context.get()) <= 0 ||
      EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_KEYPAIR, params.get()) <= 0) {
    return OsslKey();
  }
  return OsslKey(key);
}

OsslKeyContext DecryptionContext(EVP_PKEY* key) {
  OsslKeyContext context(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  if (!context || EVP_PKEY_decrypt_init(context.get()) <= 0 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0) {
    return OsslKeyContext();
  }
  if (OSSL_PARAM_locate_const(EVP_PKEY_CTX_settable_params(context.get()), kImplicitRejection)) {
    unsigned int off = 0;
    OSSL_PARAM params[] = {OSSL_PARAM_construct_uint(kImplicitRejection, &off), OSSL_PARAM_construct_end()};
    if (EVP_PKEY_CTX_set_params(context.get(), params) <= 0) return OsslKeyContext();
  }
  return context;
}

}  // namespace

std::string DecodeReplyData(const std::string& data) {
  if (data.empty()) return std::string();
  if (data.size() < kShortestEncoded) return data;
  std::string output;
  try {
    const std::vector<unsigned char> bytes = HexToBytes(data);
    OsslKey key = ReplyKey();
    OsslKeyContext context = key ? DecryptionContext(key.get()) : OsslKeyContext();
    if (!context) return output;
    const size_t blocks = data.size() / kBlockDigits;
    for (size_t index = 0; index < blocks; ++index) {
      unsigned char plain[kBlockBytes] = {};
      size_t length = sizeof plain;
      if (EVP_PKEY_decrypt(context.get(), plain, &length, &bytes[index * kBlockBytes], kBlockBytes) <= 0) {
        continue;
      }
      // A chunk ends at its first zero byte, as the payload never holds one.
      output.append(reinterpret_cast<const char*>(plain), std::find(plain, plain + length, 0) - plain);
    }
  } catch (const std::bad_alloc&) {
    // Out of memory: what was decoded so far is the answer.
  }
  return output;
}
