#pragma once

#include <windows.h>

namespace ui {

// Colours are 32-bit ARGB (AARRGGBB). 0 means "no colour" for backgrounds
// and borders.
inline BYTE color_alpha(DWORD argb) { return static_cast<BYTE>(argb >> 24); }
inline BYTE color_red(DWORD argb) { return static_cast<BYTE>(argb >> 16); }
inline BYTE color_green(DWORD argb) { return static_cast<BYTE>(argb >> 8); }
inline BYTE color_blue(DWORD argb) { return static_cast<BYTE>(argb); }

// Pens and text ignore alpha. Black is drawn as blue 1: GDI leaves the
// alpha byte of pure black pixels untouched, and the layered presentation
// treats a zero pixel as transparent, so black text would vanish there.
inline COLORREF pen_color(DWORD argb) {
    if ((argb & 0x00FFFFFF) == 0) return RGB(0, 0, 1);
    return RGB(color_red(argb), color_green(argb), color_blue(argb));
}

// One pixel of a 32-bit top-down section: BGRA with premultiplied alpha.
inline DWORD premultiplied_pixel(DWORD argb) {
    const DWORD a = color_alpha(argb);
    const DWORD r = color_red(argb) * a / 255;
    const DWORD g = color_green(argb) * a / 255;
    const DWORD b = color_blue(argb) * a / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace ui
