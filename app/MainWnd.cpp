#include "app/MainWnd.h"

#include <memory>
#include <string>

#include "app/MenuWnd.h"
#include "app/MsgBoxWnd.h"
#include "app/ShellOpen.h"
#include "app/WindowFrame.h"
#include "workers/CallPayload.h"

std::wstring g_programDir;

namespace {

const wchar_t kTitle[] = L"Orvane盒子";
// Popup, visible, clip siblings and children, caption, system menu, sizing
// frame, minimise and maximise boxes; the create handler takes the caption
// and the frame away again, so the whole window is client area.
const DWORD kMainStyle = 0x96CF0000;

}  // namespace

// What the window itself answers; the pages answer the rest.
const NotifyRoute<CMainWnd> CMainWnd::kRoutes[] = {
    {nullptr, ui::kNotifyWindowInit, &CMainWnd::on_window_init},
    {L"close_btn", ui::kNotifyClick, &CMainWnd::on_close_click},
    {L"min_btn", ui::kNotifyClick, &CMainWnd::on_min_click},
    {L"setgamePath", ui::kNotifyClick, &CMainWnd::on_ignored_click},
};

// The main window builds main.xml with itself as the custom-control
// factory and drags by what takes no input.
CMainWnd::CMainWnd()
    : CSkinWnd(SkinWndSettings{L"main.xml", this, this, WS_CAPTION | WS_THICKFRAME, 0, CaptionDrag::kDragControls}),
      startupPage_(*this),
      signInPage_(*this),
      mainPage_(*this),
      selfUpdate_(*this),
      pages_{&startupPage_, &signInPage_, &mainPage_} {
  g_mainWnd = this;
}

CMainWnd::~CMainWnd() {
  threads_.TerminateAll();
  g_mainWnd = nullptr;
  DropQueuedCalls(*this);
}

HWND CMainWnd::create_main_window() { return create(nullptr, kTitle, kMainStyle, 0, 0, 0, 0, 0); }

LRESULT CMainWnd::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
  bool handled = false;
  switch (msg) {
    case WM_SIZE:
      on_size(msg, wparam, lparam, handled);
      break;
    case WM_KEYDOWN:
      if (on_enter_key(wparam)) return 0;
      break;
    case WM_SYSCOMMAND:
      return on_sys_command(wparam, lparam);
    case kTrayNotifyMessage:
      on_tray_notify(lparam);
      return 0;
    default:
      if (IsCallQueueMessage(msg)) {
        dispatch_calls();
        return 0;
      }
      break;
  }
  return CSkinWnd::handle_message(msg, wparam, lparam);
}

void CMainWnd::on_size(UINT, WPARAM, LPARAM, bool& handled) {
  set_round_region(hwnd(), manager_.round_corner());
  handled = false;
}

LRESULT CMainWnd::on_sys_command(WPARAM command, LPARAM lparam) {
  switch (command) {
    case SC_CLOSE:
      confirm_close();
      return 0;
    case SC_MINIMIZE:
      minimise();
      return 0;
    case SC_MAXIMIZE:
    case SC_KEYMENU:
      return 0;
    default:
      return ::DefWindowProcW(hwnd(), WM_SYSCOMMAND, command, lparam);
  }
}

bool CMainWnd::on_enter_key(WPARAM key) { return signInPage_.on_enter_key(static_cast<unsigned>(key)); }

void CMainWnd::on_tray_notify(LPARAM mouseMessage) {
  if (::on_tray_notify(hwnd(), mouseMessage) == kTrayCommandExit) close_program();
}

void CMainWnd::notify(ui::TNotify& msg) {
  if (route_notify(*this, kRoutes, msg)) return;
  for (CPage* page : pages_) {
    if (page->notify(msg)) return;
  }
}

void CMainWnd::on_window_init(ui::TNotify&) {
  page_tab = find_control_as<ui::CTabLayoutUI>(manager_, L"maintab", L"TabLayout");
  for (CPage* page : pages_) page->bind_controls(manager_);
  startupPage_.on_window_init();
}

void CMainWnd::on_close_click(ui::TNotify&) { confirm_close(); }
void CMainWnd::on_min_click(ui::TNotify&) { minimise(); }
// The skin hides that button; a click on it does nothing by design.
void CMainWnd::on_ignored_click(ui::TNotify&) {}

void CMainWnd::minimise() { ::ShowWindow(hwnd(), SW_MINIMIZE); }

void CMainWnd::select_page(int index) {
  if (page_tab) page_tab->select_item(index);
}

void CMainWnd::close_program() {
  show(false);
  close(0);
}

void CMainWnd::confirm_close() {
  if (message_box(L"确定退出盒子吗", kMsgBoxOkCancel, L"确定", L"取消") == 1) close_program();
}

int CMainWnd::message_box(const std::wstring& text, int kind, const std::wstring& okText,
                          const std::wstring& cancelText) {
  return show_message_box(hwnd(), text, kind, okText, cancelText);
}

void CMainWnd::start_self_update(const std::string& url) { selfUpdate_.start_self_update(url); }

void CMainWnd::on_version_reply(int, void* replyText) {
  std::unique_ptr<std::string> data = TakePayload<std::string>(replyText);
  if (!selfUpdate_.offer_update(data ? *data : std::string())) startupPage_.load_config();
}

void CMainWnd::on_fatal_error(int, void* message) {
  startupPage_.on_fatal_error(TakeWideText(message));
}

void CMainWnd::on_config_loaded(int, void*) { startupPage_.on_config_loaded(); }
void CMainWnd::on_auto_signed_in(int, void*) { startupPage_.on_auto_signed_in(); }
void CMainWnd::on_no_saved_sign_in(int, void*) { startupPage_.on_no_saved_sign_in(); }

void CMainWnd::on_update_downloaded(int, void* path) {
  std::unique_ptr<std::wstring> file = TakePayload<std::wstring>(path);
  if (file) {
    selfUpdate_.on_update_downloaded(*file);
  } else {
    selfUpdate_.on_update_failed();
  }
}

void CMainWnd::on_update_failed(int, void*) { selfUpdate_.on_update_failed(); }

void CMainWnd::on_articles_loaded(int, void*) { mainPage_.on_articles_loaded(); }
// Nothing is shown for a failed article call; the list stays as it was.
void CMainWnd::on_articles_failed(int, void* message) { TakePayload<std::wstring>(message); }
void CMainWnd::on_code_sent(int, void*) { signInPage_.on_code_sent(); }
void CMainWnd::on_code_failed(int, void* message) { signInPage_.on_code_failed(TakeWideText(message)); }
void CMainWnd::on_signed_in(int, void*) { signInPage_.on_signed_in(); }
void CMainWnd::on_sign_in_failed(int, void* message) { signInPage_.on_sign_in_failed(TakeWideText(message)); }
void CMainWnd::on_download_status(int, void* status) { mainPage_.on_download_status(TakeWideText(status)); }
void CMainWnd::on_download_failed(int, void* message) { mainPage_.on_download_failed(TakeWideText(message)); }
void CMainWnd::start_download_workers(int, void*) { mainPage_.start_download_workers(); }
void CMainWnd::on_download_speed(int threadId, void* bytesPerSecond) {
  std::unique_ptr<double> speed = TakePayload<double>(bytesPerSecond);
  const double value = speed ? *speed : 0;
  const DWORD clamped = !(value >= 1) ? 0 : value >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<DWORD>(value);
  mainPage_.on_download_speed(static_cast<DWORD>(threadId), clamped);
}
// The game folder is read again by the page, under its guard.
void CMainWnd::on_download_worker_done(int threadId, void*) {
  mainPage_.on_download_worker_done(static_cast<DWORD>(threadId));
}
void CMainWnd::open_home_page(int, void*) { open_configured_page("home"); }
void CMainWnd::open_qq_group_page(int, void*) { open_configured_page("qq"); }
void CMainWnd::open_help_page(int, void*) { open_configured_page("help"); }
void CMainWnd::sign_out(int, void*) { signInPage_.on_signed_out(); }
