#include "ui/ZipArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "tests/ui/GuardedBytes.h"
#include "tests/ui/SkinTestFiles.h"
#include "ui/SkinXml.h"

namespace {

using ui::ZipArchive;
using ui::ZipResult;

Bytes Pattern(size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>((i * 7 + i / 13) & 0xFF);
    return bytes;
}

const Bytes kSkin = ToBytes("<Window size=\"390,480\"><Label text=\"盒子\"/></Window>");
const Bytes kPicture = Pattern(5000);

// Two entries, one of each method, in a known layout.
Bytes TwoEntryArchive() {
    ZipBuilder zip;
    zip.add("main.xml", kSkin, true);
    zip.add("img/close.png", kPicture, false);
    return zip.finish();
}

uint16_t Read16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t Read32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void Write16(Bytes& b, size_t at, uint16_t v) {
    b[at] = v & 0xFF;
    b[at + 1] = v >> 8;
}
void Write32(Bytes& b, size_t at, uint32_t v) {
    Write16(b, at, v & 0xFFFF);
    Write16(b, at + 2, v >> 16);
}
void Write64(Bytes& b, size_t at, uint64_t v) {
    Write32(b, at, static_cast<uint32_t>(v));
    Write32(b, at + 4, static_cast<uint32_t>(v >> 32));
}
void WriteField(Bytes& b, size_t at, int width, uint64_t v) {
    if (width == 2) Write16(b, at, static_cast<uint16_t>(v));
    if (width == 4) Write32(b, at, static_cast<uint32_t>(v));
    if (width == 8) Write64(b, at, v);
}
void Append(Bytes& b, int width, uint64_t v) {
    b.resize(b.size() + width);
    WriteField(b, b.size() - width, width, v);
}
size_t DirectoryOffset(const Bytes& archive) { return Read32(archive, archive.size() - 22 + 16); }

TEST(ZipArchive, ExtractsStoredAndDeflatedEntries) {
    const Bytes archive = TwoEntryArchive();
    ZipResult result = ZipResult::BadArchive;
    auto zip = ZipArchive::open_memory(archive.data(), archive.size(), nullptr, &result);
    ASSERT_TRUE(zip);
    EXPECT_EQ(result, ZipResult::Ok);
    ASSERT_EQ(zip->entry_count(), 2u);
    EXPECT_EQ(zip->entry(0).name, L"main.xml");
    EXPECT_EQ(zip->entry(0).method, 8);
    EXPECT_EQ(zip->entry(1).method, 0);
    for (const auto& [index, expected] : {std::pair<size_t, Bytes>{0, kSkin}, {1, kPicture}}) {
        Bytes out(zip->entry(index).size);
        EXPECT_EQ(zip->extract(index, out.data(), out.size()), ZipResult::Ok);
        EXPECT_EQ(out, expected);
        // A larger buffer still gets exactly the entry.
        Bytes roomy(out.size() + 10, 0xAA);
        EXPECT_EQ(zip->extract(index, roomy.data(), roomy.size()), ZipResult::Ok);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), roomy.begin()));
        // A smaller one is filled and reports more data pending.
        Bytes small(out.size() / 2);
        EXPECT_EQ(zip->extract(index, small.data(), small.size()), ZipResult::MoreData);
        EXPECT_TRUE(std::equal(small.begin(), small.end(), expected.begin()));
    }
    EXPECT_EQ(zip->extract(2, nullptr, 0), ZipResult::NotFound);
}

TEST(ZipArchive, FindsSkinPathsWrittenAnyWay) {
    const Bytes archive = TwoEntryArchive();
    auto zip = ZipArchive::open_memory(archive.data(), archive.size(), "secret");
    ASSERT_TRUE(zip);
    const struct {
        const wchar_t* name;
        int index;
    } cases[] = {
        {L"img/close.png", 1}, {L"img\\close.png", 1}, {L"/img/close.png", 1}, {L"IMG/CLOSE.PNG", 1},
        {L"\\\\img\\\\close.png", 1}, {L"img//close.png", 1}, {L"Main.XML", 0}, {L"close.png", -1},
        {L"img/close.png/", -1}, {L"img/close", -1}, {L"", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(zip->find(c.name), c.index) << c.name;
}

TEST(ZipArchive, DamagedEntriesFailWithTheirResult) {
    const Bytes good = TwoEntryArchive();
    const size_t first = DirectoryOffset(good);  // central header of main.xml
    const struct {
        const char* what;
        size_t field;
        uint32_t value;
        int width;
        ZipResult expected;
    } cases[] = {
        {"encrypted flag", first + 8, 1, 16, ZipResult::Encrypted},
        {"unknown method", first + 10, 12, 16, ZipResult::Unsupported},
        {"wrong checksum", first + 16, 0x12345678, 32, ZipResult::DataError},
        {"compressed size too small", first + 20, 3, 32, ZipResult::DataError},
        {"compressed size past the end", first + 20, 0x7FFFFFF0, 32, ZipResult::BadEntry},
        {"size larger than the data", first + 24, 500, 32, ZipResult::DataError},
        {"local header past the end", first + 42, 0xFFFFFFF0, 32, ZipResult::BadEntry},
        {"local header not a header", first + 42, 4, 32, ZipResult::BadEntry},
        {"local signature", 0, 0x11111111, 32, ZipResult::BadEntry},
        {"local name length", 26, 0xFFFF, 16, ZipResult::BadEntry},
    };
    for (const auto& c : cases) {
        Bytes archive = good;
        if (c.width == 16)
            Write16(archive, c.field, static_cast<uint16_t>(c.value));
        else
            Write32(archive, c.field, c.value);
        auto zip = ZipArchive::open_memory(archive.data(), archive.size(), nullptr);
        ASSERT_TRUE(zip) << c.what;
        Bytes out(zip->entry(0).size);
        EXPECT_EQ(zip->extract(0, out.data(), out.size()), c.expected) << c.what;
    }
}

TEST(ZipArchive, DamagedDirectoriesRefuseToOpen) {
    const Bytes good = TwoEntryArchive();
    const size_t end = good.size() - 22;
    const struct {
        const char* what;
        size_t field;
        uint32_t value;
    } cases[] = {
        {"directory offset past the end", end + 16, 0xFFFFFF00},
        {"directory size past the end", end + 12, 0x00100000},
        {"more entries than the directory holds", end + 10, 3},
        {"directory signature", DirectoryOffset(good), 0},
        {"end signature", end, 0},
    };
    for (const auto& c : cases) {
        Bytes archive = good;
        if (c.field == end + 10)
            Write16(archive, c.field, static_cast<uint16_t>(c.value));
        else
            Write32(archive, c.field, c.value);
        ZipResult result = ZipResult::Ok;
        EXPECT_FALSE(ZipArchive::open_memory(archive.data(), archive.size(), nullptr, &result)) << c.what;
        EXPECT_EQ(result, ZipResult::BadArchive) << c.what;
    }
    EXPECT_FALSE(ZipArchive::open_memory(good.data(), 21, nullptr));
    EXPECT_FALSE(ZipArchive::open_memory(nullptr, 100, nullptr));
}

TEST(ZipArchive, EndRecordIsFoundBehindAComment) {
    Bytes archive = TwoEntryArchive();
    const std::string comment = "packed by the skin tool";
    Write16(archive, archive.size() - 2, static_cast<uint16_t>(comment.size()));
    archive.insert(archive.end(), comment.begin(), comment.end());
    auto zip = ZipArchive::open_memory(archive.data(), archive.size(), nullptr);
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->find(L"main.xml"), 0);
}

TEST(ZipArchive, OpensAFileAndKeepsItsBytes) {
    ScratchFolder folder(L"zip");
    const std::wstring path = folder.write(L"skin.zip", TwoEntryArchive());
    auto zip = ZipArchive::open_file(path, nullptr);
    ASSERT_TRUE(zip);
    Bytes out(kPicture.size());
    EXPECT_EQ(zip->extract(1, out.data(), out.size()), ZipResult::Ok);
    EXPECT_EQ(out, kPicture);
    ZipResult result = ZipResult::Ok;
    EXPECT_FALSE(ZipArchive::open_file(folder.path() + L"missing.zip", nullptr, &result));
    EXPECT_EQ(result, ZipResult::OpenFailed);
}

// The zip64 form of a ZipBuilder archive: every size and offset of the
// directory and of its end record set to the maximum, their values in zip64
// extra fields and a zip64 end record with its locator. Records where each
// part lies, for the damage tests.
struct Zip64Archive {
    Bytes bytes;
    std::vector<size_t> extras;  // each entry's zip64 extra field (its header)
    size_t record = 0;           // the zip64 end record
    size_t locator = 0;
};

Zip64Archive Zip64Form(const Bytes& plain) {
    const size_t end = plain.size() - 22;
    const uint16_t count = Read16(plain, end + 10);
    const size_t directory = Read32(plain, end + 16);
    Zip64Archive zip64;
    Bytes& out = zip64.bytes;
    out.assign(plain.begin(), plain.begin() + directory);
    for (size_t at = directory, i = 0; i < count; ++i) {
        const size_t nameLength = Read16(plain, at + 28);
        Bytes record(plain.begin() + at, plain.begin() + at + 46 + nameLength);
        const uint32_t compressed = Read32(record, 20), size = Read32(record, 24), local = Read32(record, 42);
        for (size_t field : {20, 24, 42}) Write32(record, field, 0xFFFFFFFF);
        Write16(record, 30, 28);
        zip64.extras.push_back(out.size() + record.size());
        for (uint64_t value : {0x0001ull, 24ull}) Append(record, 2, value);
        for (uint64_t value : {uint64_t{size}, uint64_t{compressed}, uint64_t{local}}) Append(record, 8, value);
        out.insert(out.end(), record.begin(), record.end());
        at += 46 + nameLength;
    }
    const size_t directorySize = out.size() - directory;
    zip64.record = out.size();
    for (auto [width, value] : std::vector<std::pair<int, uint64_t>>{
             {4, 0x06064b50}, {8, 44}, {2, 45}, {2, 45}, {4, 0}, {4, 0}, {8, count}, {8, count}, {8, directorySize},
             {8, directory}})
        Append(out, width, value);
    zip64.locator = out.size();
    for (auto [width, value] : std::vector<std::pair<int, uint64_t>>{{4, 0x07064b50}, {4, 0}, {8, zip64.record}, {4, 1}})
        Append(out, width, value);
    for (auto [width, value] : std::vector<std::pair<int, uint64_t>>{
             {4, 0x06054b50}, {2, 0}, {2, 0}, {2, 0xFFFF}, {2, 0xFFFF}, {4, 0xFFFFFFFF}, {4, 0xFFFFFFFF}, {2, 0}})
        Append(out, width, value);
    return zip64;
}

// Every entry of the plain archive, found by name in the other, has the same
// sizes and extracts to the same bytes.
void ExpectSameEntries(const ZipArchive& plain, const ZipArchive& other) {
    ASSERT_EQ(other.entry_count(), plain.entry_count());
    for (size_t i = 0; i < plain.entry_count(); ++i) {
        const ui::ZipEntry& entry = plain.entry(i);
        const std::string name(entry.name.begin(), entry.name.end());
        const int index = other.find(entry.name);
        ASSERT_GE(index, 0) << name;
        EXPECT_EQ(other.entry(index).size, entry.size) << name;
        Bytes expected(entry.size + 1), actual(entry.size + 1);
        ASSERT_EQ(plain.extract(i, expected.data(), expected.size()), ZipResult::Ok) << name;
        EXPECT_EQ(other.extract(index, actual.data(), actual.size()), ZipResult::Ok) << name;
        EXPECT_EQ(actual, expected) << name;
    }
}

TEST(ZipArchive, Zip64FormReadsLikeThePlainOne) {
    const Bytes plain = TwoEntryArchive();
    const Zip64Archive zip64 = Zip64Form(plain);
    auto expected = ZipArchive::open_memory(plain.data(), plain.size(), nullptr);
    ZipResult result = ZipResult::BadArchive;
    auto zip = ZipArchive::open_memory(zip64.bytes.data(), zip64.bytes.size(), nullptr, &result);
    ASSERT_TRUE(zip);
    EXPECT_EQ(result, ZipResult::Ok);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(zip->entry(i).compressed_size, expected->entry(i).compressed_size);
        EXPECT_EQ(zip->entry(i).local_header, expected->entry(i).local_header);
    }
    ExpectSameEntries(*expected, *zip);
}

// build/skin-zip64.zip is what "zip -fz" makes of the skin folder.
TEST(ZipArchive, ReadsTheSkinArchiveAsZipWritesItInZip64Form) {
    const Bytes plain = PackedSkinArchive();
    ASSERT_FALSE(plain.empty()) << "build/skin.zip is missing";
    const std::wstring path = WinePath("ORVANE_BUILD_DIR", L"skin-zip64.zip");
    Bytes zip64;
    ASSERT_TRUE(ReadWholeFile(path, zip64)) << "build/skin-zip64.zip is missing";
    ASSERT_GT(zip64.size(), 42u);
    ASSERT_EQ(Read32(zip64, zip64.size() - 42), 0x07064b50u) << "not in zip64 form";
    auto expected = ZipArchive::open_memory(plain.data(), plain.size(), nullptr);
    ASSERT_TRUE(expected);
    ZipResult result = ZipResult::BadArchive;
    auto zip = ZipArchive::open_file(path, nullptr, &result);
    ASSERT_TRUE(zip);
    EXPECT_EQ(result, ZipResult::Ok);
    ExpectSameEntries(*expected, *zip);

    // The skins load from it as from the program's own archive.
    ui::reset_skin_sources();
    ui::set_skin_archive(zip64.data(), zip64.size());
    for (const wchar_t* name : {L"main.xml", L"menu.xml", L"msgbox.xml"}) {
        ui::CSkinXml xml;
        const bool loaded = xml.load_skin_file(name);
        const std::wstring message = xml.error_message();
        EXPECT_TRUE(loaded) << std::string(name, name + wcslen(name)) << ": "
                            << std::string(message.begin(), message.end());
    }
    ui::reset_skin_sources();
}

TEST(ZipArchive, DamagedZip64RecordsRefuseToOpen) {
    const Zip64Archive good = Zip64Form(TwoEntryArchive());
    const size_t size = good.bytes.size();
    const size_t record = good.record, locator = good.locator, extra = good.extras[0];
    const struct {
        const char* what;
        size_t field;
        int width;
        uint64_t value;
    } cases[] = {
        {"locator offset at the end of the archive", locator + 8, 8, size},
        {"locator offset beyond 4 GiB", locator + 8, 8, (1ull << 32) + record},
        {"locator offset at the locator", locator + 8, 8, locator},
        {"locator offset a byte too far", locator + 8, 8, record + 1},
        {"zip64 record signature", record, 4, 0x06054b50},
        {"zip64 record shorter than its fields", record + 4, 8, 43},
        {"zip64 record running into the locator", record + 4, 8, 45},
        {"zip64 record size beyond 4 GiB", record + 4, 8, (1ull << 32) + 44},
        {"directory offset past the end", record + 48, 8, size},
        {"directory offset beyond 4 GiB", record + 48, 8, (1ull << 32)},
        {"directory size past the end", record + 40, 8, size},
        {"more entries than the directory holds", record + 32, 8, 3},
        {"a huge entry count", record + 32, 8, ~0ull},
        {"extra field too short for the three values", extra + 2, 2, 16},
        {"extra field running past the record", extra + 2, 2, 32},
    };
    for (const auto& c : cases) {
        Bytes bytes = good.bytes;
        WriteField(bytes, c.field, c.width, c.value);
        const GuardedBytes guarded(bytes);
        ZipResult result = ZipResult::Ok;
        EXPECT_FALSE(ZipArchive::open_memory(guarded.data(), guarded.size(), nullptr, &result)) << c.what;
        EXPECT_EQ(result, ZipResult::BadArchive) << c.what;
    }
}

TEST(ZipArchive, Zip64EntryValuesBeyondTheBytesFailToExtract) {
    const Zip64Archive good = Zip64Form(TwoEntryArchive());
    const size_t size = good.bytes.size();
    const size_t extra = good.extras[0] + 4;  // main.xml, deflated
    const uint64_t compressed = Read32(good.bytes, extra + 8), local = Read32(good.bytes, extra + 16);
    const struct {
        const char* what;
        size_t field;
        uint64_t value;
        ZipResult expected;
    } cases[] = {
        {"compressed size past the end", extra + 8, size, ZipResult::BadEntry},
        {"compressed size 4 GiB more", extra + 8, (1ull << 32) + compressed, ZipResult::BadEntry},
        {"local header past the end", extra + 16, size, ZipResult::BadEntry},
        {"local header 4 GiB further", extra + 16, (1ull << 32) + local, ZipResult::BadEntry},
        {"size 4 GiB larger", extra, (1ull << 32) + kSkin.size(), ZipResult::DataError},
    };
    for (const auto& c : cases) {
        Bytes bytes = good.bytes;
        Write64(bytes, c.field, c.value);
        const GuardedBytes guarded(bytes);
        auto zip = ZipArchive::open_memory(guarded.data(), guarded.size(), nullptr);
        ASSERT_TRUE(zip) << c.what;
        Bytes out(kSkin.size());
        EXPECT_EQ(zip->extract(0, out.data(), out.size()), c.expected) << c.what;
    }
}

// Every byte of the zip64 records and extra fields set to a few telling
// values: opening and extracting end in a result, never a read outside.
TEST(ZipArchive, Zip64RecordsDamagedByteByByteEndInAResult) {
    const Zip64Archive good = Zip64Form(TwoEntryArchive());
    std::vector<size_t> offsets;
    for (size_t at = good.record; at < good.bytes.size(); ++at) offsets.push_back(at);
    for (size_t extra : good.extras)
        for (size_t at = extra; at < extra + 28; ++at) offsets.push_back(at);
    for (size_t at : offsets) {
        for (unsigned char value : {0x00, 0x01, 0x2C, 0x7F, 0x80, 0xFF}) {
            Bytes bytes = good.bytes;
            bytes[at] = value;
            const GuardedBytes guarded(bytes);
            ZipResult result = ZipResult::Ok;
            auto zip = ZipArchive::open_memory(guarded.data(), guarded.size(), nullptr, &result);
            EXPECT_EQ(zip != nullptr, result == ZipResult::Ok) << at;
            if (!zip) continue;
            for (size_t i = 0; i < zip->entry_count(); ++i) {
                Bytes out(5000);
                zip->extract(i, out.data(), out.size());
            }
        }
    }
}

}  // namespace
