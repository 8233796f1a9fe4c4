// Stands in for the browser in the end-to-end tests: registered as the
// shell's handler of http and https, it appends the URL it was asked to
// open to a file, so a test reads which page the program opened.
//
// Command line: url_recorder.exe "RECORD FILE" "URL"
//
// Registration: the default value of
// HKLM\Software\Classes\{http,https}\shell\open\command, set to
//   "<this program>" "<record file>" "%1"
// ShellExecuteW(L"open", url) under Wine 8 reads HKEY_CLASSES_ROOT, which
// is that key alone; the same command under HKCU\Software\Classes is not
// consulted there and the URL goes to winebrowser (the prefix's default).
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
  }
  return out;
}

bool AppendLine(const std::wstring& file, const std::wstring& url) {
  // Appends are atomic per write, so two openings at once give two lines.
  HANDLE out = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  const std::string line = Utf8(url) + "\n";
  DWORD written = 0;
  const bool ok = WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                  written == line.size();
  CloseHandle(out);
  return ok;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return 2;
  const int result = count == 3 && AppendLine(args[1], args[2]) ? 0 : 1;
  LocalFree(args);
  return result;
}
