#include "support/UpdateSignature.h"

#include <windows.h>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/FileSystem.h"
#include "support/OpenSslPointers.h"
#include "tests/common/WinePath.h"
#include "tests/support/TestFolder.h"

namespace {

// RFC 8032, section 7.1, tests 1 (an empty message) and 2 (the byte 0x72):
// signatures made elsewhere, so the check is not only against our own signer.
const char kRfcKey1Pem[] =
    "-----BEGIN PUBLIC KEY-----\nMCowBQYDK2VwAyEA11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo=\n-----END PUBLIC KEY-----\n";
const char kRfcSignature1[] = "5VZDAMNgrHKQhuLMgG6CioSHfx645dl02HPgZSJJAVVfuIIVkKM7rMYeOXAc+bRr0lv18FlbviRlUUFDjnoQCw==";
const char kRfcKey2Pem[] =
    "-----BEGIN PUBLIC KEY-----\nMCowBQYDK2VwAyEAPUAXw+hDiVqStwqnTRt+vJyYLM8uxJaMwM1V8Sr0Zgw=\n-----END PUBLIC KEY-----\n";
const char kRfcSignature2[] = "kqAJqfDUyrhyDoILX2QlQKKye1QWUD+Ps3YiI+vbadoIWsHkPhWZbkWPNhPQ8R2MOHsurrQwKu6wDSkWErsMAA==";

// A file of the repository.
std::string SourceFile(const wchar_t* relative) { return ReadWholeFile(WinePath("ORVANE_SOURCE_DIR", relative)); }

OsslKey PrivateKeyFromPem(const std::string& pem) {
  OsslBio source(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return OsslKey(source ? PEM_read_bio_PrivateKey(source.get(), nullptr, nullptr, nullptr) : nullptr);
}

std::string PublicKeyPem(EVP_PKEY* key) {
  OsslBio sink(BIO_new(BIO_s_mem()));
  if (!sink || PEM_write_bio_PUBKEY(sink.get(), key) != 1) return std::string();
  char* text = nullptr;
  const long length = BIO_get_mem_data(sink.get(), &text);
  return std::string(text, static_cast<size_t>(length));
}

std::string Base64(const std::vector<unsigned char>& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  text.resize(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&text[0]), bytes.data(), static_cast<int>(bytes.size())));
  return text;
}

std::vector<unsigned char> Sign(EVP_PKEY* key, const std::string& bytes) {
  OsslDigestContext context(EVP_MD_CTX_new());
  std::vector<unsigned char> signature(64);
  size_t length = signature.size();
  if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key) != 1 ||
      EVP_DigestSign(context.get(), signature.data(), &length, reinterpret_cast<const unsigned char*>(bytes.data()),
                     bytes.size()) != 1) {
    return std::vector<unsigned char>();
  }
  signature.resize(length);
  return signature;
}

// Bytes that are not periodic and include every value, zeros too.
std::string Pattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

SignatureCheck VerifyAt(const std::wstring& path, const std::string& signature, const std::string& keyPem) {
  CHeldFile file(path);
  return VerifyFileSignature(file, signature, keyPem);
}

class UpdateSignature : public ::testing::Test {
 protected:
  void SetUp() override {
    demoKey_ = PrivateKeyFromPem(SourceFile(L"tools/demo/demo-update-key.pem"));
    demoPublicPem_ = SourceFile(L"tools/demo/demo-update-key.pub.pem");
    otherKey_.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    ASSERT_TRUE(demoKey_ && otherKey_) << "ORVANE_SOURCE_DIR must name the repository";
    // The committed pair belongs together: the public file is the private key's half.
    ASSERT_EQ(PublicKeyPem(demoKey_.get()), demoPublicPem_);
  }

  OsslKey demoKey_;
  OsslKey otherKey_;
  std::string demoPublicPem_;
  CTestFolder folder_{L"update-signature"};
};

TEST_F(UpdateSignature, SignaturesOverTheFileBytes) {
  const std::string program = Pattern(1024 * 1024 + 17);
  const std::string program64 = Base64(Sign(demoKey_.get(), program));
  std::string changed = program;
  changed[changed.size() / 2] ^= 0x01;
  struct Case {
    const char* name;
    std::string bytes;
    std::string signature;
    std::string keyPem;
    SignatureCheck expected;
  };
  const Case cases[] = {
      {"signed by the key, over a chunk boundary", program, program64, demoPublicPem_, SignatureCheck::kValid},
      {"signed by the key, one byte", "x", Base64(Sign(demoKey_.get(), "x")), demoPublicPem_, SignatureCheck::kValid},
      {"RFC 8032 test 1, an empty file", "", kRfcSignature1, kRfcKey1Pem, SignatureCheck::kValid},
      {"RFC 8032 test 2", "\x72", kRfcSignature2, kRfcKey2Pem, SignatureCheck::kValid},
      {"signed by another key", program, Base64(Sign(otherKey_.get(), program)), demoPublicPem_,
       SignatureCheck::kMismatch},
      {"one byte changed after signing", changed, program64, demoPublicPem_, SignatureCheck::kMismatch},
      {"empty file, signature of another", "", kRfcSignature2, kRfcKey1Pem, SignatureCheck::kMismatch},
      {"RFC key, signature of the other RFC message", "\x72", kRfcSignature1, kRfcKey1Pem,
       SignatureCheck::kMismatch},
  };
  for (const Case& c : cases) {
    const std::wstring path = folder_ / L"OrvaneBox.exe";
    WriteTestFile(path, c.bytes);
    EXPECT_EQ(VerifyAt(path, c.signature, c.keyPem), c.expected) << c.name;
  }
}

// One signature has one text: anything but standard, padded base64 of
// exactly 64 bytes is refused before the key is used.
TEST_F(UpdateSignature, SignatureTextsThatAreRefused) {
  const std::string bytes = Pattern(4096);
  const std::vector<unsigned char> signature = Sign(demoKey_.get(), bytes);
  const std::string good = Base64(signature);
  ASSERT_EQ(good.size(), 88u);
  ASSERT_EQ(good.substr(86), "==");
  // The last digit before the padding carries 4 unused bits: set the
  // lowest, so the bytes decoded stay the same.
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string spareBits = good;
  spareBits[85] = alphabet[alphabet.find(good[85]) ^ 1];
  const std::vector<unsigned char> shorter(signature.begin(), signature.end() - 1);
  std::vector<unsigned char> longer = signature;
  longer.push_back(0);
  struct Case {
    const char* name;
    std::string signature;
    SignatureCheck expected;
  };
  const Case cases[] = {
      {"empty", "", SignatureCheck::kSignatureMissing},
      {"not base64", std::string(88, '!'), SignatureCheck::kSignatureMalformed},
      {"63 bytes", Base64(shorter), SignatureCheck::kSignatureMalformed},
      {"65 bytes", Base64(longer), SignatureCheck::kSignatureMalformed},
      {"128 hexadecimal digits", std::string(128, 'a'), SignatureCheck::kSignatureMalformed},
      {"no padding", good.substr(0, 86), SignatureCheck::kSignatureMalformed},
      {"a line end after it", good + "\n", SignatureCheck::kSignatureMalformed},
      {"a space inside", good.substr(0, 40) + " " + good.substr(41), SignatureCheck::kSignatureMalformed},
      {"padding inside", good.substr(0, 40) + "=" + good.substr(41), SignatureCheck::kSignatureMalformed},
      {"bits after the last byte", spareBits, SignatureCheck::kSignatureMalformed},
      {"the good one", good, SignatureCheck::kValid},
  };
  const std::wstring path = folder_ / L"OrvaneBox.exe";
  WriteTestFile(path, bytes);
  for (const Case& c : cases) EXPECT_EQ(VerifyAt(path, c.signature, demoPublicPem_), c.expected) << c.name;
}

TEST_F(UpdateSignature, KeysThatAreRefused) {
  const std::string bytes = Pattern(4096);
  const std::string signature = Base64(Sign(demoKey_.get(), bytes));
  const OsslKey x25519(EVP_PKEY_Q_keygen(nullptr, nullptr, "X25519"));
  const OsslKey ed448(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED448"));
  ASSERT_TRUE(x25519 && ed448);
  std::string cutShort = demoPublicPem_;
  cutShort.erase(cutShort.find("\n-----END"));
  // "K2Vw" encodes the Ed25519 algorithm's identifier; "K2Vx" Ed448's.
  std::string otherAlgorithm = demoPublicPem_;
  otherAlgorithm.replace(otherAlgorithm.find("K2Vw"), 4, "K2Vx");
  struct Case {
    const char* name;
    std::string keyPem;
  };
  const Case cases[] = {
      {"empty", ""},
      {"not PEM", "Orvane update key"},
      {"cut short", cutShort},
      {"the Ed448 identifier on an Ed25519 key", otherAlgorithm},
      {"the private key", SourceFile(L"tools/demo/demo-update-key.pem")},
      {"an X25519 key of the same size", PublicKeyPem(x25519.get())},
      {"an Ed448 key", PublicKeyPem(ed448.get())},
      {"an RSA private key", SourceFile(L"tools/demo/demo-key.pem")},
  };
  const std::wstring path = folder_ / L"OrvaneBox.exe";
  WriteTestFile(path, bytes);
  for (const Case& c : cases) EXPECT_EQ(VerifyAt(path, signature, c.keyPem), SignatureCheck::kKeyUnusable) << c.name;
  EXPECT_EQ(VerifyAt(path, signature, demoPublicPem_), SignatureCheck::kValid);
}

TEST_F(UpdateSignature, FileThatCannotBeReadIsRefusedFirst) {
  const std::string signature = Base64(Sign(demoKey_.get(), ""));
  EXPECT_EQ(VerifyAt(folder_ / L"missing.exe", signature, demoPublicPem_), SignatureCheck::kFileUnreadable);
  EXPECT_EQ(VerifyAt(folder_ / L"missing.exe", "", ""), SignatureCheck::kFileUnreadable);
  EXPECT_EQ(VerifyAt(folder_.Path(), signature, demoPublicPem_), SignatureCheck::kFileUnreadable);
}

}  // namespace
