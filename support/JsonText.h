#pragma once
// Reading the service's JSON: replies, the configuration and the file list.
#include <json/value.h>

#include <string>

// Parses JSON text, comments allowed; false when it is not JSON.
bool ParseJsonText(const std::string& text, Json::Value& root);
// A member of an object as text: a text as it is, a number as its decimal
// text, a missing member as the empty text. False for an array or object
// member, or when object is not an object.
bool JsonMemberText(const Json::Value& object, const char* name, std::string& text);
