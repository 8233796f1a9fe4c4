#pragma once
// Builds a skin snippet (or a skin file) without a window and reads back the
// rectangles of its named controls.
#include <windows.h>

#include <cwchar>
#include <functional>
#include <memory>
#include <string>

#include "ui/ControlUI.h"
#include "ui/SkinBuilder.h"

// Makes the controls of a test's own element names; the toolkit makes all
// the others.
class StandInControls : public ui::ISkinBuilderCallback {
public:
    ui::CControlUI* make_custom_control(const std::wstring& name) override { return extra ? extra(name) : nullptr; }

    std::function<ui::CControlUI*(const std::wstring&)> extra;
};

struct ControlDeleter {
    void operator()(ui::CControlUI* control) const {
        if (control) control->delete_self();
    }
};
using ControlTree = std::unique_ptr<ui::CControlUI, ControlDeleter>;

// source is a skin file name, or the markup of controls that the snippet's
// "Window" element is wrapped around.
inline ControlTree BuildTree(const std::wstring& source, ui::CWindowManagerUI* manager = nullptr) {
    StandInControls stand_ins;
    ui::CSkinBuilder builder;
    const std::wstring skin = source[0] == L'<' ? L"<Window>" + source + L"</Window>" : source;
    return ControlTree(builder.build(skin, &stand_ins, manager, nullptr));
}

// The last control of that name in tree order (children before their
// container), as a window's name map finds it.
inline ui::CControlUI* FindByName(ui::CControlUI* root, const std::wstring& name) {
    struct Search {
        const std::wstring* name;
        ui::CControlUI* found;
    } search{&name, nullptr};
    root->find_control(
        [](ui::CControlUI* control, void* data) -> ui::CControlUI* {
            auto* s = static_cast<Search*>(data);
            if (control->name() == *s->name) s->found = control;
            return nullptr;
        },
        &search, ui::kFindAll);
    return search.found;
}

struct ExpectedRect {
    const wchar_t* name;
    RECT rect;
};
