#pragma once
// A real window on the test display that hosts a skin, for the tests of the
// controls: it builds the skin, records the notifications its controls
// raise, drives the mouse and the keyboard, and reads back the pixels of
// its last painted frame.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "ui/ButtonUI.h"
#include "ui/LabelUI.h"
#include "ui/NativeWindow.h"
#include "ui/RichEditUI.h"
#include "ui/SkinBuilder.h"
#include "ui/SpinnerUI.h"
#include "ui/WindowManagerUI.h"

struct RecordedNotify {
    std::wstring type;
    std::wstring sender;
    WPARAM wparam;
};

class TestSkinWindow : public ui::CNativeWindow, public ui::INotifyListener {
public:
    TestSkinWindow() = default;
    ~TestSkinWindow() override {
        if (hwnd()) ::DestroyWindow(hwnd());
    }

    // source: markup (wrapped in a "Window" element unless it is one) or a
    // skin file name. The window is a popup at (left, top) on the screen.
    bool open(const std::wstring& source, int width, int height, int left = 100, int top = 100) {
        // Not activated, also not by clicks: Wine on a display without a
        // window manager takes two seconds to hide an active window.
        if (!create(nullptr, L"Orvane control test", WS_POPUP | WS_CLIPCHILDREN, WS_EX_NOACTIVATE, left, top, width,
                    height)) {
            return false;
        }
        manager.bind_window(hwnd());
        std::wstring skin = source;
        if (source[0] == L'<' && source.rfind(L"<Window", 0) != 0) skin = L"<Window>" + source + L"</Window>";
        ui::CSkinBuilder builder;
        ui::CControlUI* root = builder.build(skin, nullptr, &manager);
        if (!root) return false;
        manager.attach_root(root);
        manager.add_listener(this);
        ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
        redraw();
        return true;
    }

    template <typename Control = ui::CControlUI>
    Control* find(const std::wstring& name) {
        return static_cast<Control*>(manager.find_control(name));
    }

    // Lays out and paints the whole window now.
    void redraw() {
        manager.invalidate_all();
        ::UpdateWindow(hwnd());
        pump();
    }
    // Paints what is pending (layout included).
    void update() {
        ::UpdateWindow(hwnd());
    }
    DWORD pixel(int x, int y) const { return manager.offscreen().pixel(x, y); }
    bool save(const char* name) const {
        const char* folder = std::getenv("ORVANE_SCREENSHOT_DIR");
        if (!folder) return false;
        const ui::COffscreenBuffer& frame = manager.offscreen();
        return WriteScreenshot(std::string(folder) + "/" + name, frame.bits(), frame.width(), frame.height());
    }

    // Runs every message already waiting, then returns.
    static void pump() {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (ui::CWindowManagerUI::pre_translate(&msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    // Runs messages until the condition holds or the limit passes (a
    // safety net against a hang, not a speed requirement).
    template <typename Condition>
    static bool pump_until(Condition condition, DWORD limit_ms = 10000) {
        const DWORD start = ::GetTickCount();
        while (!condition()) {
            if (::GetTickCount() - start > limit_ms) return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            pump();
        }
        return true;
    }
    static void pump_for(DWORD ms) {
        const DWORD start = ::GetTickCount();
        pump_until([&] { return ::GetTickCount() - start >= ms; }, ms + 1000);
    }

    // Input as the system delivers it: the real pointer is moved, buttons
    // and keys go through the system's input queue.
    void move_to(int x, int y) {
        POINT screen{x, y};
        ::ClientToScreen(hwnd(), &screen);
        ::SetCursorPos(screen.x, screen.y);
        pump_until([&] { return same_point(manager.mouse_pos(), POINT{x, y}); }, 2000);
        pump();
    }
    void press() { send_mouse(MOUSEEVENTF_LEFTDOWN); }
    void release() { send_mouse(MOUSEEVENTF_LEFTUP); }
    void click(int x, int y) {
        move_to(x, y);
        press();
        release();
    }

    // Keyboard messages posted to this window, as the focused window would
    // receive them.
    void post_key(UINT vk) {
        ::PostMessageW(hwnd(), WM_KEYDOWN, vk, 1);
        ::PostMessageW(hwnd(), WM_KEYUP, vk, 0xC0000001);
        pump();
    }
    void post_chars(const std::wstring& text) {
        for (wchar_t ch : text) ::PostMessageW(hwnd(), WM_CHAR, ch, 1);
        pump();
    }

    // Notifications of one type from the control of that name.
    int count(const std::wstring& type, const std::wstring& sender) const {
        int n = 0;
        for (const RecordedNotify& r : notifications) n += (r.type == type && r.sender == sender) ? 1 : 0;
        return n;
    }

    void notify(ui::TNotify& msg) override {
        notifications.push_back(RecordedNotify{msg.type, msg.sender ? msg.sender->name() : L"", msg.wparam});
    }

    ui::CWindowManagerUI manager;
    std::vector<RecordedNotify> notifications;

protected:
    const wchar_t* window_class_name() const override { return L"OrvaneControlTest"; }
    UINT class_style() const override { return CS_DBLCLKS; }
    LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override {
        LRESULT result = 0;
        if (manager.handle_window_message(msg, wparam, lparam, result)) return result;
        return ui::CNativeWindow::handle_message(msg, wparam, lparam);
    }

private:
    static bool same_point(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }
    void send_mouse(DWORD flags) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        ::SendInput(1, &input, sizeof(input));
        pump_for(50);
    }
};
