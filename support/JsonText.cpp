#include "support/JsonText.h"

#include <json/reader.h>

#include <memory>

bool ParseJsonText(const std::string& text, Json::Value& root) {
  Json::CharReaderBuilder builder;
  builder["allowComments"] = true;
  builder["collectComments"] = false;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  return reader->parse(text.data(), text.data() + text.size(), &root, nullptr);
}

bool JsonMemberText(const Json::Value& object, const char* name, std::string& text) {
  if (!object.isObject()) return false;
  const Json::Value& member = object[name];
  if (member.isArray() || member.isObject()) return false;
  text = member.asString();
  return true;
}
