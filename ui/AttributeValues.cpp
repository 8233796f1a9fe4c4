#include "ui/AttributeValues.h"

#include <cwchar>

namespace ui {

DWORD parse_color(const std::wstring& text) {
    const wchar_t* start = text.c_str();
    if (*start == L'#') ++start;
    return static_cast<DWORD>(std::wcstoul(start, nullptr, 16));
}

int parse_int_list(const std::wstring& text, int* values, int count) {
    const wchar_t* cursor = text.c_str();
    int present = 0;
    for (int i = 0; i < count; ++i) values[i] = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (*cursor == L'\0') break;
            ++cursor;  // the one separator character
        }
        wchar_t* end = nullptr;
        long value = std::wcstol(cursor, &end, 10);
        if (end == cursor) break;
        values[i] = static_cast<int>(value);
        cursor = end;
        ++present;
    }
    return present;
}

RECT parse_rect(const std::wstring& text) {
    int v[4];
    parse_int_list(text, v, 4);
    return RECT{v[0], v[1], v[2], v[3]};
}

SIZE parse_size(const std::wstring& text) {
    int v[2];
    parse_int_list(text, v, 2);
    return SIZE{v[0], v[1]};
}

int parse_int(const std::wstring& text) {
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

bool parse_bool(const std::wstring& text) { return text == L"true"; }

}  // namespace ui
