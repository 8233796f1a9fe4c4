#include "support/Registry.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kKey[] = L"Software\\OrvaneTest\\Registry";

void WriteIn64BitView(const std::wstring& subKey, const std::wstring& name, const std::wstring& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
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
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\OrvaneTest64\\Only64", KEY_WOW64_64KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\OrvaneTest64\\Both", KEY_WOW64_64KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\OrvaneTest64\\Both", KEY_WOW64_32KEY, 0);
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

TEST_F(Registry, ValueOnlyInThe64BitViewIsFound) {
  // As a 64-bit installer writes it: invisible to a 32-bit program's default view.
  WriteIn64BitView(L"Software\\OrvaneTest64\\Only64", L"", L"D:\\Wemade\\MirM\\Launcher\\MirMLauncher.exe");
  std::wstring out;
  ASSERT_TRUE(RegistryRead(HKEY_LOCAL_MACHINE, L"Software\\OrvaneTest64\\Only64", L"", REG_SZ, out));
  EXPECT_EQ(out, L"D:\\Wemade\\MirM\\Launcher\\MirMLauncher.exe");
}

TEST_F(Registry, KeyInBothViewsWithValueOnlyIn64BitView) {
  HKEY key32 = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\OrvaneTest64\\Both", 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key32, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key32);
  WriteIn64BitView(L"Software\\OrvaneTest64\\Both", L"path", L"C:\\Game");
  std::wstring out;
  ASSERT_TRUE(RegistryRead(HKEY_LOCAL_MACHINE, L"Software\\OrvaneTest64\\Both", L"path", REG_SZ, out));
  EXPECT_EQ(out, L"C:\\Game");
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
