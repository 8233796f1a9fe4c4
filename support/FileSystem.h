#pragma once
// File-system and shell helpers. Failures are results; nothing is shown.
#include <string>

// True when the folder exists afterwards; safe when several threads create
// overlapping trees at once.
bool CreateDirectoryTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool FileAccessible(const std::wstring& path);
// The file's bytes up to its first zero byte; empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);
// Deletes a file or folder tree silently (not to the recycle bin); the
// shell's result, 0 on success.
int DeleteTree(const std::wstring& path);
// Needs COM initialised on the calling thread.
bool ShortcutTarget(const std::wstring& lnkPath, std::wstring& out);
