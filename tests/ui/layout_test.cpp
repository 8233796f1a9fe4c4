// Layout arithmetic and the layout containers: tables of expected
// rectangles for small skin snippets and for the real main.xml.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "LayoutFixture.h"
#include "SkinTestFiles.h"
#include "ui/LayoutArithmetic.h"
#include "ui/SkinResources.h"
#include "ui/TabLayoutUI.h"

using namespace ui;

namespace {

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected) {
    if (EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << "," << actual.top << "," << actual.right << ","
                                         << actual.bottom << ") instead of (" << expected.left << "," << expected.top
                                         << "," << expected.right << "," << expected.bottom << ")";
}

// Children that measure as their fixed size, like plain controls.
MeasureChild FixedSizes(const std::vector<LayoutChild>& children) {
    return [&children](size_t i, SIZE) { return SIZE{children[i].fixed_width, children[i].fixed_height}; };
}

LayoutChild Sized(int width, int height, RECT margins = {}) {
    LayoutChild c;
    c.fixed_width = width;
    c.fixed_height = height;
    c.margins = margins;
    return c;
}

TEST(LayoutArithmeticTest, VerticalFlowTables) {
    struct Case {
        const char* what;
        RECT area;
        std::vector<LayoutChild> children;
        int spacing;
        ChildAlign align;
        std::vector<RECT> expected;
    } cases[] = {
        {"one spring takes what the fixed children leave",
         {0, 0, 390, 480},
         {Sized(0, 34), Sized(0, 16), Sized(0, 80), Sized(0, 0)},
         0,
         ChildAlign::Start,
         {{0, 0, 390, 34}, {0, 34, 390, 50}, {0, 50, 390, 130}, {0, 130, 390, 480}}},
        {"a spring in the middle",
         {0, 0, 390, 480},
         {Sized(0, 34), Sized(0, 0), Sized(0, 16), Sized(0, 80)},
         0,
         ChildAlign::Start,
         {{0, 0, 390, 34}, {0, 34, 390, 384}, {0, 384, 390, 400}, {0, 400, 390, 480}}},
        {"two springs share 101 as 50 and 51",
         {0, 0, 10, 101},
         {Sized(0, 0), Sized(0, 0)},
         0,
         ChildAlign::Start,
         {{0, 0, 10, 50}, {0, 50, 10, 101}}},
        {"margins and spacing",
         {10, 20, 110, 220},
         {Sized(0, 30, {5, 6, 7, 8}), Sized(50, 0, {1, 2, 3, 4})},
         10,
         ChildAlign::Start,
         {{15, 26, 103, 56}, {11, 76, 61, 216}}},
        {"a spring never gets less than nothing",
         {0, 0, 50, 40},
         {Sized(0, 30), Sized(0, 0), Sized(0, 30)},
         0,
         ChildAlign::Start,
         {{0, 0, 50, 30}, {0, 30, 50, 30}, {0, 30, 50, 60}}},
    };
    for (const Case& c : cases) {
        const auto rects = layout_vertical(c.area, c.children, c.spacing, c.align, FixedSizes(c.children));
        ASSERT_EQ(rects.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < rects.size(); ++i) EXPECT_TRUE(SameRect(rects[i], c.expected[i])) << c.what << " #" << i;
    }
}

TEST(LayoutArithmeticTest, HorizontalFlowTables) {
    struct Case {
        const char* what;
        RECT area;
        std::vector<LayoutChild> children;
        ChildAlign valign;
        std::vector<RECT> expected;
    } cases[] = {
        {"a 24-high button with padding 0,21 sits at top + 21 in a 45-high row",
         {0, 100, 390, 145},
         {Sized(0, 0), Sized(24, 24, {0, 21, 0, 0})},
         ChildAlign::Start,
         {{0, 100, 366, 145}, {366, 121, 390, 145}}},
        {"the title bar of the main page: a spring pushes the buttons right",
         {0, 0, 390, 45},
         {Sized(26, 26, {26, 19, 0, 0}), Sized(42, 21, {4, 22, 0, 0}), Sized(0, 0), Sized(24, 24, {0, 21, 0, 0}),
          Sized(20, 20, {19, 23, 0, 0}), Sized(24, 24, {10, 21, 14, 0})},
         ChildAlign::Start,
         {{26, 19, 52, 45}, {56, 22, 98, 43}, {98, 0, 279, 45}, {279, 21, 303, 45}, {322, 23, 342, 43},
          {352, 21, 376, 45}}},
        {"two springs centre two buttons, the top margin ignored",
         {0, 0, 330, 40},
         {Sized(0, 0), Sized(100, 30), Sized(100, 30, {10, 4, 0, 0}), Sized(0, 0)},
         ChildAlign::Center,
         {{0, 0, 60, 40}, {60, 5, 160, 35}, {170, 5, 270, 35}, {270, 0, 330, 40}}},
    };
    for (const Case& c : cases) {
        const auto rects = layout_horizontal(c.area, c.children, 0, c.valign, FixedSizes(c.children));
        ASSERT_EQ(rects.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < rects.size(); ++i) EXPECT_TRUE(SameRect(rects[i], c.expected[i])) << c.what << " #" << i;
    }
}

// One child placed across the flow by each alignment. The margins on the two
// sides differ from each other and from the centred place, so each
// alignment has its own rectangle and a mix-up cannot pass.
TEST(LayoutArithmeticTest, AlignmentTables) {
    struct Case {
        const char* what;
        bool vertical;
        RECT area;
        LayoutChild child;
        RECT start, center, end;
    } cases[] = {
        {"a 280-wide button in a 390-wide page: centred children ignore their margins",
         true,
         {0, 0, 390, 480},
         Sized(280, 36, {20, 33, 7, 0}),
         {20, 33, 300, 69},
         {55, 33, 335, 69},
         {103, 33, 383, 69}},
        {"right alignment keeps the right margin, in an area away from the origin",
         true,
         {10, 5, 110, 105},
         Sized(30, 10, {3, 0, 5, 0}),
         {13, 5, 43, 15},
         {45, 5, 75, 15},
         {75, 5, 105, 15}},
        {"bottom alignment keeps the bottom margin",
         false,
         {0, 0, 100, 50},
         Sized(10, 10, {0, 2, 0, 5}),
         {0, 2, 10, 12},
         {0, 20, 10, 30},
         {0, 35, 10, 45}},
        {"a 24-high button in a 45-high row away from the origin",
         false,
         {5, 100, 95, 145},
         Sized(24, 24, {4, 5, 0, 3}),
         {9, 105, 33, 129},
         {9, 110, 33, 134},
         {9, 118, 33, 142}},
    };
    for (const Case& c : cases) {
        const std::vector<LayoutChild> children{c.child};
        const std::pair<ChildAlign, RECT> expected[] = {
            {ChildAlign::Start, c.start}, {ChildAlign::Center, c.center}, {ChildAlign::End, c.end}};
        for (const auto& [align, rect] : expected) {
            const auto rects = c.vertical ? layout_vertical(c.area, children, 0, align, FixedSizes(children))
                                          : layout_horizontal(c.area, children, 0, align, FixedSizes(children));
            ASSERT_EQ(rects.size(), 1u) << c.what;
            EXPECT_TRUE(SameRect(rects[0], rect)) << c.what << ", alignment " << static_cast<int>(align);
        }
        EXPECT_FALSE(EqualRect(&c.start, &c.center)) << c.what;
        EXPECT_FALSE(EqualRect(&c.start, &c.end)) << c.what;
        EXPECT_FALSE(EqualRect(&c.center, &c.end)) << c.what;
    }
}

TEST(LayoutArithmeticTest, HorizontalChildWithoutWidthStretchesWhateverItMeasures) {
    const std::vector<LayoutChild> children{Sized(0, 10), Sized(50, 10)};
    const auto rects =
        layout_horizontal(RECT{0, 0, 200, 10}, children, 0, ChildAlign::Start, [](size_t, SIZE) { return SIZE{80, 10}; });
    EXPECT_TRUE(SameRect(rects[0], RECT{0, 0, 120, 10}));
    EXPECT_TRUE(SameRect(rects[1], RECT{120, 0, 200, 10})) << "a fixed-width child uses its measured width";
}

TEST(LayoutArithmeticTest, LimitsClampTheStretchedAndTheMeasured) {
    std::vector<LayoutChild> children{Sized(0, 0), Sized(0, 0)};
    children[0].max_height = 20;
    children[1].min_height = 300;
    const auto rects = layout_vertical(RECT{0, 0, 100, 100}, children, 0, ChildAlign::Start, FixedSizes(children));
    EXPECT_EQ(rects[0].bottom - rects[0].top, 20);
    EXPECT_EQ(rects[1].bottom - rects[1].top, 300);
}

TEST(LayoutArithmeticTest, FloatingAndTabPageRectangles) {
    EXPECT_TRUE(SameRect(floating_rect(SIZE{330, 36}, SIZE{10, 9}, SIZE{18, 18}, 0, 0, 0, 0), RECT{10, 9, 28, 27}));
    EXPECT_TRUE(SameRect(floating_rect(SIZE{200, 100}, SIZE{-10, 5}, SIZE{20, 10}, 0.5, 0.5, 0.5, 0.5),
                         RECT{90, 55, 110, 65}));
    LayoutChild page;
    EXPECT_TRUE(SameRect(tab_page_rect(RECT{30, 235, 360, 298}, page, SIZE{0, 0}), RECT{30, 235, 360, 298}));
    page.max_height = 20;
    EXPECT_TRUE(SameRect(tab_page_rect(RECT{0, 0, 100, 100}, page, SIZE{40, 0}), RECT{0, 0, 40, 20}));
}

// Skin snippets laid out in a given rectangle, with the expected rectangle
// of every named control.
struct SnippetCase {
    const char* what;
    const wchar_t* markup;
    RECT area;
    std::vector<ExpectedRect> expected;
};

TEST(LayoutSnippetTest, ControlsLandWhereTheirAttributesSay) {
    const SnippetCase cases[] = {
        {"the page of the main window with one spring",
         LR"(<VerticalLayout name="page"><Control name="a" height="34" /><Control name="b" height="16" />
             <Control name="c" height="80" /><Control name="spring" /></VerticalLayout>)",
         {0, 0, 390, 480},
         {{L"a", {0, 0, 390, 34}}, {L"b", {0, 34, 390, 50}}, {L"c", {0, 50, 390, 130}}, {L"spring", {0, 130, 390, 480}}}},
        {"childalign center puts a 280-wide button at x = 55 whatever its side paddings",
         LR"(<VerticalLayout childalign="center"><Button name="start" width="280" height="36" padding="20,33,7,0" /></VerticalLayout>)",
         {0, 0, 390, 480},
         {{L"start", {55, 33, 335, 69}}}},
        {"childalign right keeps the right padding",
         LR"(<VerticalLayout childalign="right"><Button name="b" width="100" height="20" padding="20,5,7,0" /></VerticalLayout>)",
         {0, 0, 390, 100},
         {{L"b", {283, 5, 383, 25}}}},
        {"childvalign bottom keeps the bottom padding",
         LR"(<HorizontalLayout childvalign="bottom"><Control name="c" width="10" height="10" padding="0,2,0,5" /></HorizontalLayout>)",
         {0, 0, 100, 50},
         {{L"c", {0, 35, 10, 45}}}},
        {"a floating button is placed by pos, not by the flow",
         LR"(<VerticalLayout><Control name="top" height="40" />
             <Button name="close_btn" float="true" pos="350,24,0,0" width="24" height="24" /></VerticalLayout>)",
         {0, 100, 390, 580},
         {{L"top", {0, 100, 390, 140}}, {L"close_btn", {350, 124, 374, 148}}}},
        {"a floating icon inside a 330 x 36 box ignores the box's inset",
         LR"(<VerticalLayout><RichEdit name="edit" width="330" height="36" padding="30,20" inset="50,5,5,5">
             <Control name="icon" float="true" pos="10,9,0,0" width="18" height="18" /></RichEdit></VerticalLayout>)",
         {0, 0, 390, 480},
         {{L"edit", {30, 20, 360, 56}}, {L"icon", {40, 29, 58, 47}}}},
        {"a hidden control takes no space",
         LR"(<VerticalLayout><Control name="a" height="10" /><Control name="hidden" height="30" visible="false" />
             <Control name="b" height="10" /></VerticalLayout>)",
         {0, 0, 100, 100},
         {{L"a", {0, 0, 100, 10}}, {L"b", {0, 10, 100, 20}}}},
        {"inset and child padding",
         LR"(<VerticalLayout inset="13,22,13,15" childpadding="10"><Button name="one" height="20" />
             <Button name="two" height="20" /></VerticalLayout>)",
         {0, 0, 110, 185},
         {{L"one", {13, 22, 97, 42}}, {L"two", {13, 52, 97, 72}}}},
        {"a horizontal row places by childvalign",
         LR"(<HorizontalLayout childvalign="vcenter"><Control name="left" width="10" height="10" />
             <Control name="rest" height="20" /></HorizontalLayout>)",
         {0, 0, 100, 40},
         {{L"left", {0, 15, 10, 25}}, {L"rest", {10, 10, 100, 30}}}},
        {"only the current tab page is laid out",
         LR"(<TabLayout name="tab" selectedid="1" inset="1,2,3,4"><Control name="p0" /><VerticalLayout name="p1" padding="5,5,5,5">
             <Control name="inner" height="10" /></VerticalLayout></TabLayout>)",
         {0, 0, 100, 100},
         {{L"p0", {0, 0, 0, 0}}, {L"p1", {6, 7, 92, 91}}, {L"inner", {6, 7, 92, 17}}}},
        {"fractions move a floating control with its parent's size",
         LR"(<Container><Control name="centre" float="0.5,0.5,0.5,0.5" pos="-10,-5,10,5" /></Container>)",
         {0, 0, 200, 100},
         {{L"centre", {90, 45, 110, 55}}}},
    };
    for (const SnippetCase& c : cases) {
        ControlTree tree = BuildTree(c.markup);
        ASSERT_TRUE(tree) << c.what;
        tree->set_pos(c.area, false);
        for (const ExpectedRect& e : c.expected) {
            CControlUI* control = FindByName(tree.get(), e.name);
            ASSERT_NE(control, nullptr) << c.what << ": " << std::string(e.name, e.name + wcslen(e.name));
            EXPECT_TRUE(SameRect(control->rect(), e.rect))
                << c.what << ": " << std::string(e.name, e.name + wcslen(e.name));
        }
    }
}

TEST(LayoutSnippetTest, FloatingPosKeepsFixedValuesDescribingThePlace) {
    ControlTree tree = BuildTree(
        LR"(<VerticalLayout><Control name="f" float="true" pos="350,24,0,0" width="24" height="24" /></VerticalLayout>)");
    CControlUI* f = FindByName(tree.get(), L"f");
    EXPECT_EQ(f->fixed_xy().cx, 350);
    EXPECT_EQ(f->fixed_width(), 24) << "pos with a negative width leaves the width";
    tree->set_pos(RECT{20, 30, 410, 510}, false);
    EXPECT_TRUE(SameRect(f->rect(), RECT{370, 54, 394, 78}));
    EXPECT_TRUE(SameRect(f->relative_pos(), RECT{350, 24, 374, 48}));
    EXPECT_EQ(f->fixed_xy().cx, 350);
    EXPECT_EQ(f->fixed_height(), 24);
}

TEST(LayoutSnippetTest, ShowingAHiddenControlLaysTheParentOutAgain) {
    ControlTree tree = BuildTree(
        LR"(<VerticalLayout><Control name="tip" height="30" visible="false" /><Control name="after" height="10" /></VerticalLayout>)");
    tree->set_pos(RECT{0, 0, 100, 100}, false);
    EXPECT_FALSE(tree->is_update_needed());
    CControlUI* tip = FindByName(tree.get(), L"tip");
    tip->set_visible(true);
    EXPECT_TRUE(tree->is_update_needed());
    tree->set_pos(tree->rect(), false);
    EXPECT_TRUE(SameRect(FindByName(tree.get(), L"after")->rect(), RECT{0, 30, 100, 40}));
}

TEST(LayoutSnippetTest, TopicListRefillsWithSpacing) {
    ControlTree tree = BuildTree(
        LR"(<VerticalLayout><VerticalLayout name="topic_list" padding="24,22,5,0" width="361" height="100" childpadding="8">
             <Button height="17" /></VerticalLayout></VerticalLayout>)");
    auto* list = static_cast<IContainerUI*>(FindByName(tree.get(), L"topic_list")->interface_of(L"IContainer"));
    ASSERT_NE(list, nullptr);
    list->remove_all();
    EXPECT_EQ(list->count(), 0);
    for (int i = 0; i < 3; ++i) {
        auto* link = new CControlUI();
        link->set_fixed_height(17);
        ASSERT_TRUE(list->add(link));
    }
    tree->set_pos(RECT{0, 0, 390, 480}, false);
    EXPECT_TRUE(SameRect(list->item_at(0)->rect(), RECT{24, 22, 385, 39}));
    EXPECT_TRUE(SameRect(list->item_at(1)->rect(), RECT{24, 47, 385, 64}));
    EXPECT_TRUE(SameRect(list->item_at(2)->rect(), RECT{24, 72, 385, 89}));
}

// The real main window skin, page by page.
class MainSkinLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
        tree_ = BuildTree(L"main.xml");
        ASSERT_TRUE(tree_);
        tab_ = static_cast<CTabLayoutUI*>(FindByName(tree_.get(), L"maintab")->interface_of(L"TabLayout"));
        ASSERT_NE(tab_, nullptr);
    }
    void TearDown() override { reset_skin_sources(); }

    void check_page(int page, const std::vector<ExpectedRect>& expected) {
        ASSERT_TRUE(tab_->select_item(page));
        tree_->set_pos(RECT{0, 0, 390, 480}, false);
        CControlUI* current = tab_->item_at(page);
        for (const ExpectedRect& e : expected) {
            struct Search {
                const wchar_t* name;
                CControlUI* found;
            } search{e.name, nullptr};
            CControlUI* control = current->find_control(
                [](CControlUI* c, void* data) -> CControlUI* {
                    return c->name() == static_cast<Search*>(data)->name ? c : nullptr;
                },
                &search, kFindMeFirst);
            ASSERT_NE(control, nullptr) << "page " << page << ": " << std::string(e.name, e.name + wcslen(e.name));
            EXPECT_TRUE(SameRect(control->rect(), e.rect))
                << "page " << page << ": " << std::string(e.name, e.name + wcslen(e.name));
        }
    }

    Bytes archive_;
    ControlTree tree_;
    CTabLayoutUI* tab_ = nullptr;
};

TEST_F(MainSkinLayoutTest, StartUpPage) {
    EXPECT_EQ(tab_->current_index(), 0);
    check_page(0, {{L"close_btn", {350, 24, 374, 48}},
                   {L"loadingtip", {0, 273, 390, 289}},
                   {L"version_lab", {0, 429, 390, 449}}});
}

TEST_F(MainSkinLayoutTest, SignInPage) {
    check_page(1, {{L"close_btn", {350, 24, 374, 48}},
                   {L"version_title", {159, 53, 390, 80}},
                   {L"account_edit", {30, 181, 360, 217}},
                   {L"signin_type_tab", {30, 235, 360, 298}},
                   {L"code_edit", {30, 235, 360, 271}},
                   {L"sendcode", {276, 244, 351, 262}},
                   {L"signin", {30, 375, 360, 415}}});
}

TEST_F(MainSkinLayoutTest, MainPage) {
    check_page(2, {{L"menu_btn", {279, 21, 303, 45}},
                   {L"min_btn", {322, 23, 342, 43}},
                   {L"close_btn", {352, 21, 376, 45}}});
}

}  // namespace
