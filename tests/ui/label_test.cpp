// Labels: attributes, size estimation, and the pixels they paint in a real
// window (plain and effect mode, enabled and disabled colours).
#include <gtest/gtest.h>

#include "TestSkinWindow.h"
#include "ui/VerticalLayoutUI.h"

using namespace ui;

namespace {

// Pixels inside r whose colour is within tolerance of rgb (alpha ignored).
int CountNear(const TestSkinWindow& window, const RECT& r, DWORD rgb, int tolerance = 24) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const DWORD p = window.pixel(x, y);
            if (std::abs(Red(p) - Red(rgb)) <= tolerance && std::abs(Green(p) - Green(rgb)) <= tolerance &&
                std::abs(Blue(p) - Blue(rgb)) <= tolerance) {
                ++n;
            }
        }
    }
    return n;
}

TEST(LabelTest, AttributesSetStyleColoursAndMargins) {
    struct Case {
        const wchar_t* name;
        const wchar_t* value;
        UINT style;
    } styles[] = {
        {L"align", L"center", DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {L"align", L"right", DT_RIGHT | DT_VCENTER | DT_SINGLELINE},
        {L"align", L"leftcenter", DT_CENTER | DT_VCENTER | DT_SINGLELINE},  // the last match wins
        {L"valign", L"top", DT_TOP | DT_SINGLELINE},
        {L"valign", L"bottom", DT_BOTTOM | DT_SINGLELINE},
        {L"endellipsis", L"true", DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS},
        {L"multiline", L"true", DT_VCENTER | DT_WORDBREAK},
        {L"multiline", L"false", DT_VCENTER | DT_SINGLELINE},
    };
    for (const Case& c : styles) {
        CLabelUI label;
        label.apply_attribute(c.name, c.value);
        EXPECT_EQ(label.text_style(), c.style) << c.name << "=" << c.value;
    }

    struct ColorCase {
        const wchar_t* value;
        DWORD expected;
    } colors[] = {
        {L"ffffff", 0xFFFFFFFF},      // six digits: opaque, not invisible
        {L"FF5D717A", 0xFF5D717A},
        {L"#80112233", 0x80112233},
        {L"00000000", 0},             // no colour: the window's default
        {L"nonsense", 0},
    };
    for (const ColorCase& c : colors) {
        CLabelUI label;
        label.apply_attribute(L"textcolor", c.value);
        EXPECT_EQ(label.text_color(), c.expected) << c.value;
    }

    CLabelUI label;
    label.apply_attribute(L"textpadding", L"17,10");
    label.apply_attribute(L"font", L"2");
    label.apply_attribute(L"Visible", L"false");  // case-sensitive: stored, not applied
    EXPECT_EQ(label.text_margins().left, 17);
    EXPECT_EQ(label.text_margins().top, 10);
    EXPECT_EQ(label.text_margins().right, 0);
    EXPECT_EQ(label.font(), 2);
    EXPECT_TRUE(label.is_visible());
    EXPECT_EQ(label.attribute(L"Visible"), L"false");
    EXPECT_STREQ(label.class_name(), L"Label");
    EXPECT_EQ(label.interface_of(L"Label"), &label);
}

// The skins' own default font: a system default without Chinese glyphs
// would measure the wrapped text as one line.
TEST(LabelTest, SizeFollowsTheTextLineOrTheWrappedText) {
    TestSkinWindow window;
    ASSERT_TRUE(window.open(
        LR"(<Window><Font id="0" name="微软雅黑" size="12" default="true" />
            <VerticalLayout>
              <Label name="line" text="Mir M韩服" textpadding="0,3,0,2" />
              <Label name="fixed" text="x" width="50" height="20" />
              <Label name="wide" text="a much longer single line" />
              <Label name="wrapped" multiline="true" minheight="150" maxheight="150"
                     text="一段很长很长的提示文字，需要换行才能放得下，一段很长很长的提示文字，需要换行才能放得下，一段很长很长的提示文字。" />
              <Label name="short_wrapped" multiline="true" minheight="150" maxheight="150" text="短" />
              <Control />
            </VerticalLayout></Window>)",
        330, 480));
    const TFontInfo* font = window.manager.default_font();
    ASSERT_NE(font, nullptr);

    auto* line = window.find<CLabelUI>(L"line");
    EXPECT_EQ(line->height(), font->metrics.tmHeight + 8 + 3 + 2);
    const SIZE line_size = line->estimate_size(SIZE{330, 480});
    const SIZE wide_size = window.find<CLabelUI>(L"wide")->estimate_size(SIZE{330, 480});
    EXPECT_GT(line_size.cx, 0);
    EXPECT_GT(wide_size.cx, line_size.cx);

    const SIZE fixed = window.find<CLabelUI>(L"fixed")->estimate_size(SIZE{330, 480});
    EXPECT_EQ(fixed.cx, 50);
    EXPECT_EQ(fixed.cy, 20);

    // The message-box text keeps its 150 pixels whatever its length.
    auto* wrapped = window.find<CLabelUI>(L"wrapped");
    EXPECT_EQ(wrapped->height(), 150);
    EXPECT_EQ(window.find<CLabelUI>(L"short_wrapped")->height(), 150);
    const SIZE wrapped_size = wrapped->estimate_size(SIZE{330, 480});
    EXPECT_EQ(wrapped_size.cx, 330);
    EXPECT_GT(wrapped_size.cy, font->metrics.tmHeight);  // more than one line
    // Narrower space, taller text: the multi-line size is measured again.
    EXPECT_GT(wrapped->estimate_size(SIZE{120, 480}).cy, wrapped_size.cy);

    // A new text is measured again.
    line->set_text(L"Mir M韩服 Mir M韩服 Mir M韩服");
    EXPECT_GT(line->estimate_size(SIZE{330, 480}).cx, line_size.cx);
}

TEST(LabelTest, PaintsTextColoursEnabledAndDisabled) {
    TestSkinWindow window;
    ASSERT_TRUE(window.open(
        LR"(<VerticalLayout bkcolor="FF000000">
              <Label name="six" text="██████" textcolor="ffffff" height="30" />
              <Label name="off" text="██████" textcolor="FFFFFFFF" disabledtextcolor="FF00FF00"
                     disabledbkcolor="FF0000FF" height="30" enabled="false" />
              <Label name="off_default" text="██████" textcolor="FFFFFFFF" height="30" enabled="false" />
              <Label name="effect" text="██████" textcolor="FFFF0000" enabledeffect="true" rhaa="5" height="30" />
              <Label name="empty" textcolor="FFFFFFFF" height="30" />
              <Control />
            </VerticalLayout>)",
        200, 200));
    const RECT six = window.find(L"six")->rect();
    const RECT off = window.find(L"off")->rect();
    const RECT off_default = window.find(L"off_default")->rect();
    const RECT effect = window.find(L"effect")->rect();
    const RECT empty = window.find(L"empty")->rect();

    EXPECT_GT(CountNear(window, six, 0xFFFFFF), 100);
    EXPECT_GT(CountNear(window, off, 0x00FF00), 100);
    EXPECT_EQ(CountNear(window, off, 0xFFFFFF), 0);
    EXPECT_GT(CountNear(window, off, 0x0000FF, 0), 100);  // the disabled background
    EXPECT_GT(CountNear(window, off_default, 0xA7A6AA), 100);  // the window's disabled colour
    EXPECT_GT(CountNear(window, effect, 0xFF0000), 100);
    EXPECT_EQ(CountNear(window, empty, 0xFFFFFF), 0);

    // Enabling again brings the normal colours back.
    window.find(L"off")->set_enabled(true);
    window.update();
    EXPECT_GT(CountNear(window, off, 0xFFFFFF), 100);
    EXPECT_EQ(CountNear(window, off, 0x0000FF, 0), 0);
}

// Tofu (the boxes of a font without the characters) looks the same for any
// text; real glyphs do not.
TEST(LabelTest, EffectModeDrawsChineseWithTheSkinFont) {
    TestSkinWindow window;
    ASSERT_TRUE(window.open(
        LR"(<Window><Font id="0" name="微软雅黑" size="14" default="true" />
              <VerticalLayout bkcolor="FFFFFFFF">
                <Label name="a" text="确定退出" enabledeffect="true" rhaa="5" height="30" />
                <Label name="b" text="下载结束" enabledeffect="true" rhaa="5" height="30" />
                <Control />
              </VerticalLayout></Window>)",
        200, 100));
    const RECT a = window.find(L"a")->rect();
    const RECT b = window.find(L"b")->rect();
    ASSERT_EQ(a.bottom - a.top, b.bottom - b.top);
    int dark = 0, different = 0;
    for (int y = 0; y < a.bottom - a.top; ++y) {
        for (int x = a.left; x < a.right; ++x) {
            const DWORD pa = window.pixel(x, a.top + y), pb = window.pixel(x, b.top + y);
            dark += Red(pa) < 128 ? 1 : 0;
            different += (pa & 0xFFFFFF) != (pb & 0xFFFFFF) ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 50);
    EXPECT_GT(different, 50);
}

}  // namespace
