#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/ImageInfo.h"

namespace ui {

// Pseudo resource type of a 1x1 image whose name is its ARGB colour.
inline constexpr const wchar_t* kColorImageType = L"*COLOR*";

// Builds the ready-to-blit record from 8-bit RGBA pixels: colours are
// premultiplied, and pixels whose final value equals mask (when not 0)
// become fully transparent. None when the section cannot be created.
std::unique_ptr<TImageInfo> image_from_rgba(const unsigned char* rgba, int width, int height, DWORD mask);

// Decodes PNG, JPEG, BMP, GIF (first frame), TGA, PSD, HDR, PIC or PNM
// bytes. None on a decode failure.
std::unique_ptr<TImageInfo> decode_image(const unsigned char* bytes, size_t size, DWORD mask);

// Loads an image by name: from a module resource of the given type, a
// colour for kColorImageType, or (no type) the skin source, falling back to
// name as a file path. None when nothing could be read or decoded.
std::unique_ptr<TImageInfo> load_image(const std::wstring& name, const std::wstring& type, DWORD mask);

}  // namespace ui
