#pragma once
#include <windows.h>

#include <string>

// The part after the last "/" or "\\", or the whole path without either.
std::wstring FileNameOfPath(const std::wstring& path);
// Drive and folder of the module's file (null: the program), ending in "\\".
std::wstring ModuleDirectory(HMODULE module);
// The user's temporary folder ending in "\\", or empty when the system gives
// none that fits a path buffer.
std::wstring TempFolder();
