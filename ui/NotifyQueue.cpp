#include "ui/NotifyQueue.h"

#include <algorithm>

namespace ui {

void CNotifyQueue::push(const TNotify& msg, bool allow_repeat) {
    if (!allow_repeat) {
        for (TNotify& waiting : queue_) {
            if (waiting.sender != msg.sender || waiting.type != msg.type) continue;
            waiting.wparam = msg.wparam;
            waiting.lparam = msg.lparam;
            waiting.point = msg.point;
            waiting.timestamp = msg.timestamp;
            return;
        }
    }
    queue_.push_back(msg);
}

bool CNotifyQueue::pop(TNotify& msg) {
    if (queue_.empty()) return false;
    msg = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

void CNotifyQueue::forget(const CControlUI* sender) {
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [&](const TNotify& waiting) { return waiting.sender == sender; }),
                 queue_.end());
}

}  // namespace ui
