#pragma once

#include <windows.h>

#include <string>

namespace ui {

class CWindowManagerUI;

// A second text colour of this value means "no gradient".
inline constexpr DWORD kNoSecondTextColor = 0xFFFFFFFF;

// How the anti-aliasing renderer draws a text: brush, quality and the
// optional decorations drawn underneath it.
struct TTextLook {
    DWORD color = 0xFF000000;
    DWORD second_color = kNoSecondTextColor;  // gradient end colour
    int gradient_length = 0;                  // 0: the whole text area
    int gradient_angle = 0;                   // degrees
    int rendering_hint = 4;                   // a TextRenderingHint value, 0-5
    bool luminous = false;
    double luminous_fuzziness = 3.0;
    bool stroke = false;
    DWORD stroke_color = 0;
    bool shadow = false;
    DWORD shadow_color_a = 0xFF000000;
    DWORD shadow_color_b = 0xFFFFFFFF;
    POINT shadow_offset{};
};

// Draws text with the anti-aliasing drawing library (GDI+) inside rect,
// with the manager's font of that index and the alignment of a text style
// (left/center/right, top/vcenter/bottom, single line, end ellipsis).
// "%{n}" placeholders are replaced first; empty text draws nothing.
void draw_antialiased_text(HDC dc, CWindowManagerUI* manager, const RECT& rect, const std::wstring& text, int font,
                           UINT style, const TTextLook& look);

}  // namespace ui
