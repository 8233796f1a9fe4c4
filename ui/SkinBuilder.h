#pragma once

#include <windows.h>

#include <string>

#include "ui/SkinXml.h"

namespace ui {

class CControlUI;
class CWindowManagerUI;

// Lets a window make the controls of element names the toolkit does not
// know. The returned control belongs to the tree from then on.
class ISkinBuilderCallback {
public:
    virtual CControlUI* make_custom_control(const std::wstring& element_name) = 0;

protected:
    ~ISkinBuilderCallback() = default;
};

// Turns a skin into a tree of controls: the resource elements ("Font",
// "Image", "Default", "MultiLanguage") and the "Window" attributes go to the
// manager, every control element becomes a control, children first, and
// each control gets its default attributes and then its own.
class CSkinBuilder {
public:
    // source is markup text (starting with "<") or a skin file name. The
    // result is the first control made at the top level, none when the skin
    // cannot be loaded or the build fails. Without a parent the result
    // belongs to the caller (usually handed to attach_root).
    CControlUI* build(const std::wstring& source, ISkinBuilderCallback* callback, CWindowManagerUI* manager,
                      CControlUI* parent = nullptr);
    // The same from a module resource of the given type, read as UTF-8;
    // "Include" sources are then resource ids of that type too.
    CControlUI* build_resource(UINT resource_id, const wchar_t* resource_type, ISkinBuilderCallback* callback,
                               CWindowManagerUI* manager, CControlUI* parent = nullptr);
    // Builds the document already loaded again.
    CControlUI* build_loaded(ISkinBuilderCallback* callback, CWindowManagerUI* manager,
                             CControlUI* parent = nullptr);

    const CSkinXml& document() const { return xml_; }

private:
    bool load_resource(UINT resource_id, const wchar_t* resource_type);
    void apply_resources(const CSkinXmlNode& root, CWindowManagerUI* manager);
    // Builds one sibling list into parent; false when the whole build must
    // stop (a control element under a parent that holds no children).
    bool build_children(const CSkinXmlNode& first, CControlUI* parent, CWindowManagerUI* manager,
                        CControlUI*& first_made);
    bool build_include(const CSkinXmlNode& node, CControlUI* parent, CWindowManagerUI* manager,
                       CControlUI*& first_made);
    CControlUI* make_control(const std::wstring& element_name);

    CSkinXml xml_;
    ISkinBuilderCallback* callback_ = nullptr;
    std::wstring resource_type_;  // set when the skin came from a module resource
    int depth_ = 0;               // how deep inside "Include" elements this builder works
};

}  // namespace ui
