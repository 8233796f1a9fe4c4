#include "workers/ClientPath.h"

#include <cwchar>

namespace {

// Not allowed in a Windows file name, besides the control characters.
const wchar_t kForbiddenCharacters[] = L"<>:\"|?*";

const wchar_t* const kDeviceNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};

std::wstring AsciiUpper(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return text;
}

// Windows counts the superscripts as digits of a port name.
bool IsPortDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || c == L'\u00B9' || c == L'\u00B2' || c == L'\u00B3'; }

// Windows opens the device, not a file, for a name whose part before the
// first dot, without trailing blanks, is a device name.
bool IsDeviceName(const std::wstring& segment) {
  std::wstring base = segment.substr(0, segment.find(L'.'));
  base.erase(base.find_last_not_of(L' ') + 1);
  base = AsciiUpper(base);
  for (const wchar_t* device : kDeviceNames) {
    if (base == device) return true;
  }
  bool port = base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0;
  return port && base.size() == 4 && IsPortDigit(base[3]);
}

bool IsSafeSegment(const std::wstring& segment) {
  // "." and ".." end in a dot as well.
  if (segment.empty() || segment.back() == L'.' || segment.back() == L' ') return false;
  for (wchar_t c : segment) {
    if (c < 0x20 || std::wcschr(kForbiddenCharacters, c)) return false;
  }
  return !IsDeviceName(segment);
}

}  // namespace

bool IsSafeClientPath(const std::wstring& relativePath) {
  size_t start = 0;
  for (;;) {
    size_t end = relativePath.find_first_of(L"\\/", start);
    // At the last segment end - start overshoots, which substr allows.
    if (!IsSafeSegment(relativePath.substr(start, end - start))) return false;
    if (end == std::wstring::npos) return true;
    start = end + 1;
  }
}
