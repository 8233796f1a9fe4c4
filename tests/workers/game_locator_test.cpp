// Finding the game: the launcher's registration in the registry, the desktop
// shortcuts and the drive scan, on real keys, shortcut files and extra drive
// letters of the test prefix.
#include "workers/GameLocator.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/FileSystem.h"
#include "support/ScopedHandles.h"
#include "tests/common/TestLog.h"
#include "tests/workers/GameInstallLock.h"
#include "tests/workers/RecordingCalls.h"
#include "workers/DownloadWorkers.h"

namespace {

const wchar_t kLauncherKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MirMLauncher.exe";

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Starts a program of the host system: Wine runs non-Windows programs
// directly, but gives no handle to wait on, so callers watch for the effect.
bool StartHostCommand(const std::wstring& commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  return true;
}

bool WaitUntilExists(const std::wstring& path, bool exists) {
  for (int i = 0; i < 200; ++i) {
    if (FileExists(path) == exists) return true;
    Sleep(50);
  }
  return false;
}

// An extra drive letter for one test, backed by a fresh host folder: the
// prefix's dosdevices link makes its paths work, and a DOS device
// definition makes the running Wine list it among the logical drives.
class CTestDrive {
 public:
  explicit CTestDrive(wchar_t letter) : letter_(letter) {
    static int instances = 0;
    std::string host = "/tmp/orvane-drive-" + std::string(1, static_cast<char>(letter)) + "-" +
                       std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++instances);
    hostFolder_ = Widen(host);
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix || !*prefix) return;
    link_ = Widen(std::string(prefix) + "/dosdevices/" + static_cast<char>(letter - 'A' + 'a') + ":");
    // A hidden file, so the scans under test pass it by.
    const std::wstring marker = L"Z:" + HostToWindows(hostFolder_) + L"\\.orvane-drive";
    ok_ = CreateDirectoryTree(L"Z:" + HostToWindows(hostFolder_)) && WriteMarker(marker) &&
          StartHostCommand(L"Z:\\bin\\ln -sfn " + hostFolder_ + L" " + link_) &&
          WaitUntilExists(Marker(), true) &&
          DefineDosDeviceW(0, Device().c_str(), (L"Z:" + HostToWindows(hostFolder_)).c_str());
  }
  ~CTestDrive() {
    while (DefineDosDeviceW(DDD_REMOVE_DEFINITION, Device().c_str(), nullptr)) {
    }
    if (!link_.empty() && StartHostCommand(L"Z:\\bin\\rm -f " + link_)) WaitUntilExists(Marker(), false);
    DeleteTree(L"Z:" + HostToWindows(hostFolder_));
  }
  CTestDrive(const CTestDrive&) = delete;
  CTestDrive& operator=(const CTestDrive&) = delete;

  bool Ready() const { return ok_; }
  // "K:" followed by a relative path ("K:\\Wemade").
  std::wstring operator/(const std::wstring& relative) const { return Device() + L"\\" + relative; }

 private:
  static std::wstring HostToWindows(std::wstring path) {
    for (wchar_t& c : path) {
      if (c == L'/') c = L'\\';
    }
    return path;
  }
  static bool WriteMarker(const std::wstring& path) {
    CScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return file.Valid();
  }
  std::wstring Device() const { return std::wstring(1, letter_) + L":"; }
  std::wstring Marker() const { return Device() + L"\\.orvane-drive"; }

  wchar_t letter_;
  std::wstring hostFolder_;
  std::wstring link_;
  bool ok_ = false;
};

// A 32-bit installer's registration lands in the 32-bit view, a 64-bit one's
// in the 64-bit view; the views are named so either build sees the same.
enum class RegistryView { Only32, Only64 };

bool WriteRegistration(const std::wstring& launcher, RegistryView view) {
  REGSAM access = KEY_SET_VALUE | (view == RegistryView::Only64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
  CScopedRegKey key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLauncherKey, 0, nullptr, 0, access, nullptr, key.Receive(), nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD bytes = static_cast<DWORD>((launcher.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(launcher.c_str()), bytes) ==
         ERROR_SUCCESS;
}

void DeleteRegistration() {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kLauncherKey, KEY_WOW64_64KEY, 0);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kLauncherKey, KEY_WOW64_32KEY, 0);
}

std::wstring DesktopShortcut(int csidl) {
  wchar_t folder[MAX_PATH] = {};
  // A fresh prefix may not have made the folder yet.
  SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::wstring(folder) + L"\\MirM.lnk";
}

bool WriteShortcut(const std::wstring& lnkPath, const std::wstring& target) {
  CComPtrOwner<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.ReceiveVoid()))) {
    return false;
  }
  CComPtrOwner<IPersistFile> file;
  return SUCCEEDED(link->SetPath(target.c_str())) &&
         SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) &&
         SUCCEEDED(file->Save(lnkPath.c_str(), TRUE));
}

// A launcher file inside a game folder of the drive: <drive>\<folder>\MirM\Launcher\MirMLauncher.exe.
std::wstring MakeLauncher(const CTestDrive& drive, const std::wstring& folder) {
  std::wstring launcherFolder = drive / (folder + L"\\MirM\\Launcher");
  CreateDirectoryTree(launcherFolder);
  std::wstring launcher = launcherFolder + L"\\MirMLauncher.exe";
  HANDLE file = CreateFileW(launcher.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(file);
  return launcher;
}

class GameLocatorTest : public testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(lock_.Owned());
    Clean();
    ASSERT_TRUE(driveK_.Ready());
    ASSERT_TRUE(driveL_.Ready());
  }
  void TearDown() override {
    Clean();
    CoUninitialize();
  }
  static void Clean() {
    DeleteRegistration();
    DeleteFileW(DesktopShortcut(CSIDL_DESKTOPDIRECTORY).c_str());
    DeleteFileW(DesktopShortcut(CSIDL_COMMON_DESKTOPDIRECTORY).c_str());
  }

  // Runs the coordinator up to where the game decides the run, and returns
  // what it queued.
  std::vector<TakenCall> RunCoordinator() {
    CRecordingCalls window;
    LocateAndListWorker(nullptr);
    return window.TakeCalls();
  }

  CGameInstallLock lock_;
  CTestDrive driveK_{L'K'};
  CTestDrive driveL_{L'L'};
};

TEST_F(GameLocatorTest, RegistrationGivesTheFolderAboveTheLauncherWithoutLookingFurther) {
  struct Case {
    const wchar_t* registration;
    RegistryView view;
  } cases[] = {
      {L"D:\\Wemade\\MirM\\Launcher\\MirMLauncher.exe", RegistryView::Only32},
      {L"\"D:\\Wemade\\MirM\\Launcher\\MirMLauncher.exe\"", RegistryView::Only32},
      {L"D:\\Wemade\\MirM\\Launcher\\MirMLauncher.exe", RegistryView::Only64},
  };
  // Found by the shortcut and by the scan, if either were asked.
  ASSERT_TRUE(WriteShortcut(DesktopShortcut(CSIDL_DESKTOPDIRECTORY), MakeLauncher(driveK_, L"Wemade")));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "registration " << testing::PrintToString(c.registration));
    DeleteRegistration();
    ASSERT_TRUE(WriteRegistration(c.registration, c.view));
    EXPECT_EQ(LocateGameRoot(), L"D:\\Wemade\\MirM\\");
  }
}

TEST_F(GameLocatorTest, CurrentUserShortcutWinsOverTheAllUsersOne) {
  const std::wstring userShortcut = DesktopShortcut(CSIDL_DESKTOPDIRECTORY);
  const std::wstring commonShortcut = DesktopShortcut(CSIDL_COMMON_DESKTOPDIRECTORY);
  ASSERT_NE(userShortcut, commonShortcut);
  ASSERT_TRUE(WriteShortcut(userShortcut, MakeLauncher(driveK_, L"U")));
  ASSERT_TRUE(WriteShortcut(commonShortcut, MakeLauncher(driveL_, L"A")));
  EXPECT_EQ(LocateGameRoot(), driveK_ / L"U\\MirM\\");

  ASSERT_TRUE(DeleteFileW(userShortcut.c_str()));
  EXPECT_EQ(LocateGameRoot(), driveL_ / L"A\\MirM\\");
}

TEST_F(GameLocatorTest, DriveScanOrderAndSkippedFolders) {
  struct Folder {
    const CTestDrive* drive;
    const wchar_t* path;  // made with every parent
    bool hidden;          // the last element of path is hidden
  };
  struct Case {
    const char* name;
    std::vector<Folder> folders;
    std::wstring expected;
  } cases[] = {
      {"a drive whose only folder is Wemade", {{&driveK_, L"Wemade\\MirM", false}}, driveK_ / L"Wemade\\MirM\\"},
      {"any case of the name", {{&driveK_, L"WEMADE\\MirM", false}}, driveK_ / L"WEMADE\\MirM\\"},
      {"level 2 of the later drive before level 1 of the earlier",
       {{&driveK_, L"Wemade\\MirM", false}, {&driveL_, L"Games\\Wemade\\MirM", false}},
       driveL_ / L"Games\\Wemade\\MirM\\"},
      {"level 2 before level 1 of a later drive",
       {{&driveK_, L"Games\\Wemade\\MirM", false}, {&driveL_, L"Wemade\\MirM", false}},
       driveK_ / L"Games\\Wemade\\MirM\\"},
      {"later drive first at the same level",
       {{&driveK_, L"Wemade\\MirM", false}, {&driveL_, L"Wemade\\MirM", false}},
       driveL_ / L"Wemade\\MirM\\"},
      {"later folder first on one drive",
       {{&driveK_, L"A\\Wemade\\MirM", false}, {&driveK_, L"B\\Wemade\\MirM", false}},
       driveK_ / L"B\\Wemade\\MirM\\"},
      {"a hidden Wemade is not a candidate",
       {{&driveK_, L"Wemade\\MirM", false}, {&driveL_, L"Games\\Wemade", true}, {&driveL_, L"Games\\Wemade\\MirM", false}},
       driveK_ / L"Wemade\\MirM\\"},
      {"a hidden folder is not searched",
       {{&driveK_, L"Wemade\\MirM", false}, {&driveL_, L"Games", true}, {&driveL_, L"Games\\Wemade\\MirM", false}},
       driveK_ / L"Wemade\\MirM\\"},
      {"Wemade without MirM is passed over",
       {{&driveK_, L"Wemade\\MirM", false}, {&driveL_, L"Games\\Wemade\\Other", false}},
       driveK_ / L"Wemade\\MirM\\"},
      {"level 3 is not searched", {{&driveK_, L"A\\B\\Wemade\\MirM", false}}, L""},
      {"nothing at all", {}, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const CTestDrive* drive : {&driveK_, &driveL_}) {
      for (const wchar_t* top : {L"Wemade", L"WEMADE", L"Games", L"A", L"B"}) DeleteTree(*drive / top);
    }
    for (const Folder& folder : c.folders) {
      std::wstring path = *folder.drive / folder.path;
      ASSERT_TRUE(CreateDirectoryTree(path));
      if (folder.hidden) {
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
      }
    }
    EXPECT_EQ(ScanDrivesForGame(), c.expected);
    // With nothing registered and no shortcut the scan decides.
    EXPECT_EQ(LocateGameRoot(), c.expected);
  }
}

TEST_F(GameLocatorTest, StaleRegistrationEndsTheRunEvenWithAShortcut) {
  CTestLog log(L"locator-stale");
  ASSERT_TRUE(WriteRegistration(driveK_ / L"Gone\\MirM\\Launcher\\MirMLauncher.exe", RegistryView::Only32));
  ASSERT_TRUE(WriteShortcut(DesktopShortcut(CSIDL_DESKTOPDIRECTORY), MakeLauncher(driveL_, L"Wemade")));
  std::vector<TakenCall> calls = RunCoordinator();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].name, "on_download_status");
  EXPECT_EQ(calls[0].text, L"查找游戏启动器");
  EXPECT_EQ(calls[1].name, "on_download_failed");
  EXPECT_EQ(calls[1].text, L"未找到此启动器，无法继续安装");
  std::vector<std::wstring> lines = log.Lines();
  // One entry of time and source only.
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].back(), L']') << lines[0];
}

TEST_F(GameLocatorTest, FoundRootIsKeptForTheRun) {
  CTestLog log(L"locator-found");
  const std::wstring launcher = MakeLauncher(driveK_, L"Wemade");
  ASSERT_TRUE(WriteRegistration(launcher, RegistryView::Only32));
  SetGameRoot(L"earlier");
  std::vector<TakenCall> calls = RunCoordinator();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].text, L"查找游戏启动器");
  EXPECT_EQ(GameRoot(), driveK_ / L"Wemade\\MirM\\");

  DeleteRegistration();
  DeleteTree(driveK_ / L"Wemade");
  calls = RunCoordinator();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].text, L"未找到此启动器，无法继续安装");
  EXPECT_EQ(GameRoot(), driveK_ / L"Wemade\\MirM\\");
}

}  // namespace
