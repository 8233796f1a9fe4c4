// DecodeReplyData against blocks that OpenSSL encrypts here with the public
// half (n, e) of this build's reply key, so the test follows whatever key
// the deployment compiles in.
#include "workers/ReplyData.h"

#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <string>

#include "ReplyKey.h"

namespace {

const size_t kBlockDigits = 256;

std::string Hex(const unsigned char* bytes, size_t count) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

EVP_PKEY* PublicKey() {
  static EVP_PKEY* key = [] {
    BIGNUM* n = BN_bin2bn(kReplyKeyModulus, kReplyKeyModulusSize, nullptr);
    BIGNUM* e = BN_bin2bn(kReplyKeyPublicExponent, kReplyKeyPublicExponentSize, nullptr);
    OSSL_PARAM_BLD* build = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_N, n);
    OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_E, e);
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(build);
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    EVP_PKEY* made = nullptr;
    EVP_PKEY_fromdata_init(context);
    EVP_PKEY_fromdata(context, &made, EVP_PKEY_PUBLIC_KEY, params);
    EVP_PKEY_CTX_free(context);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(build);
    BN_free(e);
    BN_free(n);
    return made;
  }();
  return key;
}

// One block in the wire form: the plaintext encrypted with the given
// padding (RSA_NO_PADDING takes a full 128-byte value as it is).
std::string Block(const std::string& plain, int padding = RSA_PKCS1_PADDING) {
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_pkey(nullptr, PublicKey(), nullptr);
  unsigned char cipher[128] = {};
  size_t length = sizeof cipher;
  bool ok = context && EVP_PKEY_encrypt_init(context) > 0 && EVP_PKEY_CTX_set_rsa_padding(context, padding) > 0 &&
            EVP_PKEY_encrypt(context, cipher, &length, reinterpret_cast<const unsigned char*>(plain.data()),
                             plain.size()) > 0;
  EVP_PKEY_CTX_free(context);
  EXPECT_TRUE(ok && length == sizeof cipher) << "encryption failed";
  return Hex(cipher, sizeof cipher);
}

// A well-formed value that is not a PKCS#1 v1.5 type 2 block.
std::string Unpadded(unsigned char blockType, bool withSeparator) {
  std::string value(128, '\x11');
  value[0] = '\0';
  value[1] = static_cast<char>(blockType);
  if (withSeparator) value[100] = '\0';
  return Block(value, RSA_NO_PADDING);
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'a' && c <= 'f' ? c - 32 : c; });
  return text;
}

const std::string kFirst = "{\"title\":\"\xE4\xB8\xAD\xE6\x96\x87\",\"padding\":\"" + std::string(80, 'x') + "\"}";
const std::string kSecond = "{\"second\":2}";
const std::string kThird = "[3]";

TEST(DecodeReplyData, ShortTexts) {
  const std::string block = Block(kFirst);
  struct Case {
    std::string data;
    std::string expected;
  };
  const Case cases[] = {
      {"", ""},
      {std::string(63, 'a'), std::string(63, 'a')},
      {"{\"check_code\":\"4\"}", "{\"check_code\":\"4\"}"},
      {block.substr(0, 64), ""},
      {block.substr(0, 255), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeReplyData(c.data), c.expected) << c.data.size() << " characters";
}

TEST(DecodeReplyData, WholeBlocksOnly) {
  const std::string two = Block(kFirst) + Block(kSecond);
  struct Case {
    size_t length;
    std::string expected;
  };
  const Case cases[] = {
      {256, kFirst},
      {300, kFirst},
      {511, kFirst},
      {512, kFirst + kSecond},
      {513, kFirst + kSecond},
  };
  for (const Case& c : cases) {
    std::string data = (two + "0123456789abcdef").substr(0, c.length);
    EXPECT_EQ(DecodeReplyData(data), c.expected) << c.length << " characters";
  }
}

TEST(DecodeReplyData, TextSplitAcrossBlocksIsJoined) {
  std::string payload = "{\"articles\":\"";
  while (payload.size() < 200) payload += "\xE7\xA6\x8F\xE5\x88\xA9";  // split inside a character somewhere
  payload += "\"}";
  const std::string data = Block(payload.substr(0, 117)) + Block(payload.substr(117));
  EXPECT_EQ(DecodeReplyData(data), payload);
  EXPECT_EQ(DecodeReplyData(Upper(data)), payload);
}

TEST(DecodeReplyData, BadMiddleBlockAddsNothing) {
  struct Case {
    const char* what;
    std::string block;
  };
  const Case cases[] = {
      {"block type 1", Unpadded(1, true)},
      {"no zero after the padding", Unpadded(2, false)},
      {"padding too short", [] {
         std::string value(128, '\x22');
         value[0] = '\0';
         value[1] = '\x02';
         value[4] = '\0';
         return Block(value, RSA_NO_PADDING);
       }()},
      {"value not below the modulus", std::string(kBlockDigits, 'f')},
      {"not hexadecimal", std::string(kBlockDigits, 'z')},
  };
  const std::string first = Block(kFirst);
  const std::string third = Block(kThird);
  for (const Case& c : cases) {
    ASSERT_EQ(c.block.size(), kBlockDigits);
    EXPECT_EQ(DecodeReplyData(first + c.block + third), kFirst + kThird) << c.what;
  }
}

}  // namespace
