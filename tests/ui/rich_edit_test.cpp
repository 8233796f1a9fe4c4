// The sign-in page's text boxes in the real main window, with the
// platform's Rich Edit engine: limits, change notifications, password
// masking, the hint, Enter, Chinese text, focus and the clipboard.
#include <gtest/gtest.h>

#include "SkinTestFiles.h"
#include "TestSkinWindow.h"
#include "ui/SkinResources.h"
#include "ui/TabLayoutUI.h"

using namespace ui;

namespace {

bool Near(DWORD pixel, DWORD rgb, int tolerance) {
    return std::abs(Red(pixel) - Red(rgb)) <= tolerance && std::abs(Green(pixel) - Green(rgb)) <= tolerance &&
           std::abs(Blue(pixel) - Blue(rgb)) <= tolerance;
}

int CountNear(const TestSkinWindow& window, const RECT& r, DWORD rgb, int tolerance = 16) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) n += Near(window.pixel(x, y), rgb, tolerance) ? 1 : 0;
    }
    return n;
}

std::vector<DWORD> PixelsOf(const TestSkinWindow& window, const RECT& r) {
    std::vector<DWORD> pixels;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) pixels.push_back(window.pixel(x, y) & 0xFFFFFF);
    }
    return pixels;
}

// The text area without the box's border, where only text and hint draw.
RECT Inside(const CRichEditUI* edit) {
    RECT r = edit->text_area();
    r.bottom = edit->rect().bottom - 2;
    return r;
}

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
        ASSERT_TRUE(window_.open(L"main.xml", 390, 480));
        select(L"maintab", 1);
        account_ = window_.find<CRichEditUI>(L"account_edit");
        code_ = window_.find<CRichEditUI>(L"code_edit");
        password_ = window_.find<CRichEditUI>(L"pwd_edit");
        ASSERT_TRUE(account_ && code_ && password_);
        ASSERT_TRUE(account_->has_engine()) << "the Rich Edit engine did not start";
        window_.notifications.clear();
    }
    void TearDown() override { reset_skin_sources(); }

    void select(const wchar_t* tab, int page) {
        auto* layout = static_cast<CTabLayoutUI*>(window_.find(tab)->interface_of(L"TabLayout"));
        ASSERT_TRUE(layout->select_item(page));
        window_.redraw();
    }
    void type_into(CRichEditUI* edit, const std::wstring& text) {
        edit->set_focus();
        ASSERT_TRUE(edit->is_focused());
        window_.post_chars(text);
    }

    Bytes archive_;
    TestSkinWindow window_;
    CRichEditUI* account_ = nullptr;
    CRichEditUI* code_ = nullptr;
    CRichEditUI* password_ = nullptr;
};

TEST_F(RichEditTest, TypingStopsAtMaxCharAndEachAcceptedKeyRaisesOneChange) {
    EXPECT_EQ(account_->max_char(), 32);
    const std::wstring typed = L"1357924680135792468013579246801357924680";  // 40 digits
    type_into(account_, typed);
    EXPECT_EQ(account_->text(), typed.substr(0, 32));
    EXPECT_EQ(window_.count(L"textchanged", L"account_edit"), 32);

    // Deleting is a change too; a refused key is not.
    window_.post_key(VK_BACK);
    EXPECT_EQ(account_->text(), typed.substr(0, 31));
    EXPECT_EQ(window_.count(L"textchanged", L"account_edit"), 33);
    window_.post_chars(L"12");
    EXPECT_EQ(account_->text().size(), 32u);
    EXPECT_EQ(window_.count(L"textchanged", L"account_edit"), 34);
}

TEST_F(RichEditTest, SetTextRaisesOneChangeOnlyWhenTheTextDiffers) {
    account_->set_text(L"13800138000");
    EXPECT_EQ(account_->text(), L"13800138000");
    EXPECT_EQ(window_.count(L"textchanged", L"account_edit"), 1);
    account_->set_text(L"13800138000");
    EXPECT_EQ(window_.count(L"textchanged", L"account_edit"), 1);
    // The engine's limit is for typing; a whole text set by the program stays.
    const std::wstring long_text(40, L'9');
    account_->set_text(long_text);
    EXPECT_EQ(account_->text(), long_text);
    account_->set_text(L"");
    EXPECT_EQ(account_->text(), L"");
    EXPECT_EQ(window_.count(L"textchanged", L"account_edit"), 3);
}

TEST_F(RichEditTest, ChineseTextTypedAndReadBackIntact) {
    const std::wstring chinese = L"请输入验证码，中文＋１２３";
    type_into(account_, chinese);
    EXPECT_EQ(account_->text(), chinese);
    EXPECT_EQ(window_.count(L"textchanged", L"account_edit"), static_cast<int>(chinese.size()));

    code_->set_text(L"登录错误！请稍后重试");
    EXPECT_EQ(code_->text(), L"登录错误！请稍后重试");
}

TEST_F(RichEditTest, PasswordBoxShowsMasksAndReturnsTheRealText) {
    select(L"signin_type_tab", 1);
    type_into(password_, L"il1Il|");
    EXPECT_EQ(password_->text(), L"il1Il|");
    window_.update();
    const RECT area = Inside(password_);
    const std::vector<DWORD> thin = PixelsOf(window_, area);
    EXPECT_GT(CountNear(window_, area, 0xFFFFFF, 40), 20);  // something is drawn

    // Another text of the same length looks the same: only masks show.
    password_->set_text(L"WMW@MW");
    window_.update();
    EXPECT_EQ(PixelsOf(window_, area), thin);

    // Without masking the two texts differ on the screen.
    password_->set_password(false);
    window_.update();
    const std::vector<DWORD> wide = PixelsOf(window_, area);
    password_->set_text(L"il1Il|");
    window_.update();
    EXPECT_NE(PixelsOf(window_, area), wide);
}

TEST_F(RichEditTest, HintShowsWhileEmptyAlsoWhenFocused) {
    EXPECT_EQ(code_->hint_text(), L"请输入验证码");
    EXPECT_EQ(code_->hint_color(), 0xFF5D717Au);
    const RECT area = Inside(code_);
    window_.redraw();
    const int unfocused = CountNear(window_, area, 0x5D717A, 4);
    EXPECT_GT(unfocused, 20);

    code_->set_focus();
    window_.update();
    EXPECT_TRUE(code_->is_focused());
    EXPECT_GT(CountNear(window_, area, 0x5D717A, 4), 20);
    window_.save("signin_hints_code_focused.png");

    type_into(code_, L"2468");
    window_.update();
    EXPECT_EQ(CountNear(window_, area, 0x5D717A, 4), 0);
    EXPECT_GT(CountNear(window_, area, 0xFFFFFF, 40), 10);  // the typed digits, white

    code_->set_text(L"");
    window_.update();
    EXPECT_GT(CountNear(window_, area, 0x5D717A, 4), 20);
}

TEST_F(RichEditTest, EnterRaisesReturnWhenTheBoxDoesNotWantIt) {
    account_->set_text(L"138");
    account_->set_focus();
    window_.post_key(VK_RETURN);
    EXPECT_EQ(window_.count(L"return", L"account_edit"), 1);
    EXPECT_EQ(account_->text(), L"138");

    // A box that wants Enter takes it into its text.
    TestSkinWindow notes;
    ASSERT_TRUE(notes.open(LR"(<VerticalLayout><RichEdit name="notes" wantreturn="true" /></VerticalLayout>)", 200,
                           100, 500, 100));
    auto* edit = notes.find<CRichEditUI>(L"notes");
    edit->set_focus();
    notes.post_chars(L"a");
    notes.post_key(VK_RETURN);
    notes.post_chars(L"b");
    EXPECT_EQ(notes.count(L"return", L"notes"), 0);
    EXPECT_EQ(edit->text(), L"a\rb");
}

TEST_F(RichEditTest, TabMovesFocusOutOfTheBoxes) {
    account_->set_text(L"138");
    account_->set_focus();
    window_.post_key(VK_TAB);
    EXPECT_FALSE(account_->is_focused());
    EXPECT_EQ(account_->text(), L"138");
}

TEST_F(RichEditTest, KeysReachOnlyTheFocusedBox) {
    account_->set_focus();
    window_.post_chars(L"12");
    code_->set_focus();
    window_.post_chars(L"34");
    EXPECT_EQ(account_->text(), L"12");
    EXPECT_EQ(code_->text(), L"34");
}

TEST_F(RichEditTest, ClickingTheTextFocusesTheBox) {
    const RECT area = account_->text_area();
    window_.click(area.left + 20, (area.top + area.bottom) / 2);
    EXPECT_TRUE(account_->is_focused());
    window_.post_chars(L"5");
    EXPECT_EQ(account_->text(), L"5");

    // The floating "sendcode" button inside code_edit is its own control.
    CControlUI* sendcode = window_.find(L"sendcode");
    const RECT button = sendcode->rect();
    window_.click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    EXPECT_EQ(window_.count(L"click", L"sendcode"), 1);
    EXPECT_FALSE(code_->is_focused());
}

TEST_F(RichEditTest, FloatingChildrenDrawOverTheBox) {
    window_.redraw();
    const RECT button = window_.find(L"sendcode")->rect();
    EXPECT_GT(CountNear(window_, button, 0x1FD847, 40), 20);  // "发送验证码" in green
    // The divider, a 1 x 22 line of FF5D717A at 232,7 inside the box.
    const RECT box = code_->rect();
    for (int y = box.top + 7; y < box.top + 29; ++y) EXPECT_TRUE(Near(window_.pixel(box.left + 232, y), 0x5D717A, 2));
}

TEST_F(RichEditTest, ClipboardPassThroughs) {
    account_->set_text(L"13912345678");
    account_->select_all();
    account_->copy();
    code_->set_focus();
    code_->paste();
    EXPECT_EQ(code_->text(), L"13912345678");
}

// A layered window has no system caret: the box blinks its own. Typing
// before the first layout also checks that the caret follows the box's
// area once it is laid out.
TEST(LayeredRichEditTest, DrawsItsOwnBlinkingCaret) {
    TestSkinWindow window;
    ASSERT_TRUE(window.open(LR"(<Window layeredimage="">
                                  <VerticalLayout bkcolor="FF000000">
                                    <RichEdit name="box" multiline="false" textcolor="FFFFFFFF" textpadding="4,4"
                                              height="30" />
                                    <Control />
                                  </VerticalLayout></Window>)",
                            200, 100));
    auto* box = window.find<CRichEditUI>(L"box");
    ASSERT_TRUE(box->has_engine());
    box->set_focus();
    ::SetFocus(window.hwnd());
    window.post_chars(L"88");
    // Layered windows lay out and paint on their own timer.
    ASSERT_TRUE(TestSkinWindow::pump_until([&] { return box->width() > 0; }));
    EXPECT_EQ(box->text(), L"88");
    const RECT area = box->text_area();
    ASSERT_TRUE(TestSkinWindow::pump_until([&] { return CountNear(window, area, 0xFFFFFF, 40) > 10; }));
    const int first = CountNear(window, area, 0xFFFFFF, 40);
    EXPECT_TRUE(TestSkinWindow::pump_until([&] { return CountNear(window, area, 0xFFFFFF, 40) != first; }, 5000));
}

// With ORVANE_SCREENSHOT_DIR set, the page with text in every box is saved
// for a person to look at.
TEST_F(RichEditTest, SignInPageWithTextInEveryBox) {
    type_into(account_, L"13800138000");
    type_into(code_, L"246810");
    window_.redraw();
    EXPECT_GT(CountNear(window_, Inside(code_), 0xFFFFFF, 40), 10);
    window_.save("signin_code.png");

    select(L"signin_type_tab", 1);
    type_into(password_, L"secret88");
    window_.redraw();
    EXPECT_GT(CountNear(window_, Inside(password_), 0xFFFFFF, 40), 10);
    window_.save("signin_password.png");
}

}  // namespace
