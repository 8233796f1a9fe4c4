// One download run of a game client with the program's own coordinator and
// download workers, reporting through the call queue to a hidden window that
// starts the workers and waits for the last one as the main window does.
// Prints "<files> <failures> <speed reports> <run s> <last file s> <workers start s>".
//
//   download_bench <game folder> <list url prefix> <list name> <download url prefix>
//   download_bench          (no arguments: starts and ends, to time Wine's own start)
#include <windows.h>

#include <json/value.h>
#include <json/writer.h>

#include <cstdio>
#include <string>

#include "app/MainWnd.h"
#include "support/HttpClient.h"
#include "support/LogFile.h"
#include "support/Registry.h"
#include "support/Text.h"
#include "workers/DownloadQueue.h"
#include "workers/DownloadWorkers.h"
#include "workers/StartupWorkers.h"

namespace {

const wchar_t kLauncherKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MirMLauncher.exe";
const wchar_t kWindowClass[] = L"OrvaneDownloadBench";

double Seconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The main window as far as a download needs it: a hidden window whose
// call-queue messages run the queued calls, starting the workers when asked
// and ending the loop after the last worker's report.
class CBenchWnd : public CMainWnd {
 public:
  bool Create() { return create(HWND_MESSAGE, L"bench", WS_POPUP, 0, 0, 0, 1, 1) != nullptr; }
  ~CBenchWnd() override {
    if (hwnd()) DestroyWindow(hwnd());
  }

  int files = -1;
  int failures = 0;
  long speedReports = 0;
  double workersStarted = 0;
  double lastFileDone = 0;
  bool ended = false;

 protected:
  const wchar_t* window_class_name() const override { return kWindowClass; }
  LRESULT handle_message(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (IsCallQueueMessage(message)) {
      RunCalls();
      return 0;
    }
    return DefWindowProcW(hwnd(), message, wParam, lParam);
  }

 private:
  void RunCalls() {
    QueuedCall call;
    while (take_call(call)) {
      if (call.method == &CMainWnd::on_download_status) {
        std::wstring* text = static_cast<std::wstring*>(call.pointerArgument);
        if (text) swscanf(text->c_str(), L"正在下载，剩余%d个文件", &files);
        delete text;
      } else if (call.method == &CMainWnd::on_download_failed) {
        delete static_cast<std::wstring*>(call.pointerArgument);
        ++failures;
        // Before the workers, a failure ends the run.
        if (workers_ == 0) Finish();
      } else if (call.method == &CMainWnd::start_download_workers) {
        workersStarted = Seconds();
        for (int i = 0; i < kDownloadWorkerCount; ++i) {
          if (threads().StartThread(&DownloadWorker, nullptr)) ++workers_;
        }
      } else if (call.method == &CMainWnd::on_download_speed) {
        ++speedReports;
        if (call.pointerArgument == nullptr) lastFileDone = Seconds();
      } else if (call.method == &CMainWnd::on_download_worker_done) {
        if (--workers_ == 0) Finish();
      }
    }
  }
  void Finish() {
    ended = true;
    PostQuitMessage(0);
  }

  int workers_ = 0;
};

// The registration the locator reads first, pointed at the bench's game
// folder for the run and restored afterwards.
class CRegistrationForRun {
 public:
  explicit CRegistrationForRun(const std::wstring& launcher) {
    hadOld_ = RegistryRead(HKEY_LOCAL_MACHINE, kLauncherKey, L"", REG_SZ, old_);
    Set(launcher);
  }
  ~CRegistrationForRun() {
    if (hadOld_) {
      Set(old_);
    } else {
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kLauncherKey, KEY_WOW64_32KEY, 0);
    }
  }
  CRegistrationForRun(const CRegistrationForRun&) = delete;
  CRegistrationForRun& operator=(const CRegistrationForRun&) = delete;

 private:
  static void Set(const std::wstring& value) {
    RegistryWrite(HKEY_LOCAL_MACHINE, kLauncherKey, L"", REG_SZ, value.c_str(),
                  static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  }
  bool hadOld_ = false;
  std::wstring old_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 1) return 0;
  if (argc != 5) {
    std::fwprintf(stderr, L"usage: download_bench <game folder> <list url prefix> <list name> <download url prefix>\n");
    return 2;
  }
  std::wstring game = argv[1];
  if (game.back() != L'\\') game += L'\\';
  Json::Value config(Json::objectValue);
  config["filelist_url_prefix"] = WideToUtf8(argv[2]);
  config["file_url"] = WideToUtf8(argv[3]);
  config["downloadurl_prefix"] = WideToUtf8(argv[4]);
  g_configText = Json::writeString(Json::StreamWriterBuilder(), config);
  g_downloadUrlPrefix = config["downloadurl_prefix"].asString();

  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  g_logFile.SetLogFile(std::wstring(temp) + L"orvane-download-bench-log.txt", 1024);
  HttpGlobalInit();
  CRegistrationForRun registration(game + L"Launcher\\MirMLauncher.exe");
  int status = 1;
  {
    CBenchWnd window;
    if (!window.Create()) {
      std::fwprintf(stderr, L"no window\n");
    } else {
      const double start = Seconds();
      window.threads().StartThread(&LocateAndListWorker, nullptr);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      const double end = Seconds();
      // A worker's last report comes just before its thread ends; ending the
      // window now would cut threads off on their way out (the window's
      // teardown ends whatever is still recorded).
      for (int i = 0; i < 1000 && window.threads().RecordedCount() != 0; ++i) Sleep(10);
      if (window.ended) {
        std::printf("%d %d %ld %.3f %.3f %.3f\n", window.files, window.failures, window.speedReports, end - start,
                    window.lastFileDone > 0 ? window.lastFileDone - start : 0.0,
                    window.workersStarted > 0 ? window.workersStarted - start : 0.0);
        status = window.failures == 0 && window.files >= 0 ? 0 : 1;
      }
    }
  }
  HttpGlobalCleanup();
  return status;
}
