#include "support/LogFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::wstring TempPath(const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"log_file_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return bytes;
  char chunk[65536];
  size_t read;
  while ((read = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, read);
  fclose(file);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

// The file's text after its byte-order mark, cut into lines at CR LF; the
// text after the last CR LF is returned as a last line (empty when whole).
std::vector<std::wstring> LinesOfLog(const std::string& bytes) {
  std::vector<std::wstring> lines;
  if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0 || bytes.size() % 2 != 0) return lines;
  std::wstring text((bytes.size() - 2) / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                   static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
  }
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::wstring LocalStamp() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t stamp[32] = {};
  swprintf(stamp, 32, L"%04d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
           now.wSecond);
  return stamp;
}

// Checks "[YYYY-MM-DD hh:mm:ss]" at the start of the line and returns the
// rest of it, or "?" when the stamp is malformed.
std::wstring AfterStamp(const std::wstring& line) {
  const std::wstring shape = L"[0000-00-00 00:00:00]";
  if (line.size() < shape.size()) return L"?";
  for (size_t i = 0; i < shape.size(); ++i) {
    bool digit = line[i] >= L'0' && line[i] <= L'9';
    if (shape[i] == L'0' ? !digit : line[i] != shape[i]) return L"?";
  }
  return line.substr(shape.size());
}

std::wstring LargeFile(size_t bytes) { return std::wstring(bytes, L'x'); }

}  // namespace

TEST(LogFile, NewFileGetsByteOrderMarkThenWholeFormattedLines) {
  std::wstring path = TempPath(L"format.txt");
  DeleteFileW(path.c_str());
  CWriteLogFile log;
  log.SetLogFile(path, 1024);
  std::wstring before = LocalStamp();
  log.WriteLog(L".\\Main.cpp", 42, L"\u5F53\u524D\u7248\u672C\uFF1A%s", L"4");
  log.WriteLog(L".\\StdAfx.cpp", 7, L"%d|%s|%%|%ls", -3, L"\u4E0B\u8F7D", L"wide");
  std::wstring after = LocalStamp();

  std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.find("\xFF\xFE", 2), std::string::npos) << "byte-order mark written twice";
  std::vector<std::wstring> lines = LinesOfLog(bytes);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(AfterStamp(lines[0]), L"[.\\Main.cpp 42]\u5F53\u524D\u7248\u672C\uFF1A4");
  EXPECT_EQ(AfterStamp(lines[1]), L"[.\\StdAfx.cpp 7]-3|\u4E0B\u8F7D|%|wide");
  EXPECT_EQ(lines[2], L"");
  std::wstring stamp = lines[0].substr(1, 19);
  EXPECT_LE(before, stamp);
  EXPECT_LE(stamp, after);
  DeleteFileW(path.c_str());
}

TEST(LogFile, SetLogFileDeletesAFileOverTheCapOrEmpty) {
  struct Case { size_t bytes; int limitKb; bool kept; };
  const Case cases[] = {
      {1048577, 1024, false}, {1048576, 1024, true}, {0, 1024, false}, {10, 1024, true}, {1025, 1, false},
  };
  for (const Case& c : cases) {
    std::wstring path = TempPath(L"cap.txt");
    WriteBytes(path, std::string(c.bytes, 'x'));
    CWriteLogFile log;
    log.SetLogFile(path, c.limitKb);
    EXPECT_EQ(FileExists(path), c.kept) << c.bytes << " bytes, cap " << c.limitKb << " KiB";
    EXPECT_EQ(log.LogFileSize(path), c.kept ? c.bytes : 0u);
    DeleteFileW(path.c_str());
  }
}

TEST(LogFile, LineThatFindsTheFileOverTheCapStartsANewFile) {
  std::wstring path = TempPath(L"rollover.txt");
  WriteBytes(path, "\xFF\xFE" + std::string(1022, 'x'));
  CWriteLogFile log;
  log.SetLogFile(path, 1);
  log.WriteLog(L".\\a.cpp", 1, L"appended");
  std::string bytes = ReadBytes(path);
  ASSERT_GT(bytes.size(), 1024u);
  EXPECT_EQ(bytes.find("\xFF\xFE", 2), std::string::npos);

  log.WriteLog(L".\\a.cpp", 2, L"first of the new file");
  std::vector<std::wstring> lines = LinesOfLog(ReadBytes(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(AfterStamp(lines[0]), L"[.\\a.cpp 2]first of the new file");
  DeleteFileW(path.c_str());
}

TEST(LogFile, FormattedTextIsCutButLiteralTextIsNot) {
  std::wstring path = TempPath(L"lengths.txt");
  DeleteFileW(path.c_str());
  CWriteLogFile log;
  log.SetLogFile(path, 1024);
  const std::wstring reply = L"{\"msg\":\"100% %s %d %n\"}" + LargeFile(20000);
  log.WriteLog(L".\\a.cpp", 1, L"%s", LargeFile(20000).c_str());
  log.WriteLogText(L".\\a.cpp", 2, reply);
  log.WriteLogText(L".\\a.cpp", 3, L"");

  std::vector<std::wstring> lines = LinesOfLog(ReadBytes(path));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(AfterStamp(lines[0]), L"[.\\a.cpp 1]" + LargeFile(10239));
  EXPECT_EQ(AfterStamp(lines[1]), L"[.\\a.cpp 2]" + reply);
  EXPECT_EQ(AfterStamp(lines[2]), L"[.\\a.cpp 3]");
  DeleteFileW(path.c_str());
}

TEST(LogFile, ConcurrentWritersLeaveOnlyWholeLines) {
  struct Case { int limitKb; bool allLinesKept; };
  // A cap large enough for everything, and one that the writers pass many
  // times, so deletions happen between the other threads' lines.
  const Case cases[] = {{4096, true}, {16, false}};
  const int kThreads = 8;
  const int kLines = 200;
  const std::wstring payload(150, L'p');
  for (const Case& c : cases) {
    std::wstring path = TempPath(L"threads.txt");
    DeleteFileW(path.c_str());
    CWriteLogFile log;
    log.SetLogFile(path, c.limitKb);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&log, &payload, t] {
        for (int i = 0; i < kLines; ++i) {
          if (i % 2 == 0) {
            log.WriteLog(L".\\ThreadCallFunc.cpp", t, L"%d:%d:%s", t, i, payload.c_str());
          } else {
            log.WriteLogText(L".\\ThreadCallFunc.cpp", t, std::to_wstring(t) + L":" + std::to_wstring(i) + L":" + payload);
          }
        }
      });
    }
    for (std::thread& thread : threads) thread.join();

    std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.find("\xFF\xFE", 2), std::string::npos);
    std::vector<std::wstring> lines = LinesOfLog(bytes);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), L"");
    lines.pop_back();
    std::set<std::wstring> seen;
    for (const std::wstring& line : lines) {
      std::wstring rest = AfterStamp(line);
      int t = -1, i = -1, tagLine = -1;
      wchar_t tail[200] = {};
      ASSERT_EQ(swscanf(rest.c_str(), L"[.\\ThreadCallFunc.cpp %d]%d:%d:%199ls", &tagLine, &t, &i, tail), 4) << rest;
      EXPECT_EQ(tagLine, t);
      EXPECT_EQ(tail, payload);
      EXPECT_TRUE(seen.insert(rest).second) << "line written twice: " << rest;
    }
    if (c.allLinesKept) {
      EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    }
    DeleteFileW(path.c_str());
  }
}

TEST(LogFile, MacrosTagTheCallingUnitAndLine) {
  std::wstring path = TempPath(L"macros.txt");
  DeleteFileW(path.c_str());
  g_logFile.SetLogFile(path, 1024);
  const int first = __LINE__ + 1;
  LOG_LINE(L"value %d of %s", 5, L"five");
  LOG_LINE(L"no arguments");
  LOG_TEXT(L"100%s");
  g_logFile.SetLogFile(L"", 1024);
  LOG_LINE(L"dropped: the log has no file");

  std::vector<std::wstring> lines = LinesOfLog(ReadBytes(path));
  ASSERT_EQ(lines.size(), 4u);
  const std::wstring tag = L"[.\\log_file_test.cpp ";
  EXPECT_EQ(AfterStamp(lines[0]), tag + std::to_wstring(first) + L"]value 5 of five");
  EXPECT_EQ(AfterStamp(lines[1]), tag + std::to_wstring(first + 1) + L"]no arguments");
  EXPECT_EQ(AfterStamp(lines[2]), tag + std::to_wstring(first + 2) + L"]100%s");
  DeleteFileW(path.c_str());
}

TEST(LogFile, UnwritableTargetsDropTheLineQuietly) {
  std::wstring folder = TempPath(L"no_such_folder");
  std::wstring path = folder + L"\\log.txt";
  CWriteLogFile log;
  log.SetLogFile(path, 1024);
  log.WriteLog(L".\\a.cpp", 1, L"lost");
  log.WriteLogText(nullptr, 2, L"lost");
  log.WriteLog(nullptr, 3, nullptr);
  EXPECT_FALSE(FileExists(folder));
  EXPECT_EQ(log.LogFileSize(path), 0u);

  CWriteLogFile unset;
  unset.WriteLog(L".\\a.cpp", 4, L"lost");
  EXPECT_EQ(unset.LogFileSize(L""), 0u);
}

TEST(LogFile, NullSourceAndFormatStillGiveAWholeLine) {
  std::wstring path = TempPath(L"nulls.txt");
  DeleteFileW(path.c_str());
  CWriteLogFile log;
  log.SetLogFile(path, 1024);
  log.WriteLog(nullptr, 5, nullptr);
  std::vector<std::wstring> lines = LinesOfLog(ReadBytes(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(AfterStamp(lines[0]), L"[ 5]");
  DeleteFileW(path.c_str());
}
