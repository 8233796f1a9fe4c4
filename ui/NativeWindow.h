#pragma once

#include <windows.h>

namespace ui {

class CControlUI;

// The base of every window class: registers the window class, binds the
// native window to this object and forwards its messages to
// handle_message(), and runs the modal message loop.
class CNativeWindow {
public:
    CNativeWindow() = default;
    // A window still open when its object goes away falls back to the
    // default procedure instead of reaching a dead object.
    virtual ~CNativeWindow();
    CNativeWindow(const CNativeWindow&) = delete;
    CNativeWindow& operator=(const CNativeWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

    // Registers the class when needed and creates the window; none on failure.
    HWND create(HWND parent, const wchar_t* title, DWORD style, DWORD ex_style, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT);

    // Shows the window and runs its message loop until it is gone; returns
    // the value given to close().
    int show_modal();
    int show_modal(bool visible, bool take_focus);
    // Posts the close message with result as its wparam.
    void close(int result = IDOK);
    // Centres on the owner, or on the nearest monitor's work area.
    void center();
    void set_icon(UINT resource_id);
    void show(bool visible = true, bool take_focus = true);

    LRESULT send_message(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
    bool post_message(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);

    // Whether pressing on this control drags the window: not for no
    // control, nor when the control or an ancestor has control flags.
    virtual bool is_drag_control(CControlUI* control) const;

protected:
    virtual const wchar_t* window_class_name() const = 0;
    // A class to copy (superclass) instead of registering a fresh one.
    virtual const wchar_t* super_class_name() const { return nullptr; }
    virtual UINT class_style() const { return 0; }
    virtual LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam);
    // Called after the native window is gone.
    virtual void on_final_message(HWND hwnd) { (void)hwnd; }

private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    bool register_window_class();
    bool register_super_class();
    int run_modal_loop();

    HWND hwnd_ = nullptr;
    WNDPROC previous_proc_ = ::DefWindowProcW;
    bool superclassed_ = false;
    int modal_result_ = 0;
};

}  // namespace ui
