#pragma once

#include <windows.h>

#include <string>

namespace ui {

class CWindowManagerUI;
class CImageDescriptionCache;
struct TImageInfo;

// Text style values of the platform's formatted text drawing.
enum TextStyle : UINT {
    kTextLeft = DT_LEFT,
    kTextCenter = DT_CENTER,
    kTextRight = DT_RIGHT,
    kTextTop = DT_TOP,
    kTextVCenter = DT_VCENTER,
    kTextBottom = DT_BOTTOM,
    kTextWordBreak = DT_WORDBREAK,
    kTextSingleLine = DT_SINGLELINE,
    kTextCalcRect = DT_CALCRECT,
    kTextEndEllipsis = DT_END_ELLIPSIS,
};

// The drawing operations of every control. All of them draw into a 32-bit
// top-down buffer and keep its alpha channel meaningful (fills and images
// are alpha-blended) so that layered windows can present it as is.
class CPaintHelper {
public:
    // Alpha 00 draws nothing, FF covers, anything between blends.
    static void fill_color(HDC dc, const RECT& rect, DWORD argb);
    // Top to bottom when vertical, else left to right; blended with the
    // average alpha of the two colours (0 draws nothing).
    static void fill_gradient(HDC dc, const RECT& rect, DWORD argb1, DWORD argb2, bool vertical, int steps);

    // Pens ignore alpha; pen_style is a PS_ value.
    static void draw_line(HDC dc, const RECT& from_to, int width, DWORD argb, int pen_style);
    static void draw_rect(HDC dc, const RECT& rect, int width, DWORD argb, int pen_style);
    static void draw_round_rect(HDC dc, const RECT& rect, int width, int ellipse_width, int ellipse_height,
                                DWORD argb, int pen_style);

    // Draws a described image for a control. The first call parses the
    // description and fetches the image through the manager; a failure is
    // remembered and every later call returns false at once. Without a
    // context the call only loads.
    static bool draw_image(HDC dc, CWindowManagerUI* manager, const RECT& control, const RECT& paint,
                           CImageDescriptionCache& image);

    // Draws a whole image record into dest from source, nine-patch aware.
    static void draw_image_pieces(HDC dc, const TImageInfo& image, const RECT& dest, const RECT& paint,
                                  const RECT& source, const RECT& corner, BYTE fade, bool hole, bool xtiled,
                                  bool ytiled);

    // Formatted text with the manager's font of that index ("%{n}" replaced
    // from the multi-language table, "&" shown as is). With kTextCalcRect
    // rect receives the measured rectangle and nothing is drawn.
    static void draw_text(HDC dc, CWindowManagerUI* manager, RECT& rect, const std::wstring& text, DWORD argb,
                          int font, UINT style);
};

}  // namespace ui
