#include "workers/JsonList.h"

#include <algorithm>
#include <string>

bool JsonListItems(const Json::Value& root, std::vector<Json::Value>& items) {
  items.clear();
  if (root.isArray()) {
    for (const Json::Value& item : root) items.push_back(item);
    return true;
  }
  if (!root.isObject()) return false;
  std::vector<std::string> names = root.getMemberNames();
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) items.push_back(root[name]);
  return true;
}
