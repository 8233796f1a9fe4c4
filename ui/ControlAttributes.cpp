// The attribute table of CControlUI: how the skin's attributes set a
// control's fields.
#include <cwchar>

#include "ui/AttributeValues.h"
#include "ui/ControlUI.h"

namespace ui {
namespace {

// "float" is a boolean or four fractions separated by commas.
bool parse_float_fractions(const std::wstring& value, TPercentInfo& percent) {
    if (value.find(L',') == std::wstring::npos) return false;
    double v[4] = {0, 0, 0, 0};
    const wchar_t* cursor = value.c_str();
    for (int i = 0; i < 4; ++i) {
        wchar_t* end = nullptr;
        v[i] = std::wcstod(cursor, &end);
        if (end == cursor) break;
        cursor = end;
        if (*cursor == L',') ++cursor;
    }
    percent = TPercentInfo{v[0], v[1], v[2], v[3]};
    return true;
}

}  // namespace

void CControlUI::apply_attribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"pos") {
        const RECT r = parse_rect(value);
        set_fixed_xy(SIZE{r.left, r.top});
        set_fixed_width(r.right - r.left);
        set_fixed_height(r.bottom - r.top);
    } else if (name == L"padding") {
        set_margins(parse_rect(value));
    } else if (name == L"bkcolor" || name == L"bkcolor1") {
        set_bk_color(parse_color(value));
    } else if (name == L"bkcolor2") {
        set_bk_color2(parse_color(value));
    } else if (name == L"bkcolor3") {
        set_bk_color3(parse_color(value));
    } else if (name == L"bordercolor") {
        set_border_color(parse_color(value));
    } else if (name == L"focusbordercolor") {
        set_focus_border_color(parse_color(value));
    } else if (name == L"colorhsl") {
        color_hsl_ = parse_bool(value);
    } else if (name == L"bordersize") {
        int v[4];
        if (parse_int_list(value, v, 4) <= 1) {
            set_border_size(RECT{v[0], v[0], v[0], v[0]});
        } else {
            set_border_size(RECT{v[0], v[1], v[2], v[3]});
        }
    } else if (name == L"borderstyle") {
        set_border_style(parse_int(value));
    } else if (name == L"borderround") {
        set_border_round(parse_size(value));
    } else if (name == L"bkimage") {
        set_bk_image(value);
    } else if (name == L"foreimage") {
        set_fore_image(value);
    } else if (name == L"width") {
        set_fixed_width(parse_int(value));
    } else if (name == L"height") {
        set_fixed_height(parse_int(value));
    } else if (name == L"minwidth") {
        set_min_width(parse_int(value));
    } else if (name == L"minheight") {
        set_min_height(parse_int(value));
    } else if (name == L"maxwidth") {
        set_max_width(parse_int(value));
    } else if (name == L"maxheight") {
        set_max_height(parse_int(value));
    } else if (name == L"name") {
        set_name(value);
    } else if (name == L"text") {
        set_text(value);
    } else if (name == L"tooltip") {
        set_tooltip(value);
    } else if (name == L"userdata") {
        set_user_data(value);
    } else if (name == L"tag") {
        set_tag(static_cast<UINT_PTR>(parse_int(value)));
    } else if (name == L"enabled") {
        set_enabled(parse_bool(value));
    } else if (name == L"mouse") {
        set_mouse_enabled(parse_bool(value));
    } else if (name == L"keyboard") {
        set_keyboard_enabled(parse_bool(value));
    } else if (name == L"visible") {
        set_visible(parse_bool(value));
    } else if (name == L"float") {
        TPercentInfo percent;
        if (parse_float_fractions(value, percent)) {
            set_float_percent(percent);
            set_float(true);
        } else {
            set_float(parse_bool(value));
        }
    } else if (name == L"shortcut") {
        set_shortcut(value.empty() ? 0 : value[0]);
    } else if (name == L"menu") {
        set_context_menu_used(parse_bool(value));
    } else if (name == L"virtualwnd") {
        virtual_window_ = value;
    } else if (!name.empty() && !value.empty()) {
        custom_attributes_.emplace(name, value);
    }
}

}  // namespace ui
