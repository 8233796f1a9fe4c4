"""The self-update, end to end: the outdated program downloads the new
version, checks its signature (the test build has the demo update key),
hands over to it, and the new one replaces and restarts it."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from orvane_e2e import (MAIN_SIZE, PROGRAM, PROGRAM_NEXT, PROGRAM_OPEN, SOURCE_DIR, ProgramTestCase,
                        program_processes, wait_until, windows_of_size)

sys.path.insert(0, os.path.join(SOURCE_DIR, "tools", "demo"))
import sign_update  # noqa: E402  (the release's signing tool, from the demo folder)

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


def one_byte_changed(program):
    """The program with one letter of its DOS stub changed: still a program
    that would start, so only the signature tells it apart."""
    at = program.index(b"DOS mode")
    return program[:at] + b"d" + program[at + 1:]


class SelfUpdateTest(ProgramTestCase):
    def setUp(self):
        super().setUp()
        self.scratch = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.scratch)
        self.new_bytes = read(PROGRAM_NEXT)
        self.downloaded = os.path.join(self.wine.temp_dir(), "OrvaneBox.exe")
        self.install(PROGRAM)

    def install(self, source):
        """A fresh case: source installed as the program, the service reset,
        no earlier download or log in the temporary folder."""
        self.demo.reset()
        for path in (self.downloaded, self.wine.log_path()):
            if os.path.exists(path):
                os.remove(path)
        self.installed = self.install_copy("orvane-e2e/update", source)
        self.old_bytes = read(source)
        self.assertNotEqual(self.old_bytes, self.new_bytes)

    def signed(self, data, key=sign_update.DEFAULT_KEY):
        """The base64 signature of data, as a release signs its file."""
        path = os.path.join(self.scratch, "signed.bin")
        with open(path, "wb") as f:
            f.write(data)
        return sign_update.sign_file(path, key)

    def offer(self, file_path, signature=None):
        version = {"check_code": "5", "file_url": self.demo.files_url + file_path}
        if signature is not None:
            version["file_sig"] = signature
        self.demo.set(version=version)

    def start_installed(self):
        return self.start_program(self.wine.windows_path(self.installed))

    def test_accepted_update_replaces_the_program_and_starts_the_new_version(self):
        # A build with the update key takes the update signed; a build
        # without one takes it unsigned, as programs always did.
        cases = (("signed", PROGRAM, self.signed(self.new_bytes)), ("no key built in", PROGRAM_OPEN, None))
        for name, source, signature in cases:
            with self.subTest(name):
                self.install(source)
                self.demo.put_file("update/OrvaneBox.exe", self.new_bytes)
                self.offer("update/OrvaneBox.exe", signature)
                program = self.start_installed()
                window = program.main_window()
                box = program.message_box()
                program.wait_text(PROMPT)
                program.screenshot("update-prompt-" + name.replace(" ", "-"), window)
                program.click_text("开始更新", box)
                self.assertEqual(program.wait_exit(60), 0)
                wait_until("the program file to be the new version", lambda: file_is(self.installed, self.new_bytes),
                           30)
                self.assertTrue(file_is(self.downloaded, self.new_bytes))
                # The new version, started at the old place, passes its own check.
                new_window = wait_until("the new version's window",
                                        lambda: next(iter(windows_of_size(MAIN_SIZE)), None), 30)

                def checked_then_configured():
                    paths = self.demo.api_paths()
                    second_check = [i for i, path in enumerate(paths) if path == VERSION][1:2]
                    return second_check and CONFIG in paths[second_check[0]:]
                wait_until("the new version's version check and configuration", checked_then_configured, 30)
                self.assertTrue(any(line.endswith("当前版本：5") for line in self.wine.log_lines()))
                self.assertFalse(program.has_drawn(CLOSE_QUESTION))
                self.close_by_button(program, new_window)
                wait_until("the new version to end", lambda: not program_processes(), 30)

    def test_update_that_is_not_started_leaves_no_file_and_ends(self):
        other_key = os.path.join(self.scratch, "other-update-key.pem")
        subprocess.run(["openssl", "genpkey", "-algorithm", "ed25519", "-out", other_key], check=True, timeout=60,
                       stdin=subprocess.DEVNULL, capture_output=True)
        not_a_program = b"not a program\n" * 70000
        changed = one_byte_changed(self.new_bytes)
        signature = self.signed(self.new_bytes)
        # name, the file served at update/OrvaneBox.exe, the URL path offered,
        # its signature, what the log says of the file (None: a failed download).
        cases = (
            ("missing file", self.new_bytes, "update/missing.exe", signature, None),
            ("cut short", self.new_bytes, "cut/OrvaneBox.exe", signature, None),
            # Signed, so it is held and checked, and then cannot start: the
            # hold must end before the file is deleted.
            ("not a program", not_a_program, "update/OrvaneBox.exe", self.signed(not_a_program), "ShellExecute"),
            ("unsigned", self.new_bytes, "update/OrvaneBox.exe", None, "未启动：没有签名"),
            ("signed by another key", self.new_bytes, "update/OrvaneBox.exe", self.signed(self.new_bytes, other_key),
             "未启动：签名与文件不符"),
            ("a byte changed after signing", changed, "update/OrvaneBox.exe", signature, "未启动：签名与文件不符"),
        )
        for name, served, file_path, file_sig, logged in cases:
            with self.subTest(name):
                self.install(PROGRAM)
                self.demo.put_file("update/OrvaneBox.exe", served)
                self.offer(file_path, file_sig)
                program = self.start_installed()
                program.answer_box(PROMPT, "开始更新")
                program.answer_box(FAILED, "确定")
                self.assertEqual(program.wait_exit(), 0)
                self.assertEqual(program_processes(), [])
                self.assertTrue(file_is(self.installed, self.old_bytes))
                self.assertFalse(os.path.exists(self.downloaded))
                self.assertEqual(self.demo.api_paths(), [VERSION])
                if logged:
                    self.assertTrue(any(logged in line for line in self.wine.log_lines()), logged)

    def test_declined_update_ends_at_once(self):
        self.demo.put_file("update/OrvaneBox.exe", self.new_bytes)
        self.offer("update/OrvaneBox.exe", self.signed(self.new_bytes))
        program = self.start_installed()
        program.answer_box(PROMPT, "退出程序")
        self.assertEqual(program.wait_exit(10), 0)
        self.assertEqual(self.demo.api_paths(), [VERSION])
        self.assertFalse(os.path.exists(self.downloaded))


if __name__ == "__main__":
    unittest.main()
