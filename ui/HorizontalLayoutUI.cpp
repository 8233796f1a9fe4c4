#include "ui/HorizontalLayoutUI.h"

namespace ui {

const wchar_t* CHorizontalLayoutUI::class_name() const { return L"HorizontalLayout"; }

void* CHorizontalLayoutUI::interface_of(const std::wstring& name) {
    if (name == L"HorizontalLayout") return this;
    return CContainerUI::interface_of(name);
}

void CHorizontalLayoutUI::set_pos(RECT rect, bool invalidate) {
    CControlUI::set_pos(rect, invalidate);
    std::vector<CControlUI*> flow;
    std::vector<LayoutChild> constraints;
    collect_flow(flow, constraints);
    const auto rects = layout_horizontal(child_area(), constraints, child_padding_, child_valign_,
                                       [&](size_t index, SIZE limits) { return flow[index]->estimate_size(limits); });
    for (size_t i = 0; i < flow.size(); ++i) flow[i]->set_pos(rects[i], false);
}

}  // namespace ui
