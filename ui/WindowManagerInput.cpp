// How a window's messages reach its controls: mouse, keyboard, focus,
// timers, tooltips and the keyboard pre-handling of the modal loops.
#include <cwchar>
#include <cwctype>
#include <utility>

#include <windowsx.h>

#include "ui/ControlUI.h"
#include "ui/MultiLanguage.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

POINT point_of(LPARAM lparam) { return POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }

bool is_mouse_message(UINT msg) {
    return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_MOUSEHOVER || msg == WM_MOUSELEAVE ||
           msg == WM_CONTEXTMENU;
}

// The shortcut walk: the first visible control with the character; a
// label's shortcut leads to the next visible control after it.
struct ShortcutWalk {
    wchar_t ch;
    bool after_label;
};

CControlUI* match_shortcut(CControlUI* control, void* data) {
    auto* walk = static_cast<ShortcutWalk*>(data);
    if (!control->is_visible()) return nullptr;
    if (walk->after_label) return control;
    if (std::towupper(control->shortcut()) != walk->ch) return nullptr;
    if (std::wcsstr(control->class_name(), L"Label")) {
        walk->after_label = true;
        return nullptr;
    }
    return control;
}

}  // namespace

bool CWindowManagerUI::pre_translate(MSG* msg) {
    if (!msg || !msg->hwnd) return false;
    const auto& list = managers();
    const bool child = (::GetWindowLongW(msg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        CWindowManagerUI* manager = *it;
        if (!manager->hwnd_) continue;
        const bool mine = child ? (manager->hwnd_ == msg->hwnd || ::IsChild(manager->hwnd_, msg->hwnd))
                                : manager->hwnd_ == msg->hwnd;
        if (!mine) continue;
        if (manager->translate_keyboard(*msg)) return true;
        if (!child) return false;
    }
    return false;
}

bool CWindowManagerUI::translate_keyboard(const MSG& msg) {
    switch (msg.message) {
    case WM_KEYDOWN:
        if (msg.wParam != VK_TAB) return false;
        if (focused_ && focused_->is_visible() && focused_->is_enabled() && focused_->wants_tab()) return false;
        set_next_tab_control(::GetKeyState(VK_SHIFT) >= 0);
        return true;
    case WM_SYSKEYDOWN:
        send_event(focused_, kEventSysKey, msg.wParam, msg.lParam, static_cast<WORD>(msg.wParam));
        return false;
    case WM_SYSCHAR: {
        if (!root_) return false;
        ShortcutWalk walk{static_cast<wchar_t>(std::towupper(static_cast<wint_t>(msg.wParam))), false};
        CControlUI* target =
            root_->find_control(match_shortcut, &walk, kFindEnabled | kFindMeFirst | kFindTopFirst);
        if (!target) return false;
        target->set_focus();
        target->activate();
        return true;
    }
    default:
        return false;
    }
}

bool CWindowManagerUI::handle_window_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (!hwnd_) return false;
    for (IMessageFilter* filter : std::vector<IMessageFilter*>(message_filters_)) {
        bool handled = false;
        const LRESULT answer = filter->message_filter(msg, wparam, lparam, handled);
        if (!handled) continue;
        if (is_mouse_message(msg)) {
            POINT point = point_of(lparam);
            if (msg == WM_MOUSEWHEEL || msg == WM_CONTEXTMENU) ::ScreenToClient(hwnd_, &point);
            last_mouse_ = point;
        }
        result = answer;
        return true;
    }
    return route_message(msg, wparam, lparam, result);
}

bool CWindowManagerUI::route_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (layered_) {
        switch (msg) {
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            result = 0;
            return true;
        case WM_NCACTIVATE:
            if (::IsIconic(hwnd_)) break;
            result = wparam == 0 ? TRUE : FALSE;
            return true;
        default:
            break;
        }
    }
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        on_paint();
        result = 0;
        return true;
    case WM_PRINTCLIENT:
        if (root_) {
            RECT client{};
            ::GetClientRect(hwnd_, &client);
            root_->paint(reinterpret_cast<HDC>(wparam), client, nullptr);
        }
        result = 0;
        return true;
    case WM_SIZE:
        send_event(focused_, kEventWindowSize);
        if (root_) root_->need_update();
        if (layered_) invalidate_all();
        return false;
    case WM_TIMER:
        if (!on_timer(wparam)) return false;
        result = 0;
        return true;
    case WM_MOUSEMOVE:
        on_mouse_move(point_of(lparam));
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
        on_button_down(msg, wparam, point_of(lparam));
        return false;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        on_button_up(msg, wparam, point_of(lparam));
        return false;
    case WM_CONTEXTMENU: {
        POINT point = point_of(lparam);
        ::ScreenToClient(hwnd_, &point);
        last_mouse_ = point;
        CControlUI* control = find_control_at(point);
        if (!control || control->manager() != this) return false;
        send_event(control, kEventContextMenu, wparam, lparam);
        return false;
    }
    case WM_MOUSEWHEEL:
        on_mouse_wheel(wparam, lparam);
        return false;
    case WM_MOUSEHOVER:
        on_mouse_hover();
        return false;
    case WM_MOUSELEAVE:
        on_mouse_leave();
        return false;
    case WM_KEYDOWN:
        send_event(focused_, kEventKeyDown, wparam, lparam, static_cast<WORD>(wparam));
        key_down_ = focused_;
        return false;
    case WM_KEYUP:
        send_event(key_down_, kEventKeyUp, wparam, lparam, static_cast<WORD>(wparam));
        key_down_ = nullptr;
        return false;
    case WM_CHAR:
        send_event(focused_, kEventChar, wparam, lparam, static_cast<WORD>(wparam));
        return false;
    case WM_SETCURSOR:
        if (!on_set_cursor(lparam)) return false;
        result = TRUE;
        return true;
    case WM_MOUSEACTIVATE:
        if (!no_activate_) return false;
        result = MA_NOACTIVATE;
        return true;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
        if (min_info_.cx > 0) info->ptMinTrackSize.x = min_info_.cx;
        if (min_info_.cy > 0) info->ptMinTrackSize.y = min_info_.cy;
        if (max_info_.cx > 0) info->ptMaxTrackSize.x = max_info_.cx;
        if (max_info_.cy > 0) info->ptMaxTrackSize.y = max_info_.cy;
        return false;
    }
    case WM_CLOSE:
        on_close();
        return false;
    case WM_DESTROY:
        // The window's drawing context and tooltip go with the window.
        tooltip_.destroy();
        if (paint_dc_) ::ReleaseDC(hwnd_, std::exchange(paint_dc_, nullptr));
        return false;
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        // Reflected to the child window the message comes from.
        HWND child = reinterpret_cast<HWND>(lparam);
        if (!child) return false;
        result = ::SendMessageW(child, msg + 0x2000, wparam, lparam);
        return true;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        if (!header || !header->hwndFrom) return false;
        result = ::SendMessageW(header->hwndFrom, msg + 0x2000, wparam, lparam);
        return true;
    }
    case kAsyncNotifyMessage:
        deliver_async_notifications();
        result = 0;
        return true;
    default:
        return false;
    }
}

void CWindowManagerUI::start_mouse_tracking() {
    if (mouse_tracking_) return;
    TRACKMOUSEEVENT track{sizeof(track), TME_HOVER | TME_LEAVE, hwnd_,
                          tooltip_.exists() ? tooltip_.initial_delay() : hover_time_};
    mouse_tracking_ = ::TrackMouseEvent(&track) != FALSE;
}

void CWindowManagerUI::on_mouse_move(POINT point) {
    start_mouse_tracking();
    last_mouse_ = point;
    CControlUI* control = find_control_at(point);
    if (control && control->manager() != this) return;
    if (!mouse_captured_ && control != hot_) {
        const std::vector<CControlUI*> waiting = std::move(mouse_leave_needed_);
        mouse_leave_needed_.clear();
        for (CControlUI* leaving : waiting) send_event(leaving, kEventMouseLeave);
        if (hot_) send_event(hot_, kEventMouseLeave);
        tooltip_.hide();
        if (control) send_event(control, kEventMouseEnter);
        hot_ = control;
    }
    if (captured_) {
        send_event(captured_, kEventMouseMove);
    } else if (control) {
        send_event(control, kEventMouseMove);
    }
}

void CWindowManagerUI::on_button_down(UINT msg, WPARAM wparam, POINT point) {
    if (!no_activate_) ::SetFocus(hwnd_);
    last_mouse_ = point;
    CControlUI* control = find_control_at(point);
    if (!control || control->manager() != this) return;
    const WORD key = static_cast<WORD>(wparam);
    if (msg == WM_LBUTTONDOWN) {
        control->set_focus();
        captured_ = control;
        capture();
        send_event(control, kEventButtonDown, wparam, 0, key);
    } else if (msg == WM_LBUTTONDBLCLK) {
        captured_ = control;
        capture();
        send_event(control, kEventDoubleClick, wparam, 0, key);
    } else {
        control->set_focus();
        send_event(control, kEventRButtonDown, wparam, 0, key);
        captured_ = control;
    }
}

void CWindowManagerUI::on_button_up(UINT msg, WPARAM wparam, POINT point) {
    last_mouse_ = point;
    CControlUI* control = std::exchange(captured_, nullptr);
    if (msg == WM_LBUTTONUP) {
        if (!control) return;
        release_capture();
        send_event(control, kEventButtonUp, wparam, 0, static_cast<WORD>(wparam));
    } else {
        send_event(control, kEventRButtonUp, wparam, 0, static_cast<WORD>(wparam));
    }
}

void CWindowManagerUI::on_mouse_wheel(WPARAM wparam, LPARAM lparam) {
    if (::GetFocus() != hwnd_) return;
    POINT point = point_of(lparam);
    ::ScreenToClient(hwnd_, &point);
    CControlUI* control = find_control_at(point);
    if (!control || control->manager() != this) return;
    const bool towards_user = GET_WHEEL_DELTA_WPARAM(wparam) < 0;
    send_event(control, kEventScrollWheel, towards_user ? 1 : 0, 0, GET_KEYSTATE_WPARAM(wparam));
    ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(last_mouse_.x, last_mouse_.y));
}

void CWindowManagerUI::on_mouse_hover() {
    if (!hot_) return;
    send_event(hot_, kEventMouseHover);
    if (!hot_) return;
    const std::wstring text = substitute_multi_language(hot_->tooltip());
    if (text.empty()) return;
    POINT screen = last_mouse_;
    ::ClientToScreen(hwnd_, &screen);
    tooltip_.show(hwnd_, text, screen, hot_->tooltip_width());
}

void CWindowManagerUI::on_mouse_leave() {
    tooltip_.hide();
    if (mouse_tracking_) {
        POINT point{-1, -1};
        POINT cursor{};
        RECT client{};
        ::GetCursorPos(&cursor);
        ::ScreenToClient(hwnd_, &cursor);
        ::GetClientRect(hwnd_, &client);
        if (::GetActiveWindow() == hwnd_ && !::IsIconic(hwnd_) && ::PtInRect(&client, cursor)) point = cursor;
        ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
    }
    mouse_tracking_ = false;
}

bool CWindowManagerUI::on_set_cursor(LPARAM lparam) {
    if (LOWORD(lparam) != HTCLIENT) return false;
    if (mouse_captured_) return true;
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::ScreenToClient(hwnd_, &cursor);
    CControlUI* control = find_control_at(cursor);
    if (!control || !(control->control_flags() & kFlagSetCursor)) return false;
    send_event(control, kEventSetCursor);
    return true;
}

void CWindowManagerUI::on_close() {
    send_event(std::exchange(hot_, nullptr), kEventMouseLeave);
    send_event(std::exchange(captured_, nullptr), kEventButtonUp);
    set_focused_control(nullptr, false);
    if (::GetActiveWindow() == hwnd_) {
        HWND owner = ::GetWindow(hwnd_, GW_OWNER);
        if (!owner) owner = ::GetParent(hwnd_);
        if (owner) ::SetFocus(owner);
    }
    tooltip_.destroy();
}

bool CWindowManagerUI::on_timer(UINT_PTR native_id) {
    if (native_id == kLayeredTimerId) {
        if (layered_ && !::IsRectEmpty(&layered_dirty_) && !::IsIconic(hwnd_)) on_layered_timer();
        return true;
    }
    CControlUI* control = nullptr;
    UINT id = 0;
    if (!timers_.find(native_id, control, id)) return false;
    send_event(control, kEventTimer, id, 0);
    return true;
}

}  // namespace ui
