#pragma once
// Files for the skin tests: the packed skin archive and skin sources from the
// build, scratch folders, and small zip archives made on the spot.
#include <windows.h>

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/common/WinePath.h"
#include "ui/SkinResources.h"

using Bytes = std::vector<unsigned char>;

inline bool ReadWholeFile(const std::wstring& path, Bytes& bytes) {
    bytes.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    DWORD read = 0;
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        ok = bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                               read == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

inline bool WriteWholeFile(const std::wstring& path, const Bytes& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = bytes.empty() ||
                    (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size());
    CloseHandle(file);
    return ok;
}

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The archive the build packs from skin/.
inline Bytes PackedSkinArchive() {
    Bytes bytes;
    ReadWholeFile(WinePath("ORVANE_BUILD_DIR", L"skin.zip"), bytes);
    return bytes;
}

// Reads the packed skin archive into archive (which must outlive its use)
// and makes it the only skin source; false when the build has not packed it.
inline bool RegisterPackedSkinArchive(Bytes& archive) {
    archive = PackedSkinArchive();
    if (archive.empty()) return false;
    ui::reset_skin_sources();
    ui::set_skin_archive(archive.data(), archive.size());
    return true;
}

// A fresh folder under the temporary folder, removed with its files.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"orvane-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        for (const std::wstring& file : files_) DeleteFileW(file.c_str());
        RemoveDirectoryW(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring write(const std::wstring& name, const Bytes& bytes) {
        files_.push_back(path_ + name);
        WriteWholeFile(files_.back(), bytes);
        return files_.back();
    }

private:
    std::wstring path_;
    std::vector<std::wstring> files_;
};

// Writes a standard zip archive, each entry stored or deflated.
class ZipBuilder {
public:
    void add(const std::string& name, const Bytes& data, bool deflate) {
        Bytes packed = deflate ? Deflate(data) : data;
        const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), data.data(), data.size()));
        const uint32_t offset = static_cast<uint32_t>(bytes_.size());
        const uint16_t method = deflate ? 8 : 0;
        Put32(bytes_, 0x04034b50);
        Put16(bytes_, 20); Put16(bytes_, 0); Put16(bytes_, method); Put32(bytes_, 0);
        Put32(bytes_, crc); Put32(bytes_, static_cast<uint32_t>(packed.size()));
        Put32(bytes_, static_cast<uint32_t>(data.size()));
        Put16(bytes_, static_cast<uint16_t>(name.size())); Put16(bytes_, 0);
        bytes_.insert(bytes_.end(), name.begin(), name.end());
        bytes_.insert(bytes_.end(), packed.begin(), packed.end());

        Put32(directory_, 0x02014b50);
        Put16(directory_, 20); Put16(directory_, 20); Put16(directory_, 0); Put16(directory_, method);
        Put32(directory_, 0); Put32(directory_, crc); Put32(directory_, static_cast<uint32_t>(packed.size()));
        Put32(directory_, static_cast<uint32_t>(data.size()));
        Put16(directory_, static_cast<uint16_t>(name.size()));
        Put16(directory_, 0); Put16(directory_, 0); Put16(directory_, 0); Put16(directory_, 0);
        Put32(directory_, 0); Put32(directory_, offset);
        directory_.insert(directory_.end(), name.begin(), name.end());
        ++count_;
    }

    Bytes finish() const {
        Bytes archive = bytes_;
        archive.insert(archive.end(), directory_.begin(), directory_.end());
        Put32(archive, 0x06054b50);
        Put16(archive, 0); Put16(archive, 0); Put16(archive, count_); Put16(archive, count_);
        Put32(archive, static_cast<uint32_t>(directory_.size()));
        Put32(archive, static_cast<uint32_t>(bytes_.size()));
        Put16(archive, 0);
        return archive;
    }

private:
    static void Put16(Bytes& out, uint16_t v) { out.push_back(v & 0xFF); out.push_back(v >> 8); }
    static void Put32(Bytes& out, uint32_t v) { Put16(out, v & 0xFFFF); Put16(out, v >> 16); }
    static Bytes Deflate(const Bytes& data) {
        z_stream stream{};
        deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        Bytes out(deflateBound(&stream, data.size()));
        stream.next_in = const_cast<Bytef*>(data.data());
        stream.avail_in = static_cast<uInt>(data.size());
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, Z_FINISH);
        out.resize(stream.total_out);
        deflateEnd(&stream);
        return out;
    }

    Bytes bytes_;
    Bytes directory_;
    uint16_t count_ = 0;
};
