#include "workers/ClientDescription.h"

#include "support/MachineIdentity.h"
#include "workers/UserId.h"

std::string CurrentUserIdText() {
  std::string userId = GetUserId();
  return userId.empty() ? "0" : userId;
}

std::string ClientDescriptionBlock() {
  return "Userid: " + CurrentUserIdText() + "\r\nClientuuid: " + MachineId() + "\r\nCategoryid: " +
         kCategoryId + "\r\nVersion: " + kClientVersion + "\r\nLang: zh-cn";
}
