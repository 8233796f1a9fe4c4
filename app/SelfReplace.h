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

// Copies source over target. While the target is still in use (the old
// program has not ended yet) the copy is tried again until budgetMs have
// passed; each failed attempt is written to the log. True once copied.
bool CopyOverRunningProgram(const std::wstring& source, const std::wstring& target, DWORD budgetMs);

// The whole run: wait for the old program to end, copy this file over it,
// start it. Arguments without a target do nothing.
void RunSelfReplace(const std::wstring& arguments);
