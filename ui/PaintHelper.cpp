#include "ui/PaintHelper.h"

#include <algorithm>

#include "ui/Color.h"
#include "ui/FontInfo.h"
#include "ui/GdiHandles.h"
#include "ui/ImageDescription.h"
#include "ui/ImageLoader.h"
#include "ui/MultiLanguage.h"
#include "ui/OffscreenBuffer.h"
#include "ui/ResourceTable.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

bool empty_rect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool meets(const RECT& a, const RECT& b) {
    RECT overlap;
    return ::IntersectRect(&overlap, &a, &b) != FALSE;
}

void blend(HDC dc, const RECT& to, HDC source, const RECT& from, BYTE constant_alpha) {
    BLENDFUNCTION function{AC_SRC_OVER, 0, constant_alpha, AC_SRC_ALPHA};
    ::AlphaBlend(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source, from.left, from.top,
                 from.right - from.left, from.bottom - from.top, function);
}

struct PieceDrawer {
    HDC dc;
    HDC source;
    const RECT& paint;
    bool alpha;
    BYTE fade;

    void draw(const RECT& to, const RECT& from) const {
        if (empty_rect(to) || empty_rect(from) || !meets(to, paint)) return;
        const int w = to.right - to.left, h = to.bottom - to.top;
        const int sw = from.right - from.left, sh = from.bottom - from.top;
        if (alpha || fade < 255) {
            blend(dc, to, source, from, fade);
        } else if (w == sw && h == sh) {
            ::BitBlt(dc, to.left, to.top, w, h, source, from.left, from.top, SRCCOPY);
        } else {
            const int previous = ::SetStretchBltMode(dc, COLORONCOLOR);
            ::StretchBlt(dc, to.left, to.top, w, h, source, from.left, from.top, sw, sh, SRCCOPY);
            ::SetStretchBltMode(dc, previous);
        }
    }

    // The centre piece: stretched, or repeated with tiles of the source's
    // size laid from the top-left, the last tile of a row or column cut.
    void draw_centre(const RECT& to, const RECT& from, bool xtiled, bool ytiled) const {
        const int tile_w = from.right - from.left, tile_h = from.bottom - from.top;
        if ((!xtiled && !ytiled) || tile_w <= 0 || tile_h <= 0) {
            draw(to, from);
            return;
        }
        const int step_x = xtiled ? tile_w : to.right - to.left;
        const int step_y = ytiled ? tile_h : to.bottom - to.top;
        if (step_x <= 0 || step_y <= 0) return;
        for (int y = to.top; y < to.bottom; y += step_y) {
            const int h = std::min<int>(step_y, to.bottom - y);
            for (int x = to.left; x < to.right; x += step_x) {
                const int w = std::min<int>(step_x, to.right - x);
                RECT piece{x, y, x + w, y + h};
                RECT part{from.left, from.top, xtiled ? from.left + w : from.right,
                          ytiled ? from.top + h : from.bottom};
                draw(piece, part);
            }
        }
    }
};

PenHandle make_pen(int style, int width, DWORD argb) {
    return PenHandle(::CreatePen(style, width, pen_color(argb)));
}

bool is_broken_style(int style) {
    return style == PS_DASH || style == PS_DOT || style == PS_DASHDOT || style == PS_DASHDOTDOT;
}

}  // namespace

void CPaintHelper::fill_color(HDC dc, const RECT& rect, DWORD argb) {
    if (color_alpha(argb) == 0 || empty_rect(rect)) return;
    COffscreenBuffer pixel;
    if (!pixel.create(dc, 1, 1)) return;
    pixel.bits()[0] = premultiplied_pixel(argb);
    blend(dc, rect, pixel.dc(), RECT{0, 0, 1, 1}, 255);
}

void CPaintHelper::fill_gradient(HDC dc, const RECT& rect, DWORD argb1, DWORD argb2, bool vertical, int /*steps*/) {
    const BYTE alpha = static_cast<BYTE>((color_alpha(argb1) + color_alpha(argb2)) / 2);
    if (alpha == 0 || empty_rect(rect)) return;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    COffscreenBuffer surface;
    if (!surface.create(dc, width, height)) return;
    TRIVERTEX vertices[2] = {
        {0, 0, static_cast<COLOR16>(color_red(argb1) << 8), static_cast<COLOR16>(color_green(argb1) << 8),
         static_cast<COLOR16>(color_blue(argb1) << 8), 0xFF00},
        {width, height, static_cast<COLOR16>(color_red(argb2) << 8), static_cast<COLOR16>(color_green(argb2) << 8),
         static_cast<COLOR16>(color_blue(argb2) << 8), 0xFF00},
    };
    GRADIENT_RECT span{0, 1};
    ::GradientFill(surface.dc(), vertices, 2, &span, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
    // The gradient is opaque in itself; its colours' alpha is applied as a
    // whole when it is blended onto the target.
    ::GdiFlush();
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) surface.bits()[i] |= 0xFF000000;
    blend(dc, rect, surface.dc(), RECT{0, 0, width, height}, alpha);
}

void CPaintHelper::draw_line(HDC dc, const RECT& from_to, int width, DWORD argb, int pen_style) {
    PenHandle pen = make_pen(pen_style, width, argb);
    SelectScope select(dc, pen.get());
    ::MoveToEx(dc, from_to.left, from_to.top, nullptr);
    ::LineTo(dc, from_to.right, from_to.bottom);
}

void CPaintHelper::draw_rect(HDC dc, const RECT& rect, int width, DWORD argb, int pen_style) {
    const bool cosmetic = width == 1 && is_broken_style(pen_style);
    PenHandle pen = make_pen(cosmetic || pen_style != PS_SOLID ? pen_style : PS_INSIDEFRAME, width, argb);
    SelectScope select_pen(dc, pen.get());
    SelectScope select_brush(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void CPaintHelper::draw_round_rect(HDC dc, const RECT& rect, int width, int ellipse_width, int ellipse_height,
                                   DWORD argb, int pen_style) {
    PenHandle pen = make_pen(pen_style == PS_SOLID ? PS_INSIDEFRAME : pen_style, width, argb);
    SelectScope select_pen(dc, pen.get());
    SelectScope select_brush(dc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, ellipse_width, ellipse_height);
}

bool CPaintHelper::draw_image(HDC dc, CWindowManagerUI* manager, const RECT& control, const RECT& paint,
                              CImageDescriptionCache& image) {
    if (image.empty()) return false;
    if (!image.parsed()) {
        image.parse();
        const TImageDescription& d = image.description();
        std::shared_ptr<TImageInfo> loaded;
        if (manager) {
            loaded = manager->skin_image_ex(d.name, d.res_type, d.mask, d.hsl);
        } else {
            loaded = load_image(d.name, d.res_type, d.mask);
        }
        image.set_result(std::move(loaded));
    }
    if (image.failed()) return false;
    if (!dc) return true;

    const TImageDescription& d = image.description();
    const TImageInfo& info = *image.image();
    RECT dest = control;
    if (d.has_dest) {
        dest = RECT{control.left + d.dest.left, control.top + d.dest.top,
                    std::min<LONG>(control.left + d.dest.right, control.right),
                    std::min<LONG>(control.top + d.dest.bottom, control.bottom)};
    }
    if (!meets(dest, control) || !meets(dest, paint)) return true;

    RECT source{0, 0, info.width, info.height};
    if (d.has_source) {
        source = RECT{std::max<LONG>(d.source.left, 0), std::max<LONG>(d.source.top, 0),
                      std::min<LONG>(d.source.right, info.width), std::min<LONG>(d.source.bottom, info.height)};
    }
    draw_image_pieces(dc, info, dest, paint, source, d.corner, d.fade, d.hole, d.xtiled, d.ytiled);
    return true;
}

void CPaintHelper::draw_image_pieces(HDC dc, const TImageInfo& image, const RECT& dest, const RECT& paint,
                                     const RECT& source, const RECT& corner, BYTE fade, bool hole, bool xtiled,
                                     bool ytiled) {
    MemoryDc memory(dc);
    SelectScope select(memory.get(), image.bitmap.get());
    const PieceDrawer drawer{dc, memory.get(), paint, image.alpha, fade};
    const LONG l = corner.left, t = corner.top, r = corner.right, b = corner.bottom;
    if (l == 0 && t == 0 && r == 0 && b == 0) {
        drawer.draw_centre(dest, source, xtiled, ytiled);
        return;
    }
    if (!hole) {
        drawer.draw_centre(RECT{dest.left + l, dest.top + t, dest.right - r, dest.bottom - b},
                           RECT{source.left + l, source.top + t, source.right - r, source.bottom - b}, xtiled,
                           ytiled);
    }
    // Corners keep their size; edges stretch along their length.
    drawer.draw(RECT{dest.left, dest.top, dest.left + l, dest.top + t},
                RECT{source.left, source.top, source.left + l, source.top + t});
    drawer.draw(RECT{dest.right - r, dest.top, dest.right, dest.top + t},
                RECT{source.right - r, source.top, source.right, source.top + t});
    drawer.draw(RECT{dest.left, dest.bottom - b, dest.left + l, dest.bottom},
                RECT{source.left, source.bottom - b, source.left + l, source.bottom});
    drawer.draw(RECT{dest.right - r, dest.bottom - b, dest.right, dest.bottom},
                RECT{source.right - r, source.bottom - b, source.right, source.bottom});
    drawer.draw(RECT{dest.left + l, dest.top, dest.right - r, dest.top + t},
                RECT{source.left + l, source.top, source.right - r, source.top + t});
    drawer.draw(RECT{dest.left + l, dest.bottom - b, dest.right - r, dest.bottom},
                RECT{source.left + l, source.bottom - b, source.right - r, source.bottom});
    drawer.draw(RECT{dest.left, dest.top + t, dest.left + l, dest.bottom - b},
                RECT{source.left, source.top + t, source.left + l, source.bottom - b});
    drawer.draw(RECT{dest.right - r, dest.top + t, dest.right, dest.bottom - b},
                RECT{source.right - r, source.top + t, source.right, source.bottom - b});
}

void CPaintHelper::draw_text(HDC dc, CWindowManagerUI* manager, RECT& rect, const std::wstring& text, DWORD argb,
                             int font, UINT style) {
    const std::wstring shown = substitute_multi_language(text);
    const TFontInfo* info = manager ? manager->skin_font(font) : shared_resources().default_font();
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, pen_color(argb));
    SelectScope select(dc, info ? info->font.get() : nullptr);
    ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &rect, style | DT_NOPREFIX);
}

}  // namespace ui
