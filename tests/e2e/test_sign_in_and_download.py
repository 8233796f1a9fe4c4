"""The program as a person uses it, against the demo service: the first
sign-in by SMS code, the download into an installed game, a restart, the
failures a person meets, the article links and the account menu."""
import hashlib
import json
import os
import re
import time
import unittest
import urllib.parse

from orvane_e2e import ARTIFACTS, SETTINGS_KEY, TIME_SCALE, ProgramTestCase, run, wait_until, window_geometry, windows_of_size
from person import (FIRST_WINDOW_TIMEOUT, GAME_KEY, MENU_BUTTON, MENU_SIZE, UrlRecorder, check_client, client_downloads, game_root,
                    install_game, remove_game, sign_in_by_sms, usage_reports)

NEW_MOBILE = "13912345678"
DEMO_MOBILE = "13800138000"
FINISHED = "下载已结束！"
FILE_FAILED = "有文件下载失败，你可以等待全部下载结束后再次下载"
# The tip line of the sign-in page, in client coordinates.
TIP_AREA = (0, 430, 390, 470)
MAIN_CLOSE = (364, 33)


def client_files():
    """Files of a test client: enough of them, some large, that the button
    shows the count and the speed while they come."""
    files = {}
    for i in range(24):
        files["Data/Paks/pak%02d.bin" % i] = hashlib.sha256(b"%d" % i).digest() * (2048 * (1 + i % 4))
    files["MirM.exe"] = b"MZ test client\r\n"
    files["Data/说明.txt"] = "客户端补充文件\r\n".encode("utf-8")
    return files


def publish_client(demo, files, missing=()):
    """Puts the files and a list of them (plus listed files that the server
    does not have) on the file server."""
    entries = []
    for name, data in files.items():
        demo.put_file(urllib.parse.quote("client/" + name), data)
        entries.append({"file": name.replace("/", "\\"), "md5": hashlib.md5(data).hexdigest()})
    for name in missing:
        entries.append({"file": name, "md5": "0" * 32})
    demo.put_file("filelist.json", json.dumps(entries, ensure_ascii=False).encode("utf-8"))
    return entries


def red_pixels(png, box):
    left, top, right, bottom = box
    data = run(["convert", png, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage",
                "rgb:-"]).stdout
    return sum(1 for i in range(0, len(data), 3) if data[i] > 180 and data[i + 1] < 80 and data[i + 2] < 80)


class SignInAndDownloadTest(ProgramTestCase):
    def setUp(self):
        super().setUp()
        self.recorder = UrlRecorder(self.wine, os.path.join(ARTIFACTS, "opened-urls.txt"))
        self.addCleanup(self.recorder.restore)
        install_game(self.wine)

    def start_signed_in(self):
        self.wine.reg_add(SETTINGS_KEY, "account", DEMO_MOBILE)
        self.wine.reg_add(SETTINGS_KEY, "token2", "100001")
        program = self.start_program()
        window = program.main_window(FIRST_WINDOW_TIMEOUT)
        program.wait_text("开始下载", 30)
        return program, window

    def close_main_page(self, program, window):
        program.click(*MAIN_CLOSE, window)
        program.answer_box("确定退出盒子吗", "确定")
        self.assertEqual(program.wait_exit(), 0)

    def test_first_start_signs_in_by_sms_downloads_and_restarts_on_the_main_page(self):
        entries = publish_client(self.demo, client_files())
        program = self.start_program()
        window = program.main_window(FIRST_WINDOW_TIMEOUT)
        program.wait_text("请输入您的账号", 30)
        program.screenshot("page-sign-in", window)
        sign_in_by_sms(program, window, self.demo, NEW_MOBILE)
        program.screenshot("page-main", window)
        self.assertEqual(self.wine.reg_query(SETTINGS_KEY, "account"), NEW_MOBILE)
        self.assertRegex(self.wine.reg_query(SETTINGS_KEY, "token2") or "", r"^\d+$")

        program.click_text("开始下载", window)
        program.answer_box(FINISHED, "确定", 120)
        drawn = [text for text, _ in program.drawn_texts()]
        # Under an emulator the window may next paint only after the status,
        # and even the first count, were replaced: there the count or the
        # speed stands for them.
        if TIME_SCALE == 1:
            self.assertIn("正在下载", drawn)
        self.assertTrue(any(re.fullmatch(r"正在下载，剩余\d+个文件|剩余\d+个文件，速度:\d+(Kb|Mb)/s", t) for t in drawn),
                        "neither the file count nor the speed was shown")
        self.assertEqual([f for f, ok in check_client(self.wine, entries) if not ok], [])
        root = self.wine.windows_path(game_root(self.wine))
        self.assertEqual(self.wine.reg_query(GAME_KEY, "PATH"), root + "\\client")
        self.assertEqual(self.wine.reg_query(GAME_KEY, "FILE"), "MirM.exe")
        reports = usage_reports(self.demo)
        self.assertEqual(len(reports), 1)
        self.assertIn("code=100000", reports[0]["body"])
        self.close_main_page(program, window)

        files_before = client_downloads(self.demo)
        program = self.start_program()
        window = program.main_window(FIRST_WINDOW_TIMEOUT)
        program.wait_text("开始下载", 30)
        self.assertFalse(program.has_drawn("请输入您的账号"))
        program.click_text("开始下载", window)
        program.answer_box(FINISHED, "确定", 60)
        self.assertEqual([f for f, ok in check_client(self.wine, entries) if not ok], [])
        self.assertEqual(len(usage_reports(self.demo)), 2)
        self.assertEqual(client_downloads(self.demo), files_before)
        self.close_main_page(program, window)

    def test_a_wrong_code_shows_the_services_message_in_red_for_about_seven_seconds(self):
        program = self.start_program()
        window = program.main_window(FIRST_WINDOW_TIMEOUT)
        program.click_text("请输入您的账号", window)
        program.type_text(DEMO_MOBILE, window)
        program.click_text("请输入验证码", window)
        program.type_text("000000", window)
        program.key("Return", window)
        program.wait_text("验证码错误或已失效", 30)
        shown = time.monotonic()
        tip = program.screenshot("page-sign-in-wrong-code", window)
        self.assertGreater(red_pixels(tip, TIP_AREA), 20)
        self.assertEqual(self.wine.reg_query(SETTINGS_KEY, "account"), DEMO_MOBILE)
        self.assertIsNone(self.wine.reg_query(SETTINGS_KEY, "token2"))
        wait_until("the tip to go", lambda: red_pixels(program.screenshot("tip-later", window), TIP_AREA) == 0, 12,
                   interval=0.5)
        self.assertGreater(time.monotonic() - shown, 5)

    def test_no_game_installed_is_reported_and_the_button_works_again(self):
        remove_game(self.wine)
        program, window = self.start_signed_in()
        for attempt in range(2):
            program.click_text("开始下载", window)
            program.answer_box("未找到此启动器，无法继续安装", "确定", 120)
        program.wait_text("查找游戏启动器")
        self.assertIsNone(self.wine.reg_query(GAME_KEY, "PATH"))
        self.close_main_page(program, window)

    def test_files_missing_on_the_server_are_reported_once_and_the_run_completes(self):
        entries = publish_client(self.demo, client_files(), missing=["Data\\gone1.bin", "Data\\gone2.bin"])
        program, window = self.start_signed_in()
        program.click_text("开始下载", window)
        program.answer_box(FILE_FAILED, "确定", 120)
        seen = len(program.drawn_texts())
        program.answer_box(FINISHED, "确定", 120)
        later = [text for text, _ in program.drawn_texts()[seen:]]
        self.assertNotIn(FILE_FAILED, later, "the failure was reported more than once")
        bad = [f for f, ok in check_client(self.wine, entries) if not ok]
        self.assertEqual(sorted(bad), ["Data\\gone1.bin", "Data\\gone2.bin"])
        self.close_main_page(program, window)

    def test_articles_open_in_the_browser_and_one_without_a_link_is_disabled(self):
        page = self.demo.files_url + "web/article-1.html"
        self.demo.set(articles=[{"title": "新版本说明", "url": page}, {"title": "敬请期待", "url": ""}])
        program, window = self.start_signed_in()
        program.wait_text("新版本说明", 30)
        program.click_text("敬请期待", window)
        program.click_text("新版本说明", window)
        self.recorder.wait_url(page)
        self.assertEqual(self.recorder.urls(), [page])
        self.close_main_page(program, window)

    def test_account_menu_place_entries_sign_out_and_click_outside(self):
        program, window = self.start_signed_in()
        main_x, main_y, _, _ = window_geometry(window)

        def open_menu():
            program.click(*MENU_BUTTON, window)
            return wait_until("the account menu", lambda: next(iter(windows_of_size(MENU_SIZE)), None), 15)

        menu = open_menu()
        x, y, w, h = window_geometry(menu)
        self.assertEqual((x - main_x, y - main_y, w, h), (263, 50, 110, 185))
        program.wait_text(DEMO_MOBILE, 15)
        program.screenshot("page-account-menu")

        program.click_text("官方网站", menu)
        wait_until("the menu to close", lambda: menu not in windows_of_size(MENU_SIZE), 10)
        wait_until("a page opened from the menu", lambda: self.recorder.urls(), 15)
        self.assertRegex(self.recorder.urls()[0], r"^http://127\.0\.0\.1:\d+/web/")

        menu = open_menu()
        program.click(100, 300, window)
        wait_until("a click outside to close the menu", lambda: menu not in windows_of_size(MENU_SIZE), 10)
        self.assertEqual(len(self.recorder.urls()), 1)

        menu = open_menu()
        program.click_text("退出登录", menu)
        program.wait_text("请输入验证码", 15)
        program.screenshot("page-signed-out", window)
        self.assertFalse(program.has_drawn("请输入您的账号"), "the number field is empty after signing out")
        self.assertIsNone(self.wine.reg_query(SETTINGS_KEY, "token2"))
        self.assertEqual(self.wine.reg_query(SETTINGS_KEY, "account"), DEMO_MOBILE)
        program.click(362, 36, window)
        program.answer_box("确定退出盒子吗", "确定")
        self.assertEqual(program.wait_exit(), 0)

        program = self.start_program()
        window = program.main_window(FIRST_WINDOW_TIMEOUT)
        program.wait_text("请输入验证码", 30)
        self.assertFalse(program.has_drawn("开始下载"), "the main page was shown without a sign-in")
        self.assertFalse(program.has_drawn("Mir M韩服"), "the main page was shown without a sign-in")
        self.close_by_button(program, window)
        self.assertEqual(program.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
