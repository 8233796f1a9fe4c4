#pragma once
// The service sends the "data" of a successful reply RSA-encrypted with the
// public half of the deployment's reply key: 128-byte PKCS#1 v1.5 blocks
// written as 256 hexadecimal digits each. The program holds the private
// half and turns "data" back into the payload text here.
#include <string>

// Empty stays empty and fewer than 64 characters come back unchanged (short
// payloads may travel in clear). Otherwise every whole block of 256 digits
// is decrypted in order and the plaintexts are joined; characters after the
// last whole block are ignored, and a block that fails to decrypt adds
// nothing. Safe on any thread.
std::string DecodeReplyData(const std::string& data);
