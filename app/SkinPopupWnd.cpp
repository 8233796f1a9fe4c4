#include "app/SkinPopupWnd.h"

namespace {

const LONG kPresetCaptionHeight = 35;

}  // namespace

CSkinPopupWnd::CSkinPopupWnd(const wchar_t* skin)
    : CSkinWnd(SkinWndSettings{skin, nullptr, this, WS_CAPTION, kPresetCaptionHeight, CaptionDrag::kAllButButtons}) {}

LRESULT CSkinPopupWnd::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_NCACTIVATE:
      // Nothing to draw in the non-client area; a deactivation must still be
      // allowed to happen (FALSE would refuse it).
      return wparam == FALSE ? TRUE : FALSE;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) close(0);
      return 0;
    case WM_SYSCOMMAND:
      return on_sys_command(wparam, lparam);
    default:
      return CSkinWnd::handle_message(msg, wparam, lparam);
  }
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
