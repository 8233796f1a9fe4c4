#pragma once
// Points the program's log at a fresh file for one test and reads it back.
#include <string>
#include <vector>

class CTestLog {
 public:
  // A new empty log file in the temporary folder, named after the test.
  explicit CTestLog(const std::wstring& name);
  ~CTestLog();
  CTestLog(const CTestLog&) = delete;
  CTestLog& operator=(const CTestLog&) = delete;

  // The lines written so far, without their CR LF.
  std::vector<std::wstring> Lines() const;

 private:
  std::wstring path_;
};
