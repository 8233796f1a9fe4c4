#include "ui/SkinResources.h"

#include <gtest/gtest.h>

#include "tests/ui/SkinTestFiles.h"
#include "ui/SkinXml.h"

namespace {

using ui::CSkinXml;

// A skin of exactly `size` bytes: the root element padded with blanks.
Bytes SkinOfSize(size_t size) {
    const std::string open = "<Window>", close = "</Window>";
    std::string text = open + std::string(size - open.size() - close.size(), ' ') + close;
    return ToBytes(text);
}

class SkinResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::reset_skin_sources();
        ui::set_cache_archive(true);
        ui::set_resource_folder(L"");
    }
    void TearDown() override { SetUp(); }
};

TEST_F(SkinResourcesTest, FolderModeReadsFilesUpToTheLimit) {
    ScratchFolder folder(L"skins");
    folder.write(L"exact.xml", SkinOfSize(ui::kMaxSkinFileSize));
    folder.write(L"over.xml", SkinOfSize(ui::kMaxSkinFileSize + 1));
    folder.write(L"empty.xml", {});
    folder.write(L"main.xml", ToBytes("\xEF\xBB\xBF<Window><Label/></Window>"));
    ui::set_resource_folder(folder.path());
    const struct {
        const wchar_t* name;
        const wchar_t* error;
    } cases[] = {
        {L"exact.xml", L""},          {L"main.xml", L""},
        {L"over.xml", L"File too large"}, {L"empty.xml", L"File is empty"},
        {L"missing.xml", L"Error opening file"},
    };
    for (const auto& c : cases) {
        CSkinXml xml;
        EXPECT_EQ(xml.load_skin_file(c.name), *c.error == 0) << c.name;
        EXPECT_STREQ(xml.error_message(), c.error) << c.name;
        EXPECT_STREQ(xml.error_location(), L"") << c.name;
        EXPECT_EQ(xml.root().exists(), *c.error == 0) << c.name;
    }
}

TEST_F(SkinResourcesTest, MemoryArchiveReadsEntriesUpToTheLimit) {
    ZipBuilder zip;
    zip.add("exact.xml", SkinOfSize(ui::kMaxSkinFileSize), false);
    zip.add("over.xml", SkinOfSize(ui::kMaxSkinFileSize + 1), true);
    zip.add("img/", {}, false);
    zip.add("img/close.png", ToBytes("picture"), false);
    zip.add("main.xml", ToBytes("<Window><Label/></Window>"), true);
    const Bytes archive = zip.finish();
    ui::set_skin_archive(archive.data(), archive.size());
    EXPECT_EQ(ui::archive_name(), ui::kMemoryArchiveName);

    const struct {
        const wchar_t* name;
        const wchar_t* error;
    } cases[] = {
        {L"exact.xml", L""},
        {L"MAIN.XML", L""},
        {L"over.xml", L"File too large"},
        {L"img/", L"File is empty"},
        {L"missing.xml", L"Could not find ziped file"},
    };
    for (const auto& c : cases) {
        CSkinXml xml;
        EXPECT_EQ(xml.load_skin_file(c.name), *c.error == 0) << c.name;
        EXPECT_STREQ(xml.error_message(), c.error) << c.name;
    }
    Bytes bytes;
    std::wstring error;
    EXPECT_TRUE(ui::read_skin_file(L"img\\close.png", bytes, error));
    EXPECT_EQ(bytes, ToBytes("picture"));
}

TEST_F(SkinResourcesTest, DamagedArchiveFailsEveryRead) {
    ZipBuilder zip;
    zip.add("main.xml", ToBytes("<Window><Label/></Window>"), true);
    Bytes archive = zip.finish();
    archive[40] ^= 0xFF;  // inside the deflated data
    ui::set_skin_archive(archive.data(), archive.size());
    CSkinXml xml;
    EXPECT_FALSE(xml.load_skin_file(L"main.xml"));
    EXPECT_STREQ(xml.error_message(), L"Could not unzip file");

    ui::reset_skin_sources();
    const Bytes garbage = ToBytes("not an archive at all, not even close");
    ui::set_skin_archive(garbage.data(), garbage.size());
    EXPECT_FALSE(xml.load_skin_file(L"main.xml"));
    EXPECT_STREQ(xml.error_message(), L"Error opening zip file");
}

// An entry whose directory claims fewer bytes than it holds must not load
// as a cut-off skin.
TEST_F(SkinResourcesTest, EntryLongerThanItsDirectorySizeFails) {
    ZipBuilder zip;
    zip.add("main.xml", ToBytes("<Window><Label text=\"a long enough value\"/></Window>"), true);
    Bytes archive = zip.finish();
    const size_t directory = archive[archive.size() - 6] | (archive[archive.size() - 5] << 8);
    archive[directory + 24] = 8;  // uncompressed size
    ui::set_skin_archive(archive.data(), archive.size());
    CSkinXml xml;
    EXPECT_FALSE(xml.load_skin_file(L"main.xml"));
    EXPECT_STREQ(xml.error_message(), L"Could not unzip file");
}

TEST_F(SkinResourcesTest, RegistrationIsKeptUntilReset) {
    ZipBuilder first, second;
    first.add("main.xml", ToBytes("<First/>"), true);
    second.add("main.xml", ToBytes("<Second/>"), true);
    const Bytes a = first.finish(), b = second.finish();
    ui::set_skin_archive(a.data(), a.size(), "");
    ui::set_skin_archive(b.data(), b.size(), "password");
    CSkinXml xml;
    ASSERT_TRUE(xml.load_skin_file(L"main.xml"));
    EXPECT_STREQ(xml.root().name(), L"First");

    ui::reset_skin_sources();
    ui::set_skin_archive(b.data(), b.size());
    ASSERT_TRUE(xml.load_skin_file(L"main.xml"));
    EXPECT_STREQ(xml.root().name(), L"Second");
}

TEST_F(SkinResourcesTest, ArchiveWithoutCacheIsOpenedPerRead) {
    ZipBuilder zip;
    zip.add("main.xml", ToBytes("<Window/>"), true);
    const Bytes archive = zip.finish();
    ui::set_cache_archive(false);
    ui::set_skin_archive(archive.data(), archive.size());
    CSkinXml xml;
    EXPECT_TRUE(xml.load_skin_file(L"main.xml")) << xml.error_message();
    EXPECT_TRUE(xml.load_skin_file(L"/main.xml")) << xml.error_message();
}

TEST_F(SkinResourcesTest, ZipFileUnderTheResourceFolder) {
    ZipBuilder zip;
    zip.add("img/bk.png", ToBytes("background"), false);
    ScratchFolder folder(L"zipfile");
    folder.write(L"skin.zip", zip.finish());
    ui::set_resource_folder(folder.path());
    Bytes bytes;
    std::wstring error;
    for (bool cache : {true, false}) {
        ui::set_cache_archive(cache);
        ui::set_archive_name(L"skin.zip");
        EXPECT_TRUE(ui::read_skin_file(L"IMG\\BK.PNG", bytes, error)) << error;
        EXPECT_EQ(bytes, ToBytes("background"));
    }
    ui::set_archive_name(L"other.zip");
    EXPECT_FALSE(ui::read_skin_file(L"img/bk.png", bytes, error));
    EXPECT_EQ(error, L"Error opening zip file");
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
