#pragma once

#include <windows.h>

#include <string>

namespace ui {

// Readers for the value forms the skins write in attributes. Anything that
// does not parse reads as 0 or false; the skins are never rejected.

// Hexadecimal AARRGGBB with an optional leading "#"; six digits give alpha 00.
DWORD parse_color(const std::wstring& text);

// Decimal numbers, each after exactly one separator character ("34,46").
// Numbers missing at the end read as 0. Returns how many were present.
int parse_int_list(const std::wstring& text, int* values, int count);

RECT parse_rect(const std::wstring& text);
SIZE parse_size(const std::wstring& text);

// A decimal integer; anything that does not start with a number gives 0.
int parse_int(const std::wstring& text);

// Only the exact value "true" is true.
bool parse_bool(const std::wstring& text);

}  // namespace ui
