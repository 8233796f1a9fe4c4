#include "ui/SpinnerUI.h"

#include <objidl.h>

#include <algorithm>
#include <cmath>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "ui/AntialiasedText.h"
#include "ui/AttributeValues.h"
#include "ui/Color.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

// The ring's angles use 3.14 for pi, as the spinner always has.
constexpr double kPi = 3.14;

}  // namespace

const wchar_t* CSpinnerUI::class_name() const { return L"Spinner"; }

void* CSpinnerUI::interface_of(const std::wstring& name) {
    if (name == L"Spinner") return this;
    return CControlUI::interface_of(name);
}

void CSpinnerUI::do_init() {
    initialised_ = true;
    derive();
    if (manager_) manager_->set_control_timer(this, kFrameTimerId, static_cast<UINT>(time_interval_));
}

void CSpinnerUI::set_pos(RECT rect, bool invalidate) {
    CControlUI::set_pos(rect, invalidate);
    derive();
}

void CSpinnerUI::set_visible(bool visible) {
    if (manager_ && initialised_) {
        if (visible) {
            manager_->set_control_timer(this, kFrameTimerId, static_cast<UINT>(time_interval_));
        } else {
            manager_->kill_control_timer(this, kFrameTimerId);
        }
    }
    CControlUI::set_visible(visible);
}

void CSpinnerUI::set_time_interval(int milliseconds) {
    if (milliseconds == time_interval_) return;
    time_interval_ = milliseconds;
    if (!manager_ || !initialised_ || !visible_) return;
    manager_->kill_control_timer(this, kFrameTimerId);
    manager_->set_control_timer(this, kFrameTimerId, static_cast<UINT>(time_interval_));
}

void CSpinnerUI::set_spoke_count(int count) {
    if (count == spoke_count_) return;
    spoke_count_ = std::max(count, 0);
    derive();
}

void CSpinnerUI::set_spoke_color(DWORD argb) {
    if (argb == spoke_color_) return;
    spoke_color_ = argb;
    derive();
}

void CSpinnerUI::derive() {
    const int n = spoke_count_;
    if (n <= 0) {
        // No spokes: nothing to derive, and a frame of background only.
        colors_.clear();
        angles_.clear();
        render_frame();
        return;
    }
    angles_.assign(static_cast<size_t>(n), 0.0);
    colors_.assign(static_cast<size_t>(n), spoke_color_);
    const double step = 360.0 / n;
    angles_[0] = step;
    for (int i = 1; i < n; ++i) angles_[static_cast<size_t>(i)] = angles_[static_cast<size_t>(i) - 1] + step;
    const DWORD alpha_step = 255 / static_cast<DWORD>(n);
    for (int i = 1; i < n; ++i) {
        const DWORD alpha = (static_cast<DWORD>(i) * alpha_step) & 0xFF;
        colors_[static_cast<size_t>(i)] = (alpha << 24) | (spoke_color_ & 0x00FFFFFF);
    }
    render_frame();
}

void CSpinnerUI::render_frame() {
    frame_.reset();
    const int w = width(), h = height();
    if (w <= 0 || h <= 0 || !frame_.create(nullptr, w, h)) return;
    if (bk_color_ != 0) std::fill_n(frame_.bits(), static_cast<size_t>(w) * h, premultiplied_pixel(bk_color_));
    if (!colors_.empty()) {
        current_index_ = (current_index_ + 1) % static_cast<int>(colors_.size());
        draw_spokes();
    }
    draw_text_in_frame();
}

void CSpinnerUI::draw_spokes() {
    const int w = frame_.width(), h = frame_.height();
    Gdiplus::Bitmap image(w, h, w * 4, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(frame_.bits()));
    Gdiplus::Graphics graphics(&image);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const double cx = w / 2, cy = h / 2;
    const size_t n = colors_.size();
    for (size_t j = 0; j < n; ++j) {
        const size_t i = (static_cast<size_t>(current_index_) + j) % n;
        const double angle = angles_[i] * kPi / 180;
        Gdiplus::Pen pen(Gdiplus::Color(static_cast<Gdiplus::ARGB>(colors_[j])),
                         static_cast<Gdiplus::REAL>(thickness_));
        pen.SetStartCap(Gdiplus::LineCapRound);
        pen.SetEndCap(Gdiplus::LineCapRound);
        graphics.DrawLine(&pen, static_cast<Gdiplus::REAL>(std::cos(angle) * inner_radius_ + cx),
                          static_cast<Gdiplus::REAL>(std::sin(angle) * inner_radius_ + cy),
                          static_cast<Gdiplus::REAL>(std::cos(angle) * outer_radius_ + cx),
                          static_cast<Gdiplus::REAL>(std::sin(angle) * outer_radius_ + cy));
    }
}

void CSpinnerUI::draw_text_in_frame() {
    const int w = frame_.width(), h = frame_.height();
    const RECT area{text_margins_.left, text_margins_.top, w - text_margins_.right, h - text_margins_.bottom};
    TTextLook look;
    look.color = text_color_;
    look.rendering_hint = rendering_hint_;
    draw_antialiased_text(frame_.dc(), manager_, area, text_, font_, text_style_, look);
}

void CSpinnerUI::do_event(UiEvent& e) {
    if (e.type == kEventTimer && e.wparam == kFrameTimerId) {
        render_frame();
        invalidate();
        return;
    }
    CControlUI::do_event(e);
}

bool CSpinnerUI::do_paint(HDC dc, const RECT& /*area*/, CControlUI* /*stop*/) {
    if (!is_visible()) return true;
    if (!frame_.ok()) render_frame();
    if (!frame_.ok()) return true;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::AlphaBlend(dc, rect_.left, rect_.top, frame_.width(), frame_.height(), frame_.dc(), 0, 0, frame_.width(),
                 frame_.height(), blend);
    return true;
}

void CSpinnerUI::apply_attribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"timeinterval") {
        set_time_interval(parse_int(value));
    } else if (name == L"spokenum") {
        set_spoke_count(parse_int(value));
    } else if (name == L"thickness") {
        set_thickness(parse_int(value));
    } else if (name == L"outradius") {
        set_outer_radius(parse_int(value));
    } else if (name == L"innerradius") {
        set_inner_radius(parse_int(value));
    } else if (name == L"spokecolor") {
        set_spoke_color(parse_color(value));
    } else if (name == L"align") {
        const UINT mask = DT_LEFT | DT_CENTER | DT_RIGHT;
        if (value == L"left") text_style_ = (text_style_ & ~mask) | DT_LEFT;
        if (value == L"center") text_style_ = (text_style_ & ~mask) | DT_CENTER;
        if (value == L"right") text_style_ = (text_style_ & ~mask) | DT_RIGHT;
    } else if (name == L"valign") {
        const UINT mask = DT_TOP | DT_VCENTER | DT_BOTTOM;
        if (value == L"top") text_style_ = (text_style_ & ~mask) | DT_TOP;
        if (value == L"vcenter") text_style_ = (text_style_ & ~mask) | DT_VCENTER;
        if (value == L"bottom") text_style_ = (text_style_ & ~mask) | DT_BOTTOM;
    } else if (name == L"textcolor") {
        text_color_ = parse_color(value);
    } else if (name == L"rhaa") {
        rendering_hint_ = parse_int(value);
    } else if (name == L"multiline") {
        text_style_ = parse_bool(value) ? ((text_style_ & ~DT_SINGLELINE) | DT_WORDBREAK)
                                        : ((text_style_ & ~DT_WORDBREAK) | DT_SINGLELINE);
    } else if (name == L"font") {
        font_ = parse_int(value);
    } else if (name == L"textpadding") {
        text_margins_ = parse_rect(value);
    } else {
        CControlUI::apply_attribute(name, value);
    }
}

}  // namespace ui
