#include "ui/ButtonUI.h"

#include <algorithm>

#include "ui/AttributeValues.h"
#include "ui/Color.h"
#include "ui/ImageInfo.h"
#include "ui/PaintHelper.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

bool is_mouse_event(int type) { return type >= kEventMouseMove && type <= kEventScrollWheel; }

// The description with a source rectangle added; a plain image name becomes
// the file of a key='value' description first.
std::wstring with_source(const std::wstring& description, const RECT& source) {
    std::wstring text = description.find(L"='") == std::wstring::npos ? L"file='" + description + L"'" : description;
    return text + L" source='" + std::to_wstring(source.left) + L"," + std::to_wstring(source.top) + L"," +
           std::to_wstring(source.right) + L"," + std::to_wstring(source.bottom) + L"'";
}

}  // namespace

CButtonUI::CButtonUI() { text_style_ = DT_CENTER | DT_VCENTER | DT_SINGLELINE; }

const wchar_t* CButtonUI::class_name() const { return L"Button"; }

void* CButtonUI::interface_of(const std::wstring& name) {
    if (name == L"Button") return this;
    return CLabelUI::interface_of(name);
}

UINT CButtonUI::control_flags() const {
    UINT flags = 0;
    if (is_keyboard_enabled()) flags |= kFlagTabStop;
    if (is_enabled()) flags |= kFlagSetCursor;
    return flags;
}

UINT CButtonUI::state() const { return is_focused() ? (state_ | kButtonFocused) : state_; }

bool CButtonUI::activate() {
    if (!CLabelUI::activate()) return false;
    if (manager_) manager_->send_notification(this, kNotifyClick, 0, 0, false);
    return true;
}

void CButtonUI::set_enabled(bool enabled) {
    state_ = enabled ? (state_ & ~kButtonDisabled) : kButtonDisabled;
    CLabelUI::set_enabled(enabled);
    invalidate();
}

void CButtonUI::do_event(UiEvent& e) {
    if (!mouse_ && is_mouse_event(e.type)) {
        if (parent_) {
            parent_->do_event(e);
        } else {
            CLabelUI::do_event(e);
        }
        return;
    }
    switch (e.type) {
    case kEventKeyDown:
        if ((e.key == VK_SPACE || e.key == VK_RETURN) && is_visible() && is_keyboard_enabled() && is_enabled()) {
            activate();
            return;
        }
        break;
    case kEventButtonDown:
    case kEventDoubleClick:
        if (contains(e.point) && is_enabled()) {
            state_ |= kButtonPushed | kButtonCaptured;
            invalidate();
        }
        return;
    case kEventMouseMove:
        if (state_ & kButtonCaptured) {
            state_ = contains(e.point) ? (state_ | kButtonPushed) : (state_ & ~kButtonPushed);
            invalidate();
        }
        return;
    case kEventButtonUp:
        if (state_ & kButtonCaptured) {
            // The state is settled before "click": its listener may take
            // this button away.
            const bool fire = contains(e.point) && is_enabled();
            state_ &= ~(kButtonPushed | kButtonCaptured);
            invalidate();
            if (fire) activate();
        }
        return;
    case kEventMouseEnter:
        on_mouse_enter(e);
        return;
    case kEventMouseLeave:
        on_mouse_leave(e);
        return;
    case kEventSetCursor:
        ::SetCursor(::LoadCursorW(nullptr, cursor_ == L"arrow" ? IDC_ARROW : IDC_HAND));
        return;
    case kEventContextMenu:
        if (context_menu_ && is_enabled() && manager_) {
            manager_->send_notification(this, kNotifyMenu, e.wparam, e.lparam, false);
        }
        return;
    case kEventTimer:
        if (e.wparam == kFadeTimerId) {
            on_fade_tick();
            return;
        }
        break;
    default:
        break;
    }
    CLabelUI::do_event(e);
}

void CButtonUI::on_mouse_enter(const UiEvent& e) {
    if (!contains(e.point)) return;
    if (is_enabled()) {
        state_ |= kButtonHot;
        invalidate();
    }
    if (manager_) {
        manager_->send_notification(this, kNotifyMouseEnter, 0, 0, false);
        if (fade_step_) manager_->set_control_timer(this, kFadeTimerId, 30);
    }
}

void CButtonUI::on_mouse_leave(const UiEvent& e) {
    if (!manager_) return;
    if (contains(e.point)) {
        // Left for a control on top of this one: the leave comes later.
        manager_->add_mouse_leave_needed(this);
        return;
    }
    state_ &= ~kButtonHot;
    invalidate();
    manager_->send_notification(this, kNotifyMouseLeave, 0, 0, false);
    if (fade_step_) manager_->set_control_timer(this, kFadeTimerId, 30);
}

void CButtonUI::on_fade_tick() {
    if (state_ & kButtonHot) {
        fade_level_ = static_cast<BYTE>(std::max(0, fade_level_ - fade_step_));
    } else {
        fade_level_ = static_cast<BYTE>(std::min(255, fade_level_ + fade_step_));
    }
    if ((fade_level_ == 0 || fade_level_ == 255) && manager_) manager_->kill_control_timer(this, kFadeTimerId);
    invalidate();
}

void CButtonUI::set_hot_text_color(DWORD argb) {
    hot_text_color_ = argb;
    invalidate();
}

void CButtonUI::set_pushed_text_color(DWORD argb) {
    pushed_text_color_ = argb;
    invalidate();
}

void CButtonUI::set_focused_text_color(DWORD argb) {
    focused_text_color_ = argb;
    invalidate();
}

void CButtonUI::set_hot_bk_color(DWORD argb) {
    hot_bk_color_ = argb;
    invalidate();
}

void CButtonUI::set_focused_bk_color(DWORD argb) {
    focused_bk_color_ = argb;
    invalidate();
}

void CButtonUI::set_normal_image(const std::wstring& description) {
    normal_image_.set_text(description);
    invalidate();
}

void CButtonUI::set_hot_image(const std::wstring& description) {
    hot_image_.set_text(description);
    invalidate();
}

void CButtonUI::set_hot_fore_image(const std::wstring& description) {
    hot_fore_image_.set_text(description);
    invalidate();
}

void CButtonUI::set_pushed_image(const std::wstring& description) {
    pushed_image_.set_text(description);
    invalidate();
}

void CButtonUI::set_pushed_fore_image(const std::wstring& description) {
    pushed_fore_image_.set_text(description);
    invalidate();
}

void CButtonUI::set_focused_image(const std::wstring& description) {
    focused_image_.set_text(description);
    invalidate();
}

void CButtonUI::set_disabled_image(const std::wstring& description) {
    disabled_image_.set_text(description);
    invalidate();
}

void CButtonUI::set_five_status_image(const std::wstring& description) {
    CImageDescriptionCache whole;
    whole.set_text(description);
    if (!CPaintHelper::draw_image(nullptr, manager_, rect_, rect_, whole) || !whole.image()) return;
    const int part = whole.image()->width / 5;
    const int height = whole.image()->height;
    CImageDescriptionCache* looks[] = {&normal_image_, &hot_image_, &pushed_image_, &focused_image_,
                                       &disabled_image_};
    for (int i = 0; i < 5; ++i) looks[i]->set_text(with_source(description, RECT{i * part, 0, (i + 1) * part, height}));
    invalidate();
}

void CButtonUI::apply_attribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"normalimage") {
        set_normal_image(value);
    } else if (name == L"hotimage") {
        set_hot_image(value);
    } else if (name == L"pushedimage") {
        set_pushed_image(value);
    } else if (name == L"focusedimage") {
        set_focused_image(value);
    } else if (name == L"disabledimage") {
        set_disabled_image(value);
    } else if (name == L"foreimage") {
        set_fore_image(value);
    } else if (name == L"hotforeimage") {
        set_hot_fore_image(value);
    } else if (name == L"fivestatusimage") {
        set_five_status_image(value);
    } else if (name == L"fadedelta") {
        set_fade_delta(static_cast<BYTE>(parse_int(value)));
    } else if (name == L"hotbkcolor") {
        set_hot_bk_color(parse_color(value));
    } else if (name == L"hottextcolor") {
        set_hot_text_color(parse_color(value));
    } else if (name == L"pushedtextcolor") {
        set_pushed_text_color(parse_color(value));
    } else if (name == L"focusedtextcolor") {
        set_focused_text_color(parse_color(value));
    } else if (name == L"focusedbkcolor") {
        set_focused_bk_color(parse_color(value));
    } else if (name == L"cursor") {
        set_cursor_name(value);
    } else {
        CLabelUI::apply_attribute(name, value);
    }
}

void CButtonUI::fill(HDC dc, DWORD argb) {
    // An opaque colour only needs the part being painted; a blended one is
    // laid over the whole control like the normal background.
    CPaintHelper::fill_color(dc, color_alpha(argb) == 0xFF ? paint_rect_ : rect_, argb);
}

void CButtonUI::paint_bk_color(HDC dc) {
    if (!is_enabled() && disabled_bk_color_ != 0) {
        fill(dc, disabled_bk_color_);
    } else if (is_focused() && focused_bk_color_ != 0) {
        fill(dc, focused_bk_color_);
    } else if ((state_ & kButtonHot) && hot_bk_color_ != 0) {
        fill(dc, hot_bk_color_);
    } else {
        CControlUI::paint_bk_color(dc);
    }
}

bool CButtonUI::draw(HDC dc, CImageDescriptionCache& image) {
    return CPaintHelper::draw_image(dc, manager_, rect_, paint_rect_, image);
}

bool CButtonUI::draw_faded(HDC dc, CImageDescriptionCache& image, BYTE fade) {
    if (!CPaintHelper::draw_image(nullptr, manager_, rect_, paint_rect_, image) || !image.image()) return false;
    const TImageDescription& d = image.description();
    const TImageInfo& info = *image.image();
    RECT dest = rect_;
    if (d.has_dest) {
        dest = RECT{rect_.left + d.dest.left, rect_.top + d.dest.top,
                    std::min<LONG>(rect_.left + d.dest.right, rect_.right),
                    std::min<LONG>(rect_.top + d.dest.bottom, rect_.bottom)};
    }
    RECT source{0, 0, info.width, info.height};
    if (d.has_source) {
        source = RECT{std::max<LONG>(d.source.left, 0), std::max<LONG>(d.source.top, 0),
                      std::min<LONG>(d.source.right, info.width), std::min<LONG>(d.source.bottom, info.height)};
    }
    const BYTE combined = static_cast<BYTE>(fade * d.fade / 255);
    if (combined == 0) return true;
    CPaintHelper::draw_image_pieces(dc, info, dest, paint_rect_, source, d.corner, combined, d.hole, d.xtiled,
                                    d.ytiled);
    return true;
}

void CButtonUI::draw_normal_or_faded(HDC dc) {
    if (fade_step_ == 0 || hot_image_.empty()) {
        draw(dc, normal_image_);
        return;
    }
    draw_faded(dc, normal_image_, fade_level_);
    draw_faded(dc, hot_image_, static_cast<BYTE>(255 - fade_level_));
}

void CButtonUI::paint_status_image(HDC dc) {
    if (!is_enabled()) {
        if (!draw(dc, disabled_image_)) draw(dc, normal_image_);
        return;
    }
    if (state_ & kButtonPushed) {
        if (!draw(dc, pushed_image_)) draw(dc, normal_image_);
        draw(dc, pushed_fore_image_);
        return;
    }
    if (state_ & kButtonHot) {
        if (fade_step_ != 0) {
            draw_normal_or_faded(dc);
        } else if (!draw(dc, hot_image_)) {
            draw(dc, normal_image_);
        }
        draw(dc, hot_fore_image_);
        return;
    }
    if (is_focused() && !focused_image_.empty()) {
        draw(dc, focused_image_);
        draw(dc, fore_image_);
        return;
    }
    draw_normal_or_faded(dc);
    draw(dc, fore_image_);
}

void CButtonUI::paint_text(HDC dc) {
    DWORD color = 0;
    if ((state_ & kButtonPushed) && pushed_text_color_ != 0) {
        color = pushed_text_color_;
    } else if ((state_ & kButtonHot) && hot_text_color_ != 0) {
        color = hot_text_color_;
    } else if (is_focused() && focused_text_color_ != 0) {
        color = focused_text_color_;
    } else {
        color = is_enabled() ? effective_text_color() : effective_disabled_text_color();
    }
    draw_label_text(dc, color, false);
}

}  // namespace ui
