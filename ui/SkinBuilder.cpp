#include "ui/SkinBuilder.h"

#include <cwchar>

#include "ui/AttributeValues.h"
#include "ui/ContainerUI.h"
#include "ui/ControlFactory.h"
#include "ui/ControlUI.h"
#include "ui/MultiLanguage.h"
#include "ui/SkinResources.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

// A skin that includes itself, directly or not, stops here instead of
// recursing until the stack runs out.
constexpr int kMaxIncludeDepth = 16;

bool same_text(const wchar_t* a, const wchar_t* b) { return a && b && ::_wcsicmp(a, b) == 0; }

bool is_resource_element(const wchar_t* name) {
    return same_text(name, L"Image") || same_text(name, L"Font") || same_text(name, L"Default") ||
           same_text(name, L"MultiLanguage");
}

// The attributes of a resource element, looked up in any case.
class ResourceAttributes {
public:
    explicit ResourceAttributes(const CSkinXmlNode& node) : node_(node) {}

    const wchar_t* text(const wchar_t* name) const {
        for (int i = 0; i < node_.attribute_count(); ++i) {
            if (same_text(node_.attribute_name(i), name)) return node_.attribute_value(i);
        }
        return nullptr;
    }
    int number(const wchar_t* name, int fallback) const {
        const wchar_t* value = text(name);
        return value ? parse_int(value) : fallback;
    }
    bool flag(const wchar_t* name) const { return same_text(text(name), L"true"); }

private:
    const CSkinXmlNode& node_;
};

void add_image(const ResourceAttributes& a, CWindowManagerUI* manager) {
    const wchar_t* name = a.text(L"name");
    if (!name) return;
    const wchar_t* type = a.text(L"restype");
    const wchar_t* mask = a.text(L"mask");
    manager->add_skin_image(name, type ? type : L"", mask ? parse_color(mask) : 0, false, a.flag(L"shared"));
}

void add_font(const ResourceAttributes& a, CWindowManagerUI* manager) {
    const int id = a.number(L"id", -1);
    const wchar_t* face = a.text(L"name");
    if (id < 0 || !face) return;
    const int size = a.number(L"size", 12);
    const bool bold = a.flag(L"bold"), underline = a.flag(L"underline"), italic = a.flag(L"italic"),
               strikeout = a.flag(L"strikeout"), shared = a.flag(L"shared");
    manager->add_skin_font(id, face, size, bold, underline, italic, strikeout, shared);
    if (a.flag(L"default")) manager->set_default_skin_font(face, size, bold, underline, italic, strikeout, shared);
}

void add_defaults(const ResourceAttributes& a, CWindowManagerUI* manager) {
    const wchar_t* name = a.text(L"name");
    const wchar_t* value = a.text(L"value");
    if (name) manager->add_element_defaults(name, value ? value : L"", a.flag(L"shared"));
}

void add_language_text(const ResourceAttributes& a) {
    const int id = a.number(L"id", -1);
    const wchar_t* value = a.text(L"value");
    if (id >= 0 && value) add_multi_language_text(id, value);
}

}  // namespace

CControlUI* CSkinBuilder::build(const std::wstring& source, ISkinBuilderCallback* callback,
                                CWindowManagerUI* manager, CControlUI* parent) {
    resource_type_.clear();
    const bool loaded = (!source.empty() && source[0] == L'<') ? xml_.load_text(source.c_str())
                                                               : xml_.load_skin_file(source.c_str());
    if (!loaded) return nullptr;
    return build_loaded(callback, manager, parent);
}

CControlUI* CSkinBuilder::build_resource(UINT resource_id, const wchar_t* resource_type,
                                         ISkinBuilderCallback* callback, CWindowManagerUI* manager,
                                         CControlUI* parent) {
    if (!load_resource(resource_id, resource_type)) return nullptr;
    return build_loaded(callback, manager, parent);
}

bool CSkinBuilder::load_resource(UINT resource_id, const wchar_t* resource_type) {
    resource_type_ = resource_type ? resource_type : L"";
    xml_.release();
    HMODULE module = resource_instance();
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(resource_id), resource_type);
    if (!resource) return false;
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = ::SizeofResource(module, resource);
    return bytes && size > 0 && xml_.load_bytes(bytes, size, SkinEncoding::Utf8);
}

CControlUI* CSkinBuilder::build_loaded(ISkinBuilderCallback* callback, CWindowManagerUI* manager,
                                       CControlUI* parent) {
    callback_ = callback;
    const CSkinXmlNode root = xml_.root();
    if (!root.exists()) return nullptr;
    if (manager) {
        apply_resources(root, manager);
        if (same_text(root.name(), L"Window") && manager->hwnd()) {
            for (int i = 0; i < root.attribute_count(); ++i) {
                manager->apply_window_attribute(root.attribute_name(i), root.attribute_value(i));
            }
        }
    }
    CControlUI* first = nullptr;
    if (!build_children(root.first_child(), parent, manager, first)) {
        // Without a parent the controls made so far belong to nobody.
        if (first && !parent) first->delete_self();
        return nullptr;
    }
    return first;
}

void CSkinBuilder::apply_resources(const CSkinXmlNode& root, CWindowManagerUI* manager) {
    for (CSkinXmlNode node = root.first_child(); node.exists(); node = node.next_sibling()) {
        const ResourceAttributes attributes(node);
        if (same_text(node.name(), L"Image")) {
            add_image(attributes, manager);
        } else if (same_text(node.name(), L"Font")) {
            add_font(attributes, manager);
        } else if (same_text(node.name(), L"Default")) {
            add_defaults(attributes, manager);
        } else if (same_text(node.name(), L"MultiLanguage")) {
            add_language_text(attributes);
        }
    }
}

CControlUI* CSkinBuilder::make_control(const std::wstring& element_name) {
    if (CControlUI* control = create_control(element_name)) return control;
    return callback_ ? callback_->make_custom_control(element_name) : nullptr;
}

bool CSkinBuilder::build_children(const CSkinXmlNode& first, CControlUI* parent, CWindowManagerUI* manager,
                                  CControlUI*& first_made) {
    for (CSkinXmlNode node = first; node.exists(); node = node.next_sibling()) {
        const wchar_t* name = node.name();
        if (is_resource_element(name)) continue;
        if (same_text(name, L"Include")) {
            if (!build_include(node, parent, manager, first_made)) return false;
            continue;
        }
        // Without a parent only the first control has an owner (the caller).
        if (!parent && first_made) continue;
        CControlUI* control = make_control(name);
        if (!control) continue;
        if (node.has_child_elements()) {
            CControlUI* first_child = nullptr;
            if (!build_children(node.first_child(), control, manager, first_child)) {
                control->delete_self();
                return false;
            }
        }
        if (parent) {
            const wchar_t* cover = node.attribute_value(L"cover");
            if (cover && std::wcscmp(cover, L"true") == 0) {
                parent->set_cover(control);
            } else {
                auto* container = static_cast<IContainerUI*>(parent->interface_of(L"IContainer"));
                if (!container) {
                    control->delete_self();
                    return false;
                }
                if (!container->add(control)) {
                    control->delete_self();
                    continue;
                }
            }
        }
        if (manager) {
            control->set_manager(manager, control->parent(), false);
            if (const std::wstring* defaults = manager->find_element_defaults(name)) {
                control->apply_attribute_text(*defaults);
            }
        }
        for (int i = 0; i < node.attribute_count(); ++i) {
            control->apply_attribute(node.attribute_name(i), node.attribute_value(i));
        }
        if (manager) control->set_manager(nullptr, control->parent(), false);
        if (!first_made) first_made = control;
    }
    return true;
}

bool CSkinBuilder::build_include(const CSkinXmlNode& node, CControlUI* parent, CWindowManagerUI* manager,
                                 CControlUI*& first_made) {
    const wchar_t* source = node.attribute_value(L"source");
    if (!source || depth_ >= kMaxIncludeDepth) return true;
    const wchar_t* count_text = node.attribute_value(L"count");
    const int count = count_text ? parse_int(count_text) : 1;
    CSkinBuilder included;
    included.depth_ = depth_ + 1;
    for (int i = 0; i < count; ++i) {
        CControlUI* made = nullptr;
        if (i > 0) {
            made = included.build_loaded(callback_, manager, parent);
        } else if (!resource_type_.empty()) {
            made = included.build_resource(static_cast<UINT>(parse_int(source)), resource_type_.c_str(), callback_,
                                           manager, parent);
        } else {
            made = included.build(source, callback_, manager, parent);
        }
        if (!made) continue;
        if (!first_made) {
            first_made = made;
        } else if (!parent) {
            made->delete_self();
        }
    }
    return true;
}

}  // namespace ui
