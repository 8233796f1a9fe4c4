#pragma once
// What the program's small borderless popups (the message box, the account
// menu) share on top of the skin window: a 35-pixel caption until the skin
// says otherwise, dragging by anything but a button, Esc and the close
// command closing with 0, and the system key menu ignored.
#include <windows.h>

#include "app/SkinWnd.h"
#include "ui/Notify.h"
#include "ui/WindowManagerUI.h"

class CSkinPopupWnd : public CSkinWnd, public ui::INotifyListener {
 public:
  // skin: the file built at creation, without custom controls.
  explicit CSkinPopupWnd(const wchar_t* skin);

  const ui::CWindowManagerUI& manager() const { return manager_; }

 protected:
  LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override;

 private:
  LRESULT on_sys_command(WPARAM command, LPARAM lparam);
};
