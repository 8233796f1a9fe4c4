// How a rich edit takes its input: the window's mouse and keyboard
// messages it filters for its engine, Enter, the input method, the
// self-drawn caret of layered windows and the context menu.
#include <windowsx.h>

#include "ui/RichEditUI.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

constexpr UINT kMenuCopy = 1;
constexpr UINT kMenuPaste = 2;

bool is_ime_message(UINT msg) {
    return msg == WM_IME_STARTCOMPOSITION || msg == WM_IME_ENDCOMPOSITION || msg == WM_IME_COMPOSITION ||
           msg == WM_IME_CHAR || msg == WM_IME_REQUEST || msg == WM_IME_SETCONTEXT || msg == WM_IME_NOTIFY;
}

}  // namespace

void CRichEditUI::on_caret_tick() {
    if (!manager_ || !host_ || !is_focused() || ::GetFocus() != manager_->hwnd()) return;
    caret_on_ = !caret_on_;
    manager_->invalidate(host_->caret_rect());
}

void CRichEditUI::show_context_menu(POINT point) {
    if (!manager_) return;
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return;
    ::AppendMenuW(menu, MF_STRING, kMenuCopy, L"复制(&C)");
    ::AppendMenuW(menu, MF_STRING, kMenuPaste, L"粘贴(&P)");
    ::ClientToScreen(manager_->hwnd(), &point);
    const UINT chosen = static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                                           point.x, point.y, 0, manager_->hwnd(), nullptr));
    ::DestroyMenu(menu);
    if (chosen == kMenuCopy) copy();
    if (chosen == kMenuPaste) paste();
}

bool CRichEditUI::over_text(POINT point) const {
    const RECT area = text_area();
    return ::PtInRect(&area, point) && manager_ && manager_->find_control_at(point) == this;
}

bool CRichEditUI::enter_goes_to_engine() const {
    return want_return_ && (::GetKeyState(VK_CONTROL) >= 0 || want_ctrl_return_);
}

LRESULT CRichEditUI::to_engine(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
    LRESULT result = 0;
    handled = host_->services()->TxSendMessage(msg, wparam, lparam, &result) == S_OK;
    return result;
}

LRESULT CRichEditUI::message_filter(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
    if (!has_engine() || !manager_ || !is_visible() || !is_enabled()) return 0;
    if ((msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST)) return filter_mouse(msg, wparam, lparam, handled);
    if (!is_focused()) return 0;
    return filter_keyboard(msg, wparam, lparam, handled);
}

LRESULT CRichEditUI::filter_mouse(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
    POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!over_text(point)) return 0;
        if (!manager_->is_no_activate()) ::SetFocus(manager_->hwnd());
        set_focus();
        selecting_ = msg == WM_LBUTTONDOWN;
        const LRESULT result = to_engine(msg, wparam, lparam, handled);
        handled = true;
        return result;
    }
    case WM_MOUSEMOVE: {
        if (!selecting_ && !over_text(point)) return 0;
        const LRESULT result = to_engine(msg, wparam, lparam, handled);
        // Outside a drag the window still tracks the mouse (hot controls).
        handled = selecting_;
        return result;
    }
    case WM_LBUTTONUP: {
        if (!selecting_) return 0;
        selecting_ = false;
        const LRESULT result = to_engine(msg, wparam, lparam, handled);
        handled = true;
        return result;
    }
    case WM_MOUSEWHEEL: {
        if (!(GET_KEYSTATE_WPARAM(wparam) & MK_CONTROL)) return 0;
        ::ScreenToClient(manager_->hwnd(), &point);
        if (!over_text(point)) return 0;
        return to_engine(msg, wparam, lparam, handled);
    }
    default:
        return 0;
    }
}

LRESULT CRichEditUI::filter_keyboard(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
    switch (msg) {
    case WM_KEYDOWN:
        if (wparam == VK_RETURN && !enter_goes_to_engine()) {
            handled = true;
            manager_->send_notification(this, kNotifyReturn, 0, 0, false);
            return 0;
        }
        if (wparam == VK_TAB && !want_tab_) return 0;
        return to_engine(msg, wparam, lparam, handled);
    case WM_CHAR:
        // Enter was answered at its key-down; its character must not reach
        // the text either (Ctrl+Enter types a line feed).
        if ((wparam == L'\r' || wparam == L'\n') && !enter_goes_to_engine()) {
            handled = true;
            return 0;
        }
        if (wparam == L'\t' && !want_tab_) return 0;
        return to_engine(msg, wparam, lparam, handled);
    case WM_KEYUP:
        return to_engine(msg, wparam, lparam, handled);
    default:
        if (!is_ime_message(msg)) return 0;
        if (msg == WM_IME_STARTCOMPOSITION || msg == WM_IME_COMPOSITION) place_input_method();
        return to_engine(msg, wparam, lparam, handled);
    }
}

// The input method's composition window follows the caret.
void CRichEditUI::place_input_method() {
    HWND hwnd = manager_->hwnd();
    HIMC context = ::ImmGetContext(hwnd);
    if (!context) return;
    const RECT caret = host_->caret_rect();
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = POINT{caret.left, caret.top};
    ::ImmSetCompositionWindow(context, &form);
    ::ImmReleaseContext(hwnd, context);
}

}  // namespace ui
