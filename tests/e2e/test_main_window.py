"""The main window's frame: Alt+F4 asks first, the window is dragged by its
background and labels but not by its buttons, and a double click does not
maximise it."""
import unittest

from orvane_e2e import MAIN_SIZE, ProgramTestCase, window_geometry, xdotool

TITLE = (60, 60)         # the title label "Orvane盒子"
BACKGROUND = (15, 460)   # empty background of the sign-in page, left of and below everything
CLOSE_BUTTON = (362, 36)


class MainWindowTest(ProgramTestCase):
    def open_sign_in_page(self):
        program = self.start_program()
        window = program.main_window()
        program.wait_text("请输入您的账号")
        return program, window

    def drag(self, window, start, distance):
        x, y, _, _ = window_geometry(window)
        xdotool("mousemove", x + start[0], y + start[1], "mousedown", "1")
        for step in range(1, 6):
            xdotool("mousemove", x + start[0] + distance[0] * step // 5, y + start[1] + distance[1] * step // 5)
        xdotool("mouseup", "1")

    def test_alt_f4_asks_before_closing(self):
        program, window = self.open_sign_in_page()
        program.key("alt+F4", window)
        program.answer_box("确定退出盒子吗", "取消")
        self.assertTrue(program.running())
        program.key("alt+F4", window)
        program.answer_box("确定退出盒子吗", "确定")
        self.assertEqual(program.wait_exit(), 0)

    def test_dragged_by_labels_and_background_not_by_buttons(self):
        program, window = self.open_sign_in_page()
        cases = [("title", TITLE, True), ("background", BACKGROUND, True), ("close button", CLOSE_BUTTON, False)]
        for name, point, moves in cases:
            with self.subTest(name):
                before = window_geometry(window)
                self.drag(window, point, (40, 30))
                after = window_geometry(window)
                moved = (after[0] - before[0], after[1] - before[1])
                self.assertEqual(moved, (40, 30) if moves else (0, 0))
                self.assertEqual(after[2:], MAIN_SIZE)
        self.assertFalse(program.has_drawn("确定退出盒子吗"))

    def test_double_click_does_not_maximise(self):
        program, window = self.open_sign_in_page()
        before = window_geometry(window)
        program.click(*BACKGROUND, window)
        xdotool("click", "--repeat", "2", "--delay", "80", "1")
        self.assertEqual(self.wine.main_window_state()["iconic"], 0)
        self.assertEqual(window_geometry(window), before)


if __name__ == "__main__":
    unittest.main()
