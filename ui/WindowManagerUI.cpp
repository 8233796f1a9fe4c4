#include "ui/WindowManagerUI.h"

#include <algorithm>

#include "ui/ControlUI.h"
#include "ui/GdiplusSession.h"
#include "ui/ImageLoader.h"

namespace ui {
namespace {

std::vector<CWindowManagerUI*>& all_managers() {
    static std::vector<CWindowManagerUI*> managers;
    return managers;
}

CControlUI* enter_name(CControlUI* control, void* data) {
    if (!control->name().empty()) {
        static_cast<std::unordered_map<std::wstring, CControlUI*>*>(data)->insert_or_assign(control->name(), control);
    }
    return nullptr;
}

CControlUI* reap_from(CControlUI* control, void* data) {
    static_cast<CWindowManagerUI*>(data)->reap_objects(control);
    return nullptr;
}

CControlUI* collect_tab_stop(CControlUI* control, void* data) {
    if (control->control_flags() & kFlagTabStop) static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return nullptr;
}

}  // namespace

CWindowManagerUI::CWindowManagerUI() {
    gdiplus_token_ = start_gdiplus();
    all_managers().push_back(this);
}

CWindowManagerUI::~CWindowManagerUI() {
    destroy_delayed();
    async_queue_.clear();
    if (root_) {
        CControlUI* root = std::exchange(root_, nullptr);
        root->delete_self();
    }
    timers_.clear();
    resources_.clear();
    tooltip_.destroy();
    offscreen_.reset();
    layered_background_.reset();
    if (paint_dc_) ::ReleaseDC(hwnd_, paint_dc_);
    auto& managers = all_managers();
    managers.erase(std::remove(managers.begin(), managers.end(), this), managers.end());
    stop_gdiplus(gdiplus_token_);
}

const std::vector<CWindowManagerUI*>& CWindowManagerUI::managers() { return all_managers(); }

void CWindowManagerUI::bind_window(HWND hwnd) {
    names_.clear();
    resources_.clear();
    window_attributes_.clear();
    timers_.clear();
    if (paint_dc_) ::ReleaseDC(hwnd_, paint_dc_);
    hwnd_ = hwnd;
    paint_dc_ = hwnd ? ::GetDC(hwnd) : nullptr;
    timers_.set_window(hwnd);
}

bool CWindowManagerUI::attach_root(CControlUI* root) {
    set_focused_control(nullptr, false);
    hot_ = captured_ = key_down_ = nullptr;
    mouse_leave_needed_.clear();
    if (root_) {
        destroy_delayed();
        async_queue_.clear();
        names_.clear();
        add_delayed_cleanup(root_);
    }
    root_ = root;
    update_needed_ = true;
    windowinit_pending_ = true;
    focus_needed_ = true;
    if (!root_) return false;
    init_controls(root_, nullptr);
    invalidate_all();
    return true;
}

void CWindowManagerUI::init_controls(CControlUI* control, CControlUI* parent) {
    if (!control) return;
    control->set_manager(this, parent, true);
    enter_names(control);
}

void CWindowManagerUI::enter_names(CControlUI* control) {
    // Children come before their container, and a later control replaces
    // an earlier one of the same name.
    control->find_control(enter_name, &names_, kFindAll);
}

void CWindowManagerUI::rename_control(CControlUI* control, const std::wstring& previous_name) {
    auto found = names_.find(previous_name);
    if (found != names_.end() && found->second == control) names_.erase(found);
    // A control still being built is not in the tree yet; attach_root
    // enters its name later.
    CControlUI* top = control;
    while (top->parent()) top = top->parent();
    if (top == root_ && root_ && !control->name().empty()) names_[control->name()] = control;
}

void CWindowManagerUI::reap_objects(CControlUI* control) {
    if (control == hot_) hot_ = nullptr;
    if (control == captured_) captured_ = nullptr;
    if (control == focused_) focused_ = nullptr;
    if (control == key_down_) key_down_ = nullptr;
    mouse_leave_needed_.erase(std::remove(mouse_leave_needed_.begin(), mouse_leave_needed_.end(), control),
                              mouse_leave_needed_.end());
    timers_.kill_all(control);
    auto found = names_.find(control->name());
    if (found != names_.end() && found->second == control) names_.erase(found);
    async_queue_.forget(control);
}

void CWindowManagerUI::add_delayed_cleanup(CControlUI* control) {
    if (!control) return;
    control->find_control(reap_from, this, kFindAll);
    control->set_manager(nullptr, nullptr, false);
    delayed_cleanup_.push_back(control);
    if (!async_posted_ && hwnd_) async_posted_ = ::PostMessageW(hwnd_, kAsyncNotifyMessage, 0, 0) != FALSE;
}

void CWindowManagerUI::destroy_delayed() {
    std::vector<CControlUI*> doomed;
    doomed.swap(delayed_cleanup_);
    for (CControlUI* control : doomed) control->delete_self();
}

void CWindowManagerUI::add_listener(INotifyListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
        listeners_.push_back(listener);
    }
}

void CWindowManagerUI::remove_listener(INotifyListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void CWindowManagerUI::add_message_filter(IMessageFilter* filter) {
    if (filter && std::find(message_filters_.begin(), message_filters_.end(), filter) == message_filters_.end()) {
        message_filters_.push_back(filter);
    }
}

void CWindowManagerUI::remove_message_filter(IMessageFilter* filter) {
    message_filters_.erase(std::remove(message_filters_.begin(), message_filters_.end(), filter),
                           message_filters_.end());
}

CControlUI* CWindowManagerUI::find_control(const std::wstring& name) const {
    auto found = names_.find(name);
    return found == names_.end() ? nullptr : found->second;
}

CControlUI* CWindowManagerUI::find_control_at(POINT point) const {
    if (!root_) return nullptr;
    return root_->find_control([](CControlUI* control, void*) { return control; }, &point,
                               kFindVisible | kFindHitTest | kFindTopFirst);
}

void CWindowManagerUI::send_notification(CControlUI* sender, const std::wstring& type, WPARAM wparam, LPARAM lparam,
                                         bool async) {
    TNotify msg;
    msg.type = type;
    msg.sender = sender;
    msg.wparam = wparam;
    msg.lparam = lparam;
    send_notification(msg, async, false);
}

void CWindowManagerUI::send_notification(TNotify& msg, bool async, bool allow_repeat) {
    msg.point = last_mouse_;
    msg.timestamp = ::GetTickCount();
    if (async) {
        async_queue_.push(msg, allow_repeat);
        if (!async_posted_ && hwnd_) async_posted_ = ::PostMessageW(hwnd_, kAsyncNotifyMessage, 0, 0) != FALSE;
        return;
    }
    // A listener may remove itself (or others) while being told.
    const std::vector<INotifyListener*> listeners = listeners_;
    for (INotifyListener* listener : listeners) {
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) listener->notify(msg);
    }
}

void CWindowManagerUI::deliver_async_notifications() {
    async_posted_ = false;
    TNotify msg;
    while (async_queue_.pop(msg)) {
        const std::vector<INotifyListener*> listeners = listeners_;
        for (INotifyListener* listener : listeners) {
            if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) listener->notify(msg);
        }
    }
    destroy_delayed();
}

bool CWindowManagerUI::set_control_timer(CControlUI* control, UINT id, UINT elapse_ms) {
    return timers_.set(control, id, elapse_ms);
}

bool CWindowManagerUI::kill_control_timer(CControlUI* control, UINT id) { return timers_.kill(control, id); }

void CWindowManagerUI::kill_control_timers(CControlUI* control) { timers_.kill_all(control); }

void CWindowManagerUI::send_event(CControlUI* control, int type, WPARAM wparam, LPARAM lparam, WORD key) {
    if (!control) return;
    UiEvent e;
    e.type = type;
    e.sender = control;
    e.timestamp = ::GetTickCount();
    e.point = last_mouse_;
    e.key = key;
    if (::GetKeyState(VK_LBUTTON) < 0) e.key_state |= kKeyStateLButton;
    if (::GetKeyState(VK_RBUTTON) < 0) e.key_state |= kKeyStateRButton;
    if (::GetKeyState(VK_SHIFT) < 0) e.key_state |= kKeyStateShift;
    if (::GetKeyState(VK_CONTROL) < 0) e.key_state |= kKeyStateControl;
    if (::GetKeyState(VK_MENU) < 0) e.key_state |= kKeyStateAlt;
    e.wparam = wparam;
    e.lparam = lparam;
    control->event(e);
}

void CWindowManagerUI::set_focused_control(CControlUI* control, bool take_window_focus) {
    if (take_window_focus && hwnd_ && ::GetFocus() != hwnd_ && control != focused_ && !no_activate_) {
        ::SetFocus(hwnd_);
    }
    if (control == focused_) return;
    if (focused_) {
        CControlUI* previous = std::exchange(focused_, nullptr);
        send_event(previous, kEventKillFocus);
        send_notification(previous, kNotifyKillFocus);
    }
    if (control && control->manager() == this && control->is_visible() && control->is_enabled()) {
        focused_ = control;
        send_event(control, kEventSetFocus);
        send_notification(control, kNotifySetFocus);
    }
}

std::vector<CControlUI*> CWindowManagerUI::tab_stops() const {
    std::vector<CControlUI*> stops;
    if (root_) root_->find_control(collect_tab_stop, &stops, kFindMeFirst | kFindVisible | kFindEnabled);
    return stops;
}

bool CWindowManagerUI::set_next_tab_control(bool forward) {
    if (update_needed_ && forward) {
        focus_needed_ = true;
        if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
        return true;
    }
    focus_needed_ = false;
    const std::vector<CControlUI*> stops = tab_stops();
    if (stops.empty()) return false;
    auto at = std::find(stops.begin(), stops.end(), focused_);
    CControlUI* next = nullptr;
    if (forward) {
        next = (at == stops.end() || at + 1 == stops.end()) ? stops.front() : *(at + 1);
    } else {
        next = (at == stops.end() || at == stops.begin()) ? stops.back() : *(at - 1);
    }
    set_focused_control(next, true);
    return true;
}

void CWindowManagerUI::set_focus_needed(CControlUI* control) {
    if (hwnd_ && !no_activate_) ::SetFocus(hwnd_);
    if (!control) {
        focus_needed_ = false;
        return;
    }
    if (focused_) {
        CControlUI* previous = std::exchange(focused_, nullptr);
        send_event(previous, kEventKillFocus);
        send_notification(previous, kNotifyKillFocus);
    }
    // Focus rests, without events, on the tab stop before the control, so
    // that the next paint's Tab navigation lands on the control itself.
    struct Walk {
        CControlUI* target;
        CControlUI* before;
    } walk{control, nullptr};
    if (root_) {
        root_->find_control(
            [](CControlUI* c, void* data) -> CControlUI* {
                auto* w = static_cast<Walk*>(data);
                if (c == w->target) return c;
                if (c->control_flags() & kFlagTabStop) w->before = c;
                return nullptr;
            },
            &walk, kFindMeFirst | kFindVisible | kFindEnabled);
    }
    focused_ = walk.before;
    focus_needed_ = true;
    if (root_) root_->need_update();
}

void CWindowManagerUI::capture() {
    if (hwnd_) ::SetCapture(hwnd_);
    mouse_captured_ = true;
}

void CWindowManagerUI::release_capture() {
    ::ReleaseCapture();
    mouse_captured_ = false;
}

void CWindowManagerUI::add_mouse_leave_needed(CControlUI* control) {
    if (std::find(mouse_leave_needed_.begin(), mouse_leave_needed_.end(), control) == mouse_leave_needed_.end()) {
        mouse_leave_needed_.push_back(control);
    }
}

void CWindowManagerUI::invalidate(const RECT& rect) {
    if (!hwnd_ || ::IsRectEmpty(&rect)) return;
    if (layered_) {
        RECT merged;
        ::UnionRect(&merged, &layered_dirty_, &rect);
        layered_dirty_ = merged;
        return;
    }
    ::InvalidateRect(hwnd_, &rect, FALSE);
}

void CWindowManagerUI::invalidate_all() {
    if (!hwnd_) return;
    RECT client;
    ::GetClientRect(hwnd_, &client);
    if (layered_) {
        layered_dirty_ = client;
        return;
    }
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

RECT CWindowManagerUI::caption_rect() const {
    RECT caption = caption_;
    if (caption.bottom == -1 && hwnd_) {
        RECT window;
        ::GetWindowRect(hwnd_, &window);
        caption.bottom = window.bottom - window.top;
    }
    return caption;
}

void CWindowManagerUI::set_initial_size(int cx, int cy) {
    initial_size_ = SIZE{cx, cy};
    if (hwnd_ && !root_) {
        ::SetWindowPos(hwnd_, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
}

void CWindowManagerUI::set_opacity(BYTE opacity) {
    opacity_ = opacity;
    if (!hwnd_ || layered_) return;
    const LONG style = ::GetWindowLongW(hwnd_, GWL_EXSTYLE);
    if (opacity == 255) {
        ::SetWindowLongW(hwnd_, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
        return;
    }
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE, style | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(hwnd_, 0, opacity, LWA_ALPHA);
}

void CWindowManagerUI::set_layered(bool layered) {
    if (layered == layered_ || !hwnd_) return;
    layered_ = layered;
    layered_changed_ = true;
    const LONG style = ::GetWindowLongW(hwnd_, GWL_EXSTYLE);
    if (layered) {
        ::SetWindowLongW(hwnd_, GWL_EXSTYLE, style | WS_EX_LAYERED);
        ::SetTimer(hwnd_, kLayeredTimerId, 10, nullptr);
        invalidate_all();
        if (root_) root_->need_update();
    } else {
        ::KillTimer(hwnd_, kLayeredTimerId);
        ::SetWindowLongW(hwnd_, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
        ::InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

void CWindowManagerUI::set_layered_opacity(BYTE opacity) {
    layered_opacity_ = opacity;
    layered_changed_ = true;
    invalidate_all();
}

void CWindowManagerUI::set_layered_image(const std::wstring& description) {
    layered_image_.set_text(description);
    layered_background_.reset();
    layered_changed_ = true;
    set_layered(true);
    invalidate_all();
}

void CWindowManagerUI::set_layered_inset(const RECT& inset) {
    layered_inset_ = inset;
    layered_changed_ = true;
    invalidate_all();
}

void CWindowManagerUI::set_shadow_size(int size) {
    shadow_size_ = std::max(size, 0);
    layered_changed_ = true;
    if (root_) root_->need_update();
}

void CWindowManagerUI::keep_window_attribute(const std::wstring& name, const std::wstring& value) {
    window_attributes_[name] = value;
}

std::wstring CWindowManagerUI::window_attribute(const std::wstring& name) const {
    auto found = window_attributes_.find(name);
    return found == window_attributes_.end() ? std::wstring() : found->second;
}

TFontInfo* CWindowManagerUI::add_skin_font(int id, const std::wstring& face, int size, bool bold, bool underline,
                                           bool italic, bool strikeout, bool shared) {
    std::unique_ptr<TFontInfo> font = make_skin_font(face, size, bold, underline, italic, strikeout);
    if (!font) return nullptr;
    CResourceTable& table = shared ? shared_resources() : resources_;
    table.add_font(id, std::move(font));
    return table.font(id);
}

TFontInfo* CWindowManagerUI::set_default_skin_font(const std::wstring& face, int size, bool bold, bool underline,
                                                   bool italic, bool strikeout, bool shared) {
    std::unique_ptr<TFontInfo> font = make_skin_font(face, size, bold, underline, italic, strikeout);
    if (!font) return nullptr;
    CResourceTable& table = shared ? shared_resources() : resources_;
    table.set_default_font(std::move(font));
    return table.default_font();
}

TFontInfo* CWindowManagerUI::skin_font(int id) const {
    if (TFontInfo* own = resources_.font(id)) return own;
    if (TFontInfo* shared = shared_resources().font(id)) return shared;
    return default_font();
}

TFontInfo* CWindowManagerUI::default_font() const {
    if (TFontInfo* own = resources_.default_font()) return own;
    return shared_resources().default_font();
}

std::shared_ptr<TImageInfo> CWindowManagerUI::add_skin_image(const std::wstring& name, const std::wstring& type,
                                                             DWORD mask, bool use_hsl, bool shared) {
    std::shared_ptr<TImageInfo> image = load_image(name, type, mask);
    if (!image) return nullptr;
    image->use_hsl = use_hsl;
    if (use_hsl) {
        image->original.assign(image->bits, image->bits + static_cast<size_t>(image->width) * image->height);
    }
    (shared ? shared_resources() : resources_).add_image(name, image);
    return image;
}

std::shared_ptr<TImageInfo> CWindowManagerUI::skin_image(const std::wstring& name) const {
    if (auto own = resources_.image(name)) return own;
    return shared_resources().image(name);
}

std::shared_ptr<TImageInfo> CWindowManagerUI::skin_image_ex(const std::wstring& name, const std::wstring& type,
                                                            DWORD mask, bool use_hsl) {
    if (auto found = skin_image(name)) return found;
    return add_skin_image(name, type, mask, use_hsl, false);
}

void CWindowManagerUI::add_element_defaults(const std::wstring& element, const std::wstring& attributes,
                                            bool shared) {
    (shared ? shared_resources() : resources_).add_defaults(element, attributes);
}

const std::wstring* CWindowManagerUI::find_element_defaults(const std::wstring& element) const {
    if (const std::wstring* own = resources_.defaults(element)) return own;
    return shared_resources().defaults(element);
}

}  // namespace ui
