#include "support/PathHelpers.h"
#include "support/Text.h"

#include <gtest/gtest.h>

TEST(Text, Utf8RoundTripOfChineseText) {
  const std::string utf8 = "\xE6\xA3\x80\xE6\x9F\xA5\xE6\x9B\xB4\xE6\x96\xB0\xE5\xA4\xB1\xE8\xB4\xA5";
  std::wstring wide = Utf8ToWide(utf8);
  EXPECT_EQ(wide, L"\u68C0\u67E5\u66F4\u65B0\u5931\u8D25");
  EXPECT_EQ(WideToUtf8(wide), utf8);
  EXPECT_EQ(WideToUtf8(wide).size(), 18u);
}

TEST(Text, ConversionsOfEmptyAndEmbeddedZero) {
  EXPECT_EQ(Utf8ToWide(""), L"");
  EXPECT_EQ(WideToUtf8(L""), "");
  EXPECT_EQ(AnsiToWide(""), L"");
  EXPECT_EQ(Utf8ToWide(std::string("ab\0cd", 5)), L"ab");
  EXPECT_EQ(WideToUtf8(std::wstring(L"ab\0cd", 5)), "ab");
  EXPECT_EQ(AnsiToWide("http://a/b?r=1"), L"http://a/b?r=1");
}

TEST(Text, InvalidUtf8IsReplacedNotRejected) {
  std::wstring wide = Utf8ToWide("a\xFF" "b");
  ASSERT_EQ(wide.size(), 3u);
  EXPECT_EQ(wide[0], L'a');
  EXPECT_EQ(wide[2], L'b');
}

TEST(Text, ReplaceAll) {
  struct Case { const char* text; const char* from; const char* to; const char* expected; };
  const Case cases[] = {
      {"a\\\\b\\c\\", "\\", "/", "a//b/c/"},
      {"aaa", "a", "aa", "aaaaaa"},
      {"abc", "x", "y", "abc"},
      {"same", "s", "s", "same"},
      {"", "a", "b", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceAll(c.text, c.from, c.to), c.expected) << c.text;
}

TEST(Text, ConvertCaseTouchesOnlyAsciiLetters) {
  const std::string mixed = "Ab%2B\xE4Z9";
  EXPECT_EQ(ConvertCase(false, mixed), "ab%2b\xE4z9");
  EXPECT_EQ(ConvertCase(true, mixed), "AB%2B\xE4Z9");
}

TEST(Text, UrlEncode) {
  struct Case { std::string text; std::string expected; };
  const Case cases[] = {
      {"a b", "a+b"},
      {"13800138000", "13800138000"},
      {"\xE4", "%E4"},
      {"~+", "%7E%2B"},
      {"A-z_0.9", "A-z_0.9"},
      {std::string("\0/", 2), "%00%2F"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlEncode(c.text), c.expected) << c.text;
}

TEST(PathHelpers, FileNameOfPath) {
  EXPECT_EQ(FileNameOfPath(L"MirM.exe"), L"MirM.exe");
  EXPECT_EQ(FileNameOfPath(L"C:\\a\\b/c.pak"), L"c.pak");
  EXPECT_EQ(FileNameOfPath(L"C:\\a\\"), L"");
}

TEST(PathHelpers, ModuleDirectoryIsTheProgramFolder) {
  std::wstring folder = ModuleDirectory(nullptr);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  wchar_t full[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, full, MAX_PATH);
  EXPECT_EQ(std::wstring(full).rfind(folder, 0), 0u);
  EXPECT_EQ(folder + FileNameOfPath(full), full);
}
