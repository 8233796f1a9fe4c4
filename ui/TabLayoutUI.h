#pragma once

#include "ui/ContainerUI.h"

namespace ui {

// Shows exactly one of its children (pages); selecting another page raises
// "tabselect" with wparam = the new index and lparam = the previous one.
class CTabLayoutUI : public CContainerUI {
public:
    const wchar_t* class_name() const override;
    void* interface_of(const std::wstring& name) override;

    bool add(CControlUI* control) override;
    bool add_at(CControlUI* control, int index) override;
    bool remove(CControlUI* control, bool keep = false) override;
    bool remove_at(int index, bool keep = false) override;
    void remove_all() override;

    int current_index() const { return current_; }
    // False when index is out of range; true without effect when it is
    // already the current page.
    bool select_item(int index);

    void set_pos(RECT rect, bool invalidate = true) override;
    void apply_attribute(const std::wstring& name, const std::wstring& value) override;

private:
    int current_ = -1;
};

}  // namespace ui
