#pragma once

#include <windows.h>

#include <string>

#include "ui/AntialiasedText.h"
#include "ui/ControlUI.h"

namespace ui {

// A text drawn by the control itself: titles, hints, the message-box text.
// Plain mode uses the platform's formatted text drawing; effect mode the
// anti-aliasing renderer with an optional gradient and decorations.
class CLabelUI : public CControlUI {
public:
    const wchar_t* class_name() const override;
    void* interface_of(const std::wstring& name) override;

    void set_text(const std::wstring& text) override;
    void apply_attribute(const std::wstring& name, const std::wstring& value) override;
    SIZE estimate_size(SIZE available) override;
    void paint_bk_color(HDC dc) override;
    void paint_text(HDC dc) override;

    UINT text_style() const { return text_style_; }
    void set_text_style(UINT style);
    DWORD text_color() const { return text_color_; }
    // A colour with alpha 00 and some RGB (a six-digit skin value) is
    // taken as opaque: text ignores alpha anyway.
    void set_text_color(DWORD argb);
    DWORD disabled_text_color() const { return disabled_text_color_; }
    void set_disabled_text_color(DWORD argb);
    void set_disabled_bk_color(DWORD argb);
    int font() const { return font_; }
    void set_font(int index);
    RECT text_margins() const { return text_margins_; }
    void set_text_margins(const RECT& margins);
    bool is_multiline() const { return (text_style_ & DT_SINGLELINE) == 0; }
    void set_multiline(bool multiline);
    bool is_show_html() const { return show_html_; }
    void set_show_html(bool show);
    bool is_effect_mode() const { return effect_mode_; }
    void set_effect_mode(bool on);
    const TTextLook& text_look() const { return look_; }

protected:
    // The text colours with the manager's defaults filled in.
    DWORD effective_text_color() const;
    DWORD effective_disabled_text_color() const;
    // Draws the label's text in the text area with one colour, the way this
    // label draws: plain, or in effect mode (a gradient only when asked).
    void draw_label_text(HDC dc, DWORD color, bool with_gradient);

    UINT text_style_ = DT_VCENTER | DT_SINGLELINE;
    int font_ = -1;
    DWORD text_color_ = 0;
    DWORD disabled_text_color_ = 0;
    DWORD disabled_bk_color_ = 0;
    RECT text_margins_{};
    bool show_html_ = false;
    bool effect_mode_ = false;
    TTextLook look_;

private:
    SIZE measure(SIZE available) const;

    SIZE measured_{};
    SIZE last_available_{};
    bool size_dirty_ = true;
};

}  // namespace ui
