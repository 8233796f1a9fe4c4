#pragma once

#include <windows.h>

namespace ui {

// Starts the anti-aliasing drawing library for a window manager's life.
// Returns the token to stop it with; 0 when it could not start.
ULONG_PTR start_gdiplus();
void stop_gdiplus(ULONG_PTR token);

}  // namespace ui
