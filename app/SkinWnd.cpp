#include "app/SkinWnd.h"

#include <cwchar>

#include "ui/ControlUI.h"

LRESULT CSkinWnd::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_CREATE:
      on_create();
      return 0;
    case WM_NCCALCSIZE:
      return 0;
    case WM_NCHITTEST:
      return on_nc_hit_test(POINT{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
    case WM_NCLBUTTONDBLCLK:
      return 0;
    default:
      break;
  }
  LRESULT result = 0;
  if (manager_.handle_window_message(msg, wparam, lparam, result)) return result;
  return ui::CNativeWindow::handle_message(msg, wparam, lparam);
}

void CSkinWnd::on_create() {
  const LONG style = ::GetWindowLongW(hwnd(), GWL_STYLE);
  ::SetWindowLongW(hwnd(), GWL_STYLE, (style & ~settings_.removedStyle) | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
  manager_.bind_window(hwnd());
  if (settings_.presetCaptionHeight) manager_.set_caption_rect(RECT{0, 0, 0, settings_.presetCaptionHeight});
  ui::CSkinBuilder builder;
  ui::CControlUI* root = builder.build(settings_.skin, settings_.customControls, &manager_);
  if (!root) return;
  manager_.attach_root(root);
  manager_.add_listener(settings_.listener);
}

LRESULT CSkinWnd::on_nc_hit_test(POINT screen) const {
  POINT point = screen;
  ::ScreenToClient(hwnd(), &point);
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  const RECT caption = manager_.caption_rect();
  if (point.x < client.left + caption.left || point.x >= client.right - caption.right || point.y < caption.top ||
      point.y >= caption.bottom) {
    return HTCLIENT;
  }
  return drags(manager_.find_control_at(point)) ? HTCAPTION : HTCLIENT;
}

bool CSkinWnd::drags(ui::CControlUI* control) const {
  switch (settings_.drag) {
    case CaptionDrag::kAllButButtons:
      return control && std::wcscmp(control->class_name(), L"Button") != 0;
    case CaptionDrag::kDragControls:
      return is_drag_control(control);
  }
  return false;
}
