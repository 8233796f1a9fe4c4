#include "support/PathHelpers.h"

#include <cstdlib>

std::wstring FileNameOfPath(const std::wstring& path) {
  size_t separator = path.find_last_of(L"/\\");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring ModuleDirectory(HMODULE module) {
  wchar_t fileName[512] = {};
  GetModuleFileNameW(module, fileName, 512);
  wchar_t drive[32] = {};
  wchar_t folder[512] = {};
  wchar_t name[512] = {};
  wchar_t extension[128] = {};
  _wsplitpath_s(fileName, drive, 32, folder, 512, name, 512, extension, 128);
  return std::wstring(drive) + folder;
}

std::wstring TempFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}
