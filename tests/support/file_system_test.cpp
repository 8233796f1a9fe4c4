#include "support/FileSystem.h"

#include <objbase.h>
#include <shobjidl.h>
#include <shlguid.h>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TestFolder.h"

TEST(FileSystem, CreateDirectoryTree) {
  CTestFolder folder(L"tree");
  EXPECT_TRUE(CreateDirectoryTree(folder / L"a\\b\\c"));
  EXPECT_TRUE(FileExists(folder / L"a\\b\\c"));
  EXPECT_TRUE(CreateDirectoryTree(folder / L"a\\b"));
  EXPECT_TRUE(CreateDirectoryTree(folder / L"x/y"));
  EXPECT_FALSE(CreateDirectoryTree(L"no-separator-folder-here"));
  WriteTestFile(folder / L"file", "x");
  EXPECT_FALSE(CreateDirectoryTree(folder / L"file"));
  EXPECT_FALSE(CreateDirectoryTree(folder / L"file\\below"));
}

TEST(FileSystem, FourThreadsCreateOverlappingTreesAtOnce) {
  CTestFolder folder(L"race");
  for (int round = 0; round < 20; ++round) {
    std::wstring base = folder / (L"r" + std::to_wstring(round) + L"\\client\\data\\pak");
    std::vector<std::thread> threads;
    bool results[4] = {};
    for (int i = 0; i < 4; ++i) {
      threads.emplace_back([&, i] { results[i] = CreateDirectoryTree(base + L"\\" + std::to_wstring(i % 2)); });
    }
    for (auto& thread : threads) thread.join();
    for (bool result : results) EXPECT_TRUE(result) << round;
    EXPECT_TRUE(FileExists(base + L"\\0"));
    EXPECT_TRUE(FileExists(base + L"\\1"));
  }
}

TEST(FileSystem, ExistsAndAccessible) {
  CTestFolder folder(L"exists");
  WriteTestFile(folder / L"f.txt", "abc");
  EXPECT_TRUE(FileExists(folder / L"f.txt"));
  EXPECT_TRUE(FileExists(folder.Path()));
  EXPECT_FALSE(FileExists(folder / L"missing"));
  EXPECT_FALSE(FileExists(L""));
  EXPECT_TRUE(FileAccessible(folder / L"f.txt"));
  EXPECT_TRUE(FileAccessible(folder.Path()));
  EXPECT_FALSE(FileAccessible(folder / L"missing"));
}

TEST(FileSystem, ReadWholeFile) {
  CTestFolder folder(L"read");
  WriteTestFile(folder / L"zero", std::string("ab\0cd", 5));
  EXPECT_EQ(ReadWholeFile(folder / L"zero"), "ab");
  std::string big(300000, 'q');
  WriteTestFile(folder / L"big", big);
  EXPECT_EQ(ReadWholeFile(folder / L"big"), big);
  WriteTestFile(folder / L"empty", "");
  EXPECT_EQ(ReadWholeFile(folder / L"empty"), "");
  EXPECT_EQ(ReadWholeFile(folder / L"missing"), "");
}

TEST(FileSystem, DeleteTreeRemovesNestedFolders) {
  CTestFolder folder(L"delete");
  CreateDirectoryTree(folder / L"temp\\a\\b");
  WriteTestFile(folder / L"temp\\a\\b\\f", "x");
  WriteTestFile(folder / L"keep", "x");
  EXPECT_EQ(DeleteTree(folder / L"temp"), 0);
  EXPECT_FALSE(FileExists(folder / L"temp"));
  EXPECT_TRUE(FileExists(folder / L"keep"));
  EXPECT_NE(DeleteTree(folder / L"temp"), 0);
}

TEST(FileSystem, ShortcutTargetResolvesARealShortcut) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  CTestFolder folder(L"lnk");
  CreateDirectoryTree(folder / L"Wemade\\MirM\\Launcher");
  std::wstring target = folder / L"Wemade\\MirM\\Launcher\\MirMLauncher.exe";
  WriteTestFile(target, "MZ");
  {
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    link->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    ASSERT_TRUE(SUCCEEDED(file->Save((folder / L"MirM.lnk").c_str(), TRUE)));
    file->Release();
    link->Release();
  }
  std::wstring out;
  ASSERT_TRUE(ShortcutTarget(folder / L"MirM.lnk", out));
  wchar_t longOut[MAX_PATH] = {};
  wchar_t longTarget[MAX_PATH] = {};
  GetLongPathNameW(out.c_str(), longOut, MAX_PATH);
  GetLongPathNameW(target.c_str(), longTarget, MAX_PATH);
  EXPECT_EQ(lstrcmpiW(longOut, longTarget), 0) << out;
  EXPECT_FALSE(ShortcutTarget(folder / L"missing.lnk", out));
  WriteTestFile(folder / L"broken.lnk", "not a shortcut");
  EXPECT_FALSE(ShortcutTarget(folder / L"broken.lnk", out));
  CoUninitialize();
}

TEST(FileSystem, ShortcutTargetFailsWithoutCom) {
  std::wstring out;
  std::thread worker([&] { EXPECT_FALSE(ShortcutTarget(L"C:\\any.lnk", out)); });
  worker.join();
}
