#pragma once
// What every window of the program shares: a borderless native window whose
// whole area is client area, drawn by a skin built at creation, dragged by
// the skin's caption area, and whose messages go to the window manager
// before the default handling. The main window, the message box and the
// account menu differ only in the settings below and in their own messages.
#include <windows.h>

#include "ui/NativeWindow.h"
#include "ui/Notify.h"
#include "ui/SkinBuilder.h"
#include "ui/WindowManagerUI.h"

// Which controls inside the caption area drag the window.
enum class CaptionDrag {
  // Anything but a button (a point over no control stays client area).
  kAllButButtons,
  // What is_drag_control accepts: no control that takes input, nor one
  // inside such a control.
  kDragControls,
};

struct SkinWndSettings {
  const wchar_t* skin;                     // the skin file built at creation
  ui::ISkinBuilderCallback* customControls;  // borrowed; null: the skin has none
  ui::INotifyListener* listener;           // borrowed; hears the skin's notifications
  DWORD removedStyle;                      // frame styles taken away at creation
  LONG presetCaptionHeight;                // 0: none; the skin's caption value replaces it
  CaptionDrag drag;
};

class CSkinWnd : public ui::CNativeWindow {
 public:
  explicit CSkinWnd(const SkinWndSettings& settings) : settings_(settings) {}

 protected:
  UINT class_style() const override { return CS_DBLCLKS; }
  // Creation, the frame and the caption; everything else goes to the
  // manager and then to the default handling.
  LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override;

  ui::CWindowManagerUI manager_;

 private:
  void on_create();
  // HTCAPTION where the point lies in the manager's caption rectangle over
  // a control the drag setting accepts, else HTCLIENT.
  LRESULT on_nc_hit_test(POINT screen) const;
  bool drags(ui::CControlUI* control) const;

  const SkinWndSettings settings_;
};
