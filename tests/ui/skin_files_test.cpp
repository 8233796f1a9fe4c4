// The program's own skins, read from the archive the build packs.
#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>

#include "tests/ui/SkinTestFiles.h"
#include "ui/SkinResources.h"
#include "ui/SkinXml.h"
#include "ui/ZipArchive.h"

namespace {

using ui::CSkinXml;
using ui::CSkinXmlNode;

class SkinFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        archive_ = new Bytes(PackedSkinArchive());
        ui::reset_skin_sources();
        ui::set_skin_archive(archive_->data(), archive_->size());
    }
    static void TearDownTestSuite() {
        ui::reset_skin_sources();
        delete archive_;
    }
    void SetUp() override { ASSERT_FALSE(archive_->empty()) << "build/skin.zip is missing"; }

    static Bytes* archive_;
};
Bytes* SkinFilesTest::archive_ = nullptr;

// Visits every element of the tree, depth first.
template <typename Visit>
void Walk(CSkinXmlNode node, Visit visit) {
    for (; node.exists(); node = node.next_sibling()) {
        visit(node);
        Walk(node.first_child(), visit);
    }
}

TEST_F(SkinFilesTest, MainSkinLoadsFromTheArchive) {
    CSkinXml xml;
    ASSERT_TRUE(xml.load_skin_file(L"main.xml")) << xml.error_message() << " at " << xml.error_location();
    const CSkinXmlNode root = xml.root();
    EXPECT_STREQ(root.name(), L"Window");
    int pages = 0;
    Walk(root, [&](CSkinXmlNode node) {
        if (std::wcscmp(node.name(), L"TabLayout") != 0) return;
        if (std::wcscmp(node.attribute_value(L"name"), L"maintab") != 0) return;
        EXPECT_STREQ(node.attribute_value(L"selectedid"), L"0");
        for (CSkinXmlNode page = node.first_child(); page.exists(); page = page.next_sibling()) {
            EXPECT_STREQ(page.name(), L"VerticalLayout");
            ++pages;
        }
    });
    EXPECT_EQ(pages, 3);
}

TEST_F(SkinFilesTest, WindowAttributes) {
    const struct {
        const wchar_t* skin;
        const wchar_t* attribute;
        const wchar_t* value;
    } cases[] = {
        {L"main.xml", L"size", L"390,480"},     {L"main.xml", L"caption", L"0,0,0,-1"},
        {L"main.xml", L"roundcorner", L"6,6"},  {L"menu.xml", L"size", L"110,185"},
        {L"menu.xml", L"layeredimage", L""},    {L"menu.xml", L"caption", L"0"},
        {L"msgbox.xml", L"size", L"330,200"},   {L"msgbox.xml", L"caption", L"0,0,0,-1"},
        {L"msgbox.xml", L"roundcorner", L"6,6"},
    };
    for (const auto& c : cases) {
        CSkinXml xml;
        ASSERT_TRUE(xml.load_skin_file(c.skin)) << c.skin << ": " << xml.error_message();
        EXPECT_STREQ(xml.root().name(), L"Window") << c.skin;
        const wchar_t* value = xml.root().attribute_value(c.attribute);
        ASSERT_NE(value, nullptr) << c.skin << " " << c.attribute;
        EXPECT_STREQ(value, c.value) << c.skin << " " << c.attribute;
    }
}

// The names the windows look up, with the element type each must have and
// how often it appears.
TEST_F(SkinFilesTest, EveryNamedControlIsPresentWithItsType) {
    const struct {
        const wchar_t* skin;
        const wchar_t* name;
        const wchar_t* type;
        int count;
    } cases[] = {
        {L"main.xml", L"maintab", L"TabLayout", 1},
        {L"main.xml", L"close_btn", L"Button", 3},
        {L"main.xml", L"loadingtip", L"Label", 1},
        {L"main.xml", L"version_lab", L"Label", 1},
        {L"main.xml", L"version_title", L"Label", 1},
        {L"main.xml", L"account_edit", L"RichEdit", 1},
        {L"main.xml", L"signin_type_tab", L"TabLayout", 1},
        {L"main.xml", L"code_edit", L"RichEdit", 1},
        {L"main.xml", L"sendcode", L"Button", 1},
        {L"main.xml", L"go_pwd_signin", L"Button", 1},
        {L"main.xml", L"pwd_edit", L"RichEdit", 1},
        {L"main.xml", L"go_code_signin", L"Button", 1},
        {L"main.xml", L"signin", L"Button", 1},
        {L"main.xml", L"signin_tip_lab", L"Label", 1},
        {L"main.xml", L"menu_btn", L"Button", 1},
        {L"main.xml", L"min_btn", L"Button", 1},
        {L"main.xml", L"startBtn", L"Button", 1},
        {L"main.xml", L"setgamePath", L"Button", 1},
        {L"main.xml", L"topic_list", L"VerticalLayout", 1},
        {L"menu.xml", L"account_btn", L"Button", 1},
        {L"menu.xml", L"go_website_btn", L"Button", 1},
        {L"menu.xml", L"go_qq_group_btn", L"Button", 1},
        {L"menu.xml", L"go_help_btn", L"Button", 1},
        {L"menu.xml", L"signout_btn", L"Button", 1},
        {L"msgbox.xml", L"msgbox", L"VerticalLayout", 1},
        {L"msgbox.xml", L"msgbox_text", L"Label", 1},
        {L"msgbox.xml", L"msgbox_ok", L"Button", 1},
        {L"msgbox.xml", L"msgbox_cancel", L"Button", 1},
    };
    std::map<std::wstring, CSkinXml> skins;
    for (const wchar_t* skin : {L"main.xml", L"menu.xml", L"msgbox.xml"})
        ASSERT_TRUE(skins[skin].load_skin_file(skin)) << skin << ": " << skins[skin].error_message();
    for (const auto& c : cases) {
        int found = 0;
        Walk(skins[c.skin].root(), [&](CSkinXmlNode node) {
            const wchar_t* name = node.attribute_value(L"name");
            if (!name || std::wcscmp(name, c.name) != 0) return;
            EXPECT_STREQ(node.name(), c.type) << c.skin << " " << c.name;
            ++found;
        });
        EXPECT_EQ(found, c.count) << c.skin << " " << c.name;
    }
}

// The image name of a description: a plain name or the value of file='...'.
std::wstring ImageFile(const std::wstring& description) {
    const size_t key = description.find(L"file='");
    if (key == std::wstring::npos) return description;
    const size_t start = key + 6;
    return description.substr(start, description.find(L'\'', start) - start);
}

// Width and height from a PNG header.
std::pair<int, int> PngSize(const Bytes& png) {
    if (png.size() < 24 || png[1] != 'P' || png[2] != 'N' || png[3] != 'G') return {0, 0};
    auto be32 = [&](size_t at) { return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3]; };
    return {be32(16), be32(20)};
}

TEST_F(SkinFilesTest, EveryPictureTheSkinsNameIsInTheArchiveAtItsSize) {
    const std::map<std::wstring, std::pair<int, int>> sizes = {
        {L"img/bk.png", {390, 480}},         {L"img/close.png", {24, 24}},       {L"img/min.png", {20, 20}},
        {L"img/head.png", {24, 24}},         {L"img/ico.png", {18, 18}},         {L"img/flag.png", {26, 18}},
        {L"img/pwd.png", {18, 18}},          {L"img/orv.png", {26, 26}},         {L"img/game.png", {80, 80}},
        {L"img/menubk.png", {110, 185}},     {L"img/ico_website.png", {20, 20}}, {L"img/ico_qq.png", {20, 20}},
        {L"img/ico_help.png", {20, 20}},     {L"img/ico_signout.png", {20, 20}}, {L"img/zy.png", {20, 20}},
    };
    std::map<std::wstring, int> named;
    for (const wchar_t* skin : {L"main.xml", L"menu.xml", L"msgbox.xml"}) {
        CSkinXml xml;
        ASSERT_TRUE(xml.load_skin_file(skin));
        Walk(xml.root(), [&](CSkinXmlNode node) {
            for (int i = 0; i < node.attribute_count(); ++i) {
                const std::wstring value = node.attribute_value(i);
                if (value.find(L"img/") != std::wstring::npos) ++named[ImageFile(value)];
            }
        });
    }
    EXPECT_EQ(named.size(), sizes.size() - 1) << "every picture but zy.png is used";
    for (const auto& [file, uses] : named) EXPECT_TRUE(sizes.count(file)) << "unexpected picture " << file;
    for (const auto& [file, size] : sizes) {
        Bytes png;
        std::wstring error;
        ASSERT_TRUE(ui::read_skin_file(file, png, error)) << file << ": " << error;
        EXPECT_EQ(PngSize(png), size) << file;
    }
}

// The archive is a standard zip of skin/ as it is now, with the skins and
// the two large pictures deflated and the small ones stored.
TEST_F(SkinFilesTest, ArchiveMatchesTheSkinFolder) {
    auto zip = ui::ZipArchive::open_memory(archive_->data(), archive_->size(), nullptr);
    ASSERT_TRUE(zip);
    const std::map<std::wstring, int> deflated = {
        {L"main.xml", 8}, {L"menu.xml", 8}, {L"msgbox.xml", 8}, {L"img/game.png", 8}, {L"img/menubk.png", 8}};
    ASSERT_GE(zip->entry_count(), 19u);
    for (size_t i = 0; i < zip->entry_count(); ++i) {
        const ui::ZipEntry& entry = zip->entry(i);
        const int method = deflated.count(entry.name) ? 8 : 0;
        EXPECT_EQ(entry.method, method) << entry.name;
        if (entry.name == L"img/") continue;
        Bytes packed(entry.size), source;
        EXPECT_EQ(zip->extract(i, packed.data(), packed.size()), ui::ZipResult::Ok) << entry.name;
        std::wstring path = L"skin\\" + entry.name;
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        ASSERT_TRUE(ReadWholeFile(WinePath("ORVANE_SOURCE_DIR", path), source)) << entry.name;
        EXPECT_EQ(packed, source) << entry.name << " differs from skin/: rebuild the archive";
    }
    EXPECT_EQ(zip->find(L"img/"), 3);
}

TEST_F(SkinFilesTest, PicturePathsFindTheirEntryWrittenAnyWay) {
    for (const wchar_t* name : {L"img\\close.png", L"img/close.png", L"/img/close.png", L"IMG\\CLOSE.PNG"}) {
        Bytes png;
        std::wstring error;
        EXPECT_TRUE(ui::read_skin_file(name, png, error)) << name << ": " << error;
        EXPECT_EQ(PngSize(png), std::make_pair(24, 24)) << name;
    }
}

}  // namespace
