#include "ui/ControlTimers.h"

#include <algorithm>

namespace ui {

bool CControlTimers::set(CControlUI* control, UINT id, UINT elapse_ms) {
    if (!hwnd_) return false;
    for (Record& record : records_) {
        if (record.control != control || record.id != id) continue;
        if (!record.killed) return false;
        if (!::SetTimer(hwnd_, record.native_id, elapse_ms, nullptr)) return false;
        record.killed = false;
        return true;
    }
    next_native_id_ = (next_native_id_ + 1) % 255;
    // Skip ids still held by other records, so a long-lived timer never
    // shares its native id with a new one after the counter wrapped.
    for (int tries = 0; tries < 255; ++tries) {
        const UINT_PTR candidate = next_native_id_;
        const bool taken = std::any_of(records_.begin(), records_.end(),
                                       [&](const Record& r) { return r.native_id == candidate; });
        if (!taken && candidate != 0) break;
        next_native_id_ = (next_native_id_ + 1) % 255;
    }
    if (!::SetTimer(hwnd_, next_native_id_, elapse_ms, nullptr)) return false;
    records_.push_back(Record{control, id, next_native_id_, false});
    return true;
}

bool CControlTimers::kill(CControlUI* control, UINT id) {
    for (Record& record : records_) {
        if (record.control != control || record.id != id || record.killed) continue;
        ::KillTimer(hwnd_, record.native_id);
        record.killed = true;
        return true;
    }
    return false;
}

void CControlTimers::kill_all(CControlUI* control) {
    auto first = std::remove_if(records_.begin(), records_.end(), [&](const Record& record) {
        if (record.control != control) return false;
        if (!record.killed) ::KillTimer(hwnd_, record.native_id);
        return true;
    });
    records_.erase(first, records_.end());
}

void CControlTimers::clear() {
    for (const Record& record : records_) {
        if (!record.killed) ::KillTimer(hwnd_, record.native_id);
    }
    records_.clear();
}

bool CControlTimers::find(UINT_PTR native_id, CControlUI*& control, UINT& id) const {
    for (const Record& record : records_) {
        if (record.native_id != native_id || record.killed) continue;
        control = record.control;
        id = record.id;
        return true;
    }
    return false;
}

}  // namespace ui
