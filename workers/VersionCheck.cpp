#include "workers/VersionCheck.h"

#include <cstdlib>

#include "workers/ApiCall.h"
#include "workers/ClientDescription.h"

namespace {

// The leading decimal digits of a text, 0 when there are none; saturates
// instead of overflowing.
long LeadingNumber(const std::string& text) {
  long value = 0;
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > 100000000) return negative ? -100000000 : 100000000;
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

}  // namespace

bool IsUpdateOffered(const std::string& versionData) {
  try {
    Json::Value root;
    if (!ParseJsonText(versionData, root) || !root.isObject()) return false;
    const Json::Value& code = root["check_code"];
    if (!code.isString()) return false;
    return LeadingNumber(code.asString()) > atol(kClientVersion);
  } catch (...) {
    return false;
  }
}
