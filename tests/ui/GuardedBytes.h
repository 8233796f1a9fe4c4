#pragma once
// Test bytes for the readers of damaged input.
#include <windows.h>

#include <algorithm>
#include <vector>

// Copies bytes so that they end where an inaccessible page begins: a read
// past the end faults instead of passing unnoticed.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<unsigned char>& bytes) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        const size_t pages = (bytes.size() + page - 1) / page + 1;
        base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, pages * page, MEM_COMMIT | MEM_RESERVE,
                                                         PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + (pages - 1) * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + (pages - 1) * page - bytes.size();
        std::copy(bytes.begin(), bytes.end(), data_);
        size_ = bytes.size();
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    unsigned char* base_ = nullptr;
    unsigned char* data_ = nullptr;
    size_t size_ = 0;
};
