#pragma once
// A real top-level window driven by a window manager, for the toolkit tests
// on the test display: it builds a skin (snippet or file) at creation,
// records every notification, and pumps its messages on request.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "LayoutFixture.h"
#include "ui/NativeWindow.h"
#include "ui/Notify.h"
#include "ui/SkinBuilder.h"
#include "ui/WindowManagerUI.h"

class TestWindow : public ui::CNativeWindow, public ui::INotifyListener {
public:
    // source: a skin file name, or a snippet of controls wrapped in a
    // "Window" element with these attributes.
    TestWindow(std::wstring source, std::wstring window_attributes = L"size=\"200,200\"")
        : source_(std::move(source)), window_attributes_(std::move(window_attributes)) {}
    ~TestWindow() override {
        if (!hwnd()) return;
        ::ShowWindow(hwnd(), SW_HIDE);
        ::DestroyWindow(hwnd());
    }

    // Shown without activation: Wine on a display without a window manager
    // takes two seconds to hide or destroy an active window.
    bool open(int width = 200, int height = 200, bool visible = true) {
        if (!create(nullptr, L"Orvane toolkit test", WS_POPUP, 0, 0, 0, width, height)) return false;
        if (visible) ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
        return true;
    }

    // Handles what is waiting, then paints what is invalid.
    void pump() {
        MSG msg;
        for (int round = 0; round < 3; ++round) {
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!ui::CWindowManagerUI::pre_translate(&msg)) {
                    ::TranslateMessage(&msg);
                    ::DispatchMessageW(&msg);
                }
            }
            if (hwnd()) ::UpdateWindow(hwnd());
        }
    }

    // Pumps until the condition holds or about five seconds have passed.
    bool pump_until(const std::function<bool()>& condition) {
        for (int i = 0; i < 500 && !condition(); ++i) {
            pump();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return condition();
    }

    int count(const std::wstring& type) const {
        int n = 0;
        for (const ui::TNotify& note : notes) n += note.type == type ? 1 : 0;
        return n;
    }

    void notify(ui::TNotify& msg) override {
        notes.push_back(msg);
        if (on_notify) on_notify(msg);
    }

    ui::CWindowManagerUI manager;
    std::vector<ui::TNotify> notes;
    std::function<void(ui::TNotify&)> on_notify;
    StandInControls stand_ins;

protected:
    const wchar_t* window_class_name() const override { return L"OrvaneToolkitTestWindow"; }
    UINT class_style() const override { return CS_DBLCLKS; }

    LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override {
        if (msg == WM_CREATE) {
            manager.bind_window(hwnd());
            const std::wstring skin = source_[0] == L'<'
                                          ? L"<Window " + window_attributes_ + L">" + source_ + L"</Window>"
                                          : source_;
            ui::CSkinBuilder builder;
            if (ui::CControlUI* root = builder.build(skin, &stand_ins, &manager)) {
                manager.attach_root(root);
                manager.add_listener(this);
            }
            return 0;
        }
        LRESULT result = 0;
        if (manager.handle_window_message(msg, wparam, lparam, result)) return result;
        return CNativeWindow::handle_message(msg, wparam, lparam);
    }

private:
    std::wstring source_;
    std::wstring window_attributes_;
};
