// Holds the program's single-instance semaphore, with no window, until its
// standard input closes: a program start must not be stopped by it.
#include <cstdio>

#include "app/SingleInstance.h"
#include "support/InstanceSemaphore.h"

int main() {
  CInstanceSemaphore semaphore(kInstanceSemaphoreName);
  std::printf("holding\n");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  return 0;
}
