#include "app/ProgramLog.h"

#include <windows.h>

#include <string>

#include "support/LogFile.h"
#include "support/PathHelpers.h"

namespace {

const int kLogLimitKb = 1024;

}  // namespace

void OpenProgramLog() {
  g_logFile.SetLogFile(TempFolder() + L"marrowvalelog.txt", kLogLimitKb);
}
