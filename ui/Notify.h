#pragma once

#include <windows.h>

#include <string>

namespace ui {

class CControlUI;

// A notification for a window's listeners ("click", "windowinit", ...).
struct TNotify {
    std::wstring type;
    std::wstring virtual_window;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;
    POINT point{};
    WPARAM wparam = 0;
    LPARAM lparam = 0;
};

class INotifyListener {
public:
    virtual void notify(TNotify& msg) = 0;

protected:
    ~INotifyListener() = default;
};

// Sees every window message before the manager routes it (rich edits).
class IMessageFilter {
public:
    virtual LRESULT message_filter(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) = 0;

protected:
    ~IMessageFilter() = default;
};

// The notification types the toolkit raises itself.
inline constexpr const wchar_t* kNotifyWindowInit = L"windowinit";
inline constexpr const wchar_t* kNotifySetFocus = L"setfocus";
inline constexpr const wchar_t* kNotifyKillFocus = L"killfocus";
inline constexpr const wchar_t* kNotifyTimer = L"timer";
inline constexpr const wchar_t* kNotifyMenu = L"menu";
inline constexpr const wchar_t* kNotifyTabSelect = L"tabselect";

}  // namespace ui
