#include "ui/ImageLoader.h"

#include <cwchar>
#include <vector>

#include "ui/AttributeValues.h"
#include "ui/SkinResources.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include <stb_image.h>

namespace ui {
namespace {

struct StbPixels {
    unsigned char* data = nullptr;
    ~StbPixels() {
        if (data) stbi_image_free(data);
    }
};

bool read_disk_file(const std::wstring& path, std::vector<unsigned char>& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (64 << 20);
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
             read == bytes.size();
    }
    ::CloseHandle(file);
    return ok;
}

bool read_module_resource(const std::wstring& name, const std::wstring& type, std::vector<unsigned char>& bytes) {
    HMODULE module = resource_instance();
    // A name made of digits is a resource id.
    LPCWSTR resource_name = name.c_str();
    wchar_t* end = nullptr;
    unsigned long id = std::wcstoul(name.c_str(), &end, 10);
    if (!name.empty() && *end == L'\0' && id < 65536) resource_name = MAKEINTRESOURCEW(id);
    HRSRC resource = ::FindResourceW(module, resource_name, type.c_str());
    if (!resource) return false;
    HGLOBAL loaded = ::LoadResource(module, resource);
    DWORD size = ::SizeofResource(module, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data || size == 0) return false;
    const auto* first = static_cast<const unsigned char*>(data);
    bytes.assign(first, first + size);
    return true;
}

}  // namespace

std::unique_ptr<TImageInfo> image_from_rgba(const unsigned char* rgba, int width, int height, DWORD mask) {
    if (!rgba || width <= 0 || height <= 0) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return nullptr;

    auto image = std::make_unique<TImageInfo>();
    auto* pixels = static_cast<DWORD*>(bits);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* p = rgba + i * 4;
        DWORD r = p[0], g = p[1], b = p[2], a = p[3];
        if (a < 255) {
            r = r * a / 255;
            g = g * a / 255;
            b = b * a / 255;
            image->alpha = true;
        }
        DWORD value = (a << 24) | (r << 16) | (g << 8) | b;
        if (mask != 0 && value == mask) {
            value = 0;
            image->alpha = true;
        }
        pixels[i] = value;
    }
    image->bitmap = std::move(bitmap);
    image->bits = pixels;
    image->width = width;
    image->height = height;
    image->mask = mask;
    return image;
}

std::unique_ptr<TImageInfo> decode_image(const unsigned char* bytes, size_t size, DWORD mask) {
    if (!bytes || size == 0 || size > 0x7FFFFFFF) return nullptr;
    int width = 0, height = 0, channels = 0;
    StbPixels pixels;
    pixels.data = stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4);
    if (!pixels.data) return nullptr;
    return image_from_rgba(pixels.data, width, height, mask);
}

std::unique_ptr<TImageInfo> load_image(const std::wstring& name, const std::wstring& type, DWORD mask) {
    if (name.empty()) return nullptr;
    std::unique_ptr<TImageInfo> image;
    if (type == kColorImageType) {
        const DWORD argb = parse_color(name);
        const unsigned char rgba[4] = {static_cast<unsigned char>(argb >> 16), static_cast<unsigned char>(argb >> 8),
                                       static_cast<unsigned char>(argb), static_cast<unsigned char>(argb >> 24)};
        image = image_from_rgba(rgba, 1, 1, mask);
    } else {
        std::vector<unsigned char> bytes;
        std::wstring error;
        bool found = type.empty() ? read_skin_file(name, bytes, error) : read_module_resource(name, type, bytes);
        if (!found) found = read_disk_file(name, bytes);
        if (found) image = decode_image(bytes.data(), bytes.size(), mask);
    }
    if (image) image->res_type = type;
    return image;
}

}  // namespace ui
