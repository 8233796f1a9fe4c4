#pragma once

#include "ui/ContainerUI.h"

namespace ui {

// Places its children left to right; children without a width share the width the others leave.
class CHorizontalLayoutUI : public CContainerUI {
public:
    const wchar_t* class_name() const override;
    void* interface_of(const std::wstring& name) override;
    void set_pos(RECT rect, bool invalidate = true) override;
};

}  // namespace ui
