#pragma once
// The program's one log: a UTF-16LE text file of time-stamped lines with a
// size cap. Any thread may write; a line that cannot be written is dropped.
#include "support/CriticalSection.h"

#include <string>

class CWriteLogFile {
 public:
  CWriteLogFile();
  virtual ~CWriteLogFile();
  CWriteLogFile(const CWriteLogFile&) = delete;
  CWriteLogFile& operator=(const CWriteLogFile&) = delete;

  // Chooses the file and its cap; an existing file over the cap, or empty,
  // is deleted so the log starts afresh.
  void SetLogFile(const std::wstring& path, int limitKb);
  // One line of wide printf-style text ("%s" takes a wide string), cut to
  // 10239 characters.
  void WriteLog(const wchar_t* source, int line, const wchar_t* format, ...);
  // One line of the text exactly as given, whatever its length.
  void WriteLogText(const wchar_t* source, int line, const std::wstring& text);
  // The same for UTF-8 text, such as a service's reply.
  void WriteLogUtf8(const wchar_t* source, int line, const std::string& text);
  // The file's length in bytes, or 0 when it cannot be opened.
  unsigned long LogFileSize(const std::wstring& path);

 private:
  void AppendLine(const std::wstring& line);

  std::wstring path_;
  int limitKb_ = 0;
  CCriticalSection lock_;
};

extern CWriteLogFile g_logFile;

// The calling unit's tag, ".\\" and its file name, as the log shows it.
#define ORVANE_LOG_SOURCE (L".\\" __FILE_NAME__)
#define LOG_LINE(format, ...) g_logFile.WriteLog(ORVANE_LOG_SOURCE, __LINE__, format, ##__VA_ARGS__)
#define LOG_TEXT(text) g_logFile.WriteLogText(ORVANE_LOG_SOURCE, __LINE__, text)
// A reply the program could not use, logged as it came.
#define LOG_REPLY(utf8Text) g_logFile.WriteLogUtf8(ORVANE_LOG_SOURCE, __LINE__, utf8Text)
