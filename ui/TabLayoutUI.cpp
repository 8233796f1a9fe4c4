#include "ui/TabLayoutUI.h"

#include "ui/AttributeValues.h"
#include "ui/Notify.h"
#include "ui/WindowManagerUI.h"

namespace ui {

const wchar_t* CTabLayoutUI::class_name() const { return L"TabLayout"; }

void* CTabLayoutUI::interface_of(const std::wstring& name) {
    if (name == L"TabLayout") return this;
    return CContainerUI::interface_of(name);
}

bool CTabLayoutUI::add(CControlUI* control) { return add_at(control, count()); }

bool CTabLayoutUI::add_at(CControlUI* control, int index) {
    if (!CContainerUI::add_at(control, index)) return false;
    if (current_ == -1 && control->is_visible()) {
        current_ = index;
        return true;
    }
    if (current_ != -1 && current_ >= index) ++current_;  // the current page moved back by one
    control->set_visible(false);
    return true;
}

bool CTabLayoutUI::remove(CControlUI* control, bool keep) { return remove_at(index_of(control), keep); }

bool CTabLayoutUI::remove_at(int index, bool keep) {
    if (!CContainerUI::remove_at(index, keep)) return false;
    if (index == current_) {
        current_ = count() > 0 ? 0 : -1;
        if (current_ == 0) item_at(0)->set_visible(true);
        need_parent_update();
    } else if (index < current_) {
        --current_;
    }
    return true;
}

void CTabLayoutUI::remove_all() {
    current_ = -1;
    CContainerUI::remove_all();
    need_parent_update();
}

bool CTabLayoutUI::select_item(int index) {
    if (index < 0 || index >= count()) return false;
    if (index == current_) return true;
    const int previous = current_;
    current_ = index;
    for (int i = 0; i < count(); ++i) {
        if (i != index) item_at(i)->set_visible(false);
    }
    item_at(index)->set_visible(true);
    item_at(index)->set_focus();
    need_parent_update();
    invalidate();
    if (manager_) {
        manager_->set_next_tab_control(true);
        manager_->send_notification(this, kNotifyTabSelect, static_cast<WPARAM>(index),
                                    static_cast<LPARAM>(previous), false);
    }
    return true;
}

void CTabLayoutUI::set_pos(RECT rect, bool invalidate) {
    CControlUI::set_pos(rect, invalidate);
    const RECT area = child_area();
    for (int i = 0; i < count(); ++i) {
        CControlUI* child = item_at(i);
        if (!child->is_visible()) continue;
        if (child->is_float()) {
            set_float_pos(child);
            continue;
        }
        if (i != current_) continue;
        const RECT m = child->margins();
        const RECT page_area{area.left + m.left, area.top + m.top, area.right - m.right, area.bottom - m.bottom};
        const SIZE measured =
            child->estimate_size(SIZE{page_area.right - page_area.left, page_area.bottom - page_area.top});
        child->set_pos(tab_page_rect(page_area, constraints_of(child), measured), false);
    }
}

void CTabLayoutUI::apply_attribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"selectedid") {
        select_item(parse_int(value));
    } else {
        CContainerUI::apply_attribute(name, value);
    }
}

}  // namespace ui
