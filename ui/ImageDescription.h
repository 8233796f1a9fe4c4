#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/ImageInfo.h"

namespace ui {

// What an image description says: a plain image name, or key='value' pairs
// ("file='img/ico.png' dest='0,0,18,18'").
struct TImageDescription {
    std::wstring name;      // "file", "res" or "color" (or the plain text)
    std::wstring res_type;  // "restype", or the colour pseudo type
    DWORD mask = 0;
    bool has_dest = false;
    RECT dest{};            // relative to the control's top-left
    bool has_source = false;
    RECT source{};
    RECT corner{};          // nine-patch border widths
    BYTE fade = 255;
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
    bool hsl = false;
};

// Parsing stops silently at the first irregularity; what was read counts.
TImageDescription parse_image_description(const std::wstring& text);

// An image description held by a control, parsed on first use and cached
// together with its image, or with the failure to get one.
class CImageDescriptionCache {
public:
    // A different text drops what was cached.
    void set_text(const std::wstring& text);
    const std::wstring& text() const { return text_; }
    bool empty() const { return text_.empty(); }

    bool parsed() const { return parsed_; }
    bool failed() const { return failed_; }
    const TImageDescription& description() const { return description_; }
    TImageInfo* image() const { return image_.get(); }

    // Records the outcome of the first lookup.
    void set_result(std::shared_ptr<TImageInfo> image);
    void parse();

private:
    std::wstring text_;
    bool parsed_ = false;
    bool failed_ = false;
    TImageDescription description_;
    std::shared_ptr<TImageInfo> image_;
};

}  // namespace ui
