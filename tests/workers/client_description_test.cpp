#include "workers/ClientDescription.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/MachineIdentity.h"
#include "workers/UserId.h"

namespace {

TEST(ClientDescription, BlockFollowsTheSignedInUser) {
  struct Case {
    std::string userId;
    std::string userIdText;
  };
  const Case cases[] = {{"", "0"}, {"12345", "12345"}, {"0", "0"}, {"", "0"}};
  for (const Case& c : cases) {
    SetUserId(c.userId);
    EXPECT_EQ(CurrentUserIdText(), c.userIdText);
    EXPECT_EQ(ClientDescriptionBlock(), "Userid: " + c.userIdText + "\r\nClientuuid: " + MachineId() +
                                            "\r\nCategoryid: 4\r\nVersion: 4\r\nLang: zh-cn");
  }
}

TEST(ClientDescription, ReadersNeverSeeAHalfWrittenId) {
  const std::string ids[] = {"", std::string(300, '7'), "100001"};
  std::atomic<bool> writing(false);
  std::atomic<bool> done(false);
  std::thread writer([&] {
    writing = true;
    for (int i = 0; !done; ++i) SetUserId(ids[i % 3]);
  });
  while (!writing) std::this_thread::yield();
  int torn = 0;
  for (int i = 0; i < 200000; ++i) {
    std::string seen = CurrentUserIdText();
    if (seen != "0" && seen != ids[1] && seen != ids[2]) ++torn;
  }
  done = true;
  writer.join();
  SetUserId("");
  EXPECT_EQ(torn, 0);
}

}  // namespace
