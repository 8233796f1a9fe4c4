#pragma once

#include <windows.h>

#include <utility>

namespace ui {

// Owns one GDI object (font, bitmap, pen, brush, region) and deletes it once.
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    Handle release() { return std::exchange(handle_, nullptr); }
    void reset(Handle handle = nullptr) {
        if (handle_) ::DeleteObject(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

using FontHandle = GdiObject<HFONT>;
using BitmapHandle = GdiObject<HBITMAP>;
using PenHandle = GdiObject<HPEN>;
using BrushHandle = GdiObject<HBRUSH>;
using RegionHandle = GdiObject<HRGN>;

// A memory drawing context compatible with another one (or the screen).
class MemoryDc {
public:
    explicit MemoryDc(HDC compatible = nullptr) : dc_(::CreateCompatibleDC(compatible)) {}
    ~MemoryDc() { reset(); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    MemoryDc(MemoryDc&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    MemoryDc& operator=(MemoryDc&& other) noexcept {
        if (this != &other) {
            reset();
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    void reset() {
        if (dc_) ::DeleteDC(dc_);
        dc_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
};

// Selects an object into a context for the life of the scope.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectScope() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Saves the whole context state and restores it at the end of the scope.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
    ~SavedDcState() {
        if (saved_) ::RestoreDC(dc_, saved_);
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC dc_;
    int saved_;
};

}  // namespace ui
