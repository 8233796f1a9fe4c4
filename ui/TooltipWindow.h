#pragma once

#include <windows.h>

#include <string>

namespace ui {

// The common-controls tooltip of one window: created on first use (owned by
// the window, tracking, absolute positioning) and destroyed with this object
// or by destroy().
class CTooltipWindow {
public:
    CTooltipWindow() = default;
    ~CTooltipWindow() { destroy(); }
    CTooltipWindow(const CTooltipWindow&) = delete;
    CTooltipWindow& operator=(const CTooltipWindow&) = delete;

    // Shows text at a screen point, at most max_width pixels wide.
    void show(HWND owner, const std::wstring& text, POINT screen_point, int max_width);
    void hide();
    void destroy();

    bool exists() const { return hwnd_ != nullptr; }
    // The delay before the tooltip shows, in milliseconds.
    UINT initial_delay() const;

private:
    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    std::wstring text_;
};

}  // namespace ui
