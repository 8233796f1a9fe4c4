#pragma once
// How a worker reports: it queues a method of the main window with
// post_call. These never throw, so a worker can report from any path. A
// call that cannot be queued (no main window, no memory for the queue) is
// lost and its payload freed here.
//
// The queued methods are virtual and g_mainWnd is defined with these
// helpers, so the workers name the window's methods without linking the
// window's code: the program links the workers, never the other way round.
#include <string>

#include "app/MainWnd.h"

// A call without payload.
void QueueMainWndCall(CMainWnd::Method method) noexcept;
// A call whose payload is a new heap copy of text, which the method frees;
// when the copy cannot be made the call still goes, with a null payload.
void QueueMainWndText(CMainWnd::Method method, const std::wstring& text) noexcept;
void QueueMainWndText(CMainWnd::Method method, const std::string& text) noexcept;
