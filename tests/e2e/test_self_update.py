"""The self-update, end to end: the outdated program downloads the new
version, hands over to it, and the new one replaces and restarts it."""
import os
import unittest

from orvane_e2e import (MAIN_SIZE, PROGRAM, PROGRAM_NEXT, ProgramTestCase, program_processes, wait_until,
                        windows_of_size)

VERSION = "/Speed/Config/checkVersion"
CONFIG = "/Speed/Config/getConfig"
PROMPT = "发现新版本，请更新后使用！"
FAILED = "更新失败，请去官网重新下载！"
CLOSE_QUESTION = "确定退出盒子吗"


def read(path):
    with open(path, "rb") as f:
        return f.read()


def file_is(path, data):
    return os.path.exists(path) and read(path) == data


class SelfUpdateTest(ProgramTestCase):
    def setUp(self):
        super().setUp()
        self.installed = self.install_copy("orvane-e2e/update")
        self.old_bytes = read(PROGRAM)
        self.new_bytes = read(PROGRAM_NEXT)
        self.assertNotEqual(self.old_bytes, self.new_bytes)
        self.downloaded = os.path.join(self.wine.temp_dir(), "OrvaneBox.exe")

    def offer(self, file_path):
        self.demo.set(version={"check_code": "5", "file_url": self.demo.files_url + file_path})

    def start_installed(self):
        return self.start_program(self.wine.windows_path(self.installed))

    def test_accepted_update_replaces_the_program_and_starts_the_new_version(self):
        self.demo.put_file("update/OrvaneBox.exe", self.new_bytes)
        self.offer("update/OrvaneBox.exe")
        program = self.start_installed()
        window = program.main_window()
        box = program.message_box()
        program.wait_text(PROMPT)
        program.screenshot("update-prompt", window)
        program.click_text("开始更新", box)
        self.assertEqual(program.wait_exit(60), 0)
        wait_until("the program file to be the new version", lambda: file_is(self.installed, self.new_bytes), 30)
        self.assertTrue(file_is(self.downloaded, self.new_bytes))
        # The new version, started at the old place, passes its own check.
        new_window = wait_until("the new version's window", lambda: next(iter(windows_of_size(MAIN_SIZE)), None),
                                30)
        def checked_then_configured():
            paths = self.demo.api_paths()
            second_check = [i for i, path in enumerate(paths) if path == VERSION][1:2]
            return second_check and CONFIG in paths[second_check[0]:]
        wait_until("the new version's version check and configuration", checked_then_configured, 30)
        self.assertTrue(any(line.endswith("当前版本：5") for line in self.wine.log_lines()))
        self.assertFalse(program.has_drawn(CLOSE_QUESTION))
        self.close_by_button(program, new_window)
        wait_until("the new version to end", lambda: not program_processes(), 30)

    def test_failed_download_leaves_no_file_and_ends(self):
        for name, file_path in (("missing file", "update/missing.exe"), ("cut short", "cut/OrvaneBox.exe"),
                                ("not a program", "update/NotAProgram.exe")):
            with self.subTest(name):
                self.demo.reset()
                # A whole file that is no program downloads fine but cannot start.
                self.demo.put_file("update/NotAProgram.exe", b"not a program\n" * 70000)
                self.offer(file_path)
                program = self.start_installed()
                program.answer_box(PROMPT, "开始更新")
                program.answer_box(FAILED, "确定")
                self.assertEqual(program.wait_exit(), 0)
                self.assertTrue(file_is(self.installed, self.old_bytes))
                self.assertFalse(os.path.exists(self.downloaded))
                self.assertNotIn(CONFIG, self.demo.api_paths())

    def test_declined_update_ends_at_once(self):
        self.demo.put_file("update/OrvaneBox.exe", self.new_bytes)
        self.offer("update/OrvaneBox.exe")
        program = self.start_installed()
        program.answer_box(PROMPT, "退出程序")
        self.assertEqual(program.wait_exit(10), 0)
        self.assertEqual(self.demo.api_paths(), [VERSION])
        self.assertFalse(os.path.exists(self.downloaded))


if __name__ == "__main__":
    unittest.main()
