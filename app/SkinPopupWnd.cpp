#include "app/SkinPopupWnd.h"

#include <cwchar>

#include "ui/ControlUI.h"
#include "ui/SkinBuilder.h"

LRESULT on_nc_hit_test(HWND hwnd, const ui::CWindowManagerUI& manager, POINT screen) {
  POINT point = screen;
  ::ScreenToClient(hwnd, &point);
  RECT client{};
  ::GetClientRect(hwnd, &client);
  const RECT caption = manager.caption_rect();
  if (point.x < client.left + caption.left || point.x >= client.right - caption.right || point.y < caption.top ||
      point.y >= caption.bottom) {
    return HTCLIENT;
  }
  ui::CControlUI* control = manager.find_control_at(point);
  if (!control || std::wcscmp(control->class_name(), L"Button") == 0) return HTCLIENT;
  return HTCAPTION;
}

LRESULT CSkinPopupWnd::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_CREATE:
      on_create();
      return 0;
    case WM_NCCALCSIZE:
      return 0;
    case WM_NCHITTEST:
      return on_nc_hit_test(hwnd(), manager_, POINT{static_cast<short>(LOWORD(lparam)),
                                                    static_cast<short>(HIWORD(lparam))});
    case WM_NCACTIVATE:
      // Nothing to draw in the non-client area; a deactivation must still be
      // allowed to happen (FALSE would refuse it).
      return wparam == FALSE ? TRUE : FALSE;
    case WM_NCLBUTTONDBLCLK:
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) close(0);
      return 0;
    case WM_SYSCOMMAND:
      return on_sys_command(wparam, lparam);
    default:
      break;
  }
  LRESULT result = 0;
  if (manager_.handle_window_message(msg, wparam, lparam, result)) return result;
  return ui::CNativeWindow::handle_message(msg, wparam, lparam);
}

void CSkinPopupWnd::on_create() {
  const LONG style = ::GetWindowLongW(hwnd(), GWL_STYLE);
  ::SetWindowLongW(hwnd(), GWL_STYLE, (style & ~WS_CAPTION) | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
  manager_.bind_window(hwnd());
  // The skin's own caption value replaces this preset.
  manager_.set_caption_rect(RECT{0, 0, 0, 35});
  ui::CSkinBuilder builder;
  ui::CControlUI* root = builder.build(skin_, nullptr, &manager_);
  if (!root) return;
  manager_.attach_root(root);
  manager_.add_listener(this);
}

LRESULT CSkinPopupWnd::on_sys_command(WPARAM command, LPARAM lparam) {
  switch (command & 0xFFF0) {
    case SC_CLOSE:
      close(0);
      return 0;
    case SC_KEYMENU:
      return 0;
    default:
      return ::DefWindowProcW(hwnd(), WM_SYSCOMMAND, command, lparam);
  }
}
