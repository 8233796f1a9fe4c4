#include "ui/SkinXml.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "ui/SkinResources.h"

namespace ui {

namespace {

constexpr size_t kMaxMessage = 99;
constexpr size_t kMaxLocation = 49;

// The terminating 0 is never whitespace, so no skip runs past the end.
bool is_space(wchar_t c) { return c != 0 && c <= 32; }
bool is_name_char(wchar_t c) { return c == L'_' || c == L':' || std::iswalnum(c); }

void skip_spaces(wchar_t*& p) {
    while (is_space(*p)) ++p;
}
void skip_spaces(const wchar_t*& p) {
    while (is_space(*p)) ++p;
}
template <typename Char>
void skip_name(Char*& p) {
    while (is_name_char(*p)) ++p;
}

// Moves past the first "<first><second>" pair, or to the end of text.
void skip_past(wchar_t*& p, wchar_t first, wchar_t second) {
    while (*p && !(p[0] == first && p[1] == second)) ++p;
    if (*p) p += 2;
}

struct Entity {
    const wchar_t* text;
    size_t length;
    wchar_t character;
};
constexpr Entity kEntities[] = {
    {L"&amp;", 5, L'&'}, {L"&lt;", 4, L'<'}, {L"&gt;", 4, L'>'}, {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
};

}  // namespace

void CSkinXml::release() {
    std::vector<wchar_t>().swap(text_);
    std::vector<Element>().swap(elements_);
}

bool CSkinXml::load_text(const wchar_t* text) {
    release();
    error_message_.clear();
    error_location_.clear();
    const size_t length = text ? std::wcslen(text) : 0;
    text_.assign(text, text + length);
    text_.push_back(0);
    return parse();
}

bool CSkinXml::load_bytes(const void* bytes, size_t size, SkinEncoding encoding) {
    release();
    error_message_.clear();
    error_location_.clear();
    std::wstring text;
    if (!decode_skin_bytes(bytes, size, encoding, text)) return fail(L"Missing byte order mark", nullptr);
    text_.assign(text.begin(), text.end());
    text_.push_back(0);
    return parse();
}

bool CSkinXml::load_skin_file(const wchar_t* name, SkinEncoding encoding) {
    release();
    error_message_.clear();
    error_location_.clear();
    std::vector<unsigned char> bytes;
    std::wstring error;
    if (!read_skin_file(name ? name : L"", bytes, error)) return fail(error.c_str(), nullptr);
    return load_bytes(bytes.data(), bytes.size(), encoding);
}

CSkinXmlNode CSkinXml::root() const {
    if (elements_.size() < 2) return {};
    return {this, 1};
}

bool CSkinXml::fail(const wchar_t* message, const wchar_t* where) {
    error_message_.assign(message).resize(std::min(error_message_.size(), kMaxMessage));
    error_location_.clear();
    for (size_t i = 0; where && where[i] && i < kMaxLocation; ++i) error_location_.push_back(where[i]);
    release();
    return false;
}

uint32_t CSkinXml::add_element(uint32_t name, uint32_t parent, uint32_t previous) {
    const auto index = static_cast<uint32_t>(elements_.size());
    elements_.push_back({name, 0, 0, parent, 0});
    if (previous)
        elements_[previous].next_sibling = index;
    else
        elements_[parent].first_child = index;
    return index;
}

// One pass over the text. The open elements are an explicit stack rather
// than recursion, so no nesting depth in a damaged file can exhaust the
// thread's stack.
bool CSkinXml::parse() {
    struct OpenList {
        uint32_t parent;
        uint32_t last;  // the latest element of this sibling list
    };
    std::vector<OpenList> open{{0, 0}};
    elements_.assign(1, Element{});
    wchar_t* const start = text_.data();
    wchar_t* p = start;
    for (;;) {
        skip_spaces(p);
        const uint32_t parent = open.back().parent;
        // Text may end while the root or its children are still open.
        if (*p == 0) return parent <= 1 || fail(L"Expected start tag", p);
        if (*p != L'<') return fail(L"Expected start tag", p);
        if (p[1] == L'/') {
            // A closing tag with nothing open ends the document.
            if (open.size() == 1) return true;
            if (!close_element(p, parent)) return false;
            open.pop_back();
            continue;
        }
        ++p;
        skip_spaces(p);
        if (*p == L'?' || *p == L'!') {
            const wchar_t last = *p == L'?' ? L'?' : L'-';
            skip_past(++p, last, L'>');
            continue;
        }
        const uint32_t element = add_element(static_cast<uint32_t>(p - start), parent, open.back().last);
        open.back().last = element;
        skip_name(p);
        if (*p == 0) return fail(L"Error parsing element name", p);
        wchar_t* const name_end = p;
        if (is_space(*p)) elements_[element].attributes = static_cast<uint32_t>(p + 1 - start);
        if (!parse_attributes(p)) return false;
        skip_spaces(p);
        if (p[0] == L'/' && p[1] == L'>') {
            p += 2;
            *name_end = 0;
            continue;
        }
        if (*p != L'>') return fail(L"Expected start-tag closing", p);
        ++p;
        *name_end = 0;
        while (*p && *p != L'<') ++p;
        if (*p == 0) return parent <= 1 || fail(L"Expected end-tag start", p);
        open.push_back({element, 0});
    }
}

// p is at "</"; the element's name is already terminated in place.
bool CSkinXml::close_element(wchar_t*& p, uint32_t element) {
    p += 2;
    const wchar_t* name = text_.data() + elements_[element].name;
    const size_t length = std::wcslen(name);
    if (std::wcsncmp(p, name, length) != 0) return fail(L"Unmatched closing tag", p);
    p += length;
    skip_spaces(p);
    if (*p != L'>') return fail(L"Unmatched closing tag", p);
    ++p;
    return true;
}

// Leaves every attribute as: name, 0, whitespace, '"', value, 0, whitespace.
// That canonical form is what CSkinXmlNode walks when it maps the attributes.
bool CSkinXml::parse_attributes(wchar_t*& p) {
    for (;;) {
        skip_spaces(p);
        if (*p == 0 || *p == L'>' || *p == L'/') return true;
        wchar_t* name_end = p;
        skip_name(name_end);
        p = name_end;
        skip_spaces(p);
        if (*p != L'=') return fail(L"Error while parsing attributes", p);
        *p++ = L' ';
        *name_end = 0;
        skip_spaces(p);
        if (*p != L'"') return fail(L"Expected attribute value", p);
        ++p;
        if (!parse_value(p)) return false;
    }
}

// Decodes the value in place up to the closing quote, shifting the text left
// over each entity; the gap left behind becomes whitespace.
bool CSkinXml::parse_value(wchar_t*& p) {
    wchar_t* dest = p;
    while (*p && *p != L'"') {
        if (*p == L'&') {
            const Entity* match = nullptr;
            for (const Entity& entity : kEntities)
                if (std::wcsncmp(p, entity.text, entity.length) == 0) match = &entity;
            if (match) {
                *dest++ = match->character;
                p += match->length;
                continue;
            }
        }
        *dest++ = *p++;
    }
    if (*p == 0) return fail(L"Error while parsing attribute string", p);
    *dest = 0;
    for (wchar_t* gap = dest + 1; gap <= p; ++gap) *gap = L' ';
    ++p;
    return true;
}

const wchar_t* CSkinXmlNode::name() const {
    if (!document_) return nullptr;
    return document_->text_.data() + document_->elements_[element_].name;
}

CSkinXmlNode CSkinXmlNode::first_child() const {
    if (!document_) return {};
    const uint32_t child = document_->elements_[element_].first_child;
    return child ? CSkinXmlNode(document_, child) : CSkinXmlNode();
}

CSkinXmlNode CSkinXmlNode::next_sibling() const {
    if (!document_) return {};
    const uint32_t sibling = document_->elements_[element_].next_sibling;
    return sibling ? CSkinXmlNode(document_, sibling) : CSkinXmlNode();
}

CSkinXmlNode CSkinXmlNode::parent() const {
    if (!document_) return {};
    const uint32_t parent = document_->elements_[element_].parent;
    return parent ? CSkinXmlNode(document_, parent) : CSkinXmlNode();
}

bool CSkinXmlNode::has_child_elements() const {
    return document_ && document_->elements_[element_].first_child != 0;
}

void CSkinXmlNode::map_attributes() const {
    if (attributes_mapped_ || !document_) return;
    attributes_mapped_ = true;
    const uint32_t offset = document_->elements_[element_].attributes;
    if (offset == 0) return;
    const wchar_t* const start = document_->text_.data();
    const wchar_t* p = start + offset;
    while (attribute_count_ < kMaxAttributes) {
        skip_spaces(p);
        if (!is_name_char(*p)) break;
        const wchar_t* name = p;
        skip_name(p);
        if (*p != 0) break;
        ++p;
        skip_spaces(p);
        if (*p != L'"') break;
        const wchar_t* value = ++p;
        p += std::wcslen(p) + 1;
        attributes_[attribute_count_][0] = static_cast<uint32_t>(name - start);
        attributes_[attribute_count_][1] = static_cast<uint32_t>(value - start);
        ++attribute_count_;
    }
}

int CSkinXmlNode::attribute_count() const {
    map_attributes();
    return attribute_count_;
}

const wchar_t* CSkinXmlNode::attribute_name(int index) const {
    if (!document_) return nullptr;
    map_attributes();
    if (index < 0 || index >= attribute_count_) return L"";
    return document_->text_.data() + attributes_[index][0];
}

const wchar_t* CSkinXmlNode::attribute_value(int index) const {
    if (!document_) return nullptr;
    map_attributes();
    if (index < 0 || index >= attribute_count_) return L"";
    return document_->text_.data() + attributes_[index][1];
}

const wchar_t* CSkinXmlNode::attribute_value(const wchar_t* name) const {
    if (!document_ || !name) return nullptr;
    map_attributes();
    for (int i = 0; i < attribute_count_; ++i)
        if (std::wcscmp(document_->text_.data() + attributes_[i][0], name) == 0)
            return document_->text_.data() + attributes_[i][1];
    return nullptr;
}

bool CSkinXmlNode::find_attribute(const wchar_t* name, wchar_t* buffer, size_t max) const {
    const wchar_t* value = attribute_value(name);
    if (!value || !buffer || max == 0) return false;
    size_t i = 0;
    for (; i + 1 < max && value[i]; ++i) buffer[i] = value[i];
    buffer[i] = 0;
    return true;
}

}  // namespace ui
