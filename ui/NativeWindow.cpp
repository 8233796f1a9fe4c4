#include "ui/NativeWindow.h"

#include "ui/ControlUI.h"
#include "ui/SkinResources.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

// A superclassed window keeps its object in a property, since the copied
// class may already use the window's user data.
constexpr const wchar_t* kWindowProperty = L"SkinWindow";

HINSTANCE program_instance() {
    HINSTANCE module = instance();
    return module ? module : ::GetModuleHandleW(nullptr);
}

int rounded_icon_size(int metric) { return (::GetSystemMetrics(metric) + 15) & ~15; }

}  // namespace

CNativeWindow::~CNativeWindow() {
    if (!hwnd_ || !::IsWindow(hwnd_)) return;
    if (superclassed_) {
        ::RemovePropW(hwnd_, kWindowProperty);
    } else {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    }
}

HWND CNativeWindow::create(HWND parent, const wchar_t* title, DWORD style, DWORD ex_style, int x, int y, int cx,
                           int cy) {
    const bool registered = super_class_name() ? register_super_class() : register_window_class();
    if (!registered) return nullptr;
    superclassed_ = super_class_name() != nullptr;
    return ::CreateWindowExW(ex_style, window_class_name(), title, style, x, y, cx, cy, parent, nullptr,
                             program_instance(), this);
}

bool CNativeWindow::register_window_class() {
    WNDCLASSW wc{};
    wc.style = class_style();
    wc.lpfnWndProc = &CNativeWindow::window_proc;
    wc.hInstance = program_instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = window_class_name();
    return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CNativeWindow::register_super_class() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(nullptr, super_class_name(), &wc) &&
        !::GetClassInfoExW(program_instance(), super_class_name(), &wc)) {
        return false;
    }
    previous_proc_ = wc.lpfnWndProc;
    wc.lpfnWndProc = &CNativeWindow::window_proc;
    wc.hInstance = program_instance();
    wc.lpszClassName = window_class_name();
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

LRESULT CALLBACK CNativeWindow::window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    CNativeWindow* window = nullptr;
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        window = static_cast<CNativeWindow*>(create->lpCreateParams);
        window->hwnd_ = hwnd;
        if (window->superclassed_) {
            ::SetPropW(hwnd, kWindowProperty, window);
        } else {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        }
    } else {
        window = static_cast<CNativeWindow*>(::GetPropW(hwnd, kWindowProperty));
        if (!window) window = reinterpret_cast<CNativeWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!window) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
    if (msg == WM_NCDESTROY) {
        const LRESULT result = ::CallWindowProcW(window->previous_proc_, hwnd, msg, wparam, lparam);
        if (window->superclassed_) {
            ::RemovePropW(hwnd, kWindowProperty);
        } else {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        }
        window->hwnd_ = nullptr;
        window->on_final_message(hwnd);
        return result;
    }
    return window->handle_message(msg, wparam, lparam);
}

LRESULT CNativeWindow::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
    return ::CallWindowProcW(previous_proc_, hwnd_, msg, wparam, lparam);
}

int CNativeWindow::show_modal() {
    if (!hwnd_) return modal_result_;
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    return run_modal_loop();
}

int CNativeWindow::show_modal(bool visible, bool take_focus) {
    if (!hwnd_) return modal_result_;
    show(visible, take_focus);
    return run_modal_loop();
}

int CNativeWindow::run_modal_loop() {
    HWND window = hwnd_;
    HWND owner = ::GetWindow(window, GW_OWNER);
    if (owner) ::EnableWindow(owner, FALSE);
    MSG msg{};
    bool quit = false;
    while (::IsWindow(window)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            break;
        }
        if (got == -1) break;
        if (msg.message == WM_CLOSE && msg.hwnd == window) {
            modal_result_ = static_cast<int>(msg.wParam);
            if (owner) {
                ::EnableWindow(owner, TRUE);
                ::SetFocus(owner);
            }
        }
        if (!CWindowManagerUI::pre_translate(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (owner) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
    return modal_result_;
}

void CNativeWindow::close(int result) {
    if (!hwnd_ || !::IsWindow(hwnd_)) return;
    modal_result_ = result;
    ::PostMessageW(hwnd_, WM_CLOSE, static_cast<WPARAM>(result), 0);
}

void CNativeWindow::center() {
    if (!hwnd_) return;
    RECT window{};
    ::GetWindowRect(hwnd_, &window);
    HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;
    RECT centre_on = work;
    if (owner && !::IsIconic(owner)) ::GetWindowRect(owner, &centre_on);
    const int w = window.right - window.left, h = window.bottom - window.top;
    int x = (centre_on.left + centre_on.right) / 2 - w / 2;
    int y = (centre_on.top + centre_on.bottom) / 2 - h / 2;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    ::SetWindowPos(hwnd_, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CNativeWindow::set_icon(UINT resource_id) {
    if (!hwnd_) return;
    // Shared icons are owned by the system; nothing to free afterwards.
    auto load = [&](int cx, int cy) {
        return static_cast<HICON>(::LoadImageW(program_instance(), MAKEINTRESOURCEW(resource_id), IMAGE_ICON, cx,
                                               cy, LR_DEFAULTCOLOR | LR_SHARED));
    };
    if (HICON big_icon = load(rounded_icon_size(SM_CXICON), rounded_icon_size(SM_CYICON))) {
        ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon));
    }
    if (HICON small_icon = load(rounded_icon_size(SM_CXSMICON), rounded_icon_size(SM_CYSMICON))) {
        ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
    }
}

void CNativeWindow::show(bool visible, bool take_focus) {
    if (!hwnd_) return;
    ::ShowWindow(hwnd_, visible ? (take_focus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

LRESULT CNativeWindow::send_message(UINT msg, WPARAM wparam, LPARAM lparam) {
    return ::SendMessageW(hwnd_, msg, wparam, lparam);
}

bool CNativeWindow::post_message(UINT msg, WPARAM wparam, LPARAM lparam) {
    return ::PostMessageW(hwnd_, msg, wparam, lparam) != FALSE;
}

bool CNativeWindow::is_drag_control(CControlUI* control) const {
    if (!control) return false;
    for (CControlUI* c = control; c; c = c->parent()) {
        if (c->control_flags() != 0) return false;
    }
    return true;
}

}  // namespace ui
