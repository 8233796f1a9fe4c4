#pragma once
// The usage report: one signed call that only informs the service.

// Sent when the user starts a game download.
constexpr unsigned kReportDownloadStarted = 100000;

// Worker function; its argument is not a pointer but the report code itself
// (an unsigned integer of pointer width). The reply is ignored and nothing
// is queued back: a report that fails on both hosts is lost.
void ReportWorker(void* argument);
