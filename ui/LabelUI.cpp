#include "ui/LabelUI.h"

#include <algorithm>
#include <cwchar>

#include "ui/AttributeValues.h"
#include "ui/Color.h"
#include "ui/FontInfo.h"
#include "ui/GdiHandles.h"
#include "ui/PaintHelper.h"
#include "ui/ResourceTable.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

bool contains(const std::wstring& value, const wchar_t* word) { return value.find(word) != std::wstring::npos; }

// "align" and "valign" test the words in order; the last match wins.
UINT horizontal_style(const std::wstring& value, UINT style) {
    const UINT mask = DT_LEFT | DT_CENTER | DT_RIGHT;
    if (contains(value, L"left")) style = (style & ~mask) | DT_LEFT;
    if (contains(value, L"center")) style = (style & ~mask) | DT_CENTER;
    if (contains(value, L"right")) style = (style & ~mask) | DT_RIGHT;
    return style;
}

UINT vertical_style(const std::wstring& value, UINT style) {
    const UINT mask = DT_TOP | DT_VCENTER | DT_BOTTOM;
    if (contains(value, L"top")) style = (style & ~mask) | DT_TOP;
    if (contains(value, L"vcenter")) style = (style & ~mask) | DT_VCENTER;
    if (contains(value, L"bottom")) style = (style & ~mask) | DT_BOTTOM;
    return style;
}

RECT shrunk(const RECT& r, const RECT& margins) {
    return RECT{r.left + margins.left, r.top + margins.top, r.right - margins.right, r.bottom - margins.bottom};
}

}  // namespace

const wchar_t* CLabelUI::class_name() const { return L"Label"; }

void* CLabelUI::interface_of(const std::wstring& name) {
    if (name == L"Label") return this;
    return CControlUI::interface_of(name);
}

void CLabelUI::set_text(const std::wstring& text) {
    if (text == text_) return;
    size_dirty_ = true;
    CControlUI::set_text(text);
}

void CLabelUI::set_text_style(UINT style) {
    text_style_ = style;
    size_dirty_ = true;
    invalidate();
}

void CLabelUI::set_text_color(DWORD argb) {
    if (color_alpha(argb) == 0 && (argb & 0x00FFFFFF) != 0) argb |= 0xFF000000;
    text_color_ = argb;
    invalidate();
}

void CLabelUI::set_disabled_text_color(DWORD argb) {
    disabled_text_color_ = argb;
    invalidate();
}

void CLabelUI::set_disabled_bk_color(DWORD argb) {
    disabled_bk_color_ = argb;
    invalidate();
}

void CLabelUI::set_font(int index) {
    font_ = index;
    size_dirty_ = true;
    invalidate();
}

void CLabelUI::set_text_margins(const RECT& margins) {
    text_margins_ = margins;
    size_dirty_ = true;
    invalidate();
}

void CLabelUI::set_multiline(bool multiline) {
    if (multiline) {
        set_text_style((text_style_ | DT_WORDBREAK) & ~DT_SINGLELINE);
    } else {
        set_text_style((text_style_ | DT_SINGLELINE) & ~DT_WORDBREAK);
    }
}

void CLabelUI::set_show_html(bool show) {
    show_html_ = show;
    invalidate();
}

void CLabelUI::set_effect_mode(bool on) {
    effect_mode_ = on;
    size_dirty_ = true;
    invalidate();
}

void CLabelUI::apply_attribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"align") {
        set_text_style(horizontal_style(value, text_style_));
    } else if (name == L"valign") {
        set_text_style(vertical_style(value, text_style_));
    } else if (name == L"endellipsis") {
        set_text_style(parse_bool(value) ? (text_style_ | DT_END_ELLIPSIS) : (text_style_ & ~DT_END_ELLIPSIS));
    } else if (name == L"font") {
        set_font(parse_int(value));
    } else if (name == L"textcolor") {
        set_text_color(parse_color(value));
    } else if (name == L"disabledtextcolor") {
        set_disabled_text_color(parse_color(value));
    } else if (name == L"disabledbkcolor") {
        set_disabled_bk_color(parse_color(value));
    } else if (name == L"textpadding") {
        set_text_margins(parse_rect(value));
    } else if (name == L"multiline") {
        set_multiline(parse_bool(value));
    } else if (name == L"showhtml") {
        set_show_html(parse_bool(value));
    } else if (name == L"enabledeffect") {
        set_effect_mode(parse_bool(value));
    } else if (name == L"rhaa") {
        look_.rendering_hint = parse_int(value);
    } else if (name == L"enabledluminous") {
        look_.luminous = parse_bool(value);
    } else if (name == L"luminousfuzzy") {
        look_.luminous_fuzziness = std::max(0.0001, std::wcstod(value.c_str(), nullptr));
    } else if (name == L"enabledstroke") {
        look_.stroke = parse_bool(value);
    } else if (name == L"strokecolor") {
        look_.stroke_color = parse_color(value);
    } else if (name == L"enabledshadow") {
        look_.shadow = parse_bool(value);
    } else if (name == L"textshadowcolora") {
        look_.shadow_color_a = parse_color(value);
    } else if (name == L"textshadowcolorb") {
        look_.shadow_color_b = parse_color(value);
    } else if (name == L"shadowoffset") {
        const SIZE offset = parse_size(value);
        look_.shadow_offset = POINT{offset.cx, offset.cy};
    } else if (name == L"gradientangle") {
        look_.gradient_angle = parse_int(value);
    } else if (name == L"gradientlength") {
        look_.gradient_length = parse_int(value);
    } else if (name == L"textcolor1") {
        look_.second_color = parse_color(value);
    } else {
        CControlUI::apply_attribute(name, value);
    }
}

SIZE CLabelUI::estimate_size(SIZE available) {
    if (fixed_size_.cx > 0 && fixed_size_.cy > 0) return fixed_size_;
    if (size_dirty_ || (is_multiline() && available.cx != last_available_.cx)) {
        measured_ = measure(available);
        last_available_ = available;
        size_dirty_ = false;
    }
    return measured_;
}

SIZE CLabelUI::measure(SIZE available) const {
    const RECT& m = text_margins_;
    MemoryDc dc;
    SIZE size{};
    if (is_multiline()) {
        size.cx = fixed_size_.cx > 0 ? fixed_size_.cx : available.cx;
        if (fixed_size_.cy > 0) {
            size.cy = fixed_size_.cy;
        } else {
            RECT area{0, 0, size.cx - m.left - m.right, 0};
            CPaintHelper::draw_text(dc.get(), manager_, area, text_, 0, font_,
                                    (text_style_ & ~DT_SINGLELINE) | DT_WORDBREAK | DT_CALCRECT);
            size.cy = area.bottom - area.top + m.top + m.bottom;
        }
    } else {
        if (fixed_size_.cy > 0) {
            size.cy = fixed_size_.cy;
        } else {
            const TFontInfo* info = manager_ ? manager_->skin_font(font_) : shared_resources().default_font();
            size.cy = (info ? info->metrics.tmHeight : 0) + 8 + m.top + m.bottom;
        }
        if (fixed_size_.cx > 0) {
            size.cx = fixed_size_.cx;
        } else {
            RECT area{0, 0, 9999, 9999};
            CPaintHelper::draw_text(dc.get(), manager_, area, text_, 0, font_, text_style_ | DT_CALCRECT);
            size.cx = area.right - area.left + m.left + m.right;
        }
    }
    // The anti-aliasing renderer sets text a little wider.
    if (effect_mode_) size.cx = static_cast<LONG>(size.cx * 1.03);
    return size;
}

DWORD CLabelUI::effective_text_color() const {
    if (text_color_ != 0) return text_color_;
    return manager_ ? manager_->default_font_color() : kDefaultFontColor;
}

DWORD CLabelUI::effective_disabled_text_color() const {
    if (disabled_text_color_ != 0) return disabled_text_color_;
    return manager_ ? manager_->disabled_font_color() : kDefaultDisabledColor;
}

void CLabelUI::paint_bk_color(HDC dc) {
    if (!is_enabled() && disabled_bk_color_ != 0) {
        CPaintHelper::fill_color(dc, rect_, disabled_bk_color_);
        return;
    }
    CControlUI::paint_bk_color(dc);
}

void CLabelUI::paint_text(HDC dc) {
    draw_label_text(dc, is_enabled() ? effective_text_color() : effective_disabled_text_color(), true);
}

void CLabelUI::draw_label_text(HDC dc, DWORD color, bool with_gradient) {
    if (text_.empty()) return;
    RECT area = shrunk(rect_, text_margins_);
    if (!effect_mode_) {
        CPaintHelper::draw_text(dc, manager_, area, text_, color, font_, text_style_);
        return;
    }
    TTextLook look = look_;
    look.color = color | 0xFF000000;
    if (!with_gradient) look.second_color = kNoSecondTextColor;
    draw_antialiased_text(dc, manager_, area, text_, font_, text_style_, look);
}

}  // namespace ui
