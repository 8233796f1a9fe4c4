#include "workers/GameLocator.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <list>
#include <vector>

#include "support/ComApartment.h"
#include "support/CriticalSection.h"
#include "support/FileSystem.h"
#include "support/Registry.h"
#include "support/WorkerStop.h"

std::wstring g_gameRoot;

namespace {

CCriticalSection g_gameRootLock;

const wchar_t kLauncherKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MirMLauncher.exe";
const wchar_t kShortcutName[] = L"\\MirM.lnk";
const wchar_t kScannedFolder[] = L"Wemade";
const wchar_t kGameFolder[] = L"\\MirM\\";

class CFindHandle {
 public:
  explicit CFindHandle(HANDLE handle) : handle_(handle) {}
  ~CFindHandle() {
    if (Valid()) FindClose(handle_);
  }
  CFindHandle(const CFindHandle&) = delete;
  CFindHandle& operator=(const CFindHandle&) = delete;

  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
  return path;
}

// The names of the visible, non-system subfolders of folder, in the order
// the listing gives them; none when the folder cannot be listed.
std::vector<std::wstring> VisibleSubfolders(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry = {};
  CFindHandle find(FindFirstFileW((folder + L"\\*.*").c_str(), &entry));
  if (!find.Valid()) return names;
  do {
    const DWORD skipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (entry.dwFileAttributes & skipped)) continue;
    std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find.Get(), &entry));
  return names;
}

bool IsScannedFolder(const std::wstring& name) { return _wcsicmp(name.c_str(), kScannedFolder) == 0; }

// Drive roots without their trailing backslash ("C:"), in the system's order.
std::vector<std::wstring> DriveRoots() {
  std::vector<std::wstring> roots;
  wchar_t buffer[512] = {};
  DWORD length = GetLogicalDriveStringsW(ARRAYSIZE(buffer) - 1, buffer);
  if (length == 0 || length >= ARRAYSIZE(buffer)) return roots;
  for (const wchar_t* drive = buffer; *drive; drive += wcslen(drive) + 1) {
    std::wstring root = drive;
    if (!root.empty() && root.back() == L'\\') root.pop_back();
    roots.push_back(root);
  }
  return roots;
}

std::wstring RegisteredRoot() {
  std::wstring launcher;
  RegistryRead(HKEY_LOCAL_MACHINE, kLauncherKey, L"", REG_SZ, launcher);
  if (launcher.empty()) return std::wstring();
  std::wstring root = RootAboveLauncher(launcher);
  // A quoted registration keeps its opening quote up to here; the closing
  // one went with the file name.
  if (root.find(L'"') != std::wstring::npos) root.erase(0, 1);
  return root;
}

std::wstring ShortcutRoot() {
  std::wstring shortcut = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + kShortcutName;
  if (!FileExists(shortcut)) shortcut = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + kShortcutName;
  CComApartment apartment;
  std::wstring target;
  if (!ShortcutTarget(shortcut, target)) return std::wstring();
  return RootAboveLauncher(target);
}

}  // namespace

std::wstring GameRoot() {
  CAutoLock lock(g_gameRootLock);
  return g_gameRoot;
}

void SetGameRoot(const std::wstring& root) {
  CAutoLock lock(g_gameRootLock);
  g_gameRoot = root;
}

std::wstring RootAboveLauncher(const std::wstring& launcherPath) {
  size_t fileSeparator = launcherPath.find_last_of(L"\\/");
  if (fileSeparator == std::wstring::npos || fileSeparator == 0) return std::wstring();
  size_t folderSeparator = launcherPath.find_last_of(L"\\/", fileSeparator - 1);
  if (folderSeparator == std::wstring::npos) return std::wstring();
  return launcherPath.substr(0, folderSeparator + 1);
}

std::wstring LocateGameRoot() {
  std::wstring root = RegisteredRoot();
  if (root.empty()) root = ShortcutRoot();
  if (root.empty()) root = ScanDrivesForGame();
  return root;
}

std::wstring ScanDrivesForGame() {
  // Each new candidate goes to the front: the last found is tried first.
  std::list<std::wstring> candidates;
  std::vector<std::wstring> levelOne;
  for (const std::wstring& drive : DriveRoots()) {
    for (const std::wstring& name : VisibleSubfolders(drive)) {
      if (IsScannedFolder(name)) {
        candidates.push_front(drive + L"\\" + name);
      } else {
        levelOne.push_back(drive + L"\\" + name);
      }
    }
  }
  for (const std::wstring& folder : levelOne) {
    // A scan of large drives is the locator's one long step.
    if (WorkerStopRequested()) return std::wstring();
    for (const std::wstring& name : VisibleSubfolders(folder)) {
      if (IsScannedFolder(name)) candidates.push_front(folder + L"\\" + name);
    }
  }
  for (const std::wstring& candidate : candidates) {
    if (FileExists(candidate + kGameFolder)) return candidate + kGameFolder;
  }
  return std::wstring();
}
