#include "ui/ControlUI.h"

#include <algorithm>
#include <cwchar>

#include "ui/AttributeValues.h"
#include "ui/ClipScope.h"
#include "ui/Color.h"
#include "ui/ImageInfo.h"
#include "ui/Notify.h"
#include "ui/PaintHelper.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

RECT normalized(RECT r) {
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

LONG fraction_of(double fraction, int length) { return static_cast<LONG>(length * fraction); }

std::wstring replace_line_breaks(std::wstring text) {
    for (size_t at = text.find(L"<n>"); at != std::wstring::npos; at = text.find(L"<n>", at + 2)) {
        text.replace(at, 3, L"\r\n");
    }
    return text;
}

}  // namespace

CControlUI::CControlUI() = default;

void CControlUI::delete_self() { delete this; }

CControlUI::~CControlUI() {
    delete cover_;
    if (manager_) manager_->reap_objects(this);
}

void CControlUI::set_name(const std::wstring& name) {
    if (name == name_) return;
    const std::wstring previous = name_;
    name_ = name;
    if (manager_) manager_->rename_control(this, previous);
}

const wchar_t* CControlUI::class_name() const { return L"Control"; }

void* CControlUI::interface_of(const std::wstring& name) { return name == L"Control" ? this : nullptr; }

UINT CControlUI::control_flags() const { return 0; }

HWND CControlUI::native_window() const { return nullptr; }

bool CControlUI::activate() { return is_visible() && is_enabled(); }

void CControlUI::set_manager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
    if (cover_) cover_->set_manager(manager, this, initialise);
    manager_ = manager;
    parent_ = parent;
    if (initialise) init();
}

void CControlUI::set_cover(CControlUI* cover) {
    if (cover == cover_) return;
    delete cover_;
    cover_ = cover;
    if (cover_) cover_->set_manager(manager_, this, manager_ != nullptr);
    need_update();
}

void CControlUI::set_text(const std::wstring& text) {
    if (text == text_) return;
    text_ = text;
    invalidate();
}

RECT CControlUI::relative_pos() const {
    RECT r = rect_;
    if (parent_) {
        const RECT& p = parent_->rect();
        ::OffsetRect(&r, -p.left, -p.top);
    }
    return r;
}

RECT CControlUI::client_pos() const { return rect_; }

void CControlUI::set_pos(RECT rect, bool invalidate) {
    rect = normalized(rect);
    const RECT before = rect_;
    if (float_ && parent_) {
        // rect is relative to the parent; the fixed values are recomputed
        // so that they describe the new position.
        const RECT& p = parent_->rect();
        const int pw = p.right - p.left, ph = p.bottom - p.top;
        fixed_xy_.cx = rect.left - fraction_of(float_percent_.left, pw);
        fixed_xy_.cy = rect.top - fraction_of(float_percent_.top, ph);
        fixed_size_.cx = rect.right - fraction_of(float_percent_.right, pw) - fixed_xy_.cx;
        fixed_size_.cy = rect.bottom - fraction_of(float_percent_.bottom, ph) - fixed_xy_.cy;
        ::OffsetRect(&rect, p.left, p.top);
    }
    rect_ = rect;
    needs_layout_ = false;
    if (manager_ && invalidate && is_visible()) invalidate_union(before, rect_);
    layout_cover();
}

void CControlUI::layout_cover() {
    if (!cover_ || !cover_->is_visible()) return;
    if (cover_->is_float()) {
        const int w = width(), h = height();
        const TPercentInfo pct = cover_->float_percent();
        const SIZE xy = cover_->fixed_xy();
        RECT relative{fraction_of(pct.left, w) + xy.cx, fraction_of(pct.top, h) + xy.cy,
                      fraction_of(pct.right, w) + xy.cx + cover_->fixed_width(),
                      fraction_of(pct.bottom, h) + xy.cy + cover_->fixed_height()};
        cover_->set_pos(relative, false);
    } else {
        const int w = std::clamp(width(), cover_->min_width(), cover_->max_width());
        const int h = std::clamp(height(), cover_->min_height(), cover_->max_height());
        cover_->set_pos(RECT{rect_.left, rect_.top, rect_.left + w, rect_.top + h}, false);
    }
}

void CControlUI::move(SIZE offset, bool invalidate) {
    const RECT before = rect_;
    ::OffsetRect(&rect_, offset.cx, offset.cy);
    if (cover_) cover_->move(offset, false);
    if (manager_ && invalidate && is_visible()) invalidate_union(before, rect_);
}

bool CControlUI::visible_rect_in_ancestors(RECT& rect) const {
    for (const CControlUI* p = parent_; p; p = p->parent()) {
        if (!p->is_visible()) return false;
        if (!::IntersectRect(&rect, &rect, &p->rect())) return false;
    }
    return !::IsRectEmpty(&rect);
}

void CControlUI::invalidate_union(const RECT& before, const RECT& after) {
    RECT area;
    ::UnionRect(&area, &before, &after);
    if (visible_rect_in_ancestors(area)) manager_->invalidate(area);
}

void CControlUI::set_margins(const RECT& margins) {
    margins_ = margins;
    need_parent_update();
}

void CControlUI::set_fixed_xy(SIZE xy) {
    fixed_xy_ = xy;
    need_parent_update();
}

void CControlUI::set_float_percent(const TPercentInfo& percent) {
    float_percent_ = percent;
    need_parent_update();
}

void CControlUI::set_fixed_width(int width) {
    if (width < 0) return;
    fixed_size_.cx = width;
    need_parent_update();
}

void CControlUI::set_fixed_height(int height) {
    if (height < 0) return;
    fixed_size_.cy = height;
    need_parent_update();
}

void CControlUI::set_min_width(int width) {
    if (width < 0 || width == min_size_.cx) return;
    min_size_.cx = width;
    need_parent_update();
}

int CControlUI::max_width() const { return std::max(max_size_.cx, min_size_.cx); }

void CControlUI::set_max_width(int width) {
    if (width < 0 || width == max_size_.cx) return;
    max_size_.cx = width;
    need_parent_update();
}

void CControlUI::set_min_height(int height) {
    if (height < 0 || height == min_size_.cy) return;
    min_size_.cy = height;
    need_parent_update();
}

int CControlUI::max_height() const { return std::max(max_size_.cy, min_size_.cy); }

void CControlUI::set_max_height(int height) {
    if (height < 0 || height == max_size_.cy) return;
    max_size_.cy = height;
    need_parent_update();
}

void CControlUI::set_tooltip(const std::wstring& text) { tooltip_ = replace_line_breaks(text); }

void CControlUI::set_visible(bool visible) {
    if (visible_ == visible) return;
    const bool was_visible = is_visible();
    visible_ = visible;
    if (focused_) focused_ = false;
    if (!visible && manager_ && manager_->focused_control() == this) manager_->set_focused_control(nullptr);
    if (is_visible() != was_visible) need_parent_update();
    if (cover_) cover_->set_intern_visible(is_visible());
}

void CControlUI::set_intern_visible(bool visible) {
    intern_visible_ = visible;
    if (!visible && manager_ && manager_->focused_control() == this) manager_->set_focused_control(nullptr);
    if (cover_) cover_->set_intern_visible(is_visible());
}

void CControlUI::set_enabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    invalidate();
}

void CControlUI::set_focus() {
    if (manager_) manager_->set_focused_control(this, false);
}

void CControlUI::set_float(bool floating) {
    if (float_ == floating) return;
    float_ = floating;
    need_parent_update();
}

CControlUI* CControlUI::find_control(FindControlProc proc, void* data, UINT flags) {
    if ((flags & kFindVisible) && !is_visible()) return nullptr;
    if ((flags & kFindEnabled) && !is_enabled()) return nullptr;
    if ((flags & kFindHitTest) && !::PtInRect(&rect_, *static_cast<const POINT*>(data))) return nullptr;
    if ((flags & kFindUpdateTest) && proc(this, data)) return nullptr;
    const bool can_answer = !(flags & kFindHitTest) || mouse_;
    if ((flags & kFindMeFirst) && can_answer) {
        if (CControlUI* found = proc(this, data)) return found;
    }
    if (cover_) {
        if (CControlUI* found = cover_->find_control(proc, data, flags)) return found;
    }
    if (!(flags & kFindMeFirst) && can_answer) return proc(this, data);
    return nullptr;
}

void CControlUI::init() { do_init(); }

void CControlUI::event(UiEvent& e) { do_event(e); }

void CControlUI::do_event(UiEvent& e) {
    switch (e.type) {
    case kEventSetCursor:
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        return;
    case kEventSetFocus:
        focused_ = true;
        invalidate();
        return;
    case kEventKillFocus:
        focused_ = false;
        invalidate();
        return;
    case kEventTimer:
        if (manager_) manager_->send_notification(this, kNotifyTimer, e.wparam, e.lparam, false);
        return;
    case kEventContextMenu:
        if (context_menu_ && manager_) manager_->send_notification(this, kNotifyMenu, e.wparam, e.lparam, false);
        return;
    default:
        if (parent_) parent_->do_event(e);
    }
}

std::wstring CControlUI::attribute(const std::wstring& name) const {
    auto found = custom_attributes_.find(name);
    return found == custom_attributes_.end() ? std::wstring() : found->second;
}

void CControlUI::apply_attribute_text(const std::wstring& text) {
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t equals = text.find(L'=', pos);
        if (equals == std::wstring::npos || equals + 1 >= text.size() || text[equals + 1] != L'"') return;
        const size_t close = text.find(L'"', equals + 2);
        if (close == std::wstring::npos) return;
        apply_attribute(text.substr(pos, equals - pos), text.substr(equals + 2, close - equals - 2));
        pos = close + 1;
        if (pos >= text.size() || text[pos] != L' ') return;
        ++pos;
    }
}

SIZE CControlUI::estimate_size(SIZE /*available*/) { return fixed_size_; }

bool CControlUI::paint(HDC dc, const RECT& area, CControlUI* stop) {
    if (stop == this) return false;
    if (!::IntersectRect(&paint_rect_, &area, &rect_)) return true;
    if (!do_paint(dc, paint_rect_, stop)) return false;
    if (cover_ && cover_->is_visible()) return cover_->paint(dc, area, stop);
    return true;
}

bool CControlUI::do_paint(HDC dc, const RECT& /*area*/, CControlUI* /*stop*/) {
    auto draw_all = [&] {
        paint_bk_color(dc);
        paint_bk_image(dc);
        paint_status_image(dc);
        paint_text(dc);
        paint_border(dc);
    };
    if (border_round_.cx != 0 || border_round_.cy != 0) {
        ClipScope clip(dc, rect_, border_round_.cx, border_round_.cy);
        draw_all();
    } else {
        draw_all();
    }
    return true;
}

void CControlUI::paint_bk_color(HDC dc) {
    if (bk_color_ == 0) return;
    if (bk_color2_ != 0) {
        if (bk_color3_ != 0) {
            const LONG middle = rect_.top + height() / 2;
            CPaintHelper::fill_gradient(dc, RECT{rect_.left, rect_.top, rect_.right, middle}, bk_color_,
                                        bk_color2_, true, 8);
            CPaintHelper::fill_gradient(dc, RECT{rect_.left, middle, rect_.right, rect_.bottom}, bk_color2_,
                                        bk_color3_, true, 8);
        } else {
            CPaintHelper::fill_gradient(dc, rect_, bk_color_, bk_color2_, true, 16);
        }
    } else if (color_alpha(bk_color_) == 0xFF) {
        CPaintHelper::fill_color(dc, paint_rect_, bk_color_);
    } else {
        CPaintHelper::fill_color(dc, rect_, bk_color_);
    }
}

void CControlUI::paint_bk_image(HDC dc) {
    CPaintHelper::draw_image(dc, manager_, rect_, paint_rect_, bk_image_);
}

void CControlUI::paint_status_image(HDC dc) {
    CPaintHelper::draw_image(dc, manager_, rect_, paint_rect_, fore_image_);
}

void CControlUI::paint_border(HDC dc) {
    const RECT& s = border_size_;
    if (s.left <= 0 && s.top <= 0 && s.right <= 0 && s.bottom <= 0) return;
    // 0 is no colour: an unfocused control with only a focused border
    // colour draws no border.
    const DWORD color = (focused_ && focus_border_color_ != 0) ? focus_border_color_ : border_color_;
    if (color == 0) return;
    if (border_round_.cx != 0 || border_round_.cy != 0) {
        CPaintHelper::draw_round_rect(dc, rect_, s.left, border_round_.cx, border_round_.cy, color, border_style_);
    } else if (s.left == s.top && s.left == s.right && s.left == s.bottom) {
        CPaintHelper::draw_rect(dc, rect_, s.left, color, border_style_);
    } else {
        const RECT& r = rect_;
        if (s.left > 0) {
            const LONG x = r.left + s.left / 2;
            CPaintHelper::draw_line(dc, RECT{x, r.top, x, r.bottom}, s.left, color, border_style_);
        }
        if (s.right > 0) {
            const LONG x = r.right - (s.right + 1) / 2;
            CPaintHelper::draw_line(dc, RECT{x, r.top, x, r.bottom}, s.right, color, border_style_);
        }
        const LONG from = r.left + std::max<LONG>(s.left, 0), to = r.right - std::max<LONG>(s.right, 0);
        if (s.top > 0) {
            const LONG y = r.top + s.top / 2;
            CPaintHelper::draw_line(dc, RECT{from, y, to, y}, s.top, color, border_style_);
        }
        if (s.bottom > 0) {
            const LONG y = r.bottom - (s.bottom + 1) / 2;
            CPaintHelper::draw_line(dc, RECT{from, y, to, y}, s.bottom, color, border_style_);
        }
    }
}

void CControlUI::need_update() {
    if (!is_visible()) return;
    needs_layout_ = true;
    invalidate();
    if (manager_) manager_->need_update();
}

void CControlUI::need_parent_update() {
    if (parent_) {
        parent_->need_update();
    } else {
        need_update();
    }
}

void CControlUI::invalidate() {
    if (!is_visible() || !manager_) return;
    RECT area = rect_;
    if (visible_rect_in_ancestors(area)) manager_->invalidate(area);
}

void CControlUI::set_bk_color(DWORD argb) {
    if (argb == bk_color_) return;
    bk_color_ = argb;
    invalidate();
}

void CControlUI::set_bk_color2(DWORD argb) {
    if (argb == bk_color2_) return;
    bk_color2_ = argb;
    invalidate();
}

void CControlUI::set_bk_color3(DWORD argb) {
    if (argb == bk_color3_) return;
    bk_color3_ = argb;
    invalidate();
}

void CControlUI::set_border_color(DWORD argb) {
    if (argb == border_color_) return;
    border_color_ = argb;
    invalidate();
}

void CControlUI::set_focus_border_color(DWORD argb) {
    if (argb == focus_border_color_) return;
    focus_border_color_ = argb;
    invalidate();
}

void CControlUI::set_border_size(const RECT& sizes) {
    border_size_ = sizes;
    invalidate();
}

void CControlUI::set_border_style(int style) {
    border_style_ = style;
    invalidate();
}

void CControlUI::set_border_round(SIZE round) {
    border_round_ = round;
    invalidate();
}

void CControlUI::set_bk_image(const std::wstring& description) {
    if (description == bk_image_.text()) return;
    bk_image_.set_text(description);
    // A floating control without a size takes its background image's size.
    if (float_ && fixed_size_.cx == 0 && fixed_size_.cy == 0 && manager_ &&
        CPaintHelper::draw_image(nullptr, manager_, rect_, rect_, bk_image_) && bk_image_.image()) {
        set_fixed_width(bk_image_.image()->width);
        set_fixed_height(bk_image_.image()->height);
    }
    invalidate();
}

void CControlUI::set_fore_image(const std::wstring& description) {
    if (description == fore_image_.text()) return;
    fore_image_.set_text(description);
    invalidate();
}

}  // namespace ui
