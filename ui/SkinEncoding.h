#pragma once
// How the bytes of a skin file are turned into wide text before parsing.
#include <cstddef>
#include <string>

namespace ui {

enum class SkinEncoding {
    Utf8 = 0,   // optional byte order mark EF BB BF
    Utf16 = 1,  // byte order mark required, either byte order
    Ansi = 2,   // the system code page
};

// Decodes markup bytes into text. Fails only for UTF-16 without a byte order
// mark; malformed UTF-8 or ANSI sequences become replacement characters.
bool decode_skin_bytes(const void* bytes, size_t size, SkinEncoding encoding, std::wstring& text);

}  // namespace ui
