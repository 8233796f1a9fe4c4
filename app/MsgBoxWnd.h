#pragma once
// The message box: the one way the program tells the user something or asks
// an OK/Cancel question. A small borderless modal window with rounded
// corners, built from msgbox.xml, whose text and button texts the caller
// chooses.
#include <windows.h>

#include <string>

#include "app/Page.h"
#include "app/SkinPopupWnd.h"
#include "ui/Notify.h"

// Kinds of message box: OK only, or OK and Cancel.
const int kMsgBoxOk = 1;
const int kMsgBoxOkCancel = 2;

class CMsgBoxWnd : public CSkinPopupWnd {
 public:
  CMsgBoxWnd(std::wstring text, int kind, std::wstring okText, std::wstring cancelText);

  // Creates the (still hidden) box owned by owner; none on failure.
  HWND create_box(HWND owner);

  void notify(ui::TNotify& msg) override;

 protected:
  const wchar_t* window_class_name() const override { return L"CMsgBoxWnd"; }
  LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override;

 private:
  void on_msgbox_init(ui::TNotify&);
  void on_ok_click(ui::TNotify&);
  void on_cancel_click(ui::TNotify&);

  static const NotifyRoute<CMsgBoxWnd> kRoutes[];

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
