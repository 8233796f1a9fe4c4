#pragma once
// The real main window from main.xml for the page tests, with the workers
// its steps start stopped at once and what they queued dropped, so a test
// decides what the window hears next. Message boxes it opens are answered
// with OK and their texts noted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainWnd.h"
#include "app/MsgBoxWnd.h"
#include "tests/common/ShortDelays.h"
#include "tests/ui/SkinTestFiles.h"
#include "tests/ui/TestSkinWindow.h"
#include "ui/ControlUI.h"
#include "workers/CallPayload.h"

// Texts of the message boxes answered so far.
inline std::vector<std::wstring>& AnsweredBoxes() {
  static std::vector<std::wstring> texts;
  return texts;
}

// Runs inside a message box's modal loop: notes its text and presses OK.
inline void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = ::FindWindowW(L"CMsgBoxWnd", nullptr);
  if (!box || !::IsWindowVisible(box)) return;
  auto* messageBox = dynamic_cast<CMsgBoxWnd*>(
      reinterpret_cast<ui::CNativeWindow*>(::GetWindowLongPtrW(box, GWLP_USERDATA)));
  if (!messageBox) return;
  if (ui::CControlUI* text = messageBox->manager().find_control(L"msgbox_text")) {
    AnsweredBoxes().push_back(text->text());
  }
  messageBox->close(1);
}

class MainWindowFixture : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterPackedSkinArchive(archive_)) << "build/skin.zip is missing";
    ASSERT_TRUE(window_.create_main_window());
    window_.show();
    ASSERT_TRUE(TestSkinWindow::pump_until(
        [&] { return control(L"maintab") && window_.manager().offscreen().ok(); }));
    StopWorkers();
    AnsweredBoxes().clear();
    timer_ = ::SetTimer(nullptr, 0, 50, &AnswerBoxes);
  }
  void TearDown() override {
    ::KillTimer(nullptr, timer_);
    StopWorkers();
    if (window_.hwnd()) ::DestroyWindow(window_.hwnd());
    ui::reset_skin_sources();
  }

  void StopWorkers() {
    window_.threads().TerminateAll();
    DropQueuedCalls(window_);
  }

  ui::CControlUI* control(const wchar_t* name) { return window_.manager().find_control(name); }

  // The program's fixed waits run short.
  CShortDelays delays_;
  Bytes archive_;
  CMainWnd window_;
  UINT_PTR timer_ = 0;
};
