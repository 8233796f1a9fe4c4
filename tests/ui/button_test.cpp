// Buttons in a real window driven by the system's mouse and keyboard input:
// "click" only for a release inside, the disabled and hot looks, keys,
// cursors and fading.
#include <gtest/gtest.h>

#include "TestSkinWindow.h"

using namespace ui;

namespace {

bool Near(DWORD pixel, DWORD rgb, int tolerance = 12) {
    return std::abs(Red(pixel) - Red(rgb)) <= tolerance && std::abs(Green(pixel) - Green(rgb)) <= tolerance &&
           std::abs(Blue(pixel) - Blue(rgb)) <= tolerance;
}

int CountNear(const TestSkinWindow& window, const RECT& r, DWORD rgb, int tolerance = 24) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) n += Near(window.pixel(x, y), rgb, tolerance) ? 1 : 0;
    }
    return n;
}

POINT Centre(const CControlUI* control) {
    const RECT& r = control->rect();
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window_.open(
            LR"(<VerticalLayout bkcolor="FF000000">
                  <Button name="ok" text="确定" textcolor="FFFFFFFF" width="120" height="36" padding="10,10"
                          bkcolor="FF4285F4" hotbkcolor="FF6199F5" borderround="6,6" />
                  <Button name="link" text="■■■■■■■■" textcolor="FFFFFFFF" hottextcolor="FF0FB4FF" align="left"
                          height="17" width="200" padding="10,10" />
                  <Button name="off" text="■■■■■■" enabled="false" disabledtextcolor="FF00FF00"
                          disabledbkcolor="FF0000FF" width="120" height="30" padding="10,10" />
                  <Button name="outline" text="开始下载" textcolor="FFFFFFFF" hottextcolor="FF0FB4FF" width="120"
                          height="36" padding="10,10" bordercolor="FFFF0000" hotbordercolor="FF00FF00"
                          bordersize="1" />
                  <Button name="arrow" cursor="arrow" text="a" width="50" height="20" padding="10,10" />
                  <Button name="fade" fadedelta="64" normalimage="color='FFFF0000'" hotimage="color='FF00FF00'"
                          width="50" height="20" padding="10,10" />
                  <Control />
                </VerticalLayout>)",
            300, 400));
        // Start with the pointer on the window background, forgetting what
        // the pointer met where the window opened.
        window_.move_to(290, 390);
        window_.notifications.clear();
    }

    CButtonUI* button(const wchar_t* name) { return window_.find<CButtonUI>(name); }

    TestSkinWindow window_;
};

TEST_F(ButtonTest, ClickOnlyWhenReleasedInside) {
    CButtonUI* ok = button(L"ok");
    const POINT centre = Centre(ok);

    window_.click(centre.x, centre.y);
    EXPECT_EQ(window_.count(L"click", L"ok"), 1);

    // Released outside: no click, and the button is not left pushed.
    window_.move_to(centre.x, centre.y);
    window_.press();
    EXPECT_TRUE(ok->state() & kButtonPushed);
    window_.move_to(290, 390);
    EXPECT_FALSE(ok->state() & kButtonPushed);
    window_.release();
    EXPECT_EQ(window_.count(L"click", L"ok"), 1);
    EXPECT_EQ(ok->state() & (kButtonPushed | kButtonCaptured), 0u);

    // Out and back in before the release: a click.
    window_.move_to(centre.x, centre.y);
    window_.press();
    window_.move_to(290, 390);
    window_.move_to(centre.x + 5, centre.y);
    EXPECT_TRUE(ok->state() & kButtonPushed);
    window_.release();
    EXPECT_EQ(window_.count(L"click", L"ok"), 2);
}

TEST_F(ButtonTest, DisabledButtonNeverClicksAndShowsItsDisabledColours) {
    CButtonUI* off = button(L"off");
    const POINT centre = Centre(off);
    window_.click(centre.x, centre.y);
    off->set_focus();
    window_.post_key(VK_SPACE);
    EXPECT_FALSE(off->activate());
    EXPECT_EQ(window_.count(L"click", L"off"), 0);

    window_.redraw();
    EXPECT_GT(CountNear(window_, off->rect(), 0x00FF00), 50);   // disabled text colour
    EXPECT_GT(CountNear(window_, off->rect(), 0x0000FF, 0), 1000);  // disabled background

    // Disabling clears the states a button had.
    CButtonUI* ok = button(L"ok");
    window_.move_to(Centre(ok).x, Centre(ok).y);
    EXPECT_TRUE(ok->state() & kButtonHot);
    ok->set_enabled(false);
    EXPECT_EQ(ok->state() & ~kButtonFocused, kButtonDisabled);
    window_.click(Centre(ok).x, Centre(ok).y);
    EXPECT_EQ(window_.count(L"click", L"ok"), 0);
}

TEST_F(ButtonTest, HotColoursOnlyWhileTheMouseIsOver) {
    struct Case {
        const wchar_t* name;
        DWORD normal;
        DWORD hot;
        int at_least;
    } cases[] = {
        {L"link", 0xFFFFFF, 0x0FB4FF, 50},    // text colour, like the article links
        {L"outline", 0xFFFFFF, 0x0FB4FF, 20},  // text colour of "开始下载"
        {L"ok", 0x4285F4, 0x6199F5, 1000},    // background, like "登录" and "确定"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        CButtonUI* b = button(c.name);
        const RECT r = b->rect();
        window_.redraw();
        EXPECT_GT(CountNear(window_, r, c.normal, 8), c.at_least);
        EXPECT_EQ(CountNear(window_, r, c.hot, 8), 0);

        window_.move_to(r.left + 3, (r.top + r.bottom) / 2);
        window_.update();
        EXPECT_TRUE(b->state() & kButtonHot);
        EXPECT_GT(CountNear(window_, r, c.hot, 8), c.at_least);
        EXPECT_EQ(window_.count(L"mouseenter", c.name), 1);

        window_.move_to(290, 390);
        window_.update();
        EXPECT_FALSE(b->state() & kButtonHot);
        EXPECT_EQ(CountNear(window_, r, c.hot, 8), 0);
        EXPECT_EQ(window_.count(L"mouseleave", c.name), 1);
    }
}

TEST_F(ButtonTest, HotBorderColourIsNotAButtonAttribute) {
    CButtonUI* outline = button(L"outline");
    EXPECT_EQ(outline->attribute(L"hotbordercolor"), L"FF00FF00");
    window_.move_to(Centre(outline).x, Centre(outline).y);
    window_.update();
    EXPECT_TRUE(outline->state() & kButtonHot);
    const RECT r = outline->rect();
    const RECT top_edge{r.left + 12, r.top, r.right - 12, r.top + 1};
    EXPECT_GT(CountNear(window_, top_edge, 0xFF0000, 8), 50);
    EXPECT_EQ(CountNear(window_, top_edge, 0x00FF00, 8), 0);
}

TEST_F(ButtonTest, SpaceAndEnterActivateTheFocusedButton) {
    CButtonUI* ok = button(L"ok");
    ok->set_focus();
    ASSERT_TRUE(ok->is_focused());
    window_.post_key(VK_SPACE);
    window_.post_key(VK_RETURN);
    window_.post_key('A');
    EXPECT_EQ(window_.count(L"click", L"ok"), 2);

    ok->set_keyboard_enabled(false);
    window_.post_key(VK_SPACE);
    EXPECT_EQ(window_.count(L"click", L"ok"), 2);
}

TEST_F(ButtonTest, CursorsFollowTheCursorName) {
    window_.move_to(Centre(button(L"ok")).x, Centre(button(L"ok")).y);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
    window_.move_to(Centre(button(L"arrow")).x, Centre(button(L"arrow")).y);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(ButtonTest, FadingCrossesFromTheNormalToTheHotImageAndBack) {
    CButtonUI* fade = button(L"fade");
    const POINT centre = Centre(fade);
    window_.redraw();
    EXPECT_TRUE(Near(window_.pixel(centre.x, centre.y), 0xFF0000));

    window_.move_to(centre.x, centre.y);
    ASSERT_TRUE(TestSkinWindow::pump_until([&] { return fade->fade_level() == 0; }));
    window_.update();
    EXPECT_TRUE(Near(window_.pixel(centre.x, centre.y), 0x00FF00));

    window_.move_to(290, 390);
    ASSERT_TRUE(TestSkinWindow::pump_until([&] { return fade->fade_level() == 255; }));
    window_.update();
    EXPECT_TRUE(Near(window_.pixel(centre.x, centre.y), 0xFF0000));
}

}  // namespace
