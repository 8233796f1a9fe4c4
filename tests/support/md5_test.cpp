#include "support/Md5.h"

#include <algorithm>

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "support/ScopedHandles.h"
#include "support/ThreadManager.h"

namespace {

std::wstring TempPath(const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"md5_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(file);
  return ok;
}

// Bytes that are not periodic in 64 and include every value, zeros too.
std::string Pattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// A file of size bytes that are all zero, made without writing them.
bool MakeZeroFile(const std::wstring& path, LONGLONG size) {
  CScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  LARGE_INTEGER end;
  end.QuadPart = size;
  return file.Valid() && SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

struct DigestRun {
  std::wstring path;
  std::atomic<bool> started{false};
  std::atomic<bool> returned{false};
  std::string digest = "(not returned)";
};

void DigestOnWorker(void* argument) {
  DigestRun* run = static_cast<DigestRun*>(argument);
  run->started = true;
  run->digest = CMd5A().Md5File(run->path);
  run->returned = true;
}

}  // namespace

TEST(Md5, Rfc1321TestSuite) {
  struct Case { const char* text; const char* digest; };
  const Case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : cases) EXPECT_EQ(CMd5A().Md5String(c.text), c.digest) << c.text;
}

TEST(Md5, BlockCompletionBoundariesAndRawBytes) {
  struct Case { std::string bytes; const char* digest; };
  const Case cases[] = {
      {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
      {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
      {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
      {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
      {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
      {std::string(128, 'a'), "e510683b3f5ffe4093d021808bc6ff70"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
      {std::string("\0abc", 4), "7a3949eab1a4b3609fb05f2699ebeb8f"},
      {std::string("ab\0", 3), "5d36fe0e221c3fd97c6b87a46c9faf43"},
      {"\xE5\xBD\x93\xE5\x89\x8D\xE7\x89\x88\xE6\x9C\xAC", "9b601b8efa642f1b3c8159cd20d061b3"},
  };
  for (const Case& c : cases) EXPECT_EQ(CMd5A().Md5String(c.bytes), c.digest) << c.bytes.size() << " bytes";
}

TEST(Md5, FileDigestEqualsDigestOfItsBytes) {
  // Around the block boundaries, the old 512-byte reads and the 1 MiB chunks.
  const size_t lengths[] = {0, 1, 55, 56, 64, 512, 513, 1000000, 1048576, 1048577, 2 * 1048576 + 63};
  for (size_t length : lengths) {
    std::wstring path = TempPath(L"pattern.bin");
    std::string bytes = Pattern(length);
    ASSERT_TRUE(WriteBytes(path, bytes));
    EXPECT_EQ(CMd5A().Md5File(path), CMd5A().Md5String(bytes)) << length << " bytes";
    DeleteFileW(path.c_str());
  }
}

TEST(Md5, FileOfAMillionLettersAndWithAWidePath) {
  std::wstring path = TempPath(L"\u6E38\u620F\u6587\u4EF6.pak");
  ASSERT_TRUE(WriteBytes(path, std::string(1000000, 'a')));
  EXPECT_EQ(CMd5A().Md5File(path), "7707d6ae4e027c70eea2a935c2296f21");
  DeleteFileW(path.c_str());
}

TEST(Md5, FileThatCannotBeOpenedGivesEmptyText) {
  std::wstring folder = TempPath(L"folder");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_EQ(CMd5A().Md5File(folder), "");
  RemoveDirectoryW(folder.c_str());
  EXPECT_EQ(CMd5A().Md5File(TempPath(L"missing.bin")), "");
  EXPECT_EQ(CMd5A().Md5File(L""), "");
}

// Fed in pieces of every awkward size, the stream gives the digest of the
// whole, and after Finish it starts over.
TEST(Md5, StreamInPiecesEqualsTheWhole) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
  for (size_t piece : {1u, 3u, 63u, 64u, 65u, 127u, 1000u, 4999u}) {
    CMd5Stream stream;
    for (size_t at = 0; at < bytes.size(); at += piece) stream.Update(bytes.data() + at, std::min(piece, bytes.size() - at));
    EXPECT_EQ(stream.Finish(), CMd5A().Md5String(bytes)) << piece;
    EXPECT_EQ(stream.Finish(), "d41d8cd98f00b204e9800998ecf8427e") << piece;
  }
}

// A worker asked to stop gives up a file's digest between pieces, with the
// empty text of a failed read, so the window's teardown does not wait for
// a large game file to be checked to its end.
TEST(Md5, StopRequestEndsAFileDigestEarly) {
  const std::wstring path = TempPath(L"large.bin");
  // Seconds of digest work at the transform's speed.
  ASSERT_TRUE(MakeZeroFile(path, 4LL << 30));
  DigestRun run;
  run.path = path;
  {
    CWindowMultiThreadManager manager(60000);
    ASSERT_NE(manager.StartThread(&DigestOnWorker, &run), 0u);
    for (int i = 0; i < 1000 && !run.started; ++i) Sleep(10);
    ASSERT_TRUE(run.started.load());
    Sleep(200);
    ASSERT_FALSE(run.returned.load()) << "the file is too small to be stopped inside";
    const ULONGLONG before = GetTickCount64();
    manager.TerminateAll();
    EXPECT_LT(GetTickCount64() - before, 2000u);
  }
  EXPECT_TRUE(run.returned.load());
  EXPECT_EQ(run.digest, "");
  DeleteFileW(path.c_str());
}
