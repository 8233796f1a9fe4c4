// The painting cycle of a window: deferred layout, "windowinit", drawing the
// tree into the off-screen buffer and presenting it, normally or as a
// per-pixel layered window.
#include <cstring>

#include "ui/ClipScope.h"
#include "ui/ControlUI.h"
#include "ui/LayoutArithmetic.h"
#include "ui/PaintHelper.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

CControlUI* collect_update_needed(CControlUI* control, void* data) {
    if (!control->is_update_needed()) return nullptr;
    static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return control;
}

}  // namespace

RECT CWindowManagerUI::layout_area() const {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (layered_) ::InflateRect(&client, -shadow_size_, -shadow_size_);
    return client;
}

bool CWindowManagerUI::layout_pending_controls() {
    if (focus_needed_) set_next_tab_control(true);
    if (!update_needed_) return true;
    update_needed_ = false;
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (!::IsRectEmpty(&client) && root_) {
        if (root_->is_update_needed()) {
            offscreen_.reset();
            root_->set_pos(layout_area(), true);
        } else {
            // Only the topmost controls that asked for layout; each lays out
            // its own subtree.
            std::vector<CControlUI*> pending;
            root_->find_control(collect_update_needed, &pending, kFindVisible | kFindMeFirst | kFindUpdateTest);
            for (CControlUI* control : pending) {
                CControlUI* parent = control->parent();
                if (control->is_float() && parent) {
                    const TPercentInfo pct = control->float_percent();
                    control->set_pos(floating_rect(SIZE{parent->width(), parent->height()}, control->fixed_xy(),
                                                   SIZE{control->fixed_width(), control->fixed_height()}, pct.left,
                                                   pct.top, pct.right, pct.bottom),
                                     true);
                } else {
                    control->set_pos(control->rect(), true);
                }
            }
        }
        if (windowinit_pending_) {
            windowinit_pending_ = false;
            send_notification(root_, kNotifyWindowInit, 0, 0, false);
        }
    }
    if (layered_ && layered_changed_) {
        layered_changed_ = false;
        invalidate_all();
        return false;
    }
    return true;
}

void CWindowManagerUI::render(const RECT& dirty) {
    HDC dc = offscreen_.dc();
    ::GdiFlush();
    // Clearing first keeps blended colours from adding up over repaints.
    const bool background = layered_ && !layered_image_.empty() && layered_background_.ok();
    for (LONG y = dirty.top; y < dirty.bottom; ++y) {
        DWORD* row = offscreen_.bits() + static_cast<size_t>(y) * offscreen_.width() + dirty.left;
        const size_t bytes = static_cast<size_t>(dirty.right - dirty.left) * sizeof(DWORD);
        if (background) {
            std::memcpy(row, layered_background_.bits() + static_cast<size_t>(y) * layered_background_.width() +
                                 dirty.left,
                        bytes);
        } else {
            std::memset(row, 0, bytes);
        }
    }
    SavedDcState saved(dc);
    ClipScope clip(dc, dirty);
    if (root_) root_->paint(dc, dirty, nullptr);
}

void CWindowManagerUI::on_paint() {
    if (!root_) {
        PAINTSTRUCT ps;
        ::BeginPaint(hwnd_, &ps);
        ::EndPaint(hwnd_, &ps);
        return;
    }
    if (layered_) {
        ::ValidateRect(hwnd_, nullptr);
        on_layered_timer();
        return;
    }
    RECT update{};
    if (!::GetUpdateRect(hwnd_, &update, FALSE)) return;
    if (!layout_pending_controls()) return;
    if (!root_) return;

    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (!offscreen_.ok() && !offscreen_.create(paint_dc_, client.right, client.bottom)) {
        ::ValidateRect(hwnd_, nullptr);
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd_, &ps);
    RECT dirty{};
    const RECT buffer{0, 0, offscreen_.width(), offscreen_.height()};
    if (::IntersectRect(&dirty, &ps.rcPaint, &buffer)) {
        render(dirty);
        ::BitBlt(dc, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, offscreen_.dc(),
                 dirty.left, dirty.top, SRCCOPY);
        if (show_dirty_) CPaintHelper::draw_rect(dc, dirty, 1, 0xFFFF0000, PS_SOLID);
    }
    ::EndPaint(hwnd_, &ps);
    if (update_needed_ || focus_needed_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void CWindowManagerUI::on_layered_timer() {
    if (!root_ || ::IsIconic(hwnd_)) return;
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    RECT limit = client;
    ::InflateRect(&limit, -shadow_size_, -shadow_size_);
    RECT dirty{};
    if (!::IntersectRect(&dirty, &layered_dirty_, &limit)) {
        layered_dirty_ = RECT{};
        return;
    }
    if (!layout_pending_controls() || !root_) return;
    // Layout may have widened the dirty area.
    ::IntersectRect(&dirty, &layered_dirty_, &limit);
    layered_dirty_ = RECT{};
    if (!offscreen_.ok() && !offscreen_.create(paint_dc_, client.right, client.bottom)) return;
    if (!layered_image_.empty() && !layered_background_.ok() &&
        layered_background_.create(paint_dc_, client.right, client.bottom)) {
        CPaintHelper::draw_image(layered_background_.dc(), this, client, client, layered_image_);
    }
    const RECT buffer{0, 0, offscreen_.width(), offscreen_.height()};
    if (::IntersectRect(&dirty, &dirty, &buffer)) {
        render(dirty);
        present_layered(dirty);
    }
    if (update_needed_ || focus_needed_) invalidate_all();
}

void CWindowManagerUI::present_layered(const RECT& dirty) {
    ::GdiFlush();
    const bool has_inset = layered_inset_.left || layered_inset_.top || layered_inset_.right || layered_inset_.bottom;
    const RECT opaque{layered_inset_.left, layered_inset_.top, offscreen_.width() - layered_inset_.right,
                      offscreen_.height() - layered_inset_.bottom};
    for (LONG y = dirty.top; y < dirty.bottom; ++y) {
        DWORD* row = offscreen_.bits() + static_cast<size_t>(y) * offscreen_.width();
        for (LONG x = dirty.left; x < dirty.right; ++x) {
            DWORD& pixel = row[x];
            if (pixel == 0) continue;
            // Text drawn by GDI leaves alpha 0 behind; it must stay visible.
            const POINT at{x, y};
            if ((has_inset && ::PtInRect(&opaque, at)) || (pixel >> 24) == 0) pixel |= 0xFF000000;
        }
    }
    RECT window{};
    ::GetWindowRect(hwnd_, &window);
    POINT destination{window.left, window.top};
    SIZE size{offscreen_.width(), offscreen_.height()};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, layered_opacity_, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(hwnd_, nullptr, &destination, &size, offscreen_.dc(), &source, 0, &blend, ULW_ALPHA);
}

}  // namespace ui
