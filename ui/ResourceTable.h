#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "ui/FontInfo.h"
#include "ui/ImageInfo.h"

namespace ui {

// Fonts, images and default attribute lists of one window manager, or the
// process-wide ones that every window sees (shared_resources()).
class CResourceTable {
public:
    // Replaces (and frees) a font with the same id.
    void add_font(int id, std::unique_ptr<TFontInfo> font);
    TFontInfo* font(int id) const;  // none when absent
    void set_default_font(std::unique_ptr<TFontInfo> font);
    TFontInfo* default_font() const { return default_font_.get(); }

    // Images are shared with the controls that cached them, so replacing
    // one never leaves a control with a dangling record.
    void add_image(const std::wstring& name, std::shared_ptr<TImageInfo> image);
    std::shared_ptr<TImageInfo> image(const std::wstring& name) const;

    // Default attribute lists, keyed by element name (any case).
    void add_defaults(const std::wstring& element, const std::wstring& attributes);
    const std::wstring* defaults(const std::wstring& element) const;

    void clear();

private:
    std::map<int, std::unique_ptr<TFontInfo>> fonts_;
    std::unique_ptr<TFontInfo> default_font_;
    std::map<std::wstring, std::shared_ptr<TImageInfo>> images_;
    std::map<std::wstring, std::wstring> defaults_;
};

// The process-wide table: shared fonts, images and defaults. Its default
// font starts as the system's default GUI font. Window thread only.
CResourceTable& shared_resources();

}  // namespace ui
