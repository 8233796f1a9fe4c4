#include "ui/TooltipWindow.h"

#include <commctrl.h>

namespace ui {
namespace {

TOOLINFOW tool_for(HWND owner, std::wstring& text) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(owner);
    tool.lpszText = text.data();
    return tool;
}

}  // namespace

void CTooltipWindow::show(HWND owner, const std::wstring& text, POINT screen_point, int max_width) {
    if (!hwnd_) {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&init);
        hwnd_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                  nullptr, nullptr);
        if (!hwnd_) return;
        owner_ = owner;
        text_ = text;
        TOOLINFOW tool = tool_for(owner_, text_);
        ::SendMessageW(hwnd_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    text_ = text;
    TOOLINFOW tool = tool_for(owner_, text_);
    ::SendMessageW(hwnd_, TTM_SETMAXTIPWIDTH, 0, max_width);
    ::SendMessageW(hwnd_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(hwnd_, TTM_TRACKPOSITION, 0, MAKELPARAM(screen_point.x, screen_point.y));
    ::SendMessageW(hwnd_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void CTooltipWindow::hide() {
    if (!hwnd_) return;
    TOOLINFOW tool = tool_for(owner_, text_);
    ::SendMessageW(hwnd_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

void CTooltipWindow::destroy() {
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

UINT CTooltipWindow::initial_delay() const {
    return static_cast<UINT>(::SendMessageW(hwnd_, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
}

}  // namespace ui
