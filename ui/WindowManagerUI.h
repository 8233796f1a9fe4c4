#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/ControlTimers.h"
#include "ui/ImageDescription.h"
#include "ui/Notify.h"
#include "ui/NotifyQueue.h"
#include "ui/OffscreenBuffer.h"
#include "ui/ResourceTable.h"
#include "ui/TooltipWindow.h"
#include "ui/UiEvent.h"

namespace ui {

class CControlUI;

// The application message that delivers asynchronous notifications and
// destroys controls waiting for delayed deletion.
inline constexpr UINT kAsyncNotifyMessage = WM_APP + 1;

// Default colours of every window until its skin sets others.
inline constexpr DWORD kDefaultDisabledColor = 0xFFA7A6AA;
inline constexpr DWORD kDefaultFontColor = 0xFF000000;
inline constexpr DWORD kDefaultLinkFontColor = 0xFF0000FF;
inline constexpr DWORD kDefaultLinkHoverFontColor = 0xFFD3215F;
inline constexpr DWORD kDefaultSelectedBkColor = 0xFFBAE4FF;

// One per window: owns the window's control tree, turns window messages
// into control events and control events into notifications, lays the tree
// out and paints it with double buffering. Window thread only.
class CWindowManagerUI {
public:
    CWindowManagerUI();
    ~CWindowManagerUI();
    CWindowManagerUI(const CWindowManagerUI&) = delete;
    CWindowManagerUI& operator=(const CWindowManagerUI&) = delete;

    // Binds the manager to its window: forgets the own resources, custom
    // window attributes and timers of an earlier binding and takes the
    // window's drawing context.
    void bind_window(HWND hwnd);
    HWND hwnd() const { return hwnd_; }
    HDC paint_dc() const { return paint_dc_; }
    const std::wstring& name() const { return name_; }
    void set_name(const std::wstring& name) { name_ = name; }

    // Makes root (owned from now on) the tree; an earlier tree goes to
    // delayed deletion. Every control gets this manager and is initialised.
    bool attach_root(CControlUI* root);
    CControlUI* root() const { return root_; }
    // Gives a control added at run time (and its subtree) this manager and
    // its parent, initialises it and enters its names.
    void init_controls(CControlUI* control, CControlUI* parent);

    void add_listener(INotifyListener* listener);
    void remove_listener(INotifyListener* listener);
    void add_message_filter(IMessageFilter* filter);
    void remove_message_filter(IMessageFilter* filter);

    // Routes one window message; true when it was handled (result set).
    bool handle_window_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
    // Keyboard pre-handling for the modal loops: Tab navigation, system keys
    // and shortcut characters. True when the message was consumed.
    static bool pre_translate(MSG* msg);

    CControlUI* find_control(const std::wstring& name) const;
    CControlUI* find_control_at(POINT point) const;

    void send_notification(CControlUI* sender, const std::wstring& type, WPARAM wparam = 0, LPARAM lparam = 0,
                           bool async = false);
    void send_notification(TNotify& msg, bool async = false, bool allow_repeat = false);

    bool set_control_timer(CControlUI* control, UINT id, UINT elapse_ms);
    bool kill_control_timer(CControlUI* control, UINT id);
    void kill_control_timers(CControlUI* control);

    void set_focused_control(CControlUI* control, bool take_window_focus = true);
    CControlUI* focused_control() const { return focused_; }
    bool set_next_tab_control(bool forward = true);
    void set_focus_needed(CControlUI* control);

    void capture();
    void release_capture();
    bool is_captured() const { return mouse_captured_; }
    POINT mouse_pos() const { return last_mouse_; }
    CControlUI* hot_control() const { return hot_; }
    CControlUI* captured_control() const { return captured_; }
    // A control whose mouse-leave came while the point was still inside it
    // gets its leave when the hot control next changes.
    void add_mouse_leave_needed(CControlUI* control);

    void invalidate(const RECT& rect);
    void invalidate_all();
    void need_update() { update_needed_ = true; }
    bool is_update_needed() const { return update_needed_; }

    // Window element values.
    bool apply_window_attribute(const std::wstring& name, const std::wstring& value);
    RECT caption_rect() const;  // a bottom of -1 reads as the window's height
    void set_caption_rect(const RECT& rect) { caption_ = rect; }
    SIZE round_corner() const { return round_corner_; }
    void set_round_corner(SIZE size) { round_corner_ = size; }
    RECT size_box() const { return size_box_; }
    void set_size_box(const RECT& rect) { size_box_ = rect; }
    SIZE initial_size() const { return initial_size_; }
    void set_initial_size(int cx, int cy);
    SIZE min_info() const { return min_info_; }
    void set_min_info(int cx, int cy) { min_info_ = SIZE{cx, cy}; }
    SIZE max_info() const { return max_info_; }
    void set_max_info(int cx, int cy) { max_info_ = SIZE{cx, cy}; }
    void set_show_dirty(bool show) { show_dirty_ = show; }
    bool is_no_activate() const { return no_activate_; }
    void set_no_activate(bool no_activate) { no_activate_ = no_activate; }
    void set_opacity(BYTE opacity);
    void set_layered(bool layered);
    bool is_layered() const { return layered_; }
    void set_layered_opacity(BYTE opacity);
    void set_layered_image(const std::wstring& description);
    void set_layered_inset(const RECT& inset);
    void set_shadow_size(int size);
    void set_shadow_color(DWORD argb) { shadow_color_ = argb; }
    void set_shadow_scale(double scale) { shadow_scale_ = scale; }
    DWORD disabled_font_color() const { return disabled_font_color_; }
    DWORD default_font_color() const { return default_font_color_; }
    DWORD link_font_color() const { return link_font_color_; }
    DWORD link_hover_font_color() const { return link_hover_font_color_; }
    DWORD selected_bk_color() const { return selected_bk_color_; }
    void keep_window_attribute(const std::wstring& name, const std::wstring& value);
    std::wstring window_attribute(const std::wstring& name) const;

    // Fonts: the own table first, then the shared one.
    TFontInfo* add_skin_font(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic,
                             bool strikeout, bool shared);
    TFontInfo* set_default_skin_font(const std::wstring& face, int size, bool bold, bool underline, bool italic,
                                     bool strikeout, bool shared);
    TFontInfo* skin_font(int id) const;  // the default font when the id is unknown
    TFontInfo* default_font() const;

    // Images: the own table first, then the shared one.
    std::shared_ptr<TImageInfo> add_skin_image(const std::wstring& name, const std::wstring& type, DWORD mask,
                                               bool use_hsl, bool shared);
    std::shared_ptr<TImageInfo> skin_image(const std::wstring& name) const;
    // Loads and adds the image when it is missing.
    std::shared_ptr<TImageInfo> skin_image_ex(const std::wstring& name, const std::wstring& type, DWORD mask,
                                              bool use_hsl);

    void add_element_defaults(const std::wstring& element, const std::wstring& attributes, bool shared);
    const std::wstring* find_element_defaults(const std::wstring& element) const;

    // The off-screen buffer of the last paint (none before the first).
    const COffscreenBuffer& offscreen() const { return offscreen_; }

    // Called by a control being destroyed: forget every reference to it.
    void reap_objects(CControlUI* control);
    void rename_control(CControlUI* control, const std::wstring& previous_name);
    // Destroys the subtree when the asynchronous message is next handled;
    // it leaves this manager at once.
    void add_delayed_cleanup(CControlUI* control);

    // The managers of every window, oldest first.
    static const std::vector<CWindowManagerUI*>& managers();

private:
    // Painting (WindowManagerPaint.cpp).
    void on_paint();
    void on_layered_timer();
    bool layout_pending_controls();
    void render(const RECT& dirty);
    void present_layered(const RECT& dirty);
    RECT layout_area() const;

    // Input (WindowManagerInput.cpp).
    bool translate_keyboard(const MSG& msg);
    bool route_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
    void on_mouse_move(POINT point);
    void on_button_down(UINT msg, WPARAM wparam, POINT point);
    void on_button_up(UINT msg, WPARAM wparam, POINT point);
    void on_mouse_wheel(WPARAM wparam, LPARAM lparam);
    void on_mouse_hover();
    void on_mouse_leave();
    bool on_set_cursor(LPARAM lparam);
    void on_close();
    bool on_timer(UINT_PTR native_id);
    void deliver_async_notifications();
    void send_event(CControlUI* control, int type, WPARAM wparam = 0, LPARAM lparam = 0, WORD key = 0);
    void start_mouse_tracking();

    void enter_names(CControlUI* control);
    void destroy_delayed();
    std::vector<CControlUI*> tab_stops() const;

    HWND hwnd_ = nullptr;
    HDC paint_dc_ = nullptr;  // the window's context, kept while bound
    std::wstring name_;

    CControlUI* root_ = nullptr;  // owned
    CControlUI* hot_ = nullptr;
    CControlUI* captured_ = nullptr;
    CControlUI* focused_ = nullptr;
    CControlUI* key_down_ = nullptr;
    std::unordered_map<std::wstring, CControlUI*> names_;
    std::vector<CControlUI*> mouse_leave_needed_;

    bool update_needed_ = false;
    bool windowinit_pending_ = false;
    bool focus_needed_ = false;
    bool mouse_tracking_ = false;
    bool mouse_captured_ = false;
    bool no_activate_ = false;
    bool show_dirty_ = false;
    POINT last_mouse_{};

    COffscreenBuffer offscreen_;

    bool layered_ = false;
    bool layered_changed_ = false;
    RECT layered_dirty_{};
    BYTE layered_opacity_ = 255;
    CImageDescriptionCache layered_image_;
    COffscreenBuffer layered_background_;
    RECT layered_inset_{};
    int shadow_size_ = 0;
    DWORD shadow_color_ = 0;
    double shadow_scale_ = 0;

    std::vector<INotifyListener*> listeners_;
    std::vector<IMessageFilter*> message_filters_;
    CNotifyQueue async_queue_;
    bool async_posted_ = false;
    std::vector<CControlUI*> delayed_cleanup_;  // owned

    CControlTimers timers_;

    SIZE initial_size_{};
    RECT size_box_{};
    RECT caption_{};
    SIZE round_corner_{};
    SIZE min_info_{};
    SIZE max_info_{};
    BYTE opacity_ = 255;
    std::map<std::wstring, std::wstring> window_attributes_;

    CTooltipWindow tooltip_;
    UINT hover_time_ = 1000;

    CResourceTable resources_;
    DWORD disabled_font_color_ = kDefaultDisabledColor;
    DWORD default_font_color_ = kDefaultFontColor;
    DWORD link_font_color_ = kDefaultLinkFontColor;
    DWORD link_hover_font_color_ = kDefaultLinkHoverFontColor;
    DWORD selected_bk_color_ = kDefaultSelectedBkColor;

    ULONG_PTR gdiplus_token_ = 0;
};

}  // namespace ui
