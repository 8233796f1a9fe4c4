#include "ui/AntialiasedText.h"

#include <objidl.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "ui/FontInfo.h"
#include "ui/MultiLanguage.h"
#include "ui/ResourceTable.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

Gdiplus::Color gdiplus_color(DWORD argb) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)); }

void set_alignment(Gdiplus::StringFormat& format, UINT style) {
    if (style & DT_RIGHT) {
        format.SetAlignment(Gdiplus::StringAlignmentFar);
    } else if (style & DT_CENTER) {
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
    } else {
        format.SetAlignment(Gdiplus::StringAlignmentNear);
    }
    if (style & DT_BOTTOM) {
        format.SetLineAlignment(Gdiplus::StringAlignmentFar);
    } else if (style & DT_VCENTER) {
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    } else {
        format.SetLineAlignment(Gdiplus::StringAlignmentNear);
    }
    if (style & DT_SINGLELINE) format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
    if (style & DT_END_ELLIPSIS) format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
}

// The main brush: a solid colour, or a linear gradient to the second colour.
void fill_text(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font,
               const Gdiplus::RectF& area, const Gdiplus::StringFormat& format, const TTextLook& look) {
    const int length = static_cast<int>(text.size());
    if (look.second_color == kNoSecondTextColor) {
        Gdiplus::SolidBrush brush(gdiplus_color(look.color));
        graphics.DrawString(text.c_str(), length, &font, area, &format, &brush);
        return;
    }
    Gdiplus::RectF span = area;
    if (look.gradient_length > 0) span.Width = static_cast<Gdiplus::REAL>(look.gradient_length);
    Gdiplus::LinearGradientBrush brush(span, gdiplus_color(look.color), gdiplus_color(look.second_color),
                                       static_cast<Gdiplus::REAL>(look.gradient_angle));
    graphics.DrawString(text.c_str(), length, &font, area, &format, &brush);
}

// A soft glow: the text repeated around its place with a faint brush, as
// far out as the fuzziness reaches.
void draw_luminous(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font,
                   const Gdiplus::RectF& area, const Gdiplus::StringFormat& format, const TTextLook& look) {
    const int reach = std::max(1, static_cast<int>(std::lround(look.luminous_fuzziness)));
    Gdiplus::SolidBrush glow(Gdiplus::Color(48, static_cast<BYTE>(look.color >> 16),
                                            static_cast<BYTE>(look.color >> 8), static_cast<BYTE>(look.color)));
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            if (dx == 0 && dy == 0) continue;
            Gdiplus::RectF moved(area.X + dx, area.Y + dy, area.Width, area.Height);
            graphics.DrawString(text.c_str(), static_cast<int>(text.size()), &font, moved, &format, &glow);
        }
    }
}

void draw_shadow(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font,
                 const Gdiplus::RectF& area, const Gdiplus::StringFormat& format, const TTextLook& look) {
    Gdiplus::RectF moved(area.X + look.shadow_offset.x, area.Y + look.shadow_offset.y, area.Width, area.Height);
    Gdiplus::LinearGradientBrush brush(moved, gdiplus_color(look.shadow_color_a), gdiplus_color(look.shadow_color_b),
                                       Gdiplus::LinearGradientModeVertical);
    graphics.DrawString(text.c_str(), static_cast<int>(text.size()), &font, moved, &format, &brush);
}

void draw_stroke(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font,
                 const Gdiplus::RectF& area, const Gdiplus::StringFormat& format, const TTextLook& look) {
    Gdiplus::FontFamily family;
    if (font.GetFamily(&family) != Gdiplus::Ok) return;
    Gdiplus::GraphicsPath path;
    path.AddString(text.c_str(), static_cast<int>(text.size()), &family, font.GetStyle(), font.GetSize(), area,
                   &format);
    Gdiplus::Pen pen(gdiplus_color(look.stroke_color), 2.0f);
    pen.SetLineJoin(Gdiplus::LineJoinRound);
    graphics.DrawPath(&pen, &path);
}

// The renderer's font for a skin font: looked up by its face name, the way
// the system's font substitutions apply, at the same pixel size; the font
// handle itself only when the face is unknown to the renderer.
std::unique_ptr<Gdiplus::Font> renderer_font(HDC dc, const TFontInfo& info) {
    Gdiplus::FontFamily family(info.face.c_str());
    if (family.GetLastStatus() == Gdiplus::Ok) {
        int style = Gdiplus::FontStyleRegular;
        if (info.bold) style |= Gdiplus::FontStyleBold;
        if (info.italic) style |= Gdiplus::FontStyleItalic;
        if (info.underline) style |= Gdiplus::FontStyleUnderline;
        if (info.strikeout) style |= Gdiplus::FontStyleStrikeout;
        auto font = std::make_unique<Gdiplus::Font>(&family, static_cast<Gdiplus::REAL>(info.size), style,
                                                    Gdiplus::UnitPixel);
        if (font->GetLastStatus() == Gdiplus::Ok) return font;
    }
    auto font = std::make_unique<Gdiplus::Font>(dc, info.font.get());
    if (font->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return font;
}

}  // namespace

void draw_antialiased_text(HDC dc, CWindowManagerUI* manager, const RECT& rect, const std::wstring& text, int font,
                           UINT style, const TTextLook& look) {
    const std::wstring shown = substitute_multi_language(text);
    if (shown.empty() || rect.right <= rect.left || rect.bottom <= rect.top) return;
    const TFontInfo* info = manager ? manager->skin_font(font) : shared_resources().default_font();
    if (!info) return;

    Gdiplus::Graphics graphics(dc);
    graphics.SetTextRenderingHint(static_cast<Gdiplus::TextRenderingHint>(std::clamp(look.rendering_hint, 0, 5)));
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const std::unique_ptr<Gdiplus::Font> font_object = renderer_font(dc, *info);
    if (!font_object) return;
    const Gdiplus::Font& gdiplus_font = *font_object;
    Gdiplus::StringFormat format;
    set_alignment(format, style);
    const Gdiplus::RectF area(static_cast<Gdiplus::REAL>(rect.left), static_cast<Gdiplus::REAL>(rect.top),
                              static_cast<Gdiplus::REAL>(rect.right - rect.left),
                              static_cast<Gdiplus::REAL>(rect.bottom - rect.top));

    if (look.luminous) draw_luminous(graphics, shown, gdiplus_font, area, format, look);
    if (look.shadow) draw_shadow(graphics, shown, gdiplus_font, area, format, look);
    if (look.stroke) draw_stroke(graphics, shown, gdiplus_font, area, format, look);
    fill_text(graphics, shown, gdiplus_font, area, format, look);
}

}  // namespace ui
