#include "workers/ReportWorker.h"

#include <cstdint>
#include <string>

#include "workers/ApiCall.h"

void ReportWorker(void* argument) {
  const uintptr_t code = reinterpret_cast<uintptr_t>(argument);
  ApiCall("/Speed/Server/Report?", "/Speed/Server/Report", {{"code", std::to_string(code)}}, true);
}
