#include "support/HeldFile.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/ScopedHandles.h"
#include "tests/support/TestFolder.h"

namespace {

// Bytes that are not periodic and include every value, zeros too.
std::string Pattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// The error of an attempt; 0 when it worked.
DWORD ErrorOf(bool worked) { return worked ? 0 : GetLastError(); }

DWORD OpenToWrite(const std::wstring& path) {
  CScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  return ErrorOf(file.Valid());
}

// Opens the file as Windows' loader does to start it as a program.
DWORD OpenAsLoader(const std::wstring& path) {
  CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  return ErrorOf(file.Valid());
}

std::wstring OwnProgramFile() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, length);
}

}  // namespace

// While held, the file can be neither changed, nor removed, nor swapped
// for another; once the hold ends, each works again.
TEST(HeldFile, HoldsAgainstWritingDeletingAndRenaming) {
  CTestFolder folder(L"held-file");
  const std::wstring path = folder / L"OrvaneBox.exe";
  const std::wstring other = folder / L"other.exe";
  const std::string bytes = Pattern(70000);
  struct Case {
    const char* name;
    std::function<DWORD()> attempt;
  };
  const Case cases[] = {
      {"open to write", [&] { return OpenToWrite(path); }},
      {"delete", [&] { return ErrorOf(DeleteFileW(path.c_str())); }},
      {"rename", [&] { return ErrorOf(MoveFileExW(path.c_str(), (folder / L"moved.exe").c_str(), 0)); }},
      {"replace by another file",
       [&] { return ErrorOf(MoveFileExW(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)); }},
  };
  for (const Case& c : cases) {
    WriteTestFile(path, bytes);
    WriteTestFile(other, "another program");
    DeleteFileW((folder / L"moved.exe").c_str());
    {
      CHeldFile held(path);
      ASSERT_TRUE(held.Held()) << c.name;
      EXPECT_EQ(held.OpenError(), 0u) << c.name;
      EXPECT_NE(c.attempt(), 0u) << c.name;
      // The path still names the same bytes, read through a second opening.
      std::string atPath;
      EXPECT_TRUE(CHeldFile(path).ReadAll(atPath)) << c.name;
      EXPECT_TRUE(atPath == bytes) << c.name;
    }
    // Once the hold has ended, the same attempt succeeds.
    EXPECT_EQ(c.attempt(), 0u) << c.name;
  }
}

TEST(HeldFile, OthersStillReadAndStartAHeldProgram) {
  CTestFolder folder(L"held-start");
  const std::wstring path = folder / L"held_copy.exe";
  ASSERT_TRUE(CopyFileW(OwnProgramFile().c_str(), path.c_str(), FALSE));
  CHeldFile held(path);
  ASSERT_TRUE(held.Held());
  EXPECT_EQ(OpenAsLoader(path), 0u);
  SHELLEXECUTEINFOW start = {sizeof start};
  start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  start.lpVerb = L"open";
  start.lpFile = path.c_str();
  start.lpParameters = L"--gtest_list_tests";
  start.nShow = SW_HIDE;
  ASSERT_TRUE(ShellExecuteExW(&start)) << GetLastError();
  CScopedHandle process(start.hProcess);
  ASSERT_EQ(WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  EXPECT_TRUE(GetExitCodeProcess(process.Get(), &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(DeleteFileW(path.c_str()));
}

TEST(HeldFile, FileOpenForWritingElsewhereCannotBeHeld) {
  CTestFolder folder(L"held-busy");
  const std::wstring path = folder / L"OrvaneBox.exe";
  WriteTestFile(path, "still downloading");
  {
    CScopedHandle writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer.Valid());
    CHeldFile held(path);
    EXPECT_FALSE(held.Held());
    EXPECT_EQ(held.OpenError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    std::string read = "left over";
    EXPECT_FALSE(held.ReadAll(read));
    EXPECT_EQ(read, "");
  }
  EXPECT_TRUE(CHeldFile(path).Held());
}

TEST(HeldFile, MissingFileOrFolderIsNotHeld) {
  CTestFolder folder(L"held-missing");
  struct Case {
    const char* name;
    std::wstring path;
    DWORD error;
  };
  const Case cases[] = {
      {"missing file", folder / L"missing.exe", ERROR_FILE_NOT_FOUND},
      {"missing folder", folder / L"missing\\OrvaneBox.exe", ERROR_PATH_NOT_FOUND},
      {"a folder", folder.Path(), ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    CHeldFile held(c.path);
    EXPECT_FALSE(held.Held()) << c.name;
    EXPECT_EQ(held.OpenError(), c.error) << c.name;
    std::string read;
    EXPECT_FALSE(held.ReadAll(read)) << c.name;
  }
}

// Every read gives the whole file from its first byte, across the read
// chunks, however often it is asked.
TEST(HeldFile, ReadAllGivesTheWholeFileEachTime) {
  CTestFolder folder(L"held-read");
  const std::wstring path = folder / L"OrvaneBox.exe";
  for (size_t length : {size_t{0}, size_t{1}, size_t{1024 * 1024}, size_t{1024 * 1024 + 1}, size_t{3 * 1024 * 1024 + 5}}) {
    const std::string bytes = Pattern(length);
    WriteTestFile(path, bytes);
    CHeldFile held(path);
    for (int round = 0; round < 2; ++round) {
      std::string read = "left over";
      EXPECT_TRUE(held.ReadAll(read)) << length;
      EXPECT_TRUE(read == bytes) << length << " bytes, round " << round;
    }
  }
}
