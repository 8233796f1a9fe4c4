#include "ui/ImageDescription.h"

#include "ui/AttributeValues.h"
#include "ui/ImageLoader.h"

namespace ui {
namespace {

void apply_key(TImageDescription& d, const std::wstring& key, const std::wstring& value) {
    if (key == L"file" || key == L"res") {
        d.name = value;
    } else if (key == L"restype") {
        d.res_type = value;
    } else if (key == L"color") {
        d.name = value;
        d.res_type = kColorImageType;
    } else if (key == L"dest") {
        d.dest = parse_rect(value);
        d.has_dest = true;
    } else if (key == L"source") {
        d.source = parse_rect(value);
        d.has_source = true;
    } else if (key == L"corner" || key == L"scale9") {
        d.corner = parse_rect(value);
    } else if (key == L"mask") {
        d.mask = parse_color(value);
    } else if (key == L"fade") {
        d.fade = static_cast<BYTE>(parse_int(value));
    } else if (key == L"hole") {
        d.hole = parse_bool(value);
    } else if (key == L"xtiled") {
        d.xtiled = parse_bool(value);
    } else if (key == L"ytiled") {
        d.ytiled = parse_bool(value);
    } else if (key == L"hsl") {
        d.hsl = parse_bool(value);
    }
}

}  // namespace

TImageDescription parse_image_description(const std::wstring& text) {
    TImageDescription d;
    if (text.find(L"='") == std::wstring::npos) {
        d.name = text;
        return d;
    }
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] <= L' ') ++pos;
        if (pos == text.size()) break;
        const size_t equals = text.find(L'=', pos);
        if (equals == std::wstring::npos || equals + 1 >= text.size() || text[equals + 1] != L'\'') break;
        const size_t close = text.find(L'\'', equals + 2);
        if (close == std::wstring::npos) break;
        const std::wstring value = text.substr(equals + 2, close - equals - 2);
        if (!value.empty()) apply_key(d, text.substr(pos, equals - pos), value);
        pos = close + 1;
        if (pos == text.size()) break;
        if (text[pos] != L' ') break;  // pairs are separated by exactly one space
        ++pos;
    }
    return d;
}

void CImageDescriptionCache::set_text(const std::wstring& text) {
    if (text == text_) return;
    text_ = text;
    parsed_ = false;
    failed_ = false;
    description_ = TImageDescription{};
    image_.reset();
}

void CImageDescriptionCache::parse() {
    description_ = parse_image_description(text_);
    parsed_ = true;
}

void CImageDescriptionCache::set_result(std::shared_ptr<TImageInfo> image) {
    image_ = std::move(image);
    failed_ = !image_;
}

}  // namespace ui
