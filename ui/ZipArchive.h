#pragma once
// The program's own reader for standard zip archives, in the plain or the
// zip64 form: the central directory is read once at open, entries stored or
// deflate-compressed are extracted with zlib's raw inflate. Every offset and
// size taken from the archive is checked against the bytes at hand, so a
// damaged archive ends in a result.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ui {

enum class ZipResult {
    Ok = 0,
    MoreData,         // the buffer was filled but the entry holds more
    OpenFailed,       // the zip file could not be read
    BadArchive,       // no end record, a damaged zip64 record, or the directory lies outside the bytes
    NotFound,         // no entry of that name or index
    BadEntry,         // local header or data outside the bytes, sizes inconsistent
    Unsupported,      // a compression method other than stored or deflate
    Encrypted,        // passwords are not supported
    DataError,        // the compressed data or its checksum is wrong
};

// Sizes and the offset as the directory gives them, zip64 values included,
// so a value beyond the bytes at hand is refused rather than cut to 32 bits.
struct ZipEntry {
    std::wstring name;  // as stored, with "/" separators
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t compressed_size = 0;
    uint64_t size = 0;
    uint64_t local_header = 0;
};

class ZipArchive {
public:
    // Borrows the bytes, which must outlive the archive. The password is
    // accepted for the callers' sake and has no effect.
    static std::unique_ptr<ZipArchive> open_memory(const void* bytes, size_t size, const char* password,
                                                   ZipResult* result = nullptr);
    // Reads the whole file and keeps its bytes.
    static std::unique_ptr<ZipArchive> open_file(const std::wstring& path, const char* password,
                                                 ZipResult* result = nullptr);

    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    size_t entry_count() const { return entries_.size(); }
    const ZipEntry& entry(size_t index) const { return entries_[index]; }

    // Index of the entry for a skin path, or -1. Backslashes count as "/",
    // leading and doubled separators are dropped, letter case is ignored:
    // "img\\bk.png", "/img/bk.png" and "IMG/BK.PNG" find "img/bk.png".
    int find(const std::wstring& name) const;

    // Extracts into buffer: Ok when the whole entry fits (its checksum is
    // then verified), MoreData when buffer was filled before the end.
    ZipResult extract(size_t index, void* buffer, size_t size) const;

private:
    ZipArchive() = default;
    ZipResult read_directory();
    ZipResult read_entries(size_t offset, size_t size, uint64_t count);
    ZipResult entry_data(const ZipEntry& entry, const unsigned char*& data) const;

    std::vector<unsigned char> owned_;  // the file's bytes when opened from a file
    const unsigned char* bytes_ = nullptr;
    size_t size_ = 0;
    std::vector<ZipEntry> entries_;
};

// The lookup form of a skin path: separators as "/", no leading or doubled
// "/". Comparison with entry names ignores letter case.
std::wstring normalize_zip_name(const std::wstring& name);

}  // namespace ui
