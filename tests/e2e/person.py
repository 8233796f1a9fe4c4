"""What a person and their computer bring to the end-to-end walks: a game
installation in the test prefix, a browser stand-in that records the pages
the program opens, signing in with the SMS code, and the check of the
downloaded client against the service's file list."""
import hashlib
import json
import os
import shutil
import urllib.request

from orvane_e2e import BUILD_DIR, wait_until

# Where the launcher registration points: the game root is the folder above
# the launcher's own folder.
GAME_FOLDER = ("Games", "Wemade", "MirM")
LAUNCHER_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\MirMLauncher.exe"
GAME_KEY = r"HKCU\Software\WEMADE\MirM"
REPORT_PATH = "/Speed/Server/Report"

# The first window of a fresh Wine session waits for Wine's desktop process,
# which on a loaded 2-core machine has taken over 30 s.
FIRST_WINDOW_TIMEOUT = 120

# Client coordinates of the main page's title-bar buttons.
MENU_BUTTON = (291, 33)
MENU_SIZE = (110, 185)

# ShellExecute of an http(s) URL under Wine reads HKEY_CLASSES_ROOT, which is
# HKLM\Software\Classes alone (see url_recorder.cpp).
URL_CLASSES = [r"HKLM\Software\Classes\%s\shell\open\command" % scheme for scheme in ("http", "https")]
URL_RECORDER = os.path.join(BUILD_DIR, "tests", "url_recorder.exe")


def game_root(wine):
    return wine.drive_c(*GAME_FOLDER)


def install_game(wine):
    """A launcher in C:\\Games\\Wemade\\MirM\\Launcher, registered the way its
    installer does; an earlier client folder is removed."""
    root = game_root(wine)
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "Launcher"))
    launcher = os.path.join(root, "Launcher", "MirMLauncher.exe")
    with open(launcher, "wb") as f:
        f.write(b"MZ")
    wine.wine("reg", "add", LAUNCHER_KEY, "/ve", "/d", wine.windows_path(launcher), "/f")
    wine.reg_delete(GAME_KEY)


def remove_game(wine):
    shutil.rmtree(wine.drive_c(*GAME_FOLDER[:2]), ignore_errors=True)
    wine.reg_delete(LAUNCHER_KEY)
    wine.reg_delete(GAME_KEY)


class UrlRecorder:
    """Registers the recorder as the http and https handler; restore() puts
    the prefix's own handler back."""

    def __init__(self, wine, record_path):
        self.wine = wine
        self.record_path = record_path
        self.saved = [self._query(key) for key in URL_CLASSES]
        command = '"%s" "%s" "%%1"' % (self._windows(URL_RECORDER), self._windows(record_path))
        for key in URL_CLASSES:
            wine.wine("reg", "add", key, "/ve", "/d", command, "/f")
        self.clear()

    def _windows(self, unix_path):
        return "Z:" + os.path.abspath(unix_path).replace("/", "\\")

    def _query(self, key):
        result = self.wine.wine("reg", "query", key, "/ve", check=False)
        for line in result.stdout.decode("utf-8", errors="replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) == 3 and parts[1] == "REG_SZ":
                return parts[2]
        return None

    def restore(self):
        for key, command in zip(URL_CLASSES, self.saved):
            if command is not None:
                self.wine.wine("reg", "add", key, "/ve", "/d", command, "/f")

    def clear(self):
        if os.path.exists(self.record_path):
            os.remove(self.record_path)

    def urls(self):
        if not os.path.exists(self.record_path):
            return []
        with open(self.record_path, encoding="utf-8") as f:
            return [line.rstrip("\n") for line in f if line.strip()]

    def wait_url(self, url, timeout=15):
        wait_until("the browser to be asked for " + url, lambda: url in self.urls(), timeout)


def file_list(demo):
    with urllib.request.urlopen(demo.files_url + "filelist.json", timeout=30) as answer:
        return json.loads(answer.read().decode("utf-8"))


def check_client(wine, entries):
    """(file, ok) for every list entry: its copy under client\\ has the
    listed MD5."""
    results = []
    for entry in entries:
        path = os.path.join(game_root(wine), "client", *entry["file"].replace("\\", "/").split("/"))
        digest = None
        if os.path.exists(path):
            with open(path, "rb") as f:
                digest = hashlib.md5(f.read()).hexdigest()
        results.append((entry["file"], digest == entry["md5"].lower()))
    return results


def sign_in_by_sms(program, window, demo, mobile):
    """Types the number, asks for a code, reads it from the service, types
    it and presses Enter; returns once the main page is drawn."""
    program.click_text("请输入您的账号", window)
    program.type_text(mobile, window)
    program.click_text("发送验证码", window)
    program.wait_text("60s", 10)
    program.wait_text("59s", 5)
    code = wait_until("the SMS code of " + mobile, lambda: _sms_code(demo, mobile), 15)
    program.click_text("请输入验证码", window)
    program.type_text(code, window)
    program.key("Return", window)
    program.wait_text("开始下载", 30)


def _sms_code(demo, mobile):
    try:
        return demo.sms_code(mobile)
    except AssertionError:
        return None


def usage_reports(demo):
    return [r for r in demo.requests() if r["path"].rstrip("?") == REPORT_PATH]


def client_downloads(demo):
    """How many client files the file server has answered so far."""
    return len([r for r in demo._call("GET", "files-log") if r["uri"].startswith("/client/")])
