#pragma once
// The account menu: a small per-pixel layered drop-down under the main
// page's head picture, built from menu.xml. It shows the saved account and
// hands the chosen link or the sign-out to the main window's call queue, so
// they run after the menu's own loop has ended. It closes on any click on
// an entry, on Esc and as soon as it loses the focus.
//
// Also the popup menu of the main window's notification message 2034.
#include <windows.h>

#include <string>

#include "app/Page.h"
#include "app/SkinPopupWnd.h"
#include "ui/Notify.h"

class IMainWndCalls;

// Where the menu sits relative to the main window's top-left corner.
const int kMenuOffsetX = 263;
const int kMenuOffsetY = 50;

class CMenuWnd : public CSkinPopupWnd {
 public:
  explicit CMenuWnd(HWND mainWindow) : CSkinPopupWnd(L"menu.xml"), mainWindow_(mainWindow) {}

  // Creates the menu window (visible, placed at "windowinit"); none on
  // failure.
  HWND create_menu();

  void notify(ui::TNotify& msg) override;

 protected:
  const wchar_t* window_class_name() const override { return L"CMenuWnd"; }
  LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override;

 private:
  void on_menu_init(ui::TNotify&);
  // The account entry only closes the menu.
  void close_menu(ui::TNotify&);
  // Queues the main window's method, then closes the menu.
  template <void (IMainWndCalls::*call)(int, void*)>
  void hand_over(ui::TNotify&);

  static const NotifyRoute<CMenuWnd> kRoutes[];

  HWND mainWindow_;  // borrowed
};

// Opens the account menu for the main window and returns once it has
// closed; the main window then has the keyboard focus.
void show_account_menu(HWND mainWindow);

// Commands of the notification popup menu.
const UINT kTrayCommandExit = 100;
const UINT kTrayCommandShow = 101;

// Answers the main window's message 2034 (lparam is the mouse message):
// a left click shows and raises the window, a right click offers
// "显示主窗口" and "退出程序". Returns kTrayCommandExit when the user chose to
// end the program, which the caller then does; otherwise 0.
UINT on_tray_notify(HWND mainWindow, LPARAM mouseMessage);
