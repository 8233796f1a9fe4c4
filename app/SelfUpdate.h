#pragma once
// The program's own update: the decision on the version check's data, the
// prompt, the download on a worker, and the hand-over to the downloaded
// copy, which replaces this program file and starts it again.
#include <string>

class CMainWnd;

class CSelfUpdate {
 public:
  explicit CSelfUpdate(CMainWnd& window) : window_(window) {}

  // True when the data offers a newer version: the user is asked, and the
  // program then either updates or ends. False: the start-up goes on.
  bool offer_update(const std::string& versionData);
  void start_self_update(const std::string& url);
  // The whole new program file is at path: start it to replace this one.
  void on_update_downloaded(const std::wstring& path);
  void on_update_failed();

 private:
  CMainWnd& window_;
};
