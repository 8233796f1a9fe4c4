"""The demo's scripted walk through the program on a virtual display, as a
person would go: the start-up page, the sign-in page, signing in with the
SMS code the service sent, the download into the game installed in the
prefix, the check of every downloaded file against the service's list, the
account menu, and closing through the program's own confirmation. Each
step is printed; screenshots go to the build's e2e-artifacts/demo folder."""
import os
import sys
import unittest

from orvane_e2e import ARTIFACTS, ProgramTestCase, wait_until, windows_of_size
from person import (FIRST_WINDOW_TIMEOUT, GAME_KEY, MENU_BUTTON, MENU_SIZE, check_client, file_list, game_root, install_game,
                    sign_in_by_sms, usage_reports)

MOBILE = "13800138000"
SHOTS = os.path.join(ARTIFACTS, "demo")


def step(text):
    print("==>", text, flush=True)


class DemoWalk(ProgramTestCase):
    def shot(self, program, name, window=None):
        path = program.screenshot("demo/" + name, window)
        print("    screenshot:", path, flush=True)

    def test_walk(self):
        install_game(self.wine)
        step("game installed in the program's prefix at " + self.wine.windows_path(game_root(self.wine)))
        program = self.start_program()
        window = program.main_window(FIRST_WINDOW_TIMEOUT)
        program.wait_text("版本:1.4")
        step("start-up page: version check, configuration, articles")
        self.shot(program, "1-startup", window)
        program.wait_text("请输入您的账号", 60)
        step("sign-in page")
        self.shot(program, "2-sign-in", window)
        sign_in_by_sms(program, window, self.demo, MOBILE)
        step("signed in as %s with the SMS code from the demo service" % MOBILE)
        self.shot(program, "3-main", window)

        step("download started")
        program.click_text("开始下载", window)
        program.wait_text("下载已结束！", 300)
        self.shot(program, "4-finished")
        program.answer_box("下载已结束！", "确定")
        entries = file_list(self.demo)
        results = check_client(self.wine, entries)
        for name, ok in results:
            print("    %-40s %s" % (name, "MD5 ok" if ok else "MD5 WRONG or missing"), flush=True)
        step("download ended: %d of %d files match the list; PATH=%s FILE=%s; usage reports: %d" % (
            sum(ok for _, ok in results), len(results), self.wine.reg_query(GAME_KEY, "PATH"),
            self.wine.reg_query(GAME_KEY, "FILE"), len(usage_reports(self.demo))))
        self.assertTrue(all(ok for _, ok in results))

        program.click(*MENU_BUTTON, window)
        menu = wait_until("the account menu", lambda: next(iter(windows_of_size(MENU_SIZE)), None), 15)
        step("account menu")
        self.shot(program, "5-menu")
        program.key("Escape", menu)
        wait_until("the menu to close", lambda: menu not in windows_of_size(MENU_SIZE), 10)

        program.click(364, 33, window)
        program.answer_box("确定退出盒子吗", "确定")
        step("closed with exit code %d" % program.wait_exit())


if __name__ == "__main__":
    os.makedirs(SHOTS, exist_ok=True)
    ok = unittest.main(exit=False, verbosity=0).result.wasSuccessful()
    print("screenshots are in", SHOTS)
    sys.exit(not ok)
