#include "ui/FontInfo.h"

#include <algorithm>
#include <cwchar>

namespace ui {
namespace {

LOGFONTW default_gui_description() {
    LOGFONTW description{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
    description.lfCharSet = DEFAULT_CHARSET;
    return description;
}

std::unique_ptr<TFontInfo> finish(const LOGFONTW& description) {
    FontHandle font(::CreateFontIndirectW(&description));
    if (!font) return nullptr;
    auto info = std::make_unique<TFontInfo>();
    MemoryDc dc;
    {
        SelectScope select(dc.get(), font.get());
        ::GetTextMetricsW(dc.get(), &info->metrics);
    }
    info->font = std::move(font);
    info->face = description.lfFaceName;
    info->size = description.lfHeight < 0 ? -description.lfHeight : description.lfHeight;
    info->bold = description.lfWeight >= FW_BOLD;
    info->underline = description.lfUnderline != 0;
    info->italic = description.lfItalic != 0;
    info->strikeout = description.lfStrikeOut != 0;
    return info;
}

}  // namespace

std::unique_ptr<TFontInfo> make_skin_font(const std::wstring& face, int size, bool bold, bool underline,
                                          bool italic, bool strikeout) {
    LOGFONTW description = default_gui_description();
    std::wcsncpy(description.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    description.lfFaceName[LF_FACESIZE - 1] = L'\0';
    description.lfHeight = -size;
    // Bold adds 700 to the default weight; the system accepts at most 1000.
    if (bold) description.lfWeight = std::min<LONG>(description.lfWeight + FW_BOLD, FW_HEAVY);
    description.lfUnderline = underline ? TRUE : FALSE;
    description.lfItalic = italic ? TRUE : FALSE;
    description.lfStrikeOut = strikeout ? TRUE : FALSE;
    auto info = finish(description);
    if (info) {
        info->size = size;
        info->bold = bold;
    }
    return info;
}

std::unique_ptr<TFontInfo> make_system_default_font() { return finish(default_gui_description()); }

}  // namespace ui
