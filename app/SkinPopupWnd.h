#pragma once
// What the program's small borderless popups (the message box, the account
// menu) share: the skin built at creation, no frame, dragging by anything
// but a button inside the skin's caption area, Esc and the close command
// closing with 0, and the system key menu ignored.
#include <windows.h>

#include "ui/NativeWindow.h"
#include "ui/Notify.h"
#include "ui/WindowManagerUI.h"

// Hit test of a borderless window whose caption rectangle covers it: a point
// there drags the window unless a button is under it.
LRESULT on_nc_hit_test(HWND hwnd, const ui::CWindowManagerUI& manager, POINT screen);

class CSkinPopupWnd : public ui::CNativeWindow, public ui::INotifyListener {
 public:
  // skin: the file built at creation, without a custom-control factory.
  explicit CSkinPopupWnd(const wchar_t* skin) : skin_(skin) {}

  const ui::CWindowManagerUI& manager() const { return manager_; }

 protected:
  UINT class_style() const override { return CS_DBLCLKS; }
  LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override;

  ui::CWindowManagerUI manager_;

 private:
  void on_create();
  LRESULT on_sys_command(WPARAM command, LPARAM lparam);

  const wchar_t* skin_;
};
