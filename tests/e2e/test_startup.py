"""The start-up sequence of the real program against the demo service."""
import getpass
import os
import unittest

from orvane_e2e import PROGRAM, PROGRAM_OPEN, SETTINGS_KEY, ProgramTestCase, run, wait_until

VERSION = "/Speed/Config/checkVersion"
CONFIG = "/Speed/Config/getConfig"
ARTICLES = "/Speed/Config/getArticles"
SIGN_IN_HINT = "请输入您的账号"
START_BUTTON = "开始下载"
# The spinner's square on the start-up page, in client coordinates.
SPINNER_BOX = (150, 175, 240, 262)


def crop_bytes(png, box):
    left, top, right, bottom = box
    return run(["convert", png, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage",
                "rgb:-"]).stdout


class StartupTest(ProgramTestCase):
    def test_start_up_page_then_sign_in_page_without_saved_sign_in(self):
        # With the primary host down every call waits 3 s before the
        # fallback host answers, which keeps the start-up page up.
        self.demo.fault("primary down")
        program = self.start_program()
        window = program.main_window()
        program.wait_text("版本:1.4")
        program.wait_text("正在检查版本信息...")
        first = program.screenshot("startup-page", window)
        wait_until("the spinner to turn",
                   lambda: crop_bytes(program.screenshot("startup-page-later", window), SPINNER_BOX) !=
                   crop_bytes(first, SPINNER_BOX), 5, interval=0.1)
        program.wait_text(SIGN_IN_HINT, 30)
        self.assertEqual([p for p in self.demo.api_paths() if p != VERSION][:1], [CONFIG])
        wait_until("the article list request", lambda: ARTICLES in self.demo.api_paths(), 15)
        self.assertFalse(program.has_drawn("正在登录..."))
        self.close_by_button(program, window)
        self.assertEqual(program.wait_exit(), 0)
        self.assertEqual(self.wine.log_lines()[:1][0][-len("当前版本：4"):], "当前版本：4")

    def test_saved_sign_in_goes_to_the_main_page(self):
        self.wine.reg_add(SETTINGS_KEY, "token2", "100001")
        program = self.start_program()
        program.main_window()
        program.wait_text(START_BUTTON, 30)
        self.assertFalse(program.has_drawn(SIGN_IN_HINT))
        self.assertEqual(self.demo.api_paths()[:2], [VERSION, CONFIG])
        self.assertEqual(self.wine.reg_query(SETTINGS_KEY, "token2"), "100001")

    def test_saved_account_fills_the_sign_in_page(self):
        self.wine.reg_add(SETTINGS_KEY, "account", "13800138000")
        program = self.start_program()
        program.main_window()
        program.wait_text("请输入验证码", 30)
        program.screenshot("sign-in-with-account", program.main_window())
        self.assertFalse(program.has_drawn(SIGN_IN_HINT), "the account field shows its hint, not the account")

    def test_fatal_failures_show_their_text_and_end_with_0(self):
        cases = [
            ("version check refused", lambda: self.demo.fault({"status": 500}, path=VERSION),
             "检查更新失败，请下载最新版本！", "我知道了"),
            ("configuration refused", lambda: self.demo.fault({"status": 500}, path=CONFIG),
             "配置数据获取失败！", "我知道了"),
            ("configuration not JSON", lambda: self.demo.set(config="not json"),
             "配置数据获取失败！", "我知道了"),
        ]
        for name, arrange, text, button in cases:
            with self.subTest(name):
                self.demo.reset()
                arrange()
                program = self.start_program()
                program.answer_box(text, button)
                self.assertEqual(program.wait_exit(), 0)
                self.assertFalse(program.has_drawn(SIGN_IN_HINT))

    def test_hosts_showing_another_certificate(self):
        # Someone answering in the service's name, with the same host names
        # and another key: the pinned build takes the version check's
        # failure path without a request reaching the service; the build
        # without trust settings talks to them and says so in its log.
        for name, program_file, first_trust_line in (
                ("pinned build", PROGRAM, "服务器公钥须符合1个指纹之一"),
                ("build without trust settings", PROGRAM_OPEN, "未校验服务器证书：本版本没有公钥指纹，也没有CA证书")):
            with self.subTest(name):
                self.demo.reset()
                if os.path.exists(self.wine.log_path()):
                    os.remove(self.wine.log_path())
                self.demo.fault("primary impostor")
                self.demo.fault("fallback impostor")
                program = self.start_program(
                    self.wine.windows_path(self.install_copy("orvane-e2e/trust", program_file)))
                if program_file == PROGRAM:
                    program.answer_box("检查更新失败，请下载最新版本！", "我知道了")
                    self.assertEqual(self.demo.api_paths(), [])
                else:
                    window = program.main_window()
                    program.wait_text(SIGN_IN_HINT, 30)
                    self.assertEqual(self.demo.api_paths()[:2], [VERSION, CONFIG])
                    self.close_by_button(program, window)
                self.assertEqual(program.wait_exit(), 0)
                self.assertEqual(self.wine.log_lines()[1][-len(first_trust_line):], first_trust_line)

    def test_favorites_folder_is_refused_before_any_request(self):
        path = self.install_copy("users/%s/Favorites/Orvane" % getpass.getuser())
        program = self.start_program(self.wine.windows_path(path))
        program.answer_box("无法在收藏夹中运行！", "确定")
        self.assertEqual(program.wait_exit(), 0)
        self.assertEqual(self.demo.requests(), [])


if __name__ == "__main__":
    unittest.main()
