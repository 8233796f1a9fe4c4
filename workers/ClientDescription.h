#pragma once
// The five header lines that tell the service who is asking, sent with
// every API request.
#include <string>

constexpr char kCategoryId[] = "4";
// The tool's own version: sent as "Version", written in the log's first
// line and compared with the service's "check_code". Defined alone in
// ClientVersion.cpp, so a test build can link a program of another version.
extern const char kClientVersion[];

// The signed-in user id, or "0" while signed out.
std::string CurrentUserIdText();
// "Userid", "Clientuuid", "Categoryid", "Version" and "Lang" lines joined
// by CR LF, with none after the last so no empty header line is sent.
std::string ClientDescriptionBlock();
