#pragma once
// The run of the program that finishes an update: started from the
// temporary folder with "update '<path>'", it copies its own file over the
// program at <path> and starts that. No window, no single-instance lock.
#include <windows.h>

#include <string>

// Any argument text containing "update" asks for this run.
bool IsSelfReplaceRun(const std::wstring& arguments);
// The text strictly between the first and the last apostrophe; false when
// there are fewer than two.
bool SelfReplaceTarget(const std::wstring& arguments, std::wstring& target);

// Whether target may be replaced by the program at ownPath: an existing file
// of the same file name (the updater names its download after the program it
// replaces), so no other file can be overwritten with the program.
bool IsReplaceableTarget(const std::wstring& ownPath, const std::wstring& target);

// Told of each failed copy: the system error and the time since the first try.
typedef void (*CopyFailureReport)(const std::wstring& target, DWORD error, DWORD elapsedMs);

// Copies source over target. While the target is still in use (the old
// program has not ended yet) the copy is tried again until budgetMs have
// passed; every failed attempt is reported. True once copied.
bool CopyOverRunningProgram(const std::wstring& source, const std::wstring& target, DWORD budgetMs,
                            CopyFailureReport report);

// The whole run: wait for the old program to end, copy this file over it
// (logging each failed attempt), start it. Arguments without a target, or
// with one that is not a copy of this program, do nothing.
void RunSelfReplace(const std::wstring& arguments);
