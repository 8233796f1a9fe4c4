#pragma once
// The program's own update: the decision on the version check's data, the
// prompt, the download on a worker, the check of the downloaded file's
// signature (in a build with an update key), and the hand-over to the
// downloaded copy, which replaces this program file and starts it again.
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
  // A build with an update key starts it only when the offer's signature
  // fits the file's bytes, and holds the file from the check until started.
  void on_update_downloaded(const std::wstring& path);
  void on_update_failed();

 private:
  CMainWnd& window_;
  // The offer's "file_sig": base64 of the update file's Ed25519 signature.
  std::string signature_;
};
