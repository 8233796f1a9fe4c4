// Building control trees from skins: the element table, resource elements,
// attribute order, "Include", and the real main.xml in a window.
#include <gtest/gtest.h>

#include "SkinTestFiles.h"
#include "TestWindow.h"
#include "UiTestSupport.h"
#include "ui/ContainerUI.h"
#include "ui/MultiLanguage.h"
#include "ui/ResourceTable.h"
#include "ui/SkinResources.h"
#include "ui/TabLayoutUI.h"

using namespace ui;

namespace {

IContainerUI* ContainerOf(CControlUI* control) {
    return control ? static_cast<IContainerUI*>(control->interface_of(L"IContainer")) : nullptr;
}

// Skins read from a scratch folder (folder mode).
class SkinBuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_skin_sources();
        set_resource_folder(folder_.path());
    }
    void TearDown() override { reset_skin_sources(); }

    ScratchFolder folder_{L"builder"};
    CWindowManagerUI manager_;
};

TEST_F(SkinBuilderTest, ElementNamesMatchInAnyCaseAndUnknownOnesAreSkippedWithTheirSubtree) {
    CSkinBuilder builder;
    ControlTree tree(builder.build(LR"(<Window><verticallayout name="root">
            <Mystery name="unknown"><Control name="under_unknown" /></Mystery>
            <HBOX name="row" /><tablayout name="tabs" /><container name="box" /><control name="plain" />
        </verticallayout></Window>)",
                                   nullptr, nullptr));
    ASSERT_TRUE(tree);
    EXPECT_STREQ(tree->class_name(), L"VerticalLayout");
    IContainerUI* root = ContainerOf(tree.get());
    ASSERT_EQ(root->count(), 4);
    EXPECT_STREQ(root->item_at(0)->class_name(), L"HorizontalLayout");
    EXPECT_STREQ(root->item_at(1)->class_name(), L"TabLayout");
    EXPECT_STREQ(root->item_at(2)->class_name(), L"Container");
    EXPECT_STREQ(root->item_at(3)->class_name(), L"Control");
    EXPECT_EQ(FindByName(tree.get(), L"under_unknown"), nullptr);
}

TEST_F(SkinBuilderTest, UnknownNamesGoToTheCallback) {
    struct Callback : ISkinBuilderCallback {
        std::vector<std::wstring> asked;
        CControlUI* make_custom_control(const std::wstring& name) override {
            asked.push_back(name);
            return name == L"gameCard" ? new CControlUI() : nullptr;
        }
    } callback;
    CSkinBuilder builder;
    ControlTree tree(
        builder.build(LR"(<Window><VBox><gameCard name="b" /><Control /></VBox></Window>)", &callback, nullptr));
    ASSERT_TRUE(tree);
    EXPECT_EQ(callback.asked, std::vector<std::wstring>{L"gameCard"}) << "only names the table does not know";
    EXPECT_NE(FindByName(tree.get(), L"b"), nullptr);
}

TEST_F(SkinBuilderTest, ChildrenComeFirstSoSelectedIdFindsItsPages) {
    CSkinBuilder builder;
    ControlTree tree(builder.build(
        LR"(<Window><TabLayout selectedid="2"><Control name="p0" /><Control name="p1" /><Control name="p2" /></TabLayout></Window>)",
        nullptr, nullptr));
    auto* tab = static_cast<CTabLayoutUI*>(tree->interface_of(L"TabLayout"));
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->current_index(), 2);
    EXPECT_FALSE(FindByName(tree.get(), L"p0")->is_visible());
    EXPECT_TRUE(FindByName(tree.get(), L"p2")->is_visible());
}

TEST_F(SkinBuilderTest, DefaultListsComeBeforeTheElementsOwnAttributes) {
    CSkinBuilder builder;
    ControlTree tree(builder.build(
        LR"(<Window><Default name="Control" value="height=&quot;7&quot; width=&quot;9&quot; tooltip=&quot;tip&quot;" />
            <VBox><Control name="a" /><control name="b" height="5" /></VBox></Window>)",
        nullptr, &manager_));
    ASSERT_TRUE(tree);
    CControlUI* a = FindByName(tree.get(), L"a");
    CControlUI* b = FindByName(tree.get(), L"b");
    EXPECT_EQ(a->fixed_height(), 7);
    EXPECT_EQ(a->fixed_width(), 9);
    EXPECT_EQ(b->fixed_height(), 5) << "the element's own attribute wins";
    EXPECT_EQ(b->fixed_width(), 9);
    EXPECT_EQ(b->tooltip(), L"tip");
    EXPECT_EQ(a->manager(), nullptr) << "the manager is lent only while attributes apply";

    CSkinBuilder without_manager;
    ControlTree plain(without_manager.build(LR"(<Window><Control name="c" /></Window>)", nullptr, nullptr));
    EXPECT_EQ(plain->fixed_height(), 0) << "no manager, no defaults";
}

TEST_F(SkinBuilderTest, AttributeTextStopsAtTheFirstIrregularity) {
    CControlUI control;
    control.apply_attribute_text(LR"(width="3" height="4"  name="skipped")");
    EXPECT_EQ(control.fixed_width(), 3);
    EXPECT_EQ(control.fixed_height(), 4);
    EXPECT_TRUE(control.name().empty()) << "two spaces end the list";
    control.apply_attribute_text(LR"(name=x width="8")");
    EXPECT_EQ(control.fixed_width(), 3) << "a value must be quoted";
}

TEST_F(SkinBuilderTest, IncludeAddsTheIncludedControlsCountTimes) {
    folder_.write(L"part.xml", ToBytes(R"(<Window><Control name="part" height="10" /><Control height="1" /></Window>)"));
    CSkinBuilder builder;
    ControlTree tree(builder.build(
        LR"(<Window><VBox name="list"><Include source="part.xml" count="3" /><Control name="last" /></VBox></Window>)",
        nullptr, nullptr));
    ASSERT_TRUE(tree);
    IContainerUI* list = ContainerOf(tree.get());
    ASSERT_EQ(list->count(), 7);
    EXPECT_EQ(list->item_at(4)->name(), L"part");
    EXPECT_EQ(list->item_at(6)->name(), L"last");
}

TEST_F(SkinBuilderTest, ASkinThatIncludesItselfEndsInsteadOfRecursingForever) {
    folder_.write(L"loop.xml", ToBytes(R"(<Window><Control /><Include source="loop.xml" /></Window>)"));
    CSkinBuilder builder;
    ControlTree tree(builder.build(LR"(<Window><VBox><Include source="loop.xml" /></VBox></Window>)", nullptr, nullptr));
    ASSERT_TRUE(tree);
    EXPECT_GT(ContainerOf(tree.get())->count(), 1);
}

TEST_F(SkinBuilderTest, BadSkinsYieldNoRoot) {
    CSkinBuilder builder;
    EXPECT_EQ(builder.build(L"missing.xml", nullptr, nullptr), nullptr);
    EXPECT_EQ(builder.build(LR"(<Window><Control></Window>)", nullptr, nullptr), nullptr);
    EXPECT_STRNE(builder.document().error_message(), L"");
    EXPECT_EQ(builder.build(LR"(<Window><Control><Control /></Control></Window>)", nullptr, nullptr), nullptr)
        << "a control element under a parent that holds no children ends the build";
    ControlTree second(builder.build(LR"(<Window><Control name="first" /><Control name="second" /></Window>)", nullptr,
                                     nullptr));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->name(), L"first") << "without a parent the first control is the result";
}

TEST_F(SkinBuilderTest, CoverControlsAreLaidOverTheirParent) {
    CSkinBuilder builder;
    ControlTree tree(builder.build(LR"(<Window><Container><Control name="over" cover="true" /></Container></Window>)",
                                   nullptr, nullptr));
    ASSERT_TRUE(tree);
    EXPECT_EQ(ContainerOf(tree.get())->count(), 0);
    ASSERT_NE(tree->cover(), nullptr);
    EXPECT_EQ(tree->cover()->name(), L"over");
    tree->set_pos(RECT{10, 10, 50, 30}, false);
    EXPECT_TRUE(EqualRect(&tree->cover()->rect(), &tree->rect()));
}

TEST_F(SkinBuilderTest, ResourceElementsReachTheManagerAndTheProcessTables) {
    folder_.write(L"dot.png", Picture(1, 1, [](int, int) { return 0xFFFF00FFu; }).png());
    CSkinBuilder builder;
    ControlTree tree(builder.build(LR"(<Window>
            <Image name="dot.png" mask="#FFFF00FF" /><Image restype="x" />
            <Font id="5" name="Arial" size="20" bold="TRUE" /><Font name="NoId" /><Font id="6" />
            <MultiLanguage id="9" value="九" />
            <Control /></Window>)",
                                   nullptr, &manager_));
    ASSERT_TRUE(tree);
    const auto image = manager_.skin_image(L"dot.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bits[0], 0u) << "the mask applied when loading";
    const TFontInfo* font = manager_.skin_font(5);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->size, 20);
    EXPECT_TRUE(font->bold) << "booleans of resource elements ignore case";
    EXPECT_EQ(manager_.skin_font(6), manager_.default_font()) << "a font without a name is ignored";
    ASSERT_NE(multi_language_text(9), nullptr);
    EXPECT_EQ(*multi_language_text(9), L"九");
    CWindowManagerUI other;
    EXPECT_EQ(other.skin_font(5), other.default_font()) << "not shared";
    clear_multi_language_texts();
}

// main.xml in a real window, read from the packed skin archive.
class MainSkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
    }
    void TearDown() override { reset_skin_sources(); }

    Bytes archive_;
};

TEST_F(MainSkinTest, MainXmlBuildsTheTabLayoutWithThreePagesAndPageZeroShown) {
    TestWindow window(L"main.xml");
    ASSERT_TRUE(window.open(10, 10));
    CControlUI* maintab = window.manager.find_control(L"maintab");
    ASSERT_NE(maintab, nullptr);
    auto* tab = static_cast<CTabLayoutUI*>(maintab->interface_of(L"TabLayout"));
    ASSERT_NE(tab, nullptr);
    ASSERT_EQ(tab->count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(tab->item_at(i)->class_name(), L"VerticalLayout");
    EXPECT_EQ(tab->current_index(), 0);
    EXPECT_TRUE(tab->item_at(0)->is_visible());
    EXPECT_FALSE(tab->item_at(1)->is_visible());
    EXPECT_FALSE(tab->item_at(2)->is_visible());
    EXPECT_EQ(maintab->bk_color(), 0xFF0C181Eu);
    EXPECT_EQ(maintab->bk_image(), L"img/bk.png");

    RECT bounds{};
    GetWindowRect(window.hwnd(), &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 390);
    EXPECT_EQ(bounds.bottom - bounds.top, 480);
    EXPECT_EQ(window.manager.caption_rect().bottom, 480);
    EXPECT_EQ(window.manager.round_corner().cx, 6);
    EXPECT_NE(window.manager.find_control(L"startBtn"), nullptr);
    EXPECT_EQ(window.manager.find_control(L"startBtn")->attribute(L"hotbordercolor"), L"FF0FB4FF")
        << "an attribute the control does not know is kept";
}

TEST_F(MainSkinTest, SharedFontsOfMainXmlServeTheOtherWindows) {
    TestWindow main_window(L"main.xml");
    ASSERT_TRUE(main_window.open(10, 10));
    TestWindow menu(L"menu.xml");
    ASSERT_TRUE(menu.open(10, 10));
    struct Expected {
        int id;
        int size;
        bool bold;
    } fonts[] = {{0, 14, false}, {1, 24, true}, {2, 16, false}, {3, 12, false}};
    for (const Expected& f : fonts) {
        const TFontInfo* font = menu.manager.skin_font(f.id);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->face, L"微软雅黑") << f.id;
        EXPECT_EQ(font->size, f.size) << f.id;
        EXPECT_EQ(font->bold, f.bold) << f.id;
    }
    EXPECT_EQ(menu.manager.default_font()->size, 14) << "the shared default font";
    EXPECT_TRUE(menu.manager.is_layered()) << "menu.xml's empty layeredimage";
}

}  // namespace
