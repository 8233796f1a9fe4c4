#include "app/MsgBoxWnd.h"

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

CMsgBoxWnd::CMsgBoxWnd(std::wstring text, int kind, std::wstring okText, std::wstring cancelText)
    : CSkinPopupWnd(L"msgbox.xml"),
      text_(std::move(text)), kind_(kind), okText_(std::move(okText)), cancelText_(std::move(cancelText)) {}

HWND CMsgBoxWnd::create_box(HWND owner) { return create(owner, kTitle, kBoxStyle, 0, 0, 0, 1090, 644); }

LRESULT CMsgBoxWnd::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
  // Rounded corners; the manager then lays the box out.
  if (msg == WM_SIZE) set_round_region(hwnd(), manager_.round_corner());
  return CSkinPopupWnd::handle_message(msg, wparam, lparam);
}

const NotifyRoute<CMsgBoxWnd> CMsgBoxWnd::kRoutes[] = {
    {nullptr, ui::kNotifyWindowInit, &CMsgBoxWnd::on_msgbox_init},
    {L"msgbox_ok", ui::kNotifyClick, &CMsgBoxWnd::on_ok_click},
    {L"msgbox_cancel", ui::kNotifyClick, &CMsgBoxWnd::on_cancel_click},
};

void CMsgBoxWnd::on_msgbox_init(ui::TNotify&) {
  center();
  if (ui::CControlUI* text = manager_.find_control(L"msgbox_text")) text->set_text(text_);
  set_button(manager_.find_control(L"msgbox_ok"), kind_ == kMsgBoxOk || kind_ == kMsgBoxOkCancel, okText_);
  set_button(manager_.find_control(L"msgbox_cancel"), kind_ == kMsgBoxOkCancel, cancelText_);
}

void CMsgBoxWnd::on_ok_click(ui::TNotify&) { close(1); }
void CMsgBoxWnd::on_cancel_click(ui::TNotify&) { close(0); }

void CMsgBoxWnd::notify(ui::TNotify& msg) { route_notify(*this, kRoutes, msg); }

int show_message_box(HWND owner, const std::wstring& text, int kind, const std::wstring& okText,
                     const std::wstring& cancelText) {
  CMsgBoxWnd box(text, kind, okText, cancelText);
  if (!box.create_box(owner)) return 0;
  return box.show_modal(true, false);
}
