#include "ui/MultiLanguage.h"

#include <cwctype>
#include <map>

namespace ui {
namespace {

std::map<int, std::wstring>& table() {
    static std::map<int, std::wstring> texts;
    return texts;
}

}  // namespace

void add_multi_language_text(int id, const std::wstring& text) { table()[id] = text; }

const std::wstring* multi_language_text(int id) {
    auto found = table().find(id);
    return found == table().end() ? nullptr : &found->second;
}

void clear_multi_language_texts() { table().clear(); }

std::wstring substitute_multi_language(const std::wstring& text) {
    if (table().empty() || text.find(L"%{") == std::wstring::npos) return text;
    std::wstring result;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find(L"%{", pos);
        if (open == std::wstring::npos) break;
        size_t digits = open + 2;
        size_t end = digits;
        while (end < text.size() && std::iswdigit(text[end])) ++end;
        const std::wstring* replacement = nullptr;
        if (end > digits && end < text.size() && text[end] == L'}' && end - digits < 9) {
            replacement = multi_language_text(std::stoi(text.substr(digits, end - digits)));
        }
        if (replacement) {
            result.append(text, pos, open - pos);
            result += *replacement;
            pos = end + 1;
        } else {
            result.append(text, pos, open + 1 - pos);
            pos = open + 1;
        }
    }
    result.append(text, pos, std::wstring::npos);
    return result;
}

}  // namespace ui
