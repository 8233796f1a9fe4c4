// The account menu over a real main-window stand-in: where it opens, the
// account it shows, what each entry hands to the main window's queue, the
// ways it closes without an action, and the popup menu of message 2034.
#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <functional>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/MainWnd.h"
#include "app/MenuWnd.h"
#include "support/Registry.h"
#include "tests/app/OwnerWindow.h"
#include "tests/ui/SkinTestFiles.h"
#include "ui/SkinResources.h"
#include "workers/SignInWorkers.h"

namespace {

using Method = IMainWndCalls::Method;

class MenuWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
    ASSERT_TRUE(owner_.open());
    RegistryRead(HKEY_CURRENT_USER, kSettingsKey, kAccountValue, REG_SZ, savedAccount_);
    set_account(L"13800138000");
  }
  void TearDown() override {
    set_account(savedAccount_);
    ui::reset_skin_sources();
  }

  static void set_account(const std::wstring& account) {
    if (account.empty()) {
      RegistryDelete(HKEY_CURRENT_USER, kSettingsKey, kAccountValue);
    } else {
      RegistryWrite(HKEY_CURRENT_USER, kSettingsKey, kAccountValue, REG_SZ, account.data(),
                    static_cast<DWORD>(account.size() * sizeof(wchar_t)));
    }
  }

  // Runs fn inside the open menu's loop once it has been placed and laid
  // out; fn must close the menu or make it close.
  void while_open(CMenuWnd& menu, std::function<void()> fn) {
    owner_.call_while_open([this, &menu, fn] {
      RECT main{};
      ::GetWindowRect(owner_.hwnd(), &main);
      const bool placed = TestSkinWindow::pump_until([&] {
        RECT r{};
        ::GetWindowRect(menu.hwnd(), &r);
        ui::CControlUI* account = menu.manager().find_control(L"account_btn");
        return r.left == main.left + kMenuOffsetX && r.top == main.top + kMenuOffsetY && account &&
               account->rect().right > 0 && menu.manager().offscreen().ok();
      });
      EXPECT_TRUE(placed) << "the menu was not placed and painted within the limit";
      fn();
    });
  }

  // The calls the menu left in the main window's queue, oldest first.
  std::vector<Method> queued_calls() {
    std::vector<Method> calls;
    IMainWndCalls::QueuedCall call;
    while (main_.take_call(call)) calls.push_back(call.method);
    return calls;
  }

  Bytes archive_;
  OwnerWindow owner_;
  CMainWnd main_;  // its queue receives the menu's calls
  std::wstring savedAccount_;
};

TEST_F(MenuWndTest, OpensBelowTheHeadPictureAndShowsTheSavedAccount) {
  const POINT owner_places[] = {{200, 150}, {31, 77}};
  for (const POINT& place : owner_places) {
    SCOPED_TRACE(place.x);
    ::SetWindowPos(owner_.hwnd(), nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CMenuWnd menu(owner_.hwnd());
    ASSERT_TRUE(menu.create_menu());
    while_open(menu, [&] {
      RECT r{};
      ::GetWindowRect(menu.hwnd(), &r);
      EXPECT_EQ(r.left, place.x + 263);
      EXPECT_EQ(r.top, place.y + 50);
      EXPECT_EQ(r.right - r.left, 110);
      EXPECT_EQ(r.bottom - r.top, 185);
      EXPECT_NE(::GetWindowLongW(menu.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
      EXPECT_EQ(::GetWindowLongW(menu.hwnd(), GWL_STYLE) & WS_CAPTION, 0);
      ui::CControlUI* account = menu.manager().find_control(L"account_btn");
      EXPECT_EQ(account->text(), L"13800138000");
      EXPECT_EQ(account->tooltip(), L"13800138000");
      // The rounded panel's corner is cut out, its middle is opaque.
      const ui::COffscreenBuffer& frame = menu.manager().offscreen();
      EXPECT_EQ(frame.pixel(0, 0) >> 24, 0u);
      EXPECT_GT(frame.pixel(55, 92) >> 24, 0xF0u);
      if (const char* folder = std::getenv("ORVANE_SCREENSHOT_DIR")) {
        WriteScreenshot(std::string(folder) + "/account_menu.png", frame.bits(), frame.width(), frame.height());
      }
      ::PostMessageW(menu.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(menu.show_modal(), 0);
  }
  EXPECT_TRUE(queued_calls().empty());
}

TEST_F(MenuWndTest, AMissingAccountLeavesItsEntryEmpty) {
  set_account(L"");
  CMenuWnd menu(owner_.hwnd());
  ASSERT_TRUE(menu.create_menu());
  while_open(menu, [&] {
    EXPECT_EQ(menu.manager().find_control(L"account_btn")->text(), L"");
    ::PostMessageW(menu.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  });
  menu.show_modal();
}

TEST_F(MenuWndTest, EachEntryHandsItsCallToTheMainWindowAndCloses) {
  struct Case {
    const wchar_t* button;
    Method expected;  // none: the entry only closes the menu
  } cases[] = {
      {L"account_btn", nullptr},
      {L"go_website_btn", &IMainWndCalls::open_home_page},
      {L"go_qq_group_btn", &IMainWndCalls::open_qq_group_page},
      {L"go_help_btn", &IMainWndCalls::open_help_page},
      {L"signout_btn", &IMainWndCalls::sign_out},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.button, c.button + std::wcslen(c.button)));
    CMenuWnd menu(owner_.hwnd());
    ASSERT_TRUE(menu.create_menu());
    while_open(menu, [&] {
      POINT at = ScreenCentreOf(menu.hwnd(), menu.manager().find_control(c.button)->rect());
      ClickAt(at);
    });
    EXPECT_EQ(menu.show_modal(), 0);
    EXPECT_FALSE(::IsWindow(menu.hwnd()));
    const std::vector<Method> calls = queued_calls();
    if (c.expected) {
      ASSERT_EQ(calls.size(), 1u);
      EXPECT_TRUE(calls[0] == c.expected);
    } else {
      EXPECT_TRUE(calls.empty());
    }
  }
}

TEST_F(MenuWndTest, ClosesWithoutAnActionOnEscCloseCommandAndFocusLoss) {
  struct Case {
    const char* what;
    std::function<void(HWND menu)> act;
  } cases[] = {
      {"Esc", [](HWND menu) { ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"close command", [](HWND menu) { ::PostMessageW(menu, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"click outside", [this](HWND) { ClickAt(POINT{200 + 40, 150 + 400}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CMenuWnd menu(owner_.hwnd());
    ASSERT_TRUE(menu.create_menu());
    bool kept_open_by_other_input = false;
    while_open(menu, [&] {
      EXPECT_EQ(::GetFocus(), menu.hwnd());
      // Another key and a click between the entries leave it open.
      ::SendMessageW(menu.hwnd(), WM_KEYDOWN, 'A', 0);
      POINT gap{55, 22 + 20 + 5};
      ::ClientToScreen(menu.hwnd(), &gap);
      ClickAt(gap);
      TestSkinWindow::pump_for(200);
      kept_open_by_other_input = ::IsWindowVisible(menu.hwnd()) != FALSE;
      c.act(menu.hwnd());
    });
    EXPECT_EQ(menu.show_modal(), 0);
    EXPECT_TRUE(kept_open_by_other_input);
    EXPECT_TRUE(queued_calls().empty());
  }
}

TEST_F(MenuWndTest, OpeningAndClosingGivesTheMainWindowTheFocusBack) {
  owner_.call_while_open([&] {
    HWND menu = nullptr;
    TestSkinWindow::pump_until([&] { return (menu = ::FindWindowW(L"CMenuWnd", nullptr)) != nullptr; });
    ASSERT_NE(menu, nullptr);
    ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  show_account_menu(owner_.hwnd());
  EXPECT_EQ(::FindWindowW(L"CMenuWnd", nullptr), nullptr);
  EXPECT_EQ(::GetFocus(), owner_.hwnd());
}

// The popup of message 2034 runs its own loop on this thread; a person on
// another thread waits for it and clicks one of its items.
class TrayPerson {
 public:
  explicit TrayPerson(HWND owner, int item) : owner_(owner), thread_([this, item] { run(item); }) {}
  ~TrayPerson() { join(); }
  void join() {
    if (thread_.joinable()) thread_.join();
  }

  std::atomic<bool> found{false};
  std::wstring texts[2];

 private:
  void run(int item) {
    if (!click(item)) {
      // Ends a popup that is open but could not be read, so the test fails
      // instead of waiting in the popup's loop.
      ::PostMessageW(owner_, WM_CANCELMODE, 0, 0);
    }
  }

  bool click(int item) {
    HWND popup = nullptr;
    for (int i = 0; i < 250 && !(popup = ::FindWindowW(L"#32768", nullptr)); ++i) ::Sleep(20);
    if (!popup) return false;
    HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
    if (!menu || ::GetMenuItemCount(menu) != 2) return false;
    for (int i = 0; i < 2; ++i) {
      wchar_t text[64] = {};
      ::GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
      texts[i] = text;
    }
    RECT r{};
    // The popup's own window, which the item's screen place is taken from.
    if (!::GetMenuItemRect(popup, menu, item, &r)) return false;
    found = true;
    ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    return true;
  }

  HWND owner_;
  std::thread thread_;
};

TEST_F(MenuWndTest, ARightClickOffersShowingTheWindowAndEndingTheProgram) {
  struct Case {
    int item;
    UINT result;
  } cases[] = {{0, 0}, {1, kTrayCommandExit}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    ::ShowWindow(owner_.hwnd(), SW_HIDE);
    ::SetCursorPos(300, 300);
    TrayPerson person(owner_.hwnd(), c.item);
    const UINT result = on_tray_notify(owner_.hwnd(), WM_RBUTTONDOWN);
    person.join();
    ASSERT_TRUE(person.found) << "no popup menu with two items appeared";
    EXPECT_EQ(person.texts[0], L"显示主窗口");
    EXPECT_EQ(person.texts[1], L"退出程序");
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(::IsWindowVisible(owner_.hwnd()) != FALSE, c.item == 0);
  }
}

TEST_F(MenuWndTest, ALeftClickShowsAndRaisesTheWindowOtherMessagesDoNothing) {
  struct Case {
    LPARAM mouse;
    bool shown;
  } cases[] = {{WM_LBUTTONUP, true}, {WM_LBUTTONDBLCLK, true}, {WM_MOUSEMOVE, false}, {WM_LBUTTONDOWN, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mouse);
    ::ShowWindow(owner_.hwnd(), SW_MINIMIZE);
    TestSkinWindow::pump();
    EXPECT_EQ(on_tray_notify(owner_.hwnd(), c.mouse), 0u);
    TestSkinWindow::pump();
    EXPECT_EQ(::IsIconic(owner_.hwnd()) == FALSE, c.shown);
    if (c.shown) {
      EXPECT_EQ(::GetForegroundWindow(), owner_.hwnd());
    }
  }
}

}  // namespace
