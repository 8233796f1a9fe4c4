#include "workers/VersionCheck.h"

#include <gtest/gtest.h>

TEST(VersionCheck, ComparesTheCheckCodeAsANumber) {
  struct Case { const char* data; bool offered; };
  const Case cases[] = {
      {R"({"check_code":"4"})", false},
      {R"({"check_code":"5"})", true},
      {R"({"check_code":"10"})", true},
      {R"({"check_code":"3"})", false},
      {R"({"check_code":""})", false},
      {R"({"check_code":"abc"})", false},
      {R"({"check_code":"12abc"})", true},
      {R"({"check_code":"-7"})", false},
      {R"({"check_code":"99999999999999999999"})", true},
      {R"({"check_code":5})", false},
      {R"({"check_code":["5"]})", false},
      {R"({"file_url":"x"})", false},
      {R"(["5"])", false},
      {"not json", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsUpdateOffered(c.data), c.offered) << c.data;
}
