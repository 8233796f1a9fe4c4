#pragma once
// The frame of a borderless skin window: its rounded outline, and which of
// its points drag it like a caption.
#include <windows.h>

#include "ui/NativeWindow.h"
#include "ui/WindowManagerUI.h"

// Cuts the window to a rounded rectangle with the given corner size; does
// nothing while the window is minimised or when the corner size is 0 x 0.
void set_round_region(HWND hwnd, SIZE corner);

// HTCAPTION where the point lies in the manager's caption rectangle over a
// control that window.is_drag_control accepts, else HTCLIENT.
LRESULT caption_hit_test(const ui::CNativeWindow& window, const ui::CWindowManagerUI& manager, POINT screen);
