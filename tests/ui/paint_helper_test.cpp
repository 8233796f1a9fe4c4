// Drawing operations checked pixel by pixel in 32-bit buffers: colour
// fills, gradients, images with their description modifiers, and text.
#include <gtest/gtest.h>

#include "SkinTestFiles.h"
#include "UiTestSupport.h"
#include "ui/AttributeValues.h"
#include "ui/ImageDescription.h"
#include "ui/ImageLoader.h"
#include "ui/MultiLanguage.h"
#include "ui/OffscreenBuffer.h"
#include "ui/PaintHelper.h"
#include "ui/SkinResources.h"
#include "ui/WindowManagerUI.h"

using namespace ui;

namespace {

constexpr DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr DWORD kYellow = 0xFFFFFF00, kGrey = 0xFF808080, kMagenta = 0xFFFF00FF;

// A transparent buffer plus a folder of pictures the descriptions name.
class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_skin_sources();
        set_resource_folder(folder_.path());
        ASSERT_TRUE(canvas_.create(nullptr, 120, 200));
    }
    void TearDown() override { reset_skin_sources(); }

    void add_picture(const std::wstring& name, const Picture& picture) { folder_.write(name, picture.png()); }
    DWORD at(int x, int y) const { return canvas_.pixel(x, y); }
    bool draw(const std::wstring& description, const RECT& control) {
        CImageDescriptionCache image;
        image.set_text(description);
        return CPaintHelper::draw_image(canvas_.dc(), &manager_, control, control, image);
    }

    ScratchFolder folder_{L"paint"};
    COffscreenBuffer canvas_;
    CWindowManagerUI manager_;
};

TEST(AttributeValuesTest, NumbersColoursAndBooleansReadAsTheSkinsWriteThem) {
    struct Case {
        const wchar_t* text;
        RECT expected;
    } cases[] = {
        {L"350,24,0,0", {350, 24, 0, 0}}, {L"34,46", {34, 46, 0, 0}},  {L"0,21", {0, 21, 0, 0}},
        {L"10,-1,3,4", {10, -1, 3, 4}},   {L"", {0, 0, 0, 0}},          {L"x,5", {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const RECT r = parse_rect(c.text);
        EXPECT_EQ(r.left, c.expected.left) << c.text;
        EXPECT_EQ(r.top, c.expected.top) << c.text;
        EXPECT_EQ(r.right, c.expected.right) << c.text;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.text;
    }
    EXPECT_EQ(parse_color(L"FF0C181E"), 0xFF0C181Eu);
    EXPECT_EQ(parse_color(L"#FF0C181E"), 0xFF0C181Eu);
    EXPECT_EQ(parse_color(L"0C181E"), 0x000C181Eu);
    EXPECT_EQ(parse_color(L"junk"), 0u);
    EXPECT_TRUE(parse_bool(L"true"));
    EXPECT_FALSE(parse_bool(L"True"));
    EXPECT_FALSE(parse_bool(L"1"));
}

TEST(ImageDescriptionTest, KeysAndPlainNamesParse) {
    const TImageDescription plain = parse_image_description(L"img/bk.png");
    EXPECT_EQ(plain.name, L"img/bk.png");
    EXPECT_FALSE(plain.has_dest);

    const TImageDescription full = parse_image_description(
        L"file='img/menubk.png' corner='12,12,12,12' dest='0,0,18,18' source='1,2,3,4' mask='#FFFF00FF' "
        L"fade='128' hole='true' xtiled='true' ytiled='false'");
    EXPECT_EQ(full.name, L"img/menubk.png");
    EXPECT_EQ(full.corner.left, 12);
    EXPECT_EQ(full.corner.bottom, 12);
    EXPECT_TRUE(full.has_dest);
    EXPECT_EQ(full.dest.right, 18);
    EXPECT_TRUE(full.has_source);
    EXPECT_EQ(full.source.bottom, 4);
    EXPECT_EQ(full.mask, 0xFFFF00FFu);
    EXPECT_EQ(full.fade, 128);
    EXPECT_TRUE(full.hole);
    EXPECT_TRUE(full.xtiled);
    EXPECT_FALSE(full.ytiled);

    // Parsing stops at the first irregularity: two spaces between pairs.
    const TImageDescription cut = parse_image_description(L"file='a.png'  dest='0,0,1,1'");
    EXPECT_EQ(cut.name, L"a.png");
    EXPECT_TRUE(cut.has_dest) << "whitespace before a key is skipped";
    const TImageDescription broken = parse_image_description(L"file='a.png',dest='0,0,1,1'");
    EXPECT_EQ(broken.name, L"a.png");
    EXPECT_FALSE(broken.has_dest);
    // An empty value is ignored; a colour becomes a 1x1 pseudo image.
    EXPECT_TRUE(parse_image_description(L"file=''").name.empty());
    const TImageDescription color = parse_image_description(L"color='FF102030'");
    EXPECT_EQ(color.name, L"FF102030");
    EXPECT_EQ(color.res_type, kColorImageType);
}

TEST(MultiLanguageTest, PlaceholdersWithKnownIdsAreReplaced) {
    clear_multi_language_texts();
    add_multi_language_text(1, L"一");
    add_multi_language_text(12, L"twelve");
    struct Case {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"%{1}", L"一"},        {L"a%{12}b%{1}", L"atwelveb一"}, {L"%{3} stays", L"%{3} stays"},
        {L"%{} %{x}", L"%{} %{x}"}, {L"100%{1", L"100%{1"},       {L"%%{1}", L"%一"},
    };
    for (const Case& c : cases) EXPECT_EQ(substitute_multi_language(c.text), c.expected) << c.text;
    clear_multi_language_texts();
}

TEST_F(PaintTest, FillColourHonoursAlpha) {
    CPaintHelper::fill_color(canvas_.dc(), RECT{0, 0, 120, 200}, 0xFF000000);
    CPaintHelper::fill_color(canvas_.dc(), RECT{0, 0, 10, 10}, 0xFF0C181E);
    CPaintHelper::fill_color(canvas_.dc(), RECT{10, 0, 20, 10}, 0x000C181E);
    CPaintHelper::fill_color(canvas_.dc(), RECT{20, 0, 30, 10}, 0x20FFFFFF);
    EXPECT_EQ(at(5, 5), 0xFF0C181Eu);
    EXPECT_EQ(at(10, 0), 0xFF000000u) << "alpha 00 draws nothing";
    // 0x20 of white over black: about 12 %.
    EXPECT_NEAR(Red(at(25, 5)), 0x20, 2);
    EXPECT_NEAR(Blue(at(25, 5)), 0x20, 2);
    EXPECT_EQ(Alpha(at(25, 5)), 0xFF);
    EXPECT_EQ(at(30, 5), 0xFF000000u) << "nothing outside the rectangle";
}

TEST_F(PaintTest, VerticalGradientRunsFromTheFirstColourToTheSecond) {
    CPaintHelper::fill_gradient(canvas_.dc(), RECT{0, 0, 10, 100}, kRed, kBlue, true, 16);
    EXPECT_GT(Red(at(5, 0)), 0xF0);
    EXPECT_LT(Blue(at(5, 0)), 0x10);
    EXPECT_GT(Blue(at(5, 99)), 0xF0);
    EXPECT_NEAR(Red(at(5, 50)), 0x80, 8);
    EXPECT_EQ(Alpha(at(5, 50)), 0xFF);
    CPaintHelper::fill_gradient(canvas_.dc(), RECT{20, 0, 30, 10}, 0x00FF0000, 0x000000FF, true, 16);
    EXPECT_EQ(at(25, 5), 0u) << "alpha 0 on average draws nothing";
}

TEST_F(PaintTest, MaskColourBecomesTransparent) {
    add_picture(L"masked.png", Picture(2, 1, [](int x, int) { return x == 0 ? kMagenta : kRed; }));
    CPaintHelper::fill_color(canvas_.dc(), RECT{0, 0, 2, 1}, kBlue);
    ASSERT_TRUE(draw(L"file='masked.png' mask='#FFFF00FF'", RECT{0, 0, 2, 1}));
    EXPECT_EQ(at(0, 0), kBlue) << "magenta is cut out";
    EXPECT_EQ(at(1, 0), kRed);

    const auto loaded = load_image(L"masked.png", L"", 0xFFFF00FF);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->alpha);
    EXPECT_EQ(loaded->bits[0], 0u);
}

TEST_F(PaintTest, TranslucentPixelsArePremultiplied) {
    const unsigned char rgba[8] = {255, 0, 0, 128, 10, 20, 30, 255};
    const auto image = image_from_rgba(rgba, 2, 1, 0);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->alpha);
    EXPECT_EQ(image->bits[0], 0x80800000u);
    EXPECT_EQ(image->bits[1], 0xFF0A141Eu);
    EXPECT_FALSE(decode_image(rgba, sizeof(rgba), 0)) << "not a picture format";
}

TEST_F(PaintTest, NinePatchKeepsItsCornersAt110By185) {
    // 36 x 36: 12-pixel corners red, green, blue and white; yellow edges;
    // a grey centre.
    add_picture(L"nine.png", Picture(36, 36, [](int x, int y) {
                    const bool left = x < 12, right = x >= 24, top = y < 12, bottom = y >= 24;
                    if (left && top) return kRed;
                    if (right && top) return kGreen;
                    if (left && bottom) return kBlue;
                    if (right && bottom) return kWhite;
                    if (left || right || top || bottom) return kYellow;
                    return kGrey;
                }));
    ASSERT_TRUE(draw(L"file='nine.png' corner='12,12,12,12'", RECT{0, 0, 110, 185}));
    struct Probe {
        int x, y;
        DWORD expected;
    } probes[] = {
        {0, 0, kRed},      {11, 11, kRed},       {12, 0, kYellow},   {109, 0, kGreen},  {98, 11, kGreen},
        {97, 11, kYellow}, {0, 184, kBlue},      {11, 173, kBlue},   {11, 172, kYellow}, {109, 184, kWhite},
        {98, 173, kWhite}, {55, 5, kYellow},     {5, 90, kYellow},   {104, 90, kYellow}, {55, 179, kYellow},
        {55, 90, kGrey},   {12, 12, kGrey},      {97, 172, kGrey},   {110, 0, 0},        {0, 185, 0},
    };
    for (const Probe& p : probes) EXPECT_EQ(at(p.x, p.y), p.expected) << p.x << "," << p.y;
}

TEST_F(PaintTest, HoleLeavesTheCentreAndTilesRepeat) {
    add_picture(L"frame.png", Picture(6, 6, [](int x, int y) {
                    return (x < 2 || x >= 4 || y < 2 || y >= 4) ? kRed : kGreen;
                }));
    ASSERT_TRUE(draw(L"file='frame.png' corner='2,2,2,2' hole='true'", RECT{0, 0, 20, 20}));
    EXPECT_EQ(at(0, 0), kRed);
    EXPECT_EQ(at(10, 10), 0u);
    // Tiles of 2 x 1 pixels (alternating columns) repeat unscaled.
    add_picture(L"stripes.png", Picture(2, 1, [](int x, int) { return x == 0 ? kRed : kBlue; }));
    ASSERT_TRUE(draw(L"file='stripes.png' xtiled='true'", RECT{30, 0, 37, 3}));
    for (int x = 30; x < 37; ++x) EXPECT_EQ(at(x, 2), (x - 30) % 2 == 0 ? kRed : kBlue) << x;
    EXPECT_EQ(at(37, 0), 0u);
}

TEST_F(PaintTest, DestinationIsPlacedInTheControlAndCutToIt) {
    add_picture(L"ico.png", Picture(18, 18, [](int, int) { return kRed; }));
    // A 20-high button: the icon takes the top-left 18 x 18.
    ASSERT_TRUE(draw(L"file='ico.png' dest='0,0,18,18'", RECT{5, 5, 105, 25}));
    EXPECT_EQ(at(5, 5), kRed);
    EXPECT_EQ(at(22, 22), kRed);
    EXPECT_EQ(at(23, 5), 0u);
    EXPECT_EQ(at(5, 23), 0u);
    // A 10-wide control: the destination is cut to 10 pixels wide.
    ASSERT_TRUE(draw(L"file='ico.png' dest='0,0,18,18'", RECT{5, 50, 15, 70}));
    EXPECT_EQ(at(14, 50), kRed);
    EXPECT_EQ(at(15, 50), 0u);
}

TEST_F(PaintTest, OnlyThePaintAreaIsDrawnWhenClipped) {
    add_picture(L"ico.png", Picture(18, 18, [](int, int) { return kRed; }));
    CImageDescriptionCache image;
    image.set_text(L"ico.png");
    // The image lies outside the area being painted: nothing is drawn.
    EXPECT_TRUE(CPaintHelper::draw_image(canvas_.dc(), &manager_, RECT{0, 0, 18, 18}, RECT{50, 50, 60, 60}, image));
    EXPECT_EQ(at(0, 0), 0u);
}

TEST_F(PaintTest, MissingImageDrawsNothingAndIsNotLookedUpAgain) {
    CImageDescriptionCache image;
    image.set_text(L"later.png");
    const RECT control{0, 0, 10, 10};
    EXPECT_FALSE(CPaintHelper::draw_image(canvas_.dc(), &manager_, control, control, image));
    EXPECT_EQ(at(0, 0), 0u);
    add_picture(L"later.png", Picture(10, 10, [](int, int) { return kRed; }));
    EXPECT_FALSE(CPaintHelper::draw_image(canvas_.dc(), &manager_, control, control, image));
    EXPECT_EQ(at(0, 0), 0u);
    // The same text in a new description finds the picture that now exists.
    EXPECT_TRUE(draw(L"later.png", control));
    EXPECT_EQ(at(0, 0), kRed);
}

TEST_F(PaintTest, ImagesAreCachedPerManagerByName) {
    add_picture(L"once.png", Picture(1, 1, [](int, int) { return kRed; }));
    const auto first = manager_.skin_image_ex(L"once.png", L"", 0, false);
    ASSERT_TRUE(first);
    EXPECT_EQ(manager_.skin_image_ex(L"once.png", L"", 0, false), first);
    CWindowManagerUI other;
    EXPECT_FALSE(other.skin_image(L"once.png")) << "another window has its own table";
    const auto shared = manager_.add_skin_image(L"shared.png", L"", 0, false, true);
    EXPECT_FALSE(shared) << "no such picture";
    add_picture(L"shared.png", Picture(1, 1, [](int, int) { return kGreen; }));
    ASSERT_TRUE(manager_.add_skin_image(L"shared.png", L"", 0, false, true));
    EXPECT_TRUE(other.skin_image(L"shared.png")) << "shared images are seen by every window";
}

TEST_F(PaintTest, TextDrawsWithTheColourAndLeavesPlaceholdersOfUnknownIds) {
    clear_multi_language_texts();
    RECT measured{0, 0, 1000, 100};
    CPaintHelper::draw_text(canvas_.dc(), &manager_, measured, L"%{3}", kWhite, -1, DT_SINGLELINE | DT_CALCRECT);
    add_multi_language_text(3, L"%");
    RECT replaced{0, 0, 1000, 100};
    CPaintHelper::draw_text(canvas_.dc(), &manager_, replaced, L"%{3}", kWhite, -1, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_GT(measured.right, replaced.right) << "the placeholder text is wider than its replacement";
    clear_multi_language_texts();

    RECT area{0, 0, 120, 40};
    CPaintHelper::draw_text(canvas_.dc(), &manager_, area, L"HHHH", kWhite, -1, DT_SINGLELINE | DT_VCENTER);
    int lit = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) lit += Red(at(x, y)) > 0x80 ? 1 : 0;
    EXPECT_GT(lit, 10);
}

TEST_F(PaintTest, BordersUseTheirPenWidthInsideTheRectangle) {
    CPaintHelper::draw_rect(canvas_.dc(), RECT{10, 10, 30, 30}, 2, kRed, PS_SOLID);
    EXPECT_EQ(at(10, 10) & 0xFFFFFF, kRed & 0xFFFFFF);
    EXPECT_EQ(at(11, 20) & 0xFFFFFF, kRed & 0xFFFFFF);
    EXPECT_EQ(at(29, 29) & 0xFFFFFF, kRed & 0xFFFFFF);
    EXPECT_EQ(at(12, 20), 0u) << "no fill";
    EXPECT_EQ(at(30, 30), 0u) << "the pen stays inside";
    CPaintHelper::draw_line(canvas_.dc(), RECT{50, 0, 50, 10}, 1, 0xFF000000, PS_SOLID);
    EXPECT_EQ(at(50, 5) & 0xFFFFFF, 0x000001u) << "black is drawn as blue 1";
}

}  // namespace
