#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/GdiHandles.h"

namespace ui {

// A font of a skin with the description it was made from and its metrics.
struct TFontInfo {
    FontHandle font;
    std::wstring face;
    int size = 0;  // character height in pixels
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool strikeout = false;
    TEXTMETRICW metrics{};
};

// Makes a font from the system's default GUI font description with the
// given face (at most 32 characters) and character height. None when the
// system refuses the font.
std::unique_ptr<TFontInfo> make_skin_font(const std::wstring& face, int size, bool bold, bool underline,
                                          bool italic, bool strikeout);

// The system's default GUI font with the "default" character set.
std::unique_ptr<TFontInfo> make_system_default_font();

}  // namespace ui
