#include "support/Text.h"

#include <windows.h>

namespace {

// The conversions stop at the first zero character, as a C string would.
std::wstring NarrowToWide(UINT codePage, const std::string& text) {
  int length = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring result(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.c_str(), -1, &result[0], length);
  result.resize(static_cast<size_t>(length - 1));
  return result;
}

}  // namespace

std::wstring AnsiToWide(const std::string& text) { return NarrowToWide(CP_ACP, text); }

std::wstring Utf8ToWide(const std::string& text) { return NarrowToWide(CP_UTF8, text); }

std::string WideToUtf8(const std::wstring& text) {
  int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string result(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], length, nullptr, nullptr);
  result.resize(static_cast<size_t>(length - 1));
  return result;
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  std::string result = text;
  if (from == to || from.empty()) return result;
  size_t position = result.find(from);
  while (position != std::string::npos) {
    result.replace(position, from.size(), to);
    position = result.find(from, position + to.size());
  }
  return result;
}

std::string ConvertCase(bool toUpper, const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    if (toUpper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!toUpper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

std::string UrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(text.size() * 3);
  for (unsigned char c : text) {
    bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                 c == '-' || c == '_' || c == '.';
    if (plain) {
      result += static_cast<char>(c);
    } else if (c == ' ') {
      result += '+';
    } else {
      result += '%';
      result += kHex[c >> 4];
      result += kHex[c & 0x0F];
    }
  }
  return result;
}
