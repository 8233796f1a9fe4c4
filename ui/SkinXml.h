#pragma once
// The skin markup parser. It works in place on one wide-text buffer: names
// and values stay where they were written, terminated and with entities
// decoded inside the buffer, and the elements are a table of offsets owned by
// the document. Failures are a result with a message and the markup at the
// failing position, never an exception.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/SkinEncoding.h"

namespace ui {

class CSkinXmlNode;

class CSkinXml {
public:
    CSkinXml() = default;
    CSkinXml(const CSkinXml&) = delete;
    CSkinXml& operator=(const CSkinXml&) = delete;

    // Each load first releases the current document; a failing load leaves
    // it empty with error_message() and error_location() set.
    bool load_text(const wchar_t* text);
    bool load_bytes(const void* bytes, size_t size, SkinEncoding encoding = SkinEncoding::Utf8);
    // Reads the file from the current skin source (SkinResources.h).
    bool load_skin_file(const wchar_t* name, SkinEncoding encoding = SkinEncoding::Utf8);
    void release();

    // The first top-level element, or an invalid handle.
    CSkinXmlNode root() const;

    const wchar_t* error_message() const { return error_message_.c_str(); }
    const wchar_t* error_location() const { return error_location_.c_str(); }

private:
    friend class CSkinXmlNode;

    // Offsets are in characters from the start of text_; index 0 is "none".
    struct Element {
        uint32_t name;
        uint32_t first_child;
        uint32_t next_sibling;
        uint32_t parent;
        uint32_t attributes;  // start of the attribute list, 0 when the tag has none
    };

    bool parse();
    bool parse_attributes(wchar_t*& p);
    bool parse_value(wchar_t*& p);
    bool close_element(wchar_t*& p, uint32_t element);
    uint32_t add_element(uint32_t name, uint32_t parent, uint32_t previous);
    bool fail(const wchar_t* message, const wchar_t* where);

    std::vector<wchar_t> text_;      // the markup, always ending in a 0
    std::vector<Element> elements_;  // element 0 is a placeholder
    std::wstring error_message_;
    std::wstring error_location_;
};

// A light handle to one element; copied by value, valid while its document
// is neither reloaded nor released. Every operation tolerates an invalid
// handle, so building code needs no checks between steps.
class CSkinXmlNode {
public:
    // Attributes after the 64th of an element are never seen.
    static constexpr int kMaxAttributes = 64;

    CSkinXmlNode() = default;

    bool exists() const { return document_ != nullptr; }
    const wchar_t* name() const;  // null for an invalid handle
    CSkinXmlNode first_child() const;
    CSkinXmlNode next_sibling() const;
    CSkinXmlNode parent() const;
    bool has_child_elements() const;

    // Out of range gives "", an invalid handle null (names, values) or 0.
    int attribute_count() const;
    const wchar_t* attribute_name(int index) const;
    const wchar_t* attribute_value(int index) const;
    bool any_attributes() const { return attribute_count() > 0; }

    // The value of the first attribute with exactly this name (case matters),
    // or null when there is none.
    const wchar_t* attribute_value(const wchar_t* name) const;
    // Copies the value of the first attribute of that name into buffer, which
    // holds `max` characters including the terminating 0, cutting it short
    // when longer; false (buffer untouched) when absent or max is 0.
    bool find_attribute(const wchar_t* name, wchar_t* buffer, size_t max) const;

private:
    friend class CSkinXml;
    CSkinXmlNode(const CSkinXml* document, uint32_t element) : document_(document), element_(element) {}
    void map_attributes() const;

    const CSkinXml* document_ = nullptr;
    uint32_t element_ = 0;
    // Found on first attribute access by walking the start tag.
    mutable bool attributes_mapped_ = false;
    mutable int attribute_count_ = 0;
    mutable uint32_t attributes_[kMaxAttributes][2] = {};  // name and value offsets
};

}  // namespace ui
