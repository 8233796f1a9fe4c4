#pragma once
// The signature an update file must carry: Ed25519 over the file's bytes,
// given as base64 of its 64 bytes, checked with the public key the program
// was built with.
#include <string>

#include "support/HeldFile.h"

enum class SignatureCheck {
  kValid,
  kFileUnreadable,      // nothing held, or the bytes could not be read whole
  kSignatureMissing,    // the signature text is empty
  kSignatureMalformed,  // not strict base64 (padded, no other characters), or not 64 bytes
  kKeyUnusable,         // the key text is no PEM Ed25519 public key
  kMismatch,            // a well-formed signature that these bytes and this key do not fit
};

// Reads the held file through its hold and checks the signature over its
// bytes. The first thing found wrong, in the order above, is the result.
SignatureCheck VerifyFileSignature(CHeldFile& file, const std::string& signatureBase64,
                                   const std::string& publicKeyPem);
