#include "workers/ApiCall.h"

#include <windows.h>

#include <json/reader.h>

#include <ctime>
#include <memory>

#include "ApiBases.h"
#include "support/Delays.h"
#include "support/HttpClient.h"
#include "support/WorkerStop.h"
#include "support/LogFile.h"
#include "support/Md5.h"
#include "support/Text.h"
#include "workers/ClientDescription.h"

namespace {

// Appended to the signing input only; never sent.
const char kSignSecret[] = "Rq4TzWm8LbX2vKc7";

bool IsAnswer(const ApiReply& reply) { return reply.status >= 200 && reply.status <= 300 && !reply.text.empty(); }

// A missing "code" reads as 0. A JSON true would read as 1 and null as 0,
// so only numbers count.
bool ReadEnvelopeCode(const Json::Value& root, int& code) {
  if (!root.isMember("code")) {
    code = 0;
    return true;
  }
  const Json::Value& member = root["code"];
  if (!member.isNumeric()) return false;
  try {
    code = member.asInt();
  } catch (const Json::Exception&) {
    return false;  // a number beyond the integer range
  }
  return true;
}

// What a refusal tells the user; a message of blanks tells nothing, and the
// caller then shows its own failure text.
bool ReadEnvelopeMessage(const Json::Value& root, std::string& message) {
  message.clear();
  if (!root.isMember("message")) return true;
  const Json::Value& member = root["message"];
  if (!member.isString()) return false;
  message = member.asString();
  if (message.find_first_not_of(" \t\r\n") == std::string::npos) message.clear();
  return true;
}

}  // namespace

std::string ApiTimestamp() { return std::to_string(static_cast<long long>(_time64(nullptr))); }

std::string ApiRequestBody(const std::vector<ApiParam>& params, const std::string& ts) {
  std::string body;
  std::string signingInput;
  for (const ApiParam& param : params) {
    // Every value is form-encoded; the report's decimal code comes out unchanged.
    std::string sent = UrlEncode(param.value);
    body += param.name + "=" + sent + "&";
    signingInput += param.name + "=" + ConvertCase(false, sent) + "&";
  }
  body += "ts=" + ts;
  signingInput += "ts=" + ts + kSignSecret;
  return body + "&sign=" + CMd5A().Md5String(signingInput);
}

ApiReply ApiCall(const std::string& primaryPath, const std::string& fallbackPath,
                 const std::vector<ApiParam>& params, bool logFirstFailure) {
  const std::string body = ApiRequestBody(params, ApiTimestamp());
  const std::string headers = ClientDescriptionBlock();
  ApiReply reply;
  CHttpClient client;
  client.InitLibCurl();
  client.SetPostData(body);
  reply.status = client.Request(std::string(kPrimaryApiBase) + primaryPath, HttpMethod::Post, reply.text,
                                headers.c_str());
  // A worker asked to stop skips the fallback host.
  if (!IsAnswer(reply) && WorkerPause(Delays().fallbackPauseMs)) {
    if (logFirstFailure) LOG_REPLY(reply.text);
    client.SetPostData(body);
    reply.status = client.Request(std::string(kFallbackApiBase) + fallbackPath, HttpMethod::Post, reply.text,
                                  headers.c_str());
  }
  client.Cleanup();
  return reply;
}

bool ReadApiEnvelope(const std::string& replyText, ApiEnvelope& envelope) {
  Json::Value root;
  if (!ParseJsonText(replyText, root) || !root.isObject()) return false;
  if (!ReadEnvelopeCode(root, envelope.code)) return false;
  if (envelope.code == kApiSuccessCode) return JsonMemberText(root, "data", envelope.data);
  return ReadEnvelopeMessage(root, envelope.message);
}
