// The start-up page's spinner in the real main window: geometry, the derived
// colours and angles, frame pixels from tick to tick, and its timer.
#include <gtest/gtest.h>

#include <cmath>

#include "SkinTestFiles.h"
#include "TestSkinWindow.h"
#include "ui/SkinResources.h"
#include "ui/TabLayoutUI.h"

using namespace ui;

namespace {

CSpinnerUI* FindSpinner(CControlUI* root) {
    return static_cast<CSpinnerUI*>(root->find_control(
        [](CControlUI* control, void*) -> CControlUI* {
            return control->interface_of(L"Spinner") ? control : nullptr;
        },
        nullptr, kFindAll));
}

// Where spoke i of a ring centred at centre crosses the given radius.
POINT OnSpoke(const CSpinnerUI& spinner, int i, POINT centre, double radius) {
    const double angle = spinner.spoke_angles()[static_cast<size_t>(i)] * 3.14 / 180;
    return POINT{static_cast<LONG>(std::lround(centre.x + std::cos(angle) * radius)),
                 static_cast<LONG>(std::lround(centre.y + std::sin(angle) * radius))};
}

class SpinnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
        ASSERT_TRUE(window_.open(L"main.xml", 390, 480));
        spinner_ = FindSpinner(window_.manager.root());
        ASSERT_NE(spinner_, nullptr);
    }
    void TearDown() override { reset_skin_sources(); }

    // The index after the next frame the timer brings.
    int next_tick() {
        const int before = spinner_->current_index();
        EXPECT_TRUE(TestSkinWindow::pump_until([&] { return spinner_->current_index() != before; }));
        window_.update();
        return spinner_->current_index();
    }
    bool ticks_within(DWORD ms) {
        const int before = spinner_->current_index();
        TestSkinWindow::pump_for(ms);
        return spinner_->current_index() != before;
    }

    Bytes archive_;
    TestSkinWindow window_;
    CSpinnerUI* spinner_ = nullptr;
};

TEST_F(SpinnerTest, SkinValuesGiveA390By80RingCentredAt195And40) {
    EXPECT_EQ(spinner_->width(), 390);
    EXPECT_EQ(spinner_->height(), 80);
    EXPECT_EQ(spinner_->time_interval(), 200);
    EXPECT_EQ(spinner_->spoke_count(), 10);
    EXPECT_EQ(spinner_->frame().width(), 390);
    EXPECT_EQ(spinner_->frame().height(), 80);

    // Angles 36, 72, ... 360; colours: the full spoke colour, then alpha 25,
    // 50, ... 225 of white.
    ASSERT_EQ(spinner_->spoke_angles().size(), 10u);
    ASSERT_EQ(spinner_->spoke_colors().size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_DOUBLE_EQ(spinner_->spoke_angles()[static_cast<size_t>(i)], 36.0 * (i + 1));
        const DWORD expected = i == 0 ? 0xFFFFFFFF : ((static_cast<DWORD>(i) * 25) << 24 | 0xFFFFFF);
        EXPECT_EQ(spinner_->spoke_colors()[static_cast<size_t>(i)], expected) << i;
    }

    // The frame: spokes between the radii 20 and 40 around (195, 40),
    // nothing at the centre nor beyond the ring.
    const int current = spinner_->current_index();
    const POINT bright = OnSpoke(*spinner_, current, POINT{195, 40}, 30);
    EXPECT_EQ(spinner_->frame().pixel(bright.x, bright.y), 0xFFFFFFFFu);
    EXPECT_EQ(Alpha(spinner_->frame().pixel(195, 40)), 0);
    const POINT beyond = OnSpoke(*spinner_, current, POINT{195, 40}, 46);
    EXPECT_EQ(Alpha(spinner_->frame().pixel(beyond.x, beyond.y)), 0);
    window_.save("startup_spinner.png");
}

TEST_F(SpinnerTest, BrightSpokeAdvancesOnePositionPerTick) {
    const POINT centre{spinner_->x() + 195, spinner_->y() + 40};
    for (int frame = 0; frame < 2; ++frame) {
        const int before = spinner_->current_index();
        const int now = next_tick();
        EXPECT_EQ(now, (before + 1) % 10);
        // On the screen: the full white spoke at the new position, the
        // faint one (alpha 25) right after it clockwise, the previous full
        // spoke now second brightest (alpha 225).
        const POINT bright = OnSpoke(*spinner_, now, centre, 30);
        const POINT faint = OnSpoke(*spinner_, (now + 1) % 10, centre, 30);
        const POINT previous = OnSpoke(*spinner_, before, centre, 30);
        const DWORD b = window_.pixel(bright.x, bright.y), f = window_.pixel(faint.x, faint.y),
                    p = window_.pixel(previous.x, previous.y);
        EXPECT_GE(Red(b), 250);
        EXPECT_GE(Green(b), 250);
        EXPECT_LE(Red(f), 100);
        EXPECT_GT(Red(p), Red(f));
        EXPECT_LT(Red(p), Red(b));
    }
}

TEST_F(SpinnerTest, SpokeCountTwelveGivesAlphaStepsOf21AndZeroDrawsNothing) {
    spinner_->apply_attribute(L"spokenum", L"12");
    ASSERT_EQ(spinner_->spoke_colors().size(), 12u);
    for (int i = 1; i < 12; ++i) {
        EXPECT_EQ(spinner_->spoke_colors()[static_cast<size_t>(i)] >> 24, static_cast<DWORD>(i) * 21) << i;
        EXPECT_DOUBLE_EQ(spinner_->spoke_angles()[static_cast<size_t>(i)], 30.0 * (i + 1));
    }

    spinner_->apply_attribute(L"spokenum", L"0");
    EXPECT_TRUE(spinner_->spoke_colors().empty());
    EXPECT_TRUE(spinner_->spoke_angles().empty());
    // Ticks keep coming and draw an empty frame.
    TestSkinWindow::pump_for(450);
    const COffscreenBuffer& frame = spinner_->frame();
    ASSERT_TRUE(frame.ok());
    for (int y = 0; y < frame.height(); y += 3) {
        for (int x = 0; x < frame.width(); x += 3) ASSERT_EQ(frame.pixel(x, y), 0u) << x << "," << y;
    }
}

TEST_F(SpinnerTest, TimerFollowsIntervalChangesAndVisibility) {
    // A very long interval replaces the running 200 ms timer.
    spinner_->apply_attribute(L"timeinterval", L"60000");
    EXPECT_FALSE(ticks_within(700));
    spinner_->apply_attribute(L"timeinterval", L"20");
    EXPECT_TRUE(ticks_within(700));

    spinner_->set_visible(false);
    EXPECT_FALSE(ticks_within(300));
    spinner_->set_visible(true);
    EXPECT_TRUE(ticks_within(700));

    // A hidden page only hides the spinner inside: it keeps turning.
    auto* tab = window_.find<CContainerUI>(L"maintab");
    ASSERT_NE(tab, nullptr);
    static_cast<CTabLayoutUI*>(tab->interface_of(L"TabLayout"))->select_item(1);
    EXPECT_TRUE(ticks_within(700));
}

TEST_F(SpinnerTest, ResizingRecentresTheRing) {
    spinner_->set_pos(RECT{10, 20, 110, 120});
    EXPECT_EQ(spinner_->frame().width(), 100);
    EXPECT_EQ(spinner_->frame().height(), 100);
    const POINT bright = OnSpoke(*spinner_, spinner_->current_index(), POINT{50, 50}, 30);
    EXPECT_EQ(spinner_->frame().pixel(bright.x, bright.y), 0xFFFFFFFFu);
}

}  // namespace
