"""One program at a time: a second start brings the running window to the
front and ends with 0 without writing to the log."""
import os
import subprocess
import tempfile
import time
import unittest

from orvane_e2e import MAIN_SIZE, SETTINGS_KEY, ProgramTestCase, wait_until, windows_of_size

HOLDER = os.environ["ORVANE_HOLD_SEMAPHORE"]
MIN_BUTTON = (332, 33)


class SingleInstanceTest(ProgramTestCase):
    def second_start_ends_quietly(self):
        lines = self.wine.log_lines()
        second = self.start_program()
        self.assertEqual(second.wait_exit(30), 0)
        self.assertEqual(self.wine.log_lines(), lines)

    def test_second_start_restores_a_minimised_window(self):
        self.wine.reg_add(SETTINGS_KEY, "token2", "100001")
        first = self.start_program()
        window = first.main_window()
        first.wait_text("开始下载")
        first.click(*MIN_BUTTON, window)
        wait_until("the window to be minimised", lambda: self.wine.main_window_state().get("iconic") == 1, 10)
        self.second_start_ends_quietly()
        wait_until("the first window to be restored", lambda: self.wine.main_window_state().get("iconic") == 0, 10)
        self.assertEqual(windows_of_size(MAIN_SIZE), [window])
        self.assertTrue(first.running())

    def test_second_start_while_a_message_box_shows(self):
        first = self.start_program()
        window = first.main_window()
        first.wait_text("请输入您的账号")
        first.click(362, 36, window)
        box = first.message_box()
        first.wait_text("确定退出盒子吗")
        self.second_start_ends_quietly()
        self.assertEqual(windows_of_size(MAIN_SIZE), [window])
        first.click_text("取消", box)
        wait_until("the box to close", lambda: box not in [w for w in windows_of_size((330, 200))], 10)
        self.assertTrue(first.running())
        self.close_by_button(first, window)
        self.assertEqual(first.wait_exit(), 0)

    def test_semaphore_without_a_window_does_not_stop_a_start(self):
        with tempfile.TemporaryFile() as said:
            holder = subprocess.Popen(self.wine.program_command(HOLDER), stdin=subprocess.PIPE, stdout=said,
                                      stderr=subprocess.DEVNULL, env=self.wine.env())
            try:
                def holding():
                    said.seek(0)
                    return b"holding" in said.read()
                wait_until("the semaphore to be held", holding, 30)
                program = self.start_program()
                window = program.main_window()
                program.wait_text("请输入您的账号")
                self.close_by_button(program, window)
                self.assertEqual(program.wait_exit(), 0)
            finally:
                holder.stdin.close()
                holder.wait(30)

    def test_start_raises_the_window_of_a_start_a_moment_ahead(self):
        # The semaphore is held and the other start's window comes 2 s later:
        # this start waits for it, raises it and ends, opening none.
        with tempfile.TemporaryFile() as said:
            holder = subprocess.Popen(self.wine.program_command(HOLDER, "--window-after", "2000"),
                                      stdin=subprocess.PIPE, stdout=said, stderr=subprocess.DEVNULL,
                                      env=self.wine.env())
            try:
                def has_said(word):
                    said.seek(0)
                    return word in said.read()
                wait_until("the semaphore to be held", lambda: has_said(b"holding"), 30)
                program = self.start_program()
                self.assertEqual(program.wait_exit(), 0)
                self.assertTrue(has_said(b"window"))
                self.assertEqual(windows_of_size(MAIN_SIZE), [])
            finally:
                holder.stdin.close()
                holder.wait(30)

    def test_two_starts_in_quick_succession_give_one_window(self):
        # Two real starts as a double click makes them: whichever finds the
        # semaphore held raises the other's window, whether that window is
        # there already or comes a moment later (the test above pins the
        # second case down).
        first = self.start_program()
        time.sleep(0.3)
        second = self.start_program()
        ended = wait_until("one of the two starts to end",
                           lambda: next((p for p in (first, second) if not p.running()), None), 30)
        kept = second if ended is first else first
        self.assertEqual(ended.wait_exit(), 0)
        window = kept.main_window()
        kept.wait_text("请输入您的账号")
        time.sleep(1)
        self.assertEqual(windows_of_size(MAIN_SIZE), [window])
        self.assertTrue(kept.running())
        self.close_by_button(kept, window)
        self.assertEqual(kept.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
