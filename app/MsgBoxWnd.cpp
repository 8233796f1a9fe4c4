#include "app/MsgBoxWnd.h"

#include <cwchar>
#include <utility>

#include "app/WindowFrame.h"
#include "ui/ButtonUI.h"
#include "ui/ControlUI.h"
#include "ui/LabelUI.h"

namespace {

const wchar_t kTitle[] = L"Orvane盒子";
// Visible, clip siblings, clip children, caption; created hidden and shown
// without activation by the modal loop, so the owner keeps the activation.
const DWORD kBoxStyle = 0x16C00000 & ~WS_VISIBLE;

void set_button(ui::CControlUI* button, bool shown, const std::wstring& text) {
  if (!button) return;
  button->set_visible(shown);
  if (shown) button->set_text(text);
}

}  // namespace

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

CMsgBoxWnd::CMsgBoxWnd(std::wstring text, int kind, std::wstring okText, std::wstring cancelText)
    : text_(std::move(text)), kind_(kind), okText_(std::move(okText)), cancelText_(std::move(cancelText)) {}

HWND CMsgBoxWnd::create_box(HWND owner) { return create(owner, kTitle, kBoxStyle, 0, 0, 0, 1090, 644); }

LRESULT CMsgBoxWnd::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_CREATE:
      on_create();
      return 0;
    case WM_SIZE:
      on_size();
      break;
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

void CMsgBoxWnd::on_create() {
  const LONG style = ::GetWindowLongW(hwnd(), GWL_STYLE);
  ::SetWindowLongW(hwnd(), GWL_STYLE, (style & ~WS_CAPTION) | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
  manager_.bind_window(hwnd());
  // The skin's own caption value replaces this: the whole box drags.
  manager_.set_caption_rect(RECT{0, 0, 0, 35});
  ui::CSkinBuilder builder;
  ui::CControlUI* root = builder.build(L"msgbox.xml", nullptr, &manager_);
  if (!root) return;
  manager_.attach_root(root);
  manager_.add_listener(this);
}

void CMsgBoxWnd::on_size() { set_round_region(hwnd(), manager_.round_corner()); }

LRESULT CMsgBoxWnd::on_sys_command(WPARAM command, LPARAM lparam) {
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

void CMsgBoxWnd::on_msgbox_init() {
  center();
  if (ui::CControlUI* text = manager_.find_control(L"msgbox_text")) text->set_text(text_);
  set_button(manager_.find_control(L"msgbox_ok"), kind_ == kMsgBoxOk || kind_ == kMsgBoxOkCancel, okText_);
  set_button(manager_.find_control(L"msgbox_cancel"), kind_ == kMsgBoxOkCancel, cancelText_);
}

void CMsgBoxWnd::notify(ui::TNotify& msg) {
  if (msg.type == ui::kNotifyWindowInit) {
    on_msgbox_init();
  } else if (msg.type == ui::kNotifyClick && msg.sender) {
    if (msg.sender->name() == L"msgbox_ok") close(1);
    if (msg.sender->name() == L"msgbox_cancel") close(0);
  }
}

int show_message_box(HWND owner, const std::wstring& text, int kind, const std::wstring& okText,
                     const std::wstring& cancelText) {
  CMsgBoxWnd box(text, kind, okText, cancelText);
  if (!box.create_box(owner)) return 0;
  return box.show_modal(true, false);
}
