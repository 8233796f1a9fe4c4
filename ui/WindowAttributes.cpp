// The attributes of a skin's "Window" element and what they set on the
// window manager.
#include <cwchar>

#include "ui/AttributeValues.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

bool same_text(const std::wstring& a, const wchar_t* b) { return ::_wcsicmp(a.c_str(), b) == 0; }

BYTE byte_value(const std::wstring& value) {
    const int number = parse_int(value);
    return static_cast<BYTE>(number < 0 ? 0 : (number > 255 ? 255 : number));
}

}  // namespace

bool CWindowManagerUI::apply_window_attribute(const std::wstring& name, const std::wstring& value) {
    if (same_text(name, L"size")) {
        const SIZE size = parse_size(value);
        set_initial_size(size.cx, size.cy);
    } else if (same_text(name, L"caption")) {
        set_caption_rect(parse_rect(value));
    } else if (same_text(name, L"roundcorner")) {
        set_round_corner(parse_size(value));
    } else if (same_text(name, L"sizebox")) {
        set_size_box(parse_rect(value));
    } else if (same_text(name, L"mininfo")) {
        const SIZE size = parse_size(value);
        set_min_info(size.cx, size.cy);
    } else if (same_text(name, L"maxinfo")) {
        const SIZE size = parse_size(value);
        set_max_info(size.cx, size.cy);
    } else if (same_text(name, L"showdirty")) {
        set_show_dirty(parse_bool(value));
    } else if (name == L"noactivate") {
        set_no_activate(parse_bool(value));
    } else if (same_text(name, L"opacity")) {
        set_opacity(byte_value(value));
    } else if (name == L"layeredopacity") {
        set_layered_opacity(byte_value(value));
    } else if (name == L"layeredimage") {
        set_layered_image(value);
    } else if (same_text(name, L"nolayeredpadding")) {
        set_layered_inset(parse_rect(value));
    } else if (same_text(name, L"shadowsize")) {
        set_shadow_size(parse_int(value));
    } else if (same_text(name, L"shadowcolor")) {
        set_shadow_color(parse_color(value));
    } else if (same_text(name, L"shadowfocusscales")) {
        set_shadow_scale(std::wcstod(value.c_str(), nullptr));
    } else if (same_text(name, L"disabledfontcolor")) {
        disabled_font_color_ = parse_color(value);
    } else if (same_text(name, L"defaultfontcolor")) {
        default_font_color_ = parse_color(value);
    } else if (same_text(name, L"linkfontcolor")) {
        link_font_color_ = parse_color(value);
    } else if (same_text(name, L"linkhoverfontcolor")) {
        link_hover_font_color_ = parse_color(value);
    } else if (same_text(name, L"selectedcolor")) {
        selected_bk_color_ = parse_color(value);
    } else {
        keep_window_attribute(name, value);
        return false;
    }
    return true;
}

}  // namespace ui
