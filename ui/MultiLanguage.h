#pragma once

#include <string>

namespace ui {

// The process-wide table of texts that skins and controls refer to with the
// placeholder "%{n}". Window thread only.
void add_multi_language_text(int id, const std::wstring& text);
const std::wstring* multi_language_text(int id);  // none when absent
void clear_multi_language_texts();

// Replaces every "%{n}" whose id n is in the table; others stay as written.
std::wstring substitute_multi_language(const std::wstring& text);

}  // namespace ui
