#pragma once
// The signed request procedure every call of the web API goes through, and
// the reading of the reply envelope the calls share.
#include <json/value.h>

#include <string>
#include <vector>

#include "support/JsonText.h"

constexpr int kApiSuccessCode = 10001;

// One request parameter; the order of a call's parameters is part of the
// wire form and of the signature.
struct ApiParam {
  std::string name;
  std::string value;
};

struct ApiReply {
  std::string text;  // the body, or the HTTP client's error text
  int status = 0;    // HTTP status of the last attempt
};

// Whole seconds since 1970-01-01 UTC as decimal digits.
std::string ApiTimestamp();

// The form body: each "name=value" form-encoded, "ts=" and the time stamp,
// then "sign=" and the MD5 of the same pairs in lower case followed by the
// application secret.
std::string ApiRequestBody(const std::vector<ApiParam>& params, const std::string& ts);

// Posts the signed body to the primary host; when that yields no answer (a
// transport failure, a status outside 200-300 or an empty body) waits 3 s
// (Delays().fallbackPauseMs), logs the failed attempt when asked to and
// posts once more to the fallback host. Blocks the calling worker; never runs on the window thread.
ApiReply ApiCall(const std::string& primaryPath, const std::string& fallbackPath,
                 const std::vector<ApiParam>& params, bool logFirstFailure);

// The envelope {"code", "data", "message"} of a reply.
struct ApiEnvelope {
  int code = 0;         // 0 when missing; a fraction is cut off
  std::string data;     // read when code is kApiSuccessCode
  std::string message;  // read otherwise; empty when missing or only blanks
};

// False when the reply is not JSON (comments allowed), not an object, or a
// member cannot be read as the envelope needs it: a "code" that is present
// but not a number (a text, true, null, an array, an object) or beyond the
// integer range, a "data" that is an array or object, a "message" of a
// refusal that is present but not a text.
bool ReadApiEnvelope(const std::string& replyText, ApiEnvelope& envelope);
