#include "app/MainWnd.h"

#include <string>

CMainWnd* g_mainWnd = nullptr;

CMainWnd::CMainWnd() { g_mainWnd = this; }

CMainWnd::~CMainWnd() {
  threads_.TerminateAll();
  g_mainWnd = nullptr;
}

void CMainWnd::on_version_reply(int, void* replyText) { delete static_cast<std::string*>(replyText); }
void CMainWnd::on_fatal_error(int, void* message) { delete static_cast<std::wstring*>(message); }
void CMainWnd::on_config_loaded(int, void*) {}
void CMainWnd::on_articles_loaded(int, void*) {}
void CMainWnd::on_articles_failed(int, void* message) { delete static_cast<std::wstring*>(message); }
void CMainWnd::on_auto_signed_in(int, void*) {}
void CMainWnd::on_no_saved_sign_in(int, void*) {}
void CMainWnd::on_code_sent(int, void*) {}
void CMainWnd::on_code_failed(int, void* message) { delete static_cast<std::wstring*>(message); }
void CMainWnd::on_signed_in(int, void*) {}
void CMainWnd::on_sign_in_failed(int, void* message) { delete static_cast<std::wstring*>(message); }
void CMainWnd::on_download_status(int, void* status) { delete static_cast<std::wstring*>(status); }
void CMainWnd::on_download_failed(int, void* message) { delete static_cast<std::wstring*>(message); }
void CMainWnd::start_download_workers(int, void*) {}
void CMainWnd::on_download_speed(int threadId, void* bytesPerSecond) {
  thread_speeds[static_cast<DWORD>(threadId)] = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(bytesPerSecond));
}
void CMainWnd::on_download_worker_done(int threadId, void*) { thread_speeds.erase(static_cast<DWORD>(threadId)); }
void CMainWnd::on_update_failed(int, void*) {}
void CMainWnd::open_home_page(int, void*) {}
void CMainWnd::open_qq_group_page(int, void*) {}
void CMainWnd::open_help_page(int, void*) {}
void CMainWnd::sign_out(int, void*) {}
