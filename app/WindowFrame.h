#pragma once
// The rounded outline of a borderless skin window.
#include <windows.h>

// Cuts the window to a rounded rectangle with the given corner size; does
// nothing while the window is minimised or when the corner size is 0 x 0.
void set_round_region(HWND hwnd, SIZE corner);
