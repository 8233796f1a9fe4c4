#pragma once
// What the main window asks of each of its pages, and the two habits every
// page shares: its controls are looked up once into typed pointers, and
// what a notification does is read from one table of routes.
#include <cstddef>
#include <string>

#include "ui/ControlUI.h"
#include "ui/Notify.h"
#include "ui/WindowManagerUI.h"

// One row of a notification table: a notification of this type from the
// control of this name runs the handler. A null control matches any sender.
template <class Owner>
struct NotifyRoute {
  const wchar_t* control;
  const wchar_t* type;
  void (Owner::*handler)(ui::TNotify& msg);
};

// Runs the handler of the first matching route; false when none matches.
template <class Owner, std::size_t N>
bool route_notify(Owner& owner, const NotifyRoute<Owner> (&routes)[N], ui::TNotify& msg) {
  for (const NotifyRoute<Owner>& route : routes) {
    if (msg.type != route.type) continue;
    if (route.control && (!msg.sender || msg.sender->name() != route.control)) continue;
    (owner.*route.handler)(msg);
    return true;
  }
  return false;
}

// The control of that name when it is of the kind asked for (its
// interface_of name, e.g. L"Button"), else null.
template <class Control>
Control* find_control_as(const ui::CWindowManagerUI& manager, const wchar_t* name, const wchar_t* kind) {
  ui::CControlUI* control = manager.find_control(name);
  return control ? static_cast<Control*>(control->interface_of(kind)) : nullptr;
}

class CPage {
 public:
  virtual ~CPage() = default;
  // Once, at "windowinit", when the skin's controls exist.
  virtual void bind_controls(const ui::CWindowManagerUI& manager) = 0;
  // True when the page handled the notification.
  virtual bool notify(ui::TNotify& msg) = 0;
};
