#include "ui/SkinEncoding.h"

#include <windows.h>

#include <climits>

namespace ui {

namespace {

bool convert(UINT codePage, const char* bytes, size_t size, std::wstring& text) {
    text.clear();
    if (size == 0) return true;
    if (size > INT_MAX) return false;
    const int length = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(size), nullptr, 0);
    if (length <= 0) return false;
    text.resize(static_cast<size_t>(length));
    MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(size), &text[0], length);
    return true;
}

}  // namespace

bool decode_skin_bytes(const void* data, size_t size, SkinEncoding encoding, std::wstring& text) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    text.clear();
    switch (encoding) {
    case SkinEncoding::Utf8:
        if (size > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            bytes += 3;
            size -= 3;
        }
        return convert(CP_UTF8, reinterpret_cast<const char*>(bytes), size, text);
    case SkinEncoding::Ansi:
        return convert(CP_ACP, reinterpret_cast<const char*>(bytes), size, text);
    case SkinEncoding::Utf16: {
        if (size < 2) return false;
        const bool little = bytes[0] == 0xFF && bytes[1] == 0xFE;
        const bool big = bytes[0] == 0xFE && bytes[1] == 0xFF;
        if (!little && !big) return false;
        const size_t units = size / 2 - 1;
        text.resize(units);
        for (size_t i = 0; i < units; ++i) {
            const unsigned char first = bytes[2 + 2 * i];
            const unsigned char second = bytes[3 + 2 * i];
            text[i] = little ? static_cast<wchar_t>(first | (second << 8))
                             : static_cast<wchar_t>(second | (first << 8));
        }
        return true;
    }
    }
    return false;
}

}  // namespace ui
