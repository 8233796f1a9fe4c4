#include "ui/ZipArchive.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/SkinTestFiles.h"

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

}  // namespace
