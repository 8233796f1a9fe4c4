#pragma once
// Owners of OpenSSL objects, each freed with its own function on every path.
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/x509.h>

#include <memory>

template <auto Free>
struct OpenSslFree {
  template <typename T>
  void operator()(T* object) const {
    Free(object);
  }
};

using OsslKey = std::unique_ptr<EVP_PKEY, OpenSslFree<EVP_PKEY_free>>;
using OsslKeyContext = std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<EVP_PKEY_CTX_free>>;
using OsslDigestContext = std::unique_ptr<EVP_MD_CTX, OpenSslFree<EVP_MD_CTX_free>>;
using OsslBio = std::unique_ptr<BIO, OpenSslFree<BIO_free>>;
using OsslX509 = std::unique_ptr<X509, OpenSslFree<X509_free>>;
using OsslBignum = std::unique_ptr<BIGNUM, OpenSslFree<BN_free>>;
using OsslParamBuild = std::unique_ptr<OSSL_PARAM_BLD, OpenSslFree<OSSL_PARAM_BLD_free>>;
using OsslParams = std::unique_ptr<OSSL_PARAM, OpenSslFree<OSSL_PARAM_free>>;
