#include "support/InstanceSemaphore.h"

CInstanceSemaphore::CInstanceSemaphore(const std::string& name) {
  SECURITY_DESCRIPTOR descriptor = {};
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, TRUE};
  handle_.Reset(CreateSemaphoreA(&attributes, 1, 1, name.c_str()));
  lastError_ = GetLastError();
}
