#pragma once
// The demo deployment's certificates, which scripts/demo-service.sh makes in
// the build's demo/tls folder: the hosts' own ("cert.pem") and the one the
// impostor fault shows ("impostor-cert.pem"). Their pins are worked out
// here with OpenSSL, so the program's trust code is not its own judge.
#include <string>

struct DemoCertificate {
  std::string pem;  // the certificate as PEM text
  std::string pin;  // "sha256//" and the base64 SHA-256 of its public key
};

// False when the file is missing or holds no certificate.
bool LoadDemoCertificate(const wchar_t* fileName, DemoCertificate& certificate);
