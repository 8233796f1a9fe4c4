#pragma once
// The message box: the one way the program tells the user something or asks
// an OK/Cancel question. A small borderless modal window with rounded
// corners, built from msgbox.xml, whose text and button texts the caller
// chooses.
#include <windows.h>

#include <string>

#include "ui/NativeWindow.h"
#include "ui/Notify.h"
#include "ui/SkinBuilder.h"
#include "ui/WindowManagerUI.h"

// Kinds of message box: OK only, or OK and Cancel.
const int kMsgBoxOk = 1;
const int kMsgBoxOkCancel = 2;

// Hit test of a borderless window whose caption rectangle covers it: a point
// there drags the window unless a button is under it. Shared by the windows
// that are dragged by their background (the message box, the account menu).
LRESULT on_nc_hit_test(HWND hwnd, const ui::CWindowManagerUI& manager, POINT screen);

class CMsgBoxWnd : public ui::CNativeWindow, public ui::INotifyListener {
 public:
  CMsgBoxWnd(std::wstring text, int kind, std::wstring okText, std::wstring cancelText);

  // Creates the (still hidden) box owned by owner; none on failure.
  HWND create_box(HWND owner);
  const ui::CWindowManagerUI& manager() const { return manager_; }

  void notify(ui::TNotify& msg) override;

 protected:
  const wchar_t* window_class_name() const override { return L"CMsgBoxWnd"; }
  UINT class_style() const override { return CS_DBLCLKS; }
  LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override;

 private:
  // The skin's text controls, until the toolkit's factory makes them itself.

  void on_create();
  void on_size();
  LRESULT on_sys_command(WPARAM command, LPARAM lparam);
  void on_msgbox_init();

  ui::CWindowManagerUI manager_;
  std::wstring text_;
  int kind_;
  std::wstring okText_;
  std::wstring cancelText_;
};

// Shows a modal message box over owner and returns 1 when the user pressed
// OK, 0 for Cancel, Esc or the system close command. Window thread only;
// the thread's other windows keep handling their messages meanwhile.
int show_message_box(HWND owner, const std::wstring& text, int kind, const std::wstring& okText,
                     const std::wstring& cancelText);
