#pragma once

#include <deque>

#include "ui/Notify.h"

namespace ui {

// Notifications waiting for asynchronous delivery. Unless repeats are
// allowed, a second notification of the same type and sender updates the
// waiting one (parameters, point and time) instead of queueing again.
class CNotifyQueue {
public:
    void push(const TNotify& msg, bool allow_repeat);
    // Takes the oldest notification; false when the queue is empty.
    bool pop(TNotify& msg);
    // Drops every waiting notification sent by the control.
    void forget(const CControlUI* sender);
    void clear() { queue_.clear(); }

private:
    std::deque<TNotify> queue_;
};

}  // namespace ui
