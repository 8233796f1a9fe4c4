#include "workers/UserId.h"

#include "support/CriticalSection.h"

namespace {

std::string g_userId;
CCriticalSection g_userIdGuard;

}  // namespace

std::string GetUserId() {
  CAutoLock lock(g_userIdGuard);
  return g_userId;
}

void SetUserId(const std::string& userId) {
  CAutoLock lock(g_userIdGuard);
  g_userId = userId;
}
