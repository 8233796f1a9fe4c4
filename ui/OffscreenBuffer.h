#pragma once

#include <windows.h>

#include "ui/GdiHandles.h"

namespace ui {

// A 32-bit top-down section selected into its own memory context: the
// window's off-screen buffer, and any surface a test or tool renders into.
class COffscreenBuffer {
public:
    COffscreenBuffer() = default;
    ~COffscreenBuffer() { reset(); }
    COffscreenBuffer(const COffscreenBuffer&) = delete;
    COffscreenBuffer& operator=(const COffscreenBuffer&) = delete;

    // Replaces the buffer with a new, fully transparent one.
    bool create(HDC compatible, int width, int height);
    void reset();

    bool ok() const { return bits_ != nullptr; }
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // BGRA with premultiplied alpha, row after row from the top.
    DWORD* bits() const { return bits_; }
    DWORD pixel(int x, int y) const;

private:
    MemoryDc dc_;
    BitmapHandle bitmap_;
    HGDIOBJ previous_ = nullptr;
    DWORD* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace ui
