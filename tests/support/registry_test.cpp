#include "support/Registry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const wchar_t kKey[] = L"Software\\OrvaneTest\\Registry";
const wchar_t kViewsKey[] = L"Software\\OrvaneTestViews";

void WriteInView(REGSAM view, const std::wstring& subKey, const std::wstring& name,
                 const std::wstring& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (!name.empty() || !value.empty()) {
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

DWORD StoredByteCount(HKEY hive, const std::wstring& subKey, const std::wstring& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(hive, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
  DWORD size = 0;
  RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, &size);
  RegCloseKey(key);
  return size;
}

class Registry : public ::testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\OrvaneTest");
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kViewsKey, view, 0);
    }
  }
};

}  // namespace

TEST_F(Registry, WideWriteCreatesKeyAndReadsBack) {
  const std::wstring text = L"13800138000";
  ASSERT_TRUE(RegistryWrite(HKEY_CURRENT_USER, kKey, L"account", REG_SZ, text.c_str(),
                            static_cast<DWORD>(text.size() * sizeof(wchar_t))));
  std::wstring out = L"stale";
  ASSERT_TRUE(RegistryRead(HKEY_CURRENT_USER, kKey, L"account", REG_SZ, out));
  EXPECT_EQ(out, text);
  // Windows stores exactly the bytes given; Wine appends a terminator.
  DWORD stored = StoredByteCount(HKEY_CURRENT_USER, kKey, L"account");
  EXPECT_TRUE(stored == text.size() * sizeof(wchar_t) || stored == (text.size() + 1) * sizeof(wchar_t))
      << stored;
}

TEST_F(Registry, NarrowWriteStoresTextReadableAsWide) {
  const std::string token = "12345";
  ASSERT_TRUE(RegistryWriteNarrow(HKEY_CURRENT_USER, "Software\\OrvaneTest\\Registry", "token2",
                                  REG_SZ, token.c_str(), static_cast<DWORD>(token.size())));
  std::wstring out;
  ASSERT_TRUE(RegistryRead(HKEY_CURRENT_USER, kKey, L"token2", REG_SZ, out));
  EXPECT_EQ(out, L"12345");
}

TEST_F(Registry, MissingValueOrKeyGivesFalseAndEmptyText) {
  std::wstring out = L"stale";
  EXPECT_FALSE(RegistryRead(HKEY_CURRENT_USER, L"Software\\OrvaneTest\\Nowhere", L"x", REG_SZ, out));
  EXPECT_TRUE(out.empty());
  const std::wstring text = L"v";
  RegistryWrite(HKEY_CURRENT_USER, kKey, L"present", REG_SZ, text.c_str(), 2);
  out = L"stale";
  EXPECT_FALSE(RegistryRead(HKEY_CURRENT_USER, kKey, L"absent", REG_SZ, out));
  EXPECT_TRUE(out.empty());
}

TEST_F(Registry, NumberIsReadAsDecimalText) {
  DWORD number = 4294967295u;
  ASSERT_TRUE(RegistryWrite(HKEY_CURRENT_USER, kKey, L"n", REG_DWORD, &number, sizeof(number)));
  std::wstring out;
  ASSERT_TRUE(RegistryRead(HKEY_CURRENT_USER, kKey, L"n", REG_DWORD, out));
  EXPECT_EQ(out, L"-1");
}

TEST_F(Registry, ThirtyTwoBitViewFirstThenSixtyFourBitView) {
  // What a 32-bit program on 64-bit Windows finds, in either build of it:
  // its own view first, then the 64-bit one, for a missing key and for a
  // key that is there without the value.
  struct Written {
    REGSAM view;
    const wchar_t* name;
    const wchar_t* value;
  };
  struct Case {
    const char* what;
    std::vector<Written> written;
    bool found;
    const wchar_t* expected;
  } cases[] = {
      {"only in the 32-bit view", {{KEY_WOW64_32KEY, L"path", L"C:\\Game32"}}, true, L"C:\\Game32"},
      {"only in the 64-bit view", {{KEY_WOW64_64KEY, L"path", L"D:\\Game64"}}, true, L"D:\\Game64"},
      {"in both views", {{KEY_WOW64_64KEY, L"path", L"D:\\Game64"}, {KEY_WOW64_32KEY, L"path", L"C:\\Game32"}},
       true, L"C:\\Game32"},
      {"key in both, value only in the 64-bit view",
       {{KEY_WOW64_32KEY, L"", L""}, {KEY_WOW64_64KEY, L"path", L"D:\\Game64"}}, true, L"D:\\Game64"},
      {"key in both, value in neither", {{KEY_WOW64_32KEY, L"", L""}, {KEY_WOW64_64KEY, L"", L""}}, false, L""},
      {"in neither view", {}, false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kViewsKey, view, 0);
    for (const Written& w : c.written) WriteInView(w.view, kViewsKey, w.name, w.value);
    std::wstring out = L"stale";
    EXPECT_EQ(RegistryRead(HKEY_LOCAL_MACHINE, kViewsKey, L"path", REG_SZ, out), c.found);
    EXPECT_EQ(out, c.expected);
  }
}

TEST_F(Registry, StringFillingTheWholeBufferStaysTerminated) {
  // Stored as raw bytes so no terminator is added: read as text it must still end.
  const std::wstring text(5120, L'x');
  ASSERT_TRUE(RegistryWrite(HKEY_CURRENT_USER, kKey, L"long", REG_BINARY, text.c_str(),
                            static_cast<DWORD>(text.size() * sizeof(wchar_t))));
  std::wstring out;
  ASSERT_TRUE(RegistryRead(HKEY_CURRENT_USER, kKey, L"long", REG_SZ, out));
  EXPECT_EQ(out, text);
  const std::wstring tooLong(6000, L'y');
  RegistryWrite(HKEY_CURRENT_USER, kKey, L"toolong", REG_SZ, tooLong.c_str(),
                static_cast<DWORD>(tooLong.size() * sizeof(wchar_t)));
  EXPECT_FALSE(RegistryRead(HKEY_CURRENT_USER, kKey, L"toolong", REG_SZ, out));
}

TEST_F(Registry, DeleteRemovesOnlyTheValue) {
  const std::wstring text = L"keep";
  RegistryWrite(HKEY_CURRENT_USER, kKey, L"account", REG_SZ, text.c_str(), 8);
  RegistryWrite(HKEY_CURRENT_USER, kKey, L"token2", REG_SZ, text.c_str(), 8);
  EXPECT_TRUE(RegistryDelete(HKEY_CURRENT_USER, kKey, L"token2"));
  EXPECT_FALSE(RegistryDelete(HKEY_CURRENT_USER, kKey, L"token2"));
  std::wstring out;
  EXPECT_FALSE(RegistryRead(HKEY_CURRENT_USER, kKey, L"token2", REG_SZ, out));
  EXPECT_TRUE(RegistryRead(HKEY_CURRENT_USER, kKey, L"account", REG_SZ, out));
  EXPECT_FALSE(RegistryDelete(HKEY_CURRENT_USER, L"Software\\OrvaneTest\\Nowhere", L"x"));
}
