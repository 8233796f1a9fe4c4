// The caption hit test every skin window shares, on real windows built from
// one small skin, under each drag setting: which points drag the window
// and which stay client area.
#include <gtest/gtest.h>

#include <string>

#include "app/SkinWnd.h"
#include "tests/ui/TestSkinWindow.h"
#include "ui/ControlUI.h"

namespace {

// A 200 x 120 window whose caption is its top 40 pixels less a right margin
// of 20; the caption row holds a button, a label, an input field and a
// label that runs into the margin.
const wchar_t kCaptionSkin[] =
    LR"(<Window size="200,120" caption="0,0,20,40">
          <VerticalLayout>
            <HorizontalLayout height="40">
              <Button name="button" width="40" />
              <Label name="label" width="40" />
              <RichEdit name="edit" width="40" />
              <Label name="edge" />
            </HorizontalLayout>
            <Label name="below" />
          </VerticalLayout>
        </Window>)";

class CaptionWindow : public CSkinWnd, public ui::INotifyListener {
 public:
  explicit CaptionWindow(CaptionDrag drag)
      : CSkinWnd(SkinWndSettings{kCaptionSkin, nullptr, this, WS_CAPTION, 0, drag}) {}
  ~CaptionWindow() override {
    if (hwnd()) ::DestroyWindow(hwnd());
  }

  // Shown without activation, laid out by its first paint.
  bool open() {
    if (!create(nullptr, L"Orvane caption test", WS_POPUP | WS_CAPTION, WS_EX_NOACTIVATE, 100, 100, 200, 120)) {
      return false;
    }
    ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(hwnd());
    TestSkinWindow::pump();
    return true;
  }

  LRESULT hit_test(POINT client) {
    ::ClientToScreen(hwnd(), &client);
    return ::SendMessageW(hwnd(), WM_NCHITTEST, 0, MAKELPARAM(client.x, client.y));
  }
  std::wstring control_at(POINT client) const {
    const ui::CControlUI* control = manager_.find_control_at(client);
    return control ? control->name() : L"(none)";
  }

  void notify(ui::TNotify&) override {}

 protected:
  const wchar_t* window_class_name() const override { return L"OrvaneCaptionTest"; }
};

struct CaptionCase {
  const char* what;
  POINT point;              // client coordinates
  const wchar_t* control;   // the control under the point
  LRESULT allButButtons;    // CaptionDrag::kAllButButtons
  LRESULT dragControls;     // CaptionDrag::kDragControls
};

const CaptionCase kCaptionCases[] = {
    {"a button", {20, 20}, L"button", HTCLIENT, HTCLIENT},
    {"a label", {60, 20}, L"label", HTCAPTION, HTCAPTION},
    {"an input field", {100, 20}, L"edit", HTCAPTION, HTCLIENT},
    {"the last column before the margin", {179, 20}, L"edge", HTCAPTION, HTCAPTION},
    {"the caption's right margin", {180, 20}, L"edge", HTCLIENT, HTCLIENT},
    {"the first row below the caption", {60, 40}, L"below", HTCLIENT, HTCLIENT},
};

TEST(SkinWndTest, CaptionDragsByTheSettingsRule) {
  CaptionWindow popupRule(CaptionDrag::kAllButButtons);
  CaptionWindow mainRule(CaptionDrag::kDragControls);
  ASSERT_TRUE(popupRule.open());
  ASSERT_TRUE(mainRule.open());
  for (const CaptionCase& c : kCaptionCases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(popupRule.control_at(c.point), c.control);
    ASSERT_EQ(mainRule.control_at(c.point), c.control);
    EXPECT_EQ(popupRule.hit_test(c.point), c.allButButtons);
    EXPECT_EQ(mainRule.hit_test(c.point), c.dragControls);
  }
}

}  // namespace
