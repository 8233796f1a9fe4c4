#include "support/HeldFile.h"

#include <algorithm>
#include <new>

namespace {

const DWORD kReadChunkBytes = 1024 * 1024;

}  // namespace

CHeldFile::CHeldFile(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
  if (!handle_.Valid()) openError_ = GetLastError();
}

bool CHeldFile::ReadAll(std::string& bytes) {
  bytes.clear();
  LARGE_INTEGER size{};
  const LARGE_INTEGER start{};
  if (!Held() || !GetFileSizeEx(handle_.Get(), &size) || size.QuadPart > kLargestHeldRead ||
      !SetFilePointerEx(handle_.Get(), start, nullptr, FILE_BEGIN)) {
    return false;
  }
  try {
    bytes.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kReadChunkBytes));
    DWORD read = 0;
    if (!ReadFile(handle_.Get(), &bytes[done], wanted, &read, nullptr) || read == 0) {
      bytes.clear();
      return false;
    }
    done += read;
  }
  return true;
}
