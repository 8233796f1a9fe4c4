#pragma once

#include <windows.h>

#include <vector>

namespace ui {

class CControlUI;

// Native timer id reserved for the layered repaint.
inline constexpr UINT_PTR kLayeredTimerId = 8192;

// The control timers of one window. Each (control, id) pair owns a native
// timer with an id below 255, so they never meet the layered timer; a
// killed timer keeps its record and restarts with the same native id.
class CControlTimers {
public:
    explicit CControlTimers(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    ~CControlTimers() { clear(); }
    CControlTimers(const CControlTimers&) = delete;
    CControlTimers& operator=(const CControlTimers&) = delete;

    void set_window(HWND hwnd) { hwnd_ = hwnd; }

    // False when the timer is already running or the native timer fails.
    bool set(CControlUI* control, UINT id, UINT elapse_ms);
    bool kill(CControlUI* control, UINT id);
    // Stops and forgets every timer of the control.
    void kill_all(CControlUI* control);
    // Stops and forgets every timer.
    void clear();

    // The live timer behind a native id: its control and user id.
    bool find(UINT_PTR native_id, CControlUI*& control, UINT& id) const;

private:
    struct Record {
        CControlUI* control;
        UINT id;
        UINT_PTR native_id;
        bool killed;
    };

    HWND hwnd_;
    std::vector<Record> records_;
    UINT_PTR next_native_id_ = 0;
};

}  // namespace ui
