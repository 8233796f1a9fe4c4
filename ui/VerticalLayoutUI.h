#pragma once

#include "ui/ContainerUI.h"

namespace ui {

// Stacks its children top to bottom; children without a height share the height the others leave.
class CVerticalLayoutUI : public CContainerUI {
public:
    const wchar_t* class_name() const override;
    void* interface_of(const std::wstring& name) override;
    void set_pos(RECT rect, bool invalidate = true) override;
};

}  // namespace ui
