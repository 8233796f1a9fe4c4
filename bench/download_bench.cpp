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
#include <memory>
#include <string>

#include "support/HttpClient.h"
#include "support/LogFile.h"
#include "support/PathHelpers.h"
#include "support/Registry.h"
#include "support/Text.h"
#include "support/ThreadManager.h"
#include "ui/NativeWindow.h"
#include "workers/CallPayload.h"
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
class CBenchWnd : public ui::CNativeWindow, public IMainWndCalls {
 public:
  CBenchWnd() { g_mainWnd = this; }
  ~CBenchWnd() override {
    threads_.TerminateAll();
    g_mainWnd = nullptr;
    DropQueuedCalls(*this);
    if (hwnd()) DestroyWindow(hwnd());
  }
  bool Create() { return create(HWND_MESSAGE, L"bench", WS_POPUP, 0, 0, 0, 1, 1) != nullptr; }
  CWindowMultiThreadManager& threads() { return threads_; }
  HWND native_handle() const override { return hwnd(); }

  void on_download_status(int, void* status) override {
    swscanf(TakeWideText(status).c_str(), L"正在下载，剩余%d个文件", &files);
  }
  void on_download_failed(int, void* message) override {
    TakePayload<std::wstring>(message);
    ++failures;
    // Before the workers, a failure ends the run.
    if (workers_ == 0) Finish();
  }
  void start_download_workers(int, void*) override {
    workersStarted = Seconds();
    for (int i = 0; i < kDownloadWorkerCount; ++i) {
      if (threads_.StartThread(&DownloadWorker, nullptr)) ++workers_;
    }
  }
  void on_download_speed(int, void* bytesPerSecond) override {
    ++speedReports;
    std::unique_ptr<double> speed = TakePayload<double>(bytesPerSecond);
    if (speed && *speed < 1) lastFileDone = Seconds();
  }
  void on_download_worker_done(int, void*) override {
    if (--workers_ == 0) Finish();
  }

#define ORVANE_NOT_PART_OF_A_DOWNLOAD(method) \
  void method(int intArgument, void* payload) override { FreePayload({&IMainWndCalls::method, intArgument, payload}); }
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_version_reply)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_fatal_error)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_config_loaded)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_articles_loaded)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_articles_failed)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_auto_signed_in)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_no_saved_sign_in)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_code_sent)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_code_failed)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_signed_in)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_sign_in_failed)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_update_downloaded)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(on_update_failed)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(open_home_page)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(open_qq_group_page)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(open_help_page)
  ORVANE_NOT_PART_OF_A_DOWNLOAD(sign_out)
#undef ORVANE_NOT_PART_OF_A_DOWNLOAD

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
      dispatch_calls();
      return 0;
    }
    return DefWindowProcW(hwnd(), message, wParam, lParam);
  }

 private:
  void Finish() {
    ended = true;
    PostQuitMessage(0);
  }

  int workers_ = 0;
  CWindowMultiThreadManager threads_;
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

  g_logFile.SetLogFile(TempFolder() + L"orvane-download-bench-log.txt", 1024);
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
