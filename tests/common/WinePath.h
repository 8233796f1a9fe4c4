#pragma once
// The folders the tests are told of (the Unix paths of the source and build
// folders in their environment) as Wine reaches them, on its Z: drive.
#include <cstdlib>
#include <string>

// The folder named by the environment variable, then child, whose parts
// may be separated by '/' or '\'.
inline std::wstring WinePath(const char* variable, const std::wstring& child) {
  const char* root = std::getenv(variable);
  std::wstring path = L"Z:";
  for (const char* c = root ? root : ""; *c; ++c) path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
  path += L'\\';
  for (wchar_t c : child) path.push_back(c == L'/' ? L'\\' : c);
  return path;
}
