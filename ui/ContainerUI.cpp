#include "ui/ContainerUI.h"

#include <algorithm>

#include "ui/AttributeValues.h"
#include "ui/ClipScope.h"
#include "ui/WindowManagerUI.h"

namespace ui {

CContainerUI::~CContainerUI() {
    for (CControlUI* child : children_) child->delete_self();
}

const wchar_t* CContainerUI::class_name() const { return L"Container"; }

void* CContainerUI::interface_of(const std::wstring& name) {
    if (name == L"IContainer") return static_cast<IContainerUI*>(this);
    if (name == L"Container") return static_cast<CContainerUI*>(this);
    return CControlUI::interface_of(name);
}

CControlUI* CContainerUI::item_at(int index) const {
    if (index < 0 || index >= count()) return nullptr;
    return children_[static_cast<size_t>(index)];
}

int CContainerUI::index_of(CControlUI* control) const {
    auto found = std::find(children_.begin(), children_.end(), control);
    return found == children_.end() ? -1 : static_cast<int>(found - children_.begin());
}

bool CContainerUI::set_index(CControlUI* control, int index) {
    const int from = index_of(control);
    if (from < 0 || index < 0 || index >= count()) return false;
    children_.erase(children_.begin() + from);
    children_.insert(children_.begin() + index, control);
    need_update();
    return true;
}

bool CContainerUI::set_multi_index(CControlUI* first, int count_to_move, int new_index) {
    const int from = index_of(first);
    if (from < 0 || count_to_move <= 0 || from + count_to_move > count()) return false;
    std::vector<CControlUI*> moved(children_.begin() + from, children_.begin() + from + count_to_move);
    children_.erase(children_.begin() + from, children_.begin() + from + count_to_move);
    if (new_index < 0 || new_index > count()) {
        children_.insert(children_.begin() + from, moved.begin(), moved.end());
        return false;
    }
    children_.insert(children_.begin() + new_index, moved.begin(), moved.end());
    need_update();
    return true;
}

bool CContainerUI::add(CControlUI* control) { return add_at(control, count()); }

bool CContainerUI::add_at(CControlUI* control, int index) {
    if (!control || index < 0 || index > count()) return false;
    if (manager_) {
        manager_->init_controls(control, this);
    } else {
        control->set_manager(nullptr, this, false);
    }
    if (is_visible()) {
        need_update();
    } else {
        control->set_intern_visible(false);
    }
    children_.insert(children_.begin() + index, control);
    return true;
}

bool CContainerUI::remove(CControlUI* control, bool keep) { return remove_at(index_of(control), keep); }

bool CContainerUI::remove_at(int index, bool keep) {
    CControlUI* child = item_at(index);
    if (!child) return false;
    need_update();
    children_.erase(children_.begin() + index);
    if (!keep && auto_destroy_) dispose(child);
    return true;
}

void CContainerUI::remove_all() {
    std::vector<CControlUI*> removed;
    removed.swap(children_);
    if (auto_destroy_) {
        for (CControlUI* child : removed) dispose(child);
    }
    need_update();
}

void CContainerUI::dispose(CControlUI* child) {
    if (delayed_destroy_ && manager_) {
        manager_->add_delayed_cleanup(child);
    } else {
        child->delete_self();
    }
}

void CContainerUI::set_visible(bool visible) {
    CControlUI::set_visible(visible);
    for (CControlUI* child : children_) child->set_intern_visible(is_visible());
}

void CContainerUI::set_intern_visible(bool visible) {
    CControlUI::set_intern_visible(visible);
    for (CControlUI* child : children_) child->set_intern_visible(is_visible());
}

void CContainerUI::set_manager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
    CControlUI::set_manager(manager, parent, initialise);
    for (CControlUI* child : children_) child->set_manager(manager, this, initialise);
}

RECT CContainerUI::child_area() const {
    return RECT{rect_.left + inset_.left, rect_.top + inset_.top, rect_.right - inset_.right,
                rect_.bottom - inset_.bottom};
}

void CContainerUI::set_float_pos(CControlUI* child) {
    const TPercentInfo pct = child->float_percent();
    child->set_pos(floating_rect(SIZE{width(), height()}, child->fixed_xy(),
                                 SIZE{child->fixed_width(), child->fixed_height()}, pct.left, pct.top, pct.right,
                                 pct.bottom),
                   false);
}

void CContainerUI::collect_flow(std::vector<CControlUI*>& flow, std::vector<LayoutChild>& constraints) {
    for (CControlUI* child : children_) {
        if (!child->is_visible()) continue;
        if (child->is_float()) {
            set_float_pos(child);
            continue;
        }
        flow.push_back(child);
        constraints.push_back(constraints_of(child));
    }
}

LayoutChild CContainerUI::constraints_of(const CControlUI* child) const {
    LayoutChild c;
    c.margins = child->margins();
    c.fixed_width = child->fixed_width();
    c.fixed_height = child->fixed_height();
    c.min_width = child->min_width();
    c.max_width = child->max_width();
    c.min_height = child->min_height();
    c.max_height = child->max_height();
    return c;
}

void CContainerUI::set_pos(RECT rect, bool invalidate) {
    CControlUI::set_pos(rect, invalidate);
    const RECT area = child_area();
    for (CControlUI* child : children_) {
        if (!child->is_visible()) continue;
        if (child->is_float()) {
            set_float_pos(child);
            continue;
        }
        const RECT m = child->margins();
        child->set_pos(RECT{area.left + m.left, area.top + m.top, area.right - m.right, area.bottom - m.bottom},
                       false);
    }
}

CControlUI* CContainerUI::find_control(FindControlProc proc, void* data, UINT flags) {
    if ((flags & kFindVisible) && !is_visible()) return nullptr;
    if ((flags & kFindEnabled) && !is_enabled()) return nullptr;
    const bool hit_test = (flags & kFindHitTest) != 0;
    if (hit_test && !::PtInRect(&rect_, *static_cast<const POINT*>(data))) return nullptr;
    if ((flags & kFindUpdateTest) && proc(this, data)) return nullptr;
    const bool can_answer = !hit_test || mouse_;

    if ((flags & kFindMeFirst) && can_answer) {
        if (CControlUI* found = proc(this, data)) return found;
    }
    if (cover_) {
        if (CControlUI* found = cover_->find_control(proc, data, flags)) return found;
    }
    if (!hit_test || mouse_child_) {
        const RECT area = child_area();
        auto search = [&](CControlUI* child) -> CControlUI* {
            CControlUI* found = child->find_control(proc, data, flags);
            if (!found) return nullptr;
            // A hit outside the child area counts only for floating children.
            if (hit_test && !child->is_float() && !::PtInRect(&area, *static_cast<const POINT*>(data))) {
                return nullptr;
            }
            return found;
        };
        if (flags & kFindTopFirst) {
            for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
                if (CControlUI* found = search(*it)) return found;
            }
        } else {
            for (CControlUI* child : children_) {
                if (CControlUI* found = search(child)) return found;
            }
        }
    }
    if (!(flags & kFindMeFirst) && can_answer) return proc(this, data);
    return nullptr;
}

bool CContainerUI::do_paint(HDC dc, const RECT& area, CControlUI* stop) {
    RECT overlap;
    if (!::IntersectRect(&overlap, &area, &rect_)) return true;
    ClipScope clip(dc, rect_);
    CControlUI::do_paint(dc, area, stop);
    if (children_.empty()) return true;

    const RECT inner = child_area();
    const bool has_inset = inset_.left || inset_.top || inset_.right || inset_.bottom;
    for (CControlUI* child : children_) {
        if (child == stop) return false;
        if (!child->is_visible()) continue;
        if (!::IntersectRect(&overlap, &area, &child->rect())) continue;
        if (child->is_float()) {
            if (!child->paint(dc, area, stop)) return false;
            continue;
        }
        if (!::IntersectRect(&overlap, &inner, &child->rect())) continue;
        if (has_inset) {
            ClipScope clip_inner(dc, inner);
            if (!child->paint(dc, area, stop)) return false;
        } else if (!child->paint(dc, area, stop)) {
            return false;
        }
    }
    return true;
}

void CContainerUI::set_inset(const RECT& inset) {
    inset_ = inset;
    need_update();
}

void CContainerUI::set_child_padding(int padding) {
    child_padding_ = padding;
    need_update();
}

void CContainerUI::set_child_align(ChildAlign align) {
    child_align_ = align;
    need_update();
}

void CContainerUI::set_child_valign(ChildAlign align) {
    child_valign_ = align;
    need_update();
}

void CContainerUI::apply_attribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"inset") {
        set_inset(parse_rect(value));
    } else if (name == L"childpadding") {
        set_child_padding(parse_int(value));
    } else if (name == L"childalign") {
        if (value == L"left") set_child_align(ChildAlign::Start);
        if (value == L"center") set_child_align(ChildAlign::Center);
        if (value == L"right") set_child_align(ChildAlign::End);
    } else if (name == L"childvalign") {
        if (value == L"top") set_child_valign(ChildAlign::Start);
        if (value == L"vcenter") set_child_valign(ChildAlign::Center);
        if (value == L"bottom") set_child_valign(ChildAlign::End);
    } else if (name == L"mousechild") {
        set_mouse_child_enabled(parse_bool(value));
    } else {
        CControlUI::apply_attribute(name, value);
    }
}

}  // namespace ui
