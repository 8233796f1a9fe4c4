// The program's entry point: either the self-replace run that finishes an
// update, or the normal run with its one main window.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "app/MainWnd.h"
#include "app/ProgramLog.h"
#include "app/SelfReplace.h"
#include "app/SingleInstance.h"
#include "app/SkinArchiveResource.h"
#include "app/TrustSettings.h"
#include "support/ComApartment.h"
#include "support/HttpClient.h"
#include "support/InstanceSemaphore.h"
#include "support/LogFile.h"
#include "support/PathHelpers.h"
#include "support/Text.h"
#include "ui/SkinResources.h"
#include "workers/ClientDescription.h"

namespace {

class COleSession {
 public:
  COleSession() : result_(OleInitialize(nullptr)) {}
  ~COleSession() {
    if (SUCCEEDED(result_)) OleUninitialize();
  }
  COleSession(const COleSession&) = delete;
  COleSession& operator=(const COleSession&) = delete;

 private:
  HRESULT result_;
};

class CHttpLibrary {
 public:
  CHttpLibrary() { HttpGlobalInit(); }
  ~CHttpLibrary() { HttpGlobalCleanup(); }
  CHttpLibrary(const CHttpLibrary&) = delete;
  CHttpLibrary& operator=(const CHttpLibrary&) = delete;
};

// Everything here is torn down in reverse: the window (which first ends its
// workers) before the HTTP library, OLE and COM.
void RunProgram(HINSTANCE instance, const std::wstring& arguments) {
  g_programDir = ModuleDirectory(nullptr);
  if (IsSelfReplaceRun(arguments)) {
    RunSelfReplace(arguments);
    return;
  }
  // Held for the run. Only a running window stops a start; a semaphore
  // held without one first gets a few seconds for its window to appear, so
  // two starts in quick succession end with one window.
  CInstanceSemaphore semaphore(kInstanceSemaphoreName);
  if (RaiseRunningInstance()) return;
  if (semaphore.AlreadyExists() && AwaitAndRaiseRunningInstance()) return;
  OpenProgramLog();
  LOG_LINE(L"当前版本：%s", AnsiToWide(kClientVersion).c_str());
  CComApartment com;
  if (!com.ready()) return;
  COleSession ole;
  CHttpLibrary http;
  ApplyCompiledTrust();
  ui::set_instance(instance);
  std::vector<unsigned char> skinArchive;
  if (!LoadSkinArchive(instance, skinArchive)) return;
  ui::set_skin_archive(skinArchive.data(), skinArchive.size(), nullptr);
  CMainWnd window;
  if (!window.create_main_window()) return;
  window.center();
  window.show_modal();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
  RunProgram(instance, arguments ? arguments : L"");
  // At once: nothing process-wide is torn down behind a worker that would
  // not stop in time.
  ExitProcess(0);
}
