#include "ui/SkinResources.h"

#include <memory>

#include "ui/ZipArchive.h"

namespace ui {

namespace {

constexpr size_t kMaxPassword = 64;

struct Sources {
    HINSTANCE instance = nullptr;
    HINSTANCE resourceInstance = nullptr;
    std::wstring folder;
    std::wstring archiveName;
    std::string password;
    const void* memoryBytes = nullptr;  // borrowed from the caller of set_skin_archive
    size_t memorySize = 0;
    std::unique_ptr<ZipArchive> cached;
    bool cache = true;
};

Sources& sources() {
    static Sources state;
    return state;
}

struct FileHandle {
    HANDLE handle;
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

std::unique_ptr<ZipArchive> open_archive() {
    const Sources& state = sources();
    const char* password = state.password.empty() ? nullptr : state.password.c_str();
    if (state.archiveName == kMemoryArchiveName)
        return state.memoryBytes ? ZipArchive::open_memory(state.memoryBytes, state.memorySize, password) : nullptr;
    return ZipArchive::open_file(state.folder + state.archiveName, password);
}

bool read_from_folder(const std::wstring& name, std::vector<unsigned char>& bytes, std::wstring& error) {
    const std::wstring path = sources().folder + name;
    FileHandle file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) {
        error = L"Error opening file";
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.handle, &size)) {
        error = L"Could not read file";
        return false;
    }
    if (size.QuadPart == 0) {
        error = L"File is empty";
        return false;
    }
    if (size.QuadPart > static_cast<LONGLONG>(kMaxSkinFileSize)) {
        error = L"File too large";
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        error = L"Could not read file";
        return false;
    }
    return true;
}

bool read_from_archive(const std::wstring& name, std::vector<unsigned char>& bytes, std::wstring& error) {
    Sources& state = sources();
    // An archive opened for this read only is closed again when it ends.
    std::unique_ptr<ZipArchive> opened;
    const ZipArchive* archive = nullptr;
    if (state.cache) {
        if (!state.cached) state.cached = open_archive();
        archive = state.cached.get();
    } else {
        opened = open_archive();
        archive = opened.get();
    }
    if (!archive) {
        error = L"Error opening zip file";
        return false;
    }
    const int index = archive->find(name);
    if (index < 0) {
        error = L"Could not find ziped file";
        return false;
    }
    const ZipEntry& entry = archive->entry(static_cast<size_t>(index));
    if (entry.size == 0) {
        error = L"File is empty";
        return false;
    }
    if (entry.size > kMaxSkinFileSize) {
        error = L"File too large";
        return false;
    }
    bytes.resize(entry.size);
    // The buffer holds exactly the size the directory gives, so more data
    // pending means a damaged entry, not a partial success.
    if (archive->extract(static_cast<size_t>(index), bytes.data(), bytes.size()) != ZipResult::Ok) {
        error = L"Could not unzip file";
        return false;
    }
    return true;
}

}  // namespace

void set_instance(HINSTANCE module) { sources().instance = module; }
HINSTANCE instance() { return sources().instance; }

void set_resource_instance(HINSTANCE module) { sources().resourceInstance = module; }
HINSTANCE resource_instance() {
    const Sources& state = sources();
    return state.resourceInstance ? state.resourceInstance : state.instance;
}

void set_resource_folder(const std::wstring& folder) { sources().folder = folder; }
const std::wstring& resource_folder() { return sources().folder; }

void set_archive_name(const std::wstring& name) {
    Sources& state = sources();
    state.cached.reset();
    state.archiveName = name;
}
const std::wstring& archive_name() { return sources().archiveName; }

void set_cache_archive(bool cache) {
    Sources& state = sources();
    state.cache = cache;
    if (!cache) state.cached.reset();
}
bool cache_archive() { return sources().cache; }

void set_skin_archive(const void* bytes, size_t size, const char* password) {
    Sources& state = sources();
    state.password.clear();
    for (size_t i = 0; password && password[i] && i < kMaxPassword; ++i) state.password.push_back(password[i]);
    if (state.archiveName == kMemoryArchiveName) return;
    state.cached.reset();
    state.archiveName = kMemoryArchiveName;
    state.memoryBytes = bytes;
    state.memorySize = bytes ? size : 0;
    if (state.cache) state.cached = open_archive();
}

void reset_skin_sources() {
    Sources& state = sources();
    state.cached.reset();
    state.archiveName.clear();
    state.password.clear();
    state.memoryBytes = nullptr;
    state.memorySize = 0;
}

bool read_skin_file(const std::wstring& name, std::vector<unsigned char>& bytes, std::wstring& error) {
    bytes.clear();
    error.clear();
    const bool read = sources().archiveName.empty() ? read_from_folder(name, bytes, error)
                                                    : read_from_archive(name, bytes, error);
    if (!read) bytes.clear();
    return read;
}

}  // namespace ui
