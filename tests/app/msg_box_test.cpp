// The message box over a real owner window built from main.xml: the kinds,
// the results of its buttons, Esc and the close command, centring without
// taking the activation, dragging, and queued calls running while it is open.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "app/MsgBoxWnd.h"
#include "tests/app/OwnerWindow.h"
#include "tests/ui/SkinTestFiles.h"
#include "tests/ui/TestSkinWindow.h"
#include "ui/SkinResources.h"

namespace {

// The open box, painted: the first paint raises "windowinit", whose
// changes are laid out by the paint after it.
HWND PaintedBox() {
  HWND box = ::FindWindowW(L"CMsgBoxWnd", nullptr);
  if (box) {
    ::UpdateWindow(box);
    ::UpdateWindow(box);
  }
  return box;
}

// Runs fn inside the message box's loop, once the box has been painted.
void WhileBoxOpen(OwnerWindow& owner, std::function<void(HWND box)> fn) {
  owner.call_while_open([fn] { fn(PaintedBox()); });
}

POINT ScreenCentreOf(HWND hwnd, const ui::CControlUI* control) { return ::ScreenCentreOf(hwnd, control->rect()); }

class MsgBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
    ASSERT_TRUE(owner_.open());
  }
  void TearDown() override { ui::reset_skin_sources(); }

  Bytes archive_;
  OwnerWindow owner_;
};

TEST_F(MsgBoxTest, KindsChooseTheButtonsAndTheirTexts) {
  struct Case {
    int kind;
    bool ok_shown;
    bool cancel_shown;
    const char* screenshot;
  } cases[] = {
      {kMsgBoxOk, true, false, "msgbox_kind1.png"},
      {kMsgBoxOkCancel, true, true, "msgbox_kind2.png"},
      {0, false, false, nullptr},
      {3, false, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    CMsgBoxWnd box(L"发现新版本，请更新后使用！", c.kind, L"开始更新", L"退出程序");
    ASSERT_TRUE(box.create_box(owner_.hwnd()));
    WhileBoxOpen(owner_, [&](HWND) {
      const ui::CWindowManagerUI& m = box.manager();
      ui::CControlUI* ok = m.find_control(L"msgbox_ok");
      ui::CControlUI* cancel = m.find_control(L"msgbox_cancel");
      EXPECT_TRUE(ok && cancel);
      if (!ok || !cancel) return box.close(0);
      EXPECT_EQ(m.find_control(L"msgbox_text")->text(), L"发现新版本，请更新后使用！");
      EXPECT_EQ(ok->is_visible(), c.ok_shown);
      EXPECT_EQ(cancel->is_visible(), c.cancel_shown);
      if (c.ok_shown) {
        EXPECT_EQ(ok->text(), L"开始更新");
      }
      if (c.ok_shown && !c.cancel_shown) {
        EXPECT_EQ((ok->rect().left + ok->rect().right) / 2, 165);  // alone, it is centred
      }
      if (c.cancel_shown) {
        EXPECT_EQ(cancel->text(), L"退出程序");
      }
      if (c.screenshot && std::getenv("ORVANE_SCREENSHOT_DIR")) {
        const ui::COffscreenBuffer& frame = m.offscreen();
        WriteScreenshot(std::string(std::getenv("ORVANE_SCREENSHOT_DIR")) + "/" + c.screenshot, frame.bits(),
                        frame.width(), frame.height());
      }
      box.close(0);
    });
    EXPECT_EQ(box.show_modal(true, false), 0);
  }
}

TEST_F(MsgBoxTest, EscAndTheCloseCommandReturnZero) {
  struct Case {
    const char* what;
    UINT msg;
    WPARAM wparam;
  } cases[] = {
      {"Esc", WM_KEYDOWN, VK_ESCAPE},
      {"close command", WM_SYSCOMMAND, SC_CLOSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool other_keys_ignored = false;
    WhileBoxOpen(owner_, [&](HWND box) {
      EXPECT_NE(box, nullptr);
      ::SendMessageW(box, WM_KEYDOWN, 'A', 0);
      other_keys_ignored = ::IsWindowVisible(box) != FALSE;
      ::PostMessageW(box, c.msg, c.wparam, 0);
    });
    EXPECT_EQ(show_message_box(owner_.hwnd(), L"确定退出盒子吗", kMsgBoxOkCancel, L"确定", L"取消"), 0);
    EXPECT_TRUE(other_keys_ignored);
    EXPECT_EQ(::FindWindowW(L"CMsgBoxWnd", nullptr), nullptr);
  }
}

TEST_F(MsgBoxTest, ButtonsReturnOneForOkAndZeroForCancel) {
  struct Case {
    const wchar_t* button;
    int expected;
  } cases[] = {{L"msgbox_ok", 1}, {L"msgbox_cancel", 0}};
  for (const Case& c : cases) {
    CMsgBoxWnd box(L"确定退出盒子吗", kMsgBoxOkCancel, L"确定", L"取消");
    ASSERT_TRUE(box.create_box(owner_.hwnd()));
    WhileBoxOpen(owner_, [&](HWND) {
      const POINT at = ScreenCentreOf(box.hwnd(), box.manager().find_control(c.button));
      SendMouseAt(at, MOUSEEVENTF_LEFTDOWN);
      SendMouseAt(at, MOUSEEVENTF_LEFTUP);
    });
    EXPECT_EQ(box.show_modal(true, false), c.expected);
  }
}

TEST_F(MsgBoxTest, CentredOnTheOwnerWithoutTakingTheActivation) {
  ASSERT_EQ(::GetActiveWindow(), owner_.hwnd());
  RECT owner_rect{};
  ::GetWindowRect(owner_.hwnd(), &owner_rect);
  bool checked = false;
  WhileBoxOpen(owner_, [&](HWND box) {
    EXPECT_NE(box, nullptr);
    RECT r{};
    ::GetWindowRect(box, &r);
    EXPECT_EQ(r.right - r.left, 330);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_NEAR((r.left + r.right) / 2, (owner_rect.left + owner_rect.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (owner_rect.top + owner_rect.bottom) / 2, 1);
    EXPECT_EQ(::GetActiveWindow(), owner_.hwnd());
    EXPECT_FALSE(::IsWindowEnabled(owner_.hwnd()));
    // Rounded corners: the window region leaves the corner pixel out.
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(::GetWindowRgn(box, region), ERROR);
    EXPECT_FALSE(::PtInRegion(region, 0, 0));
    EXPECT_TRUE(::PtInRegion(region, 165, 100));
    EXPECT_TRUE(::PtInRegion(region, 3, 100));
    ::DeleteObject(region);
    checked = true;
    ::PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  show_message_box(owner_.hwnd(), L"下载已结束！", kMsgBoxOk, L"确定", L"取消");
  EXPECT_TRUE(checked);
  EXPECT_TRUE(::IsWindowEnabled(owner_.hwnd()));
}

TEST_F(MsgBoxTest, DraggedByTextAndBackgroundButNotByButtons) {
  CMsgBoxWnd box(L"确定退出盒子吗", kMsgBoxOkCancel, L"确定", L"取消");
  ASSERT_TRUE(box.create_box(owner_.hwnd()));
  WhileBoxOpen(owner_, [&](HWND hwnd) {
    const ui::CWindowManagerUI& m = box.manager();
    auto hit = [&](POINT screen) {
      return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    };
    POINT background{10, 170};
    ::ClientToScreen(hwnd, &background);
    EXPECT_EQ(hit(ScreenCentreOf(hwnd, m.find_control(L"msgbox_text"))), HTCAPTION);
    EXPECT_EQ(hit(background), HTCAPTION);
    EXPECT_EQ(hit(ScreenCentreOf(hwnd, m.find_control(L"msgbox_ok"))), HTCLIENT);
    EXPECT_EQ(hit(ScreenCentreOf(hwnd, m.find_control(L"msgbox_cancel"))), HTCLIENT);

    // A real drag on the text moves the box with the pointer. The input
    // comes from another thread: the system's move loop runs inside this
    // one until the button is released.
    RECT before{};
    ::GetWindowRect(hwnd, &before);
    const POINT from = ScreenCentreOf(hwnd, m.find_control(L"msgbox_text"));
    std::atomic<bool> released{false};
    std::thread person([&] {
      SendMouseAt(from, MOUSEEVENTF_LEFTDOWN);
      for (int step = 1; step <= 4; ++step) {
        ::Sleep(50);
        SendMouseAt(POINT{from.x + 10 * step, from.y + 15 * step / 2}, 0);
      }
      ::Sleep(50);
      SendMouseAt(POINT{from.x + 40, from.y + 30}, MOUSEEVENTF_LEFTUP);
      released = true;
    });
    TestSkinWindow::pump_until([&] { return released.load(); });
    person.join();
    TestSkinWindow::pump_for(100);
    RECT after{};
    ::GetWindowRect(hwnd, &after);
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 30);
    box.close(0);
  });
  box.show_modal(true, false);
}

TEST_F(MsgBoxTest, QueuedCallFromAWorkerRunsWhileTheBoxIsOpen) {
  bool ran = false;
  bool box_was_open = false;
  owner_.action = [&] {
    HWND box = PaintedBox();
    ran = true;
    box_was_open = box && ::IsWindowVisible(box);
    if (box) ::PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
  };
  std::thread worker([&] {
    for (int i = 0; i < 500 && !::FindWindowW(L"CMsgBoxWnd", nullptr); ++i) ::Sleep(20);
    owner_.post_call(owner_.hwnd(), &OwnerWindow::run_action, 0, nullptr);
  });
  const int result = show_message_box(owner_.hwnd(), L"确定退出盒子吗", kMsgBoxOkCancel, L"确定", L"取消");
  worker.join();
  EXPECT_TRUE(ran);
  EXPECT_TRUE(box_was_open);
  EXPECT_EQ(result, 0);
}

}  // namespace
