#pragma once
// Finds the folder where the game is installed: the launcher's registration,
// then the game's desktop shortcut, then a shallow scan of every drive.
#include <string>

// The game root with a trailing backslash, empty until a run has found it.
// Written by the download coordinator while download workers of an earlier
// run may still be reading it, so it is read and written only through
// GameRoot and SetGameRoot.
extern std::wstring g_gameRoot;
std::wstring GameRoot();
void SetGameRoot(const std::wstring& root);

// The first place that names a folder: the registration, the shortcut (COM
// is started on the calling thread around its resolution), the drive scan.
// Whether that folder exists is not tested; empty when nothing was found.
std::wstring LocateGameRoot();

// Looks for a folder named "Wemade" (any case) at the top of every drive and
// one level below, and returns the first holding "MirM\\", trying the last
// found first: "<candidate>\\MirM\\", or empty.
std::wstring ScanDrivesForGame();

// The game root for a launcher path: the launcher's file name and its own
// folder dropped, the separator kept ("C:\\G\\MirM\\Launcher\\L.exe" gives
// "C:\\G\\MirM\\"); empty when the path has fewer than two separators.
std::wstring RootAboveLauncher(const std::wstring& launcherPath);
