#include "ui/OffscreenBuffer.h"

namespace ui {

bool COffscreenBuffer::create(HDC compatible, int width, int height) {
    reset();
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle bitmap(::CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDc dc(compatible);
    if (!bitmap || !bits || !dc) return false;
    previous_ = ::SelectObject(dc.get(), bitmap.get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    bits_ = static_cast<DWORD*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

void COffscreenBuffer::reset() {
    if (dc_ && previous_) ::SelectObject(dc_.get(), previous_);
    previous_ = nullptr;
    dc_.reset();
    bitmap_.reset();
    bits_ = nullptr;
    width_ = height_ = 0;
}

DWORD COffscreenBuffer::pixel(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    ::GdiFlush();
    return bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

}  // namespace ui
