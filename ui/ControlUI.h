#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "ui/ImageDescription.h"
#include "ui/UiEvent.h"

namespace ui {

class CWindowManagerUI;

// control_flags() bits.
enum ControlFlag : UINT {
    kFlagTabStop = 0x01,
    kFlagSetCursor = 0x02,
};

// find_control() flags.
enum FindFlag : UINT {
    kFindAll = 0,
    kFindVisible = 0x01,
    kFindEnabled = 0x02,
    kFindHitTest = 0x04,      // data is a POINT in client coordinates
    kFindUpdateTest = 0x08,   // a yes from the test skips the control and its subtree
    kFindTopFirst = 0x10,     // a container's children from last to first
    kFindMeFirst = 0x80000000,
};

class CControlUI;
// A test applied during a tree search; the first non-null answer wins.
using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

// Fractions of the parent's size added to a floating control's position.
struct TPercentInfo {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// The base of every control in a window's tree: geometry and constraints,
// colours, images, border, text and flags, event handling and painting in a
// fixed order. Controls belong to their container; destroying one makes its
// manager forget every reference to it.
class CControlUI {
public:
    CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual void delete_self();
    virtual ~CControlUI();

    virtual const std::wstring& name() const { return name_; }
    virtual void set_name(const std::wstring& name);
    virtual const wchar_t* class_name() const;
    virtual void* interface_of(const std::wstring& name);
    virtual UINT control_flags() const;
    virtual HWND native_window() const;
    virtual bool activate();
    // Whether Tab, while this control has focus, goes to the control instead
    // of moving focus to the next tab stop (text boxes may want it).
    virtual bool wants_tab() const { return false; }

    virtual CWindowManagerUI* manager() const { return manager_; }
    // Gives this control (and its cover) the manager and parent; with
    // initialise, init() runs as well.
    virtual void set_manager(CWindowManagerUI* manager, CControlUI* parent, bool initialise);
    virtual CControlUI* parent() const { return parent_; }
    virtual CControlUI* cover() const { return cover_; }
    // Takes ownership of the cover control (none removes and destroys it).
    virtual void set_cover(CControlUI* cover);

    virtual std::wstring text() const { return text_; }
    virtual void set_text(const std::wstring& text);

    virtual const RECT& rect() const { return rect_; }
    virtual RECT relative_pos() const;
    virtual RECT client_pos() const;
    // A floating control with a parent receives its rectangle relative to
    // the parent's top-left corner; every other control an absolute one.
    virtual void set_pos(RECT rect, bool invalidate = true);
    virtual void move(SIZE offset, bool invalidate = true);
    virtual int width() const { return rect_.right - rect_.left; }
    virtual int height() const { return rect_.bottom - rect_.top; }
    virtual int x() const { return rect_.left; }
    virtual int y() const { return rect_.top; }

    virtual RECT margins() const { return margins_; }
    virtual void set_margins(const RECT& margins);
    virtual SIZE fixed_xy() const { return fixed_xy_; }
    virtual void set_fixed_xy(SIZE xy);
    virtual TPercentInfo float_percent() const { return float_percent_; }
    virtual void set_float_percent(const TPercentInfo& percent);
    virtual int fixed_width() const { return fixed_size_.cx; }
    virtual void set_fixed_width(int width);
    virtual int fixed_height() const { return fixed_size_.cy; }
    virtual void set_fixed_height(int height);
    virtual int min_width() const { return min_size_.cx; }
    virtual void set_min_width(int width);
    virtual int max_width() const;
    virtual void set_max_width(int width);
    virtual int min_height() const { return min_size_.cy; }
    virtual void set_min_height(int height);
    virtual int max_height() const;
    virtual void set_max_height(int height);

    virtual std::wstring tooltip() const { return tooltip_; }
    virtual void set_tooltip(const std::wstring& text);
    virtual void set_tooltip_width(int width) { tooltip_width_ = width; }
    virtual int tooltip_width() const { return tooltip_width_; }
    virtual wchar_t shortcut() const { return shortcut_; }
    virtual void set_shortcut(wchar_t ch) { shortcut_ = ch; }
    virtual bool context_menu_used() const { return context_menu_; }
    virtual void set_context_menu_used(bool used) { context_menu_ = used; }
    virtual const std::wstring& user_data() const { return user_data_; }
    virtual void set_user_data(const std::wstring& data) { user_data_ = data; }
    virtual UINT_PTR tag() const { return tag_; }
    virtual void set_tag(UINT_PTR tag) { tag_ = tag; }

    virtual bool is_visible() const { return visible_ && intern_visible_; }
    virtual void set_visible(bool visible);
    // Visibility imposed by the parent (a hidden tab page hides its subtree).
    virtual void set_intern_visible(bool visible);
    virtual bool is_enabled() const { return enabled_; }
    virtual void set_enabled(bool enabled);
    virtual bool is_mouse_enabled() const { return mouse_; }
    virtual void set_mouse_enabled(bool enabled) { mouse_ = enabled; }
    virtual bool is_keyboard_enabled() const { return keyboard_ && enabled_; }
    virtual void set_keyboard_enabled(bool enabled) { keyboard_ = enabled; }
    virtual bool is_focused() const { return focused_; }
    virtual void set_focus();
    virtual bool is_float() const { return float_; }
    virtual void set_float(bool floating);

    virtual CControlUI* find_control(FindControlProc proc, void* data, UINT flags);

    virtual void init();
    virtual void do_init() {}
    virtual void event(UiEvent& e);
    virtual void do_event(UiEvent& e);

    // The value of an attribute the control stored without knowing it.
    virtual std::wstring attribute(const std::wstring& name) const;
    virtual void apply_attribute(const std::wstring& name, const std::wstring& value);
    virtual std::wstring attribute_text() const { return std::wstring(); }
    // name="value" pairs, each followed by exactly one space before the next.
    virtual void apply_attribute_text(const std::wstring& text);

    virtual SIZE estimate_size(SIZE available);

    // Paints the part of the control inside area; false when stop was
    // reached, which ends the walk.
    virtual bool paint(HDC dc, const RECT& area, CControlUI* stop);
    virtual bool do_paint(HDC dc, const RECT& area, CControlUI* stop);
    virtual void paint_bk_color(HDC dc);
    virtual void paint_bk_image(HDC dc);
    virtual void paint_status_image(HDC dc);
    virtual void paint_text(HDC dc) { (void)dc; }
    virtual void paint_border(HDC dc);
    virtual void do_post_paint(HDC dc, const RECT& area) { (void)dc, (void)area; }

    // Layout requests and repainting.
    void need_update();
    void need_parent_update();
    bool is_update_needed() const { return needs_layout_; }
    void invalidate();

    // Drawing attributes.
    DWORD bk_color() const { return bk_color_; }
    void set_bk_color(DWORD argb);
    void set_bk_color2(DWORD argb);
    void set_bk_color3(DWORD argb);
    DWORD border_color() const { return border_color_; }
    void set_border_color(DWORD argb);
    void set_focus_border_color(DWORD argb);
    void set_border_size(const RECT& sizes);
    void set_border_style(int style);
    void set_border_round(SIZE round);
    void set_bk_image(const std::wstring& description);
    const std::wstring& bk_image() const { return bk_image_.text(); }
    void set_fore_image(const std::wstring& description);
    const std::wstring& virtual_window() const { return virtual_window_; }

protected:
    // The control rectangle clipped by every ancestor's; empty when the
    // control or an ancestor is hidden or nothing remains.
    bool visible_rect_in_ancestors(RECT& rect) const;
    void invalidate_union(const RECT& before, const RECT& after);
    void layout_cover();

    CWindowManagerUI* manager_ = nullptr;
    CControlUI* parent_ = nullptr;
    CControlUI* cover_ = nullptr;  // owned
    std::wstring name_;
    std::wstring text_;
    std::wstring tooltip_;
    int tooltip_width_ = 300;
    std::wstring user_data_;
    UINT_PTR tag_ = 0;
    wchar_t shortcut_ = 0;
    std::wstring virtual_window_;

    RECT rect_{};
    RECT paint_rect_{};
    SIZE fixed_xy_{};
    SIZE fixed_size_{};
    SIZE min_size_{};
    SIZE max_size_{9999, 9999};
    RECT margins_{};
    bool float_ = false;
    TPercentInfo float_percent_;

    bool visible_ = true;
    bool intern_visible_ = true;
    bool enabled_ = true;
    bool mouse_ = true;
    bool keyboard_ = true;
    bool focused_ = false;
    bool context_menu_ = false;
    bool needs_layout_ = true;

    DWORD bk_color_ = 0;
    DWORD bk_color2_ = 0;
    DWORD bk_color3_ = 0;
    DWORD border_color_ = 0;
    DWORD focus_border_color_ = 0;
    bool color_hsl_ = false;
    RECT border_size_{};
    int border_style_ = PS_SOLID;
    SIZE border_round_{};
    CImageDescriptionCache bk_image_;
    CImageDescriptionCache fore_image_;
    std::map<std::wstring, std::wstring> custom_attributes_;  // the first value of a name is kept
};

}  // namespace ui
