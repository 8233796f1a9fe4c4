#pragma once

#include <windows.h>

namespace ui {

class CControlUI;

// The events the window manager hands to controls.
enum UiEventType : int {
    kEventKeyDown = 3,
    kEventKeyUp = 4,
    kEventChar = 5,
    kEventSysKey = 6,
    kEventMouseMove = 9,
    kEventMouseLeave = 10,
    kEventMouseEnter = 11,
    kEventMouseHover = 12,
    kEventButtonDown = 13,
    kEventButtonUp = 14,
    kEventRButtonDown = 15,
    kEventRButtonUp = 16,
    kEventDoubleClick = 17,
    kEventContextMenu = 18,
    kEventScrollWheel = 19,
    kEventKillFocus = 21,
    kEventSetFocus = 22,
    kEventWindowSize = 23,
    kEventSetCursor = 24,
    kEventTimer = 25,
};

// Key state bits of an event.
enum UiKeyState : WORD {
    kKeyStateLButton = 1,
    kKeyStateRButton = 2,
    kKeyStateShift = 4,
    kKeyStateControl = 8,
    kKeyStateAlt = 32,
};

struct UiEvent {
    int type = 0;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;
    POINT point{};  // client coordinates, last known
    WORD key = 0;
    WORD key_state = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
};

}  // namespace ui
