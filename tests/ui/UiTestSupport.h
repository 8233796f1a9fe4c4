#pragma once
// Helpers for the toolkit tests: pictures made on the spot and pixel checks
// on 32-bit buffers.
#include <windows.h>

#include <string>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

// An RGBA picture filled by a function of the pixel position.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    template <typename Color>
    Picture(int w, int h, Color color) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const DWORD argb = color(x, y);
                unsigned char* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
                p[0] = static_cast<unsigned char>(argb >> 16);
                p[1] = static_cast<unsigned char>(argb >> 8);
                p[2] = static_cast<unsigned char>(argb);
                p[3] = static_cast<unsigned char>(argb >> 24);
            }
        }
    }

    std::vector<unsigned char> png() const {
        int size = 0;
        unsigned char* data = stbi_write_png_to_mem(rgba.data(), width * 4, width, height, 4, &size);
        std::vector<unsigned char> bytes(data, data + size);
        STBIW_FREE(data);
        return bytes;
    }
};

// Pixel values of a premultiplied BGRA buffer, written AARRGGBB.
inline BYTE Alpha(DWORD pixel) { return static_cast<BYTE>(pixel >> 24); }
inline BYTE Red(DWORD pixel) { return static_cast<BYTE>(pixel >> 16); }
inline BYTE Green(DWORD pixel) { return static_cast<BYTE>(pixel >> 8); }
inline BYTE Blue(DWORD pixel) { return static_cast<BYTE>(pixel); }

// Writes a BGRA buffer as a PNG file (alpha made opaque: a screenshot).
inline bool WriteScreenshot(const std::string& path, const DWORD* bits, int width, int height) {
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgba[i * 4 + 0] = Red(bits[i]);
        rgba[i * 4 + 1] = Green(bits[i]);
        rgba[i * 4 + 2] = Blue(bits[i]);
        rgba[i * 4 + 3] = 255;
    }
    return stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}
