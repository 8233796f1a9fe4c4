#include "app/MenuWnd.h"

#include <memory>
#include <string>
#include <type_traits>

#include "workers/MainWndCalls.h"
#include "support/Registry.h"
#include "ui/ButtonUI.h"
#include "ui/ControlUI.h"
#include "workers/SignInWorkers.h"

namespace {

const wchar_t kMenuTitle[] = L"菜单";
// Popup, visible, clip siblings and children, caption, system menu, sizing
// frame, minimise and maximise boxes; on_create takes the caption away.
const DWORD kMenuStyle = 0x96CF0000;
const int kMenuWidth = 110;
const int kMenuHeight = 185;

const wchar_t kAccountEntry[] = L"account_btn";

struct MenuDeleter {
  void operator()(HMENU menu) const { ::DestroyMenu(menu); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

}  // namespace

// Topmost, as drop-downs are: the system may restack the window beneath
// while the menu's surface becomes layered (Wine raises a window its old
// surface uncovered), and a click must still land on the menu.
HWND CMenuWnd::create_menu() { return create(nullptr, kMenuTitle, kMenuStyle, WS_EX_TOPMOST, 0, 0, 0, 0); }

LRESULT CMenuWnd::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
  // The menu goes as soon as anything else takes the focus.
  if (msg == WM_KILLFOCUS) close(0);
  return CSkinPopupWnd::handle_message(msg, wparam, lparam);
}

// The links and the sign-out run from the main window's call queue, after
// the menu's own loop has ended.
const NotifyRoute<CMenuWnd> CMenuWnd::kRoutes[] = {
    {nullptr, ui::kNotifyWindowInit, &CMenuWnd::on_menu_init},
    {kAccountEntry, ui::kNotifyClick, &CMenuWnd::close_menu},
    {L"go_website_btn", ui::kNotifyClick, &CMenuWnd::hand_over<&IMainWndCalls::open_home_page>},
    {L"go_qq_group_btn", ui::kNotifyClick, &CMenuWnd::hand_over<&IMainWndCalls::open_qq_group_page>},
    {L"go_help_btn", ui::kNotifyClick, &CMenuWnd::hand_over<&IMainWndCalls::open_help_page>},
    {L"signout_btn", ui::kNotifyClick, &CMenuWnd::hand_over<&IMainWndCalls::sign_out>},
};

void CMenuWnd::on_menu_init(ui::TNotify&) {
  RECT main{};
  ::GetWindowRect(mainWindow_, &main);
  ::SetWindowPos(hwnd(), nullptr, main.left + kMenuOffsetX, main.top + kMenuOffsetY, kMenuWidth, kMenuHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  std::wstring account;
  RegistryRead(HKEY_CURRENT_USER, kSettingsKey, kAccountValue, REG_SZ, account);
  if (ui::CControlUI* button = manager_.find_control(kAccountEntry)) {
    button->set_text(account);
    button->set_tooltip(account);
  }
}

void CMenuWnd::close_menu(ui::TNotify&) { close(0); }

template <void (IMainWndCalls::*call)(int, void*)>
void CMenuWnd::hand_over(ui::TNotify&) {
  if (g_mainWnd) g_mainWnd->post_call(g_mainWnd->native_handle(), call, 0, nullptr);
  close(0);
}

void CMenuWnd::notify(ui::TNotify& msg) { route_notify(*this, kRoutes, msg); }

void show_account_menu(HWND mainWindow) {
  {
    CMenuWnd menu(mainWindow);
    if (menu.create_menu()) menu.show_modal();
  }
  ::SetFocus(mainWindow);
}

namespace {

void raise_window(HWND window) {
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::BringWindowToTop(window);
  ::SetForegroundWindow(window);
}

UINT track_tray_menu(HWND mainWindow) {
  POINT at{};
  ::GetCursorPos(&at);
  MenuHandle menu(::CreatePopupMenu());
  if (!menu) return 0;
  ::AppendMenuW(menu.get(), MF_STRING, kTrayCommandShow, L"显示主窗口");
  ::AppendMenuW(menu.get(), MF_STRING, kTrayCommandExit, L"退出程序");
  // Without the foreground the popup would not close when the user clicks
  // elsewhere.
  ::SetForegroundWindow(mainWindow);
  const UINT command =
      static_cast<UINT>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD, at.x, at.y, 0, mainWindow, nullptr));
  // Lets the system finish the menu's focus change before anything else.
  ::PostMessageW(mainWindow, WM_NULL, 0, 0);
  return command;
}

}  // namespace

UINT on_tray_notify(HWND mainWindow, LPARAM mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      raise_window(mainWindow);
      return 0;
    case WM_RBUTTONDOWN:
      switch (track_tray_menu(mainWindow)) {
        case kTrayCommandShow:
          ::ShowWindow(mainWindow, SW_SHOWNORMAL);
          return 0;
        case kTrayCommandExit:
          return kTrayCommandExit;
        default:
          return 0;
      }
    default:
      return 0;
  }
}
