#pragma once
// Downloading the program's new version into the temporary folder, and the
// arguments that make that copy replace the running program file.
#include <string>

// The full path of the running program's file; empty on failure.
std::wstring ProgramFilePath();
// The temporary folder followed by the file name of programPath.
std::wstring UpdateDownloadPath(const std::wstring& programPath);
// "update '" + programPath + "'": started with these, the downloaded copy
// copies itself over programPath and starts it.
std::wstring SelfReplaceArguments(const std::wstring& programPath);

// Worker function; its argument is a std::string, owned by the thread
// manager, holding the URL of the new program file. Only a whole, non-empty file is
// reported, with on_update_downloaded and its path; anything else leaves no
// file and queues on_update_failed.
void SelfUpdateWorker(void* url);
