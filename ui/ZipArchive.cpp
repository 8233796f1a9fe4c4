#include "ui/ZipArchive.h"

#include <windows.h>

#include <zlib.h>

#include <cstring>

namespace ui {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kDirectorySignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64EndSize = 56;        // the fixed part, signature and size field included
constexpr size_t kZip64EndSizeField = 12;   // what its own size field leaves out
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kDirectoryHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kExtraHeaderSize = 4;
constexpr size_t kMaxComment = 0xFFFF;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kMax16 = 0xFFFF;
constexpr uint32_t kMax32 = 0xFFFFFFFF;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;

uint16_t read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t read32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t read64(const unsigned char* p) { return read32(p) | (uint64_t{read32(p + 4)} << 32); }

// True when [offset, offset + length) lies within size, without overflow.
bool fits(uint64_t offset, uint64_t length, size_t size) { return offset <= size && length <= size - offset; }

// Where the central directory lies and how many records it holds.
struct DirectoryPlace {
    uint64_t count;
    uint64_t size;
    uint64_t offset;
};

// A zip64 archive has a locator right before the end record, pointing at the
// zip64 end record; its 64-bit values stand for the end record's fields that
// are set to their maximum. False when the locator is there but what it
// points at is not a whole zip64 end record before it.
bool read_zip64_end(const unsigned char* bytes, size_t endAt, DirectoryPlace& place) {
    if (endAt < kZip64LocatorSize) return true;
    const size_t locatorAt = endAt - kZip64LocatorSize;
    const unsigned char* locator = bytes + locatorAt;
    if (read32(locator) != kZip64LocatorSignature) return true;
    const uint64_t recordAt = read64(locator + 8);
    if (!fits(recordAt, kZip64EndSize, locatorAt)) return false;
    const unsigned char* record = bytes + static_cast<size_t>(recordAt);
    const uint64_t recordSize = read64(record + 4);
    if (read32(record) != kZip64EndSignature || recordSize < kZip64EndSize - kZip64EndSizeField ||
        !fits(recordAt + kZip64EndSizeField, recordSize, locatorAt)) {
        return false;
    }
    if (place.count == kMax16) place.count = read64(record + 32);
    if (place.size == kMax32) place.size = read64(record + 40);
    if (place.offset == kMax32) place.offset = read64(record + 48);
    return true;
}

// The zip64 extra field holds, in this order, the 64-bit values of the size,
// the compressed size and the local header offset, each only when the
// directory record sets it to its maximum. False when the field lacks one of
// them or runs past the record's extra data.
bool read_zip64_extra(const unsigned char* extra, size_t length, ZipEntry& entry) {
    for (size_t at = 0; length - at >= kExtraHeaderSize;) {
        const uint16_t id = read16(extra + at);
        const size_t dataLength = read16(extra + at + 2);
        at += kExtraHeaderSize;
        if (dataLength > length - at) return id != kZip64ExtraId;
        if (id == kZip64ExtraId) {
            size_t taken = 0;
            for (uint64_t* field : {&entry.size, &entry.compressed_size, &entry.local_header}) {
                if (*field != kMax32) continue;
                if (dataLength - taken < 8) return false;
                *field = read64(extra + at + taken);
                taken += 8;
            }
            return true;
        }
        at += dataLength;
    }
    return true;
}

std::wstring decode_name(const unsigned char* bytes, size_t length, bool utf8) {
    if (length == 0) return {};
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const char* text = reinterpret_cast<const char*>(bytes);
    const int count = MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), nullptr, 0);
    if (count <= 0) return {};
    std::wstring name(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), &name[0], count);
    return name;
}

bool same_name(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

class Inflater {
public:
    Inflater() { ready_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
    ~Inflater() {
        if (ready_) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready() const { return ready_; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    bool ready_ = false;
};

}  // namespace

std::wstring normalize_zip_name(const std::wstring& name) {
    std::wstring result;
    result.reserve(name.size());
    for (wchar_t c : name) {
        if (c == L'\\') c = L'/';
        if (c == L'/' && (result.empty() || result.back() == L'/')) continue;
        result.push_back(c);
    }
    return result;
}

std::unique_ptr<ZipArchive> ZipArchive::open_memory(const void* bytes, size_t size, const char*, ZipResult* result) {
    std::unique_ptr<ZipArchive> archive(new ZipArchive());
    archive->bytes_ = static_cast<const unsigned char*>(bytes);
    archive->size_ = bytes ? size : 0;
    const ZipResult read = archive->read_directory();
    if (result) *result = read;
    if (read != ZipResult::Ok) archive.reset();
    return archive;
}

std::unique_ptr<ZipArchive> ZipArchive::open_file(const std::wstring& path, const char*, ZipResult* result) {
    if (result) *result = ZipResult::OpenFailed;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    std::unique_ptr<void, decltype(&CloseHandle)> closer(file, &CloseHandle);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFFF) return nullptr;
    std::unique_ptr<ZipArchive> archive(new ZipArchive());
    archive->owned_.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!archive->owned_.empty() &&
        (!ReadFile(file, archive->owned_.data(), static_cast<DWORD>(archive->owned_.size()), &read, nullptr) ||
         read != archive->owned_.size()))
        return nullptr;
    archive->bytes_ = archive->owned_.data();
    archive->size_ = archive->owned_.size();
    const ZipResult parsed = archive->read_directory();
    if (result) *result = parsed;
    if (parsed != ZipResult::Ok) archive.reset();
    return archive;
}

ZipResult ZipArchive::read_directory() {
    if (size_ < kEndSize) return ZipResult::BadArchive;
    // The end record is the last 22 bytes unless a comment follows it.
    const size_t lowest = size_ - kEndSize > kMaxComment ? size_ - kEndSize - kMaxComment : 0;
    const unsigned char* end = nullptr;
    for (size_t at = size_ - kEndSize + 1; at-- > lowest;) {
        if (read32(bytes_ + at) == kEndSignature && fits(at + kEndSize, read16(bytes_ + at + 20), size_)) {
            end = bytes_ + at;
            break;
        }
    }
    if (!end) return ZipResult::BadArchive;
    DirectoryPlace place{read16(end + 10), read32(end + 12), read32(end + 16)};
    if (!read_zip64_end(bytes_, static_cast<size_t>(end - bytes_), place) || !fits(place.offset, place.size, size_))
        return ZipResult::BadArchive;
    return read_entries(static_cast<size_t>(place.offset), static_cast<size_t>(place.size), place.count);
}

ZipResult ZipArchive::read_entries(size_t offset, size_t size, uint64_t count) {
    const unsigned char* p = bytes_ + offset;
    const unsigned char* const directoryEnd = p + size;
    for (uint64_t i = 0; i < count; ++i) {
        if (static_cast<size_t>(directoryEnd - p) < kDirectoryHeaderSize || read32(p) != kDirectorySignature)
            return ZipResult::BadArchive;
        const size_t nameLength = read16(p + 28);
        const size_t extraLength = read16(p + 30);
        const size_t recordSize = kDirectoryHeaderSize + nameLength + extraLength + read16(p + 32);
        if (static_cast<size_t>(directoryEnd - p) < recordSize) return ZipResult::BadArchive;
        ZipEntry entry;
        entry.flags = read16(p + 8);
        entry.method = read16(p + 10);
        entry.crc = read32(p + 16);
        entry.compressed_size = read32(p + 20);
        entry.size = read32(p + 24);
        entry.local_header = read32(p + 42);
        if (!read_zip64_extra(p + kDirectoryHeaderSize + nameLength, extraLength, entry)) return ZipResult::BadArchive;
        entry.name = decode_name(p + kDirectoryHeaderSize, nameLength, (entry.flags & kFlagUtf8) != 0);
        entries_.push_back(std::move(entry));
        p += recordSize;
    }
    return ZipResult::Ok;
}

int ZipArchive::find(const std::wstring& name) const {
    const std::wstring wanted = normalize_zip_name(name);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (same_name(entries_[i].name, wanted)) return static_cast<int>(i);
    return -1;
}

ZipResult ZipArchive::entry_data(const ZipEntry& entry, const unsigned char*& data) const {
    if (!fits(entry.local_header, kLocalHeaderSize, size_)) return ZipResult::BadEntry;
    const unsigned char* local = bytes_ + static_cast<size_t>(entry.local_header);
    if (read32(local) != kLocalSignature) return ZipResult::BadEntry;
    const uint64_t start = entry.local_header + kLocalHeaderSize + read16(local + 26) + read16(local + 28);
    if (!fits(start, entry.compressed_size, size_)) return ZipResult::BadEntry;
    data = bytes_ + static_cast<size_t>(start);
    return ZipResult::Ok;
}

ZipResult ZipArchive::extract(size_t index, void* buffer, size_t size) const {
    if (index >= entries_.size()) return ZipResult::NotFound;
    const ZipEntry& entry = entries_[index];
    if (entry.flags & kFlagEncrypted) return ZipResult::Encrypted;
    if (entry.method != kMethodStored && entry.method != kMethodDeflate) return ZipResult::Unsupported;
    const unsigned char* data = nullptr;
    const ZipResult located = entry_data(entry, data);
    if (located != ZipResult::Ok) return located;
    // zlib refuses a null output even when nothing is to be written.
    unsigned char spare = 0;
    auto* out = buffer ? static_cast<unsigned char*>(buffer) : &spare;
    if (!buffer) size = 0;

    if (entry.method == kMethodStored) {
        if (entry.compressed_size != entry.size) return ZipResult::BadEntry;
        if (size < entry.size) {
            std::memcpy(out, data, size);
            return ZipResult::MoreData;
        }
        if (entry.size) std::memcpy(out, data, static_cast<size_t>(entry.size));
    } else {
        Inflater inflater;
        if (!inflater.ready()) return ZipResult::DataError;
        z_stream& stream = inflater.stream();
        stream.next_in = const_cast<Bytef*>(data);
        stream.avail_in = static_cast<uInt>(entry.compressed_size);
        stream.next_out = out;
        stream.avail_out = static_cast<uInt>(size);
        const int status = inflate(&stream, Z_FINISH);
        if (status != Z_STREAM_END) {
            const bool bufferFull = stream.avail_out == 0 && (status == Z_OK || status == Z_BUF_ERROR);
            return bufferFull && stream.total_out < entry.size ? ZipResult::MoreData : ZipResult::DataError;
        }
        if (stream.total_out != entry.size) return ZipResult::DataError;
    }
    // Reached only when the whole entry is in the buffer, so its size fits.
    const uLong crc = crc32(crc32(0, nullptr, 0), out, static_cast<uInt>(entry.size));
    return crc == entry.crc ? ZipResult::Ok : ZipResult::DataError;
}

}  // namespace ui
