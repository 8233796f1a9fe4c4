// Renders the program's skins in real windows, checks what the toolkit drew
// at points whose colour the skins fix, and saves the frames as PNG files
// under the build folder (screenshots/), so anyone can look at them: main.xml's
// three pages side by side, the menu and the message box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "SkinTestFiles.h"
#include "TestWindow.h"
#include "UiTestSupport.h"
#include "ui/SkinResources.h"
#include "ui/SpinnerUI.h"
#include "ui/TabLayoutUI.h"

using namespace ui;

namespace {

std::string NarrowPath(const std::wstring& path) { return std::string(path.begin(), path.end()); }

// A colour that a skin gives a point of its window: a skin colour, or a
// pixel of a picture the skin draws unscaled (premultiplied where the
// picture is not opaque).
struct KnownPixel {
    const char* what;
    int x, y;
    DWORD rgb;
};

::testing::AssertionResult HasColour(const COffscreenBuffer& buffer, const KnownPixel& known) {
    const DWORD pixel = buffer.pixel(known.x, known.y);
    const int differences[] = {Red(pixel) - static_cast<int>((known.rgb >> 16) & 0xFF),
                               Green(pixel) - static_cast<int>((known.rgb >> 8) & 0xFF),
                               Blue(pixel) - static_cast<int>(known.rgb & 0xFF)};
    for (int difference : differences) {
        if (std::abs(difference) > 3) {
            return ::testing::AssertionFailure() << known.what << " at (" << known.x << "," << known.y << ") is "
                                                 << std::hex << (pixel & 0xFFFFFF) << " instead of " << known.rgb;
        }
    }
    return ::testing::AssertionSuccess();
}

// img/bk.png at (100,350): a point no control covers on any page.
constexpr KnownPixel kBackground{"background picture", 100, 350, 0x0C1A1F};

const std::vector<KnownPixel> kPagePixels[3] = {
    {kBackground, {"close button picture (img/close.png at 12,12)", 362, 36, 0xE6F3FA}},
    {kBackground, {"sign-in button colour", 40, 395, 0x02E1EF}, {"account box border", 30, 199, 0x5D717A}},
    {kBackground, {"game picture (img/game.png at 40,40)", 195, 136, 0x3B2327},
     {"game picture border", 155, 136, 0x5D717A}},
};

// The start-up page's spinner: spoke j of the ring, counted clockwise from
// the bright one, is white at alpha j * 25 (the bright one fully), drawn
// over the background picture.
void ExpectSpinnerRing(CControlUI* root, const COffscreenBuffer& buffer) {
    auto* spinner = static_cast<CSpinnerUI*>(root->find_control(
        [](CControlUI* control, void*) -> CControlUI* {
            return control->interface_of(L"Spinner") ? control : nullptr;
        },
        nullptr, kFindMeFirst));
    ASSERT_NE(spinner, nullptr);
    const std::vector<double>& angles = spinner->spoke_angles();
    ASSERT_EQ(angles.size(), 10u);
    const RECT& rect = spinner->rect();
    const double cx = rect.left + spinner->width() / 2, cy = rect.top + spinner->height() / 2;
    constexpr double kSpokeMiddle = 30;  // between main.xml's innerradius 20 and outradius 40
    constexpr double kPi = 3.14;         // the spinner's own value
    const int n = static_cast<int>(angles.size());
    for (int i = 0; i < n; ++i) {
        const double angle = angles[i] * kPi / 180;
        const int x = static_cast<int>(std::lround(cx + std::cos(angle) * kSpokeMiddle));
        const int y = static_cast<int>(std::lround(cy + std::sin(angle) * kSpokeMiddle));
        const int j = (i - spinner->current_index() + n) % n;
        const int alpha = j == 0 ? 255 : j * 25;
        const int background = 0x0D;  // img/bk.png's red around the spinner
        const int expected = alpha + (255 - alpha) * background / 255;
        EXPECT_NEAR(Red(buffer.pixel(x, y)), expected, 8) << "spoke " << j << " at (" << x << "," << y << ")";
        if (j == 0) {
            EXPECT_GE(Green(buffer.pixel(x, y)), 0xF0) << "the bright spoke is white";
            EXPECT_GE(Blue(buffer.pixel(x, y)), 0xF0) << "the bright spoke is white";
        }
    }
}

// The message box's text: pixels of the default text colour (black) on its
// white background, all inside the label's text rectangle and centred in it.
void ExpectMessageText(const COffscreenBuffer& buffer) {
    const RECT text{17, 10, 313, 140};  // msgbox_text less its textpadding
    int count = 0;
    RECT drawn{buffer.width(), buffer.height(), 0, 0};
    for (int y = 0; y < 150; ++y) {
        for (int x = 0; x < buffer.width(); ++x) {
            const DWORD pixel = buffer.pixel(x, y);
            if (Red(pixel) > 0x40 || Green(pixel) > 0x40 || Blue(pixel) > 0x40) continue;
            ++count;
            drawn = RECT{std::min<LONG>(drawn.left, x), std::min<LONG>(drawn.top, y), std::max<LONG>(drawn.right, x + 1),
                         std::max<LONG>(drawn.bottom, y + 1)};
        }
    }
    EXPECT_GE(count, 10) << "no text drawn";
    RECT outside{};
    EXPECT_FALSE(SubtractRect(&outside, &drawn, &text)) << "text drawn outside its rectangle";
    EXPECT_NEAR((drawn.left + drawn.right) / 2, (text.left + text.right) / 2, 6) << "text not centred";
}

// The menu is a layered window: its picture's transparent corners stay
// transparent, its panel keeps the picture's alpha.
void ExpectMenuAlpha(const COffscreenBuffer& buffer) {
    EXPECT_EQ(Alpha(buffer.pixel(0, 0)), 0) << "the rounded corner is cut out";
    EXPECT_EQ(Alpha(buffer.pixel(100, 92)), 0xFA) << "img/menubk.png's alpha at (100,92)";
}

class ScreenshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
        folder_ = WinePath("ORVANE_BUILD_DIR", L"screenshots");
        CreateDirectoryW(folder_.c_str(), nullptr);
    }
    void TearDown() override { reset_skin_sources(); }

    std::string file(const wchar_t* name) const { return NarrowPath(folder_ + L"\\" + name); }

    // Copies what the window drew into one frame of a wider picture.
    static void Copy(const COffscreenBuffer& from, std::vector<DWORD>& to, int to_width, int x_offset) {
        for (int y = 0; y < from.height(); ++y) {
            for (int x = 0; x < from.width(); ++x) to[static_cast<size_t>(y) * to_width + x_offset + x] = from.pixel(x, y);
        }
    }

    Bytes archive_;
    std::wstring folder_;
};

TEST_F(ScreenshotTest, MainWindowPagesSideBySide) {
    TestWindow window(L"main.xml");
    ASSERT_TRUE(window.open(390, 480));
    auto* tab = static_cast<CTabLayoutUI*>(window.manager.find_control(L"maintab")->interface_of(L"TabLayout"));
    ASSERT_NE(tab, nullptr);
    const int width = 390, height = 480;
    std::vector<DWORD> strip(static_cast<size_t>(width) * 3 * height, 0);
    for (int page = 0; page < 3; ++page) {
        ASSERT_TRUE(tab->select_item(page));
        window.manager.invalidate_all();
        window.pump();
        const COffscreenBuffer& buffer = window.manager.offscreen();
        ASSERT_EQ(buffer.width(), width);
        ASSERT_EQ(buffer.height(), height);
        // The background picture covers the page.
        EXPECT_EQ(Alpha(buffer.pixel(kBackground.x, kBackground.y)), 0xFF) << page;
        for (const KnownPixel& known : kPagePixels[page]) EXPECT_TRUE(HasColour(buffer, known)) << "page " << page;
        if (page == 0) ExpectSpinnerRing(window.manager.root(), buffer);
        const std::wstring name = L"main_page" + std::to_wstring(page) + L".png";
        EXPECT_TRUE(WriteScreenshot(file(name.c_str()), buffer.bits(), width, height));
        Copy(buffer, strip, width * 3, page * width);
    }
    EXPECT_TRUE(WriteScreenshot(file(L"main_pages.png"), strip.data(), width * 3, height));
}

TEST_F(ScreenshotTest, MenuAndMessageBox) {
    struct Skin {
        const wchar_t* file;
        int width, height;
        const wchar_t* picture;
        std::vector<KnownPixel> known;
        void (*check)(const COffscreenBuffer&);
    } skins[] = {
        {L"menu.xml", 110, 185, L"menu.png", {{"panel picture (img/menubk.png at 100,92)", 100, 92, 0x172832}},
         &ExpectMenuAlpha},
        {L"msgbox.xml", 330, 200, L"msgbox.png", {{"OK button colour", 40, 160, 0x4285F4}, {"background", 5, 5, 0xFFFFFF}},
         &ExpectMessageText},
    };
    TestWindow main_window(L"main.xml");  // declares the shared fonts the others use
    ASSERT_TRUE(main_window.open(390, 480, false));
    for (const Skin& skin : skins) {
        TestWindow window(skin.file);
        ASSERT_TRUE(window.open(skin.width, skin.height));
        ASSERT_TRUE(window.pump_until([&] { return window.manager.offscreen().ok(); }));
        window.pump();
        const COffscreenBuffer& buffer = window.manager.offscreen();
        for (const KnownPixel& known : skin.known) EXPECT_TRUE(HasColour(buffer, known));
        skin.check(buffer);
        EXPECT_TRUE(WriteScreenshot(file(skin.picture), buffer.bits(), buffer.width(), buffer.height()));
    }
}

}  // namespace
