"""End-to-end harness: the real program file under Wine against the running
demo service, on a display and in a Wine prefix of its own (an X server of
its own and `<build>/wineprefix-e2e`), so the pointer, the keyboard focus and
the foreground window it drives are never those of the toolkit's tests
running beside it.

What the program shows is read from Wine's record of the texts it draws: the
program runs with the "text" and "gdiplus" trace channels, and every
DrawTextExW and GdipDrawString call lands in a trace file with its string
and rectangle. Windows are found with
xdotool by their X class ("orvanebox.exe"), clicks and keys go through
xdotool, screenshots through ImageMagick. Every wait is bounded and says
what it waited for when it gives up.
"""
import getpass
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import urllib.error
import urllib.request

BUILD_DIR = os.environ["ORVANE_BUILD_DIR"]
SOURCE_DIR = os.environ["ORVANE_SOURCE_DIR"]
PROGRAM = os.environ["ORVANE_PROGRAM"]
PROGRAM_NEXT = os.environ.get("ORVANE_PROGRAM_NEXT", "")
# The same program built without trust settings (no pins, unchecked updates).
PROGRAM_OPEN = os.environ.get("ORVANE_PROGRAM_OPEN", "")
PORT_BASE = int(os.environ.get("ORVANE_DEMO_PORT_BASE", "18000"))
PREFIX = os.environ.get("ORVANE_E2E_WINEPREFIX", os.path.join(BUILD_DIR, "wineprefix-e2e"))
ARTIFACTS = os.path.join(BUILD_DIR, "e2e-artifacts")

# Waits are sized for a program running natively under Wine; a run under an
# emulator (several times slower, and slowest to start) scales them all.
TIME_SCALE = float(os.environ.get("ORVANE_E2E_TIME_SCALE", "1"))


def read_wine_env(build_dir=BUILD_DIR):
    """The build's Wine environment (<build>/wine.env, NAME=VALUE lines);
    what the caller's environment sets wins, as in scripts/wine-env.sh."""
    values = {}
    with open(os.path.join(build_dir, "wine.env"), encoding="utf-8") as lines:
        for line in lines:
            line = line.strip()
            if line and not line.startswith("#") and "=" in line:
                name, value = line.split("=", 1)
                values[name] = os.environ.get(name, value)
    return values


WINE_ENV = read_wine_env()

SETTINGS_KEY = r"HKCU\Software\tessalunde"
PROGRAM_CLASS = "orvanebox.exe"
MAIN_SIZE = (390, 480)
BOX_SIZE = (330, 200)
LOG_NAME = "marrowvalelog.txt"


def wait_until(what, predicate, timeout, interval=0.2):
    """Returns the first true value of predicate(); fails naming `what`."""
    timeout *= TIME_SCALE
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError("gave up after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def run(args, timeout=60, env=None, check=True):
    # Output goes through files: a Wine background process started by the
    # command would hold a pipe open, and reading it would never end.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        completed = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout, env=env)
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(args, completed.returncode, out.read(), err.read())
    if check and result.returncode != 0:
        # Wine's own tools (reg, cmd) say why on standard output.
        said = (result.stdout + result.stderr).decode(errors="replace")
        raise AssertionError("%s failed (%d): %s" % (" ".join(args), result.returncode, said[-500:]))
    return result


class Display:
    """An X server of our own; DISPLAY points at it while it runs."""

    def start(self, timeout=30):
        # Numbers well above the ones xvfb-run and desktops take, spread by
        # process id; a number another server holds makes Xvfb end at once,
        # and the next one is tried.
        first = 300 + os.getpid() % 500
        for number in range(first, first + 20):
            self.process = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1280x1024x24", "-nolisten",
                                             "tcp"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            display = ":%d" % number
            if self._answers(display, timeout):
                self.previous = os.environ.get("DISPLAY")
                os.environ["DISPLAY"] = display
                return
            self.stop()
        raise AssertionError("gave up after 20 display numbers from :%d waiting for Xvfb to start" % first)

    def _answers(self, display, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and self.process.poll() is None:
            probe = subprocess.run(["xdpyinfo", "-display", display], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            if probe.returncode == 0:
                # A server that answers while ours ends was another's.
                time.sleep(0.5)
                return self.process.poll() is None
            time.sleep(0.1)
        return False

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(10)
        if getattr(self, "previous", None) is not None:
            os.environ["DISPLAY"] = self.previous


class Demo:
    """The demo service's control endpoints (tools/demo/README.md)."""

    def __init__(self, port_base=PORT_BASE):
        self.control = "http://127.0.0.1:%d/demo/" % (port_base + 80)
        self.files_url = "http://127.0.0.1:%d/" % (port_base + 81)

    def _call(self, method, path, body=None, raw=None):
        data = raw if raw is not None else (json.dumps(body).encode() if body is not None else None)
        request = urllib.request.Request(self.control + path, data=data, method=method)
        try:
            with urllib.request.urlopen(request, timeout=30) as answer:
                text = answer.read()
        except urllib.error.HTTPError as error:
            raise AssertionError("demo %s %s: %d %s" % (method, path, error.code, error.read()[:300]))
        return json.loads(text) if text else None

    def ping(self):
        return self._call("GET", "ping")

    def reset(self):
        self._call("POST", "reset")

    def set(self, **values):
        self._call("POST", "set", values)

    def fault(self, mode, path="*", host="any", count=None):
        fault = {"path": path, "host": host, "mode": mode}
        if count is not None:
            fault["count"] = count
        self._call("POST", "fault", fault)

    def requests(self):
        return self._call("GET", "requests")

    def api_paths(self):
        """The API paths the program called, in order, without a trailing "?"."""
        return [r["path"].rstrip("?") for r in self.requests() if r["host"] in ("primary", "fallback")]

    def put_file(self, path, data):
        return self._call("PUT", "files/" + path, raw=data)

    def sms_code(self, mobile):
        return self._call("GET", "sms?mobile=" + urllib.request.quote(mobile, safe=""))["code"]

    def set_account(self, mobile, password):
        return self._call("POST", "account", {"mobile": mobile, "password": password})


class Wine:
    """The build's Wine prefix: its registry and folders."""

    def __init__(self, prefix=PREFIX):
        self.prefix = prefix

    def env(self, debug="-all"):
        env = dict(os.environ)
        env.update(WINE_ENV)
        env.update(WINEPREFIX=self.prefix, WINEDEBUG=debug)
        return env

    def program_command(self, *args):
        """The command that starts one of the build's programs."""
        return WINE_ENV["ORVANE_WINE"].split() + list(args)

    def prepare(self):
        """Creates the prefix when needed and starts its server and Wine's
        own background processes, with no pipe of ours inherited."""
        run(["bash", os.path.join(SOURCE_DIR, "scripts/wine-prefix.sh"), self.prefix], env=self.env(),
            timeout=300 * TIME_SCALE)
        # A server still running (from the prefix's creation, or an earlier
        # test program) is bound to a display that may be gone: windows could
        # then not be made. Begin with a fresh one on our display.
        self.stop_server()
        run(["wineserver", "-p"], env=self.env(), check=False)
        self.wine("cmd", "/c", "exit", check=False)

    def stop_server(self):
        run(["wineserver", "-k"], env=self.env(), check=False)
        run(["wineserver", "-w"], env=self.env(), timeout=60, check=False)

    def wine(self, *args, check=True):
        """One of Wine's own tools (reg, cmd) in the prefix."""
        return run(WINE_ENV["ORVANE_WINE_TOOLS"].split() + list(args), env=self.env(), check=check)

    def reg_query(self, key, value):
        """The value's data as text, None when it is missing."""
        result = self.wine("reg", "query", key, "/v", value, check=False)
        if result.returncode != 0:
            return None
        for line in result.stdout.decode("utf-8", errors="replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0] == value and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None

    def reg_add(self, key, value, data, kind="REG_SZ"):
        self.wine("reg", "add", key, "/v", value, "/t", kind, "/d", data, "/f")

    def reg_delete(self, key, value=None):
        """Deletes the key (or one value); fails unless it is gone after."""
        args = ["reg", "delete", key] + (["/v", value] if value else []) + ["/f"]
        deleted = self.wine(*args, check=False)
        left = self.wine(*(["reg", "query", key] + (["/v", value] if value else [])), check=False)
        if left.returncode == 0:
            said = (deleted.stdout + deleted.stderr).decode(errors="replace")
            raise AssertionError("reg delete (exit code %d) left %s%s: %s" % (
                deleted.returncode, key, " /v " + value if value else "", said[-500:]))

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def temp_dir(self):
        return self.drive_c("users", getpass.getuser(), "Temp")

    def windows_path(self, unix_path):
        """C:\\... for a path inside drive_c."""
        relative = os.path.relpath(unix_path, self.drive_c())
        if relative.startswith(".."):
            raise ValueError(unix_path + " is not on drive C")
        return "C:\\" + relative.replace("/", "\\")

    def main_window_state(self):
        """How Windows sees the main window: found, iconic, visible, enabled,
        foreground as integers."""
        result = run(self.program_command(os.environ["ORVANE_WINDOW_STATE"]), env=self.env(),
                     timeout=60 * TIME_SCALE)
        pairs = (line.split("=", 1) for line in result.stdout.decode().splitlines() if "=" in line)
        return {name.strip(): int(value) for name, value in pairs}

    def window_report(self):
        """Every window of the program's window thread, whether it answers,
        and the thread's active, focus and capture windows, as text."""
        result = run(self.program_command(os.environ["ORVANE_WINDOW_STATE"], "all"), env=self.env(),
                     timeout=60 * TIME_SCALE, check=False)
        return result.stdout.decode(errors="replace")

    def log_path(self):
        return os.path.join(self.temp_dir(), LOG_NAME)

    def log_lines(self):
        try:
            with open(self.log_path(), "rb") as log:
                return log.read().decode("utf-16-le", errors="replace").lstrip("\ufeff").splitlines()
        except FileNotFoundError:
            return []


_DRAW_TEXT = re.compile(r'trace:text:DrawTextExW L"((?:[^"\\]|\\.)*)"(?:\.\.\.)?, -?\d+, '
                        r'\[\((-?\d+),(-?\d+)\)-\((-?\d+),(-?\d+)\)\] ([0-9a-f]+)')
_DRAW_STRING = re.compile(r'trace:gdiplus:GdipDrawString \([0-9A-Fa-f]+, L"((?:[^"\\]|\\.)*)"(?:\.\.\.)?, '
                          r'-?\d+, [0-9A-Fa-f]+, \((-?[\d.]+),(-?[\d.]+),(-?[\d.]+),(-?[\d.]+)\)')
_DT_CALCRECT = 0x400
# Texts drawn by GDI (labels, buttons) and by GDI+ (anti-aliased labels).
TRACE_CHANNELS = "-all,trace+text,trace+gdiplus"


def _decode_wine_string(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        nxt = text[i + 1] if i + 1 < len(text) else ""
        if nxt in "nrt":
            out.append({"n": "\n", "r": "\r", "t": "\t"}[nxt])
            i += 2
        elif re.match(r"[0-9a-fA-F]{4}", text[i + 1:i + 5]):
            out.append(chr(int(text[i + 1:i + 5], 16)))
            i += 5
        else:
            out.append(nxt)
            i += 2
    return "".join(out)


def parse_drawn_texts(data):
    """(text, (left, top, right, bottom)) of every text drawn in a piece of
    trace, in order; measurements are left out."""
    texts = []
    for line in data.splitlines():
        match = _DRAW_TEXT.search(line)
        if match:
            if not int(match.group(6), 16) & _DT_CALCRECT:
                rect = tuple(int(match.group(n)) for n in range(2, 6))
                texts.append((_decode_wine_string(match.group(1)), rect))
            continue
        match = _DRAW_STRING.search(line)
        if match:
            x, y, w, h = (float(match.group(n)) for n in range(2, 6))
            texts.append((_decode_wine_string(match.group(1)), (int(x), int(y), int(x + w), int(y + h))))
    return texts


class TraceReader:
    """Reads a growing trace file from where it stopped last time."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.texts = []

    def drawn_texts(self):
        try:
            with open(self.path, "rb") as trace:
                trace.seek(self.offset)
                data = trace.read()
        except FileNotFoundError:
            return self.texts
        complete = data.rfind(b"\n") + 1
        self.offset += complete
        self.texts += parse_drawn_texts(data[:complete].decode("utf-8", errors="replace"))
        return self.texts


def xdotool(*args, check=True):
    return run(["xdotool"] + [str(a) for a in args], timeout=30, check=check).stdout.decode().split()


def window_geometry(window):
    result = run(["xdotool", "getwindowgeometry", "--shell", str(window)], timeout=30, check=False)
    values = dict(line.split("=", 1) for line in result.stdout.decode().splitlines() if "=" in line)
    if "WIDTH" not in values:
        return None
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def program_windows():
    """Visible windows of any running copy of the program: (id, geometry)."""
    ids = xdotool("search", "--onlyvisible", "--classname", "^%s$" % re.escape(PROGRAM_CLASS), check=False)
    found = []
    for window in ids:
        geometry = window_geometry(window)
        if geometry:
            found.append((window, geometry))
    return found


def windows_of_size(size):
    return [w for w, g in program_windows() if (g[2], g[3]) == size]


def program_processes(prefix=PREFIX):
    """Unix pids of program processes running in this prefix."""
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                cmdline = f.read().decode(errors="replace").lower()
            with open("/proc/%s/environ" % entry, "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if "orvanebox" in cmdline and ("WINEPREFIX=" + prefix).encode() in environ:
            pids.append(int(entry))
    return pids


def end_processes(pids, grace=5):
    for pid in pids:
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    deadline = time.monotonic() + grace
    while time.monotonic() < deadline and any(os.path.exists("/proc/%d" % p) for p in pids):
        time.sleep(0.2)
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


class Program:
    """One start of a program file; copies it starts itself share its trace."""

    def __init__(self, wine, path, args, trace_path):
        self.wine = wine
        self.path = path
        self.trace_path = trace_path
        self.trace = TraceReader(trace_path)
        with open(trace_path, "wb") as trace:
            self.process = subprocess.Popen(wine.program_command(path, *args), stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=trace,
                                            env=wine.env(TRACE_CHANNELS))

    @property
    def pid(self):
        return self.process.pid

    def drawn_texts(self):
        return self.trace.drawn_texts()

    def has_drawn(self, text):
        return any(t == text for t, _ in self.drawn_texts())

    def wait_text(self, text, timeout=30):
        """Waits until text has been drawn; returns its last rectangle."""
        def last_rect():
            rects = [r for t, r in self.drawn_texts() if t == text]
            if not rects and not self.running() and not program_processes(self.wine.prefix):
                raise AssertionError('the program ended (exit code %s) before "%s" was drawn'
                                     % (self.process.returncode, text))
            return rects[-1] if rects else None
        return wait_until('"%s" to be drawn' % text, last_rect, timeout)

    def main_window(self, timeout=30):
        return wait_until("the main window", lambda: next(iter(windows_of_size(MAIN_SIZE)), None), timeout)

    def message_box(self, timeout=30):
        return wait_until("a message box", lambda: next(iter(windows_of_size(BOX_SIZE)), None), timeout)

    def click(self, x, y, window=None):
        window = window or self.main_window()
        xdotool("mousemove", "--window", window, x, y, "click", "1")

    def click_rect(self, rect, window):
        left, top, right, bottom = rect
        self.click((left + right) // 2, (top + bottom) // 2, window)

    def click_text(self, text, window, timeout=30):
        self.click_rect(self.wait_text(text, timeout), window)

    def settled_rect(self, text, button, timeout=30):
        """The button's rectangle once two paints since text first showed
        agree on it: a window's first frame is drawn before what its
        windowinit changed (a box hiding one of its two buttons) is laid out."""
        def settled():
            draws = self.drawn_texts()
            first = next((i for i, (t, _) in enumerate(draws) if t == text), len(draws))
            rects = [r for t, r in draws[first:] if t == button]
            return rects[-1] if len(rects) >= 2 and rects[-1] == rects[-2] else None
        return wait_until('"%s" to be drawn in place' % button, settled, timeout)

    def answer_box(self, text, button, timeout=30):
        """Waits for the message box showing text and presses its button."""
        box = self.message_box(timeout)
        self.wait_text(text, timeout)
        self.click_rect(self.settled_rect(text, button, timeout), box)
        wait_until("the message box to close", lambda: box not in windows_of_size(BOX_SIZE), timeout)

    def type_text(self, text, window):
        xdotool("windowfocus", "--sync", window)
        xdotool("type", "--delay", "60", text)

    def key(self, name, window):
        xdotool("windowfocus", "--sync", window)
        xdotool("key", name)

    def screenshot(self, name, window=None):
        """A PNG of the window (or the whole display) in the artifacts folder."""
        os.makedirs(ARTIFACTS, exist_ok=True)
        path = os.path.join(ARTIFACTS, name + ".png")
        args = ["import", "-window", "root"]
        if window:
            x, y, w, h = window_geometry(window)
            args += ["-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage"]
        run(args + [path], timeout=30)
        return path

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout * TIME_SCALE)
        except subprocess.TimeoutExpired:
            raise AssertionError("gave up after %.0f s waiting for the program to end" % timeout)

    def running(self):
        return self.process.poll() is None


class ProgramTestCase(unittest.TestCase):
    """Resets the service, the registry values and the log before each test;
    keeps the evidence of a failed test and ends what the test started."""

    @classmethod
    def setUpClass(cls):
        cls.demo = Demo()
        cls.wine = Wine()
        try:
            cls.demo.ping()
        except (OSError, AssertionError) as error:
            raise AssertionError("demo service not running on port base %d: %s" % (PORT_BASE, error))
        cls.display = Display()
        cls.display.start()
        try:
            cls.wine.prepare()
        except BaseException:
            cls.display.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.wine.stop_server()
        cls.display.stop()

    def setUp(self):
        self.assertEqual(program_processes(), [], "a program from an earlier test still runs")
        self.demo.reset()
        self.wine.reg_delete(SETTINGS_KEY)
        for name in (LOG_NAME, "OrvaneBox.exe"):
            path = os.path.join(self.wine.temp_dir(), name)
            if os.path.exists(path):
                os.remove(path)
        self.programs = []
        self.artifacts = os.path.join(ARTIFACTS, self.id().split(".", 1)[-1])
        shutil.rmtree(self.artifacts, ignore_errors=True)

    def tearDown(self):
        if self.failed():
            self.keep_evidence()
        end_processes(program_processes())
        for program in self.programs:
            if program.running():
                end_processes([program.pid])
            program.process.wait(10)

    def failed(self):
        """Whether this test (or one of its subtests) has failed so far."""
        result = getattr(getattr(self, "_outcome", None), "result", None)
        if result is None:
            return False
        return any(getattr(test, "test_case", test) is self for test, _ in result.failures + result.errors)

    def keep_evidence(self):
        os.makedirs(self.artifacts, exist_ok=True)
        try:
            run(["import", "-window", "root", os.path.join(self.artifacts, "screen.png")], timeout=30)
        except (AssertionError, OSError, subprocess.TimeoutExpired):
            pass
        with open(os.path.join(self.artifacts, "display.txt"), "w") as f:
            probe = subprocess.run(["xdpyinfo"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, timeout=30)
            f.write("DISPLAY=%s xdpyinfo rc=%d\n%s\n" % (os.environ.get("DISPLAY"), probe.returncode,
                                                         probe.stdout.decode(errors="replace")[:300]))
            f.write("program processes: %s\nXvfb ended: %s\n" % (program_processes(), self.display.process.poll()))
        if program_processes():
            try:
                report = self.wine.window_report()
            except (OSError, subprocess.TimeoutExpired) as error:
                report = "no report: %s" % error
            with open(os.path.join(self.artifacts, "windows.txt"), "w") as f:
                f.write(report)
        if os.path.exists(self.wine.log_path()):
            shutil.copy(self.wine.log_path(), os.path.join(self.artifacts, LOG_NAME))
        for index, program in enumerate(self.programs):
            if os.path.exists(program.trace_path):
                shutil.copy(program.trace_path, os.path.join(self.artifacts, "drawn-%d.txt" % index))
        with open(os.path.join(self.artifacts, "requests.json"), "w") as f:
            json.dump(self.demo.requests(), f, ensure_ascii=False, indent=1)

    def start_program(self, path=None, args=()):
        os.makedirs(ARTIFACTS, exist_ok=True)
        trace = os.path.join(ARTIFACTS, "%s-%d.trace" % (self.id().rsplit(".", 1)[-1], len(self.programs)))
        program = Program(self.wine, path or PROGRAM, args, trace)
        self.programs.append(program)
        return program

    def install_copy(self, folder, source=PROGRAM):
        """A copy of a program file at drive_c/<folder>/OrvaneBox.exe; its Windows path."""
        target_dir = self.wine.drive_c(*folder.split("/"))
        shutil.rmtree(target_dir, ignore_errors=True)
        os.makedirs(target_dir)
        target = os.path.join(target_dir, "OrvaneBox.exe")
        shutil.copy(source, target)
        return target

    def close_by_button(self, program, window=None):
        """The close button of the start-up and sign-in pages, then OK."""
        program.click(362, 36, window)
        program.answer_box("确定退出盒子吗", "确定")
