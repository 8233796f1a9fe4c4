#include "workers/JsonList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "workers/ApiCall.h"

namespace {

// Each item's "title", joined with "|".
std::string Titles(const std::vector<Json::Value>& items) {
  std::string titles;
  for (const Json::Value& item : items) titles += (titles.empty() ? "" : "|") + item["title"].asString();
  return titles;
}

TEST(JsonListItems, ArraysAndObjectsReadAlike) {
  const struct {
    const char* json;
    bool isList;
    const char* titles;
  } kCases[] = {
      {R"([{"title":"b"},{"title":"a"}])", true, "b|a"},
      {"[]", true, ""},
      // Members in the byte order of their names, not numeric and not as written.
      {R"({"b":{"title":"B"},"10":{"title":"ten"},"a":{"title":"A"},"2":{"title":"two"},"B":{"title":"upper"}})",
       true, "ten|two|upper|A|B"},
      {"{}", true, ""},
      {"null", false, ""},
      {"17", false, ""},
      {R"("[1]")", false, ""},
  };
  for (const auto& list : kCases) {
    SCOPED_TRACE(list.json);
    Json::Value root;
    ASSERT_TRUE(ParseJsonText(list.json, root));
    std::vector<Json::Value> items(1);
    EXPECT_EQ(JsonListItems(root, items), list.isList);
    EXPECT_EQ(Titles(items), list.titles);
  }
}

}  // namespace
