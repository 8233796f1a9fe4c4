#pragma once
// Conversions between narrow (UTF-8 or ANSI bytes) and wide (UTF-16) text,
// and the byte-level helpers used to build request text. None of them fails:
// text that cannot be converted gives an empty string.
#include <string>

std::wstring AnsiToWide(const std::string& text);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to);
// Maps only the ASCII letters; every other byte is kept.
std::string ConvertCase(bool toUpper, const std::string& text);
// Form encoding: letters, digits, "-", "_" and "." kept, blank as "+",
// every other byte as "%" and two upper-case hex digits.
std::string UrlEncode(const std::string& text);
