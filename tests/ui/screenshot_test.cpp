// Renders the program's skins in real windows and saves what the toolkit
// drew as PNG files under the build folder (screenshots/), so anyone can
// look at it: main.xml's three pages side by side, the menu and the message
// box. Controls the toolkit does not have yet are drawn as plain controls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SkinTestFiles.h"
#include "TestWindow.h"
#include "UiTestSupport.h"
#include "ui/SkinResources.h"
#include "ui/TabLayoutUI.h"

using namespace ui;

namespace {

std::string NarrowPath(const std::wstring& path) { return std::string(path.begin(), path.end()); }

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
        EXPECT_EQ(Alpha(buffer.pixel(200, 200)), 0xFF) << page;
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
    } skins[] = {{L"menu.xml", 110, 185, L"menu.png"}, {L"msgbox.xml", 330, 200, L"msgbox.png"}};
    TestWindow main_window(L"main.xml");  // declares the shared fonts the others use
    ASSERT_TRUE(main_window.open(390, 480, false));
    for (const Skin& skin : skins) {
        TestWindow window(skin.file);
        ASSERT_TRUE(window.open(skin.width, skin.height));
        ASSERT_TRUE(window.pump_until([&] { return window.manager.offscreen().ok(); }));
        window.pump();
        const COffscreenBuffer& buffer = window.manager.offscreen();
        EXPECT_TRUE(WriteScreenshot(file(skin.picture), buffer.bits(), buffer.width(), buffer.height()));
    }
}

}  // namespace
