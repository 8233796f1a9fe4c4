#pragma once

#include <windows.h>

#include <vector>

#include "ui/ControlUI.h"
#include "ui/LayoutArithmetic.h"

namespace ui {

// What the skin builder and the windows use to add and remove children at
// run time (interface_of(L"IContainer")).
class IContainerUI {
public:
    virtual CControlUI* item_at(int index) const = 0;  // none when out of range
    virtual int index_of(CControlUI* control) const = 0;  // -1 when absent
    virtual bool set_index(CControlUI* control, int index) = 0;
    virtual bool set_multi_index(CControlUI* first, int count, int new_index) = 0;
    virtual int count() const = 0;
    // An added control belongs to the container; a refused one stays the
    // caller's.
    virtual bool add(CControlUI* control) = 0;
    virtual bool add_at(CControlUI* control, int index) = 0;
    virtual bool remove(CControlUI* control, bool keep = false) = 0;
    virtual bool remove_at(int index, bool keep = false) = 0;
    virtual void remove_all() = 0;

protected:
    ~IContainerUI() = default;
};

// The common base of the layouts: owns the children, places floating
// children, and paints and hit-tests them. Non-floating children fill the
// area inside the inset.
class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI() = default;
    ~CContainerUI() override;

    const wchar_t* class_name() const override;
    void* interface_of(const std::wstring& name) override;

    CControlUI* item_at(int index) const override;
    int index_of(CControlUI* control) const override;
    bool set_index(CControlUI* control, int index) override;
    bool set_multi_index(CControlUI* first, int count, int new_index) override;
    int count() const override { return static_cast<int>(children_.size()); }
    bool add(CControlUI* control) override;
    bool add_at(CControlUI* control, int index) override;
    bool remove(CControlUI* control, bool keep = false) override;
    bool remove_at(int index, bool keep = false) override;
    void remove_all() override;

    void set_visible(bool visible) override;
    void set_intern_visible(bool visible) override;
    void set_manager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) override;
    void set_pos(RECT rect, bool invalidate = true) override;
    CControlUI* find_control(FindControlProc proc, void* data, UINT flags) override;
    bool do_paint(HDC dc, const RECT& area, CControlUI* stop) override;
    void apply_attribute(const std::wstring& name, const std::wstring& value) override;

    RECT inset() const { return inset_; }
    void set_inset(const RECT& inset);
    int child_padding() const { return child_padding_; }
    void set_child_padding(int padding);
    void set_child_align(ChildAlign align);
    void set_child_valign(ChildAlign align);
    bool is_mouse_child_enabled() const { return mouse_child_; }
    void set_mouse_child_enabled(bool enabled) { mouse_child_ = enabled; }
    void set_auto_destroy(bool auto_destroy) { auto_destroy_ = auto_destroy; }
    void set_delayed_destroy(bool delayed) { delayed_destroy_ = delayed; }

    // The area the non-floating children live in: the rectangle less the inset.
    RECT child_area() const;
    // Places a floating child from its fixed position, size and fractions.
    void set_float_pos(CControlUI* child);

protected:
    // Destroys a removed child, directly or through delayed deletion.
    void dispose(CControlUI* child);
    LayoutChild constraints_of(const CControlUI* child) const;
    // Places the floating children and collects the visible others, which
    // the layouts flow, with their constraints.
    void collect_flow(std::vector<CControlUI*>& flow, std::vector<LayoutChild>& constraints);

    std::vector<CControlUI*> children_;  // owned
    RECT inset_{};
    int child_padding_ = 0;
    ChildAlign child_align_ = ChildAlign::Start;
    ChildAlign child_valign_ = ChildAlign::Start;
    bool auto_destroy_ = true;
    bool delayed_destroy_ = false;
    bool mouse_child_ = true;
};

}  // namespace ui
