#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/GdiHandles.h"

namespace ui {

// One decoded image, ready to blit: a 32-bit top-down section in BGRA with
// premultiplied alpha.
struct TImageInfo {
    BitmapHandle bitmap;
    DWORD* bits = nullptr;  // borrowed: the section's pixels
    int width = 0;
    int height = 0;
    bool alpha = false;     // some pixel is not fully opaque
    bool use_hsl = false;
    std::vector<DWORD> original;  // untouched pixels when use_hsl is set
    std::wstring res_type;
    DWORD mask = 0;
};

}  // namespace ui
