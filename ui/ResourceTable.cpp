#include "ui/ResourceTable.h"

#include <cwctype>

namespace ui {
namespace {

std::wstring lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

}  // namespace

void CResourceTable::add_font(int id, std::unique_ptr<TFontInfo> font) {
    if (font) fonts_[id] = std::move(font);
}

TFontInfo* CResourceTable::font(int id) const {
    auto found = fonts_.find(id);
    return found == fonts_.end() ? nullptr : found->second.get();
}

void CResourceTable::set_default_font(std::unique_ptr<TFontInfo> font) {
    if (font) default_font_ = std::move(font);
}

void CResourceTable::add_image(const std::wstring& name, std::shared_ptr<TImageInfo> image) {
    if (image) images_[name] = std::move(image);
}

std::shared_ptr<TImageInfo> CResourceTable::image(const std::wstring& name) const {
    auto found = images_.find(name);
    return found == images_.end() ? nullptr : found->second;
}

void CResourceTable::add_defaults(const std::wstring& element, const std::wstring& attributes) {
    defaults_[lower(element)] = attributes;
}

const std::wstring* CResourceTable::defaults(const std::wstring& element) const {
    auto found = defaults_.find(lower(element));
    return found == defaults_.end() ? nullptr : &found->second;
}

void CResourceTable::clear() {
    fonts_.clear();
    default_font_.reset();
    images_.clear();
    defaults_.clear();
}

CResourceTable& shared_resources() {
    static CResourceTable table = [] {
        CResourceTable shared;
        shared.set_default_font(make_system_default_font());
        return shared;
    }();
    return table;
}

}  // namespace ui
