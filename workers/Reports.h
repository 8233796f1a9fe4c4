#pragma once
// How a worker reports to the main window: one function per report, each
// queuing the window's method of that name with its payload packed. They
// never throw, so a worker can report from any path. A report that cannot
// be queued (no main window) is dropped and its payload freed; a text that
// cannot be copied still goes, with no payload, since a start-up failure
// must still end the program.
#include <windows.h>

#include <string>

void ReportVersionReply(const std::string& replyText) noexcept;
void ReportFatalError(const std::wstring& message) noexcept;
void ReportConfigLoaded() noexcept;
void ReportArticlesLoaded() noexcept;
void ReportArticlesFailed(const std::wstring& message) noexcept;
void ReportAutoSignedIn() noexcept;
void ReportNoSavedSignIn() noexcept;
void ReportCodeSent() noexcept;
void ReportCodeFailed(const std::wstring& message) noexcept;
void ReportSignedIn() noexcept;
void ReportSignInFailed(const std::wstring& message) noexcept;
void ReportDownloadStatus(const std::wstring& status) noexcept;
void ReportDownloadFailed(const std::wstring& message) noexcept;
// The file list is in the queue: the window starts the download workers.
void ReportFileListReady() noexcept;
void ReportWorkerSpeed(DWORD threadId, double bytesPerSecond) noexcept;
void ReportDownloadWorkerDone(DWORD threadId) noexcept;
void ReportUpdateDownloaded(const std::wstring& path) noexcept;
void ReportUpdateFailed() noexcept;
