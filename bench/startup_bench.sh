#!/usr/bin/env bash
# Start-up speed of the program file: from starting it to the first painted
# start-up page (the moment Wine records the drawing of "版本:1.4"), next to
# Wine's start of an empty program of the same build (download_bench with no
# arguments), measured alternately in one run. Prints figures; no pass/fail.
#
#   xvfb-run -a -s "-screen 0 1280x1024x24" bash bench/startup_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/bench-build.sh" "${1:-}"
runs=${2:-7}
bash "$repo/scripts/wine-prefix.sh" "$WINEPREFIX"
# One server for the whole run, as a user's session has; started without
# inherited pipes.
wineserver -p </dev/null >/dev/null 2>&1
$ORVANE_WINE_TOOLS cmd /c exit </dev/null >/dev/null 2>&1
trap 'wineserver -k' EXIT

python3 - "$build/app/OrvaneBox.exe" "$build/bench/download_bench.exe" "$runs" <<'PY'
import os, signal, statistics, subprocess, sys, tempfile, time

program, empty, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
marker = b'trace:text:DrawTextExW L"\\7248\\672c:1.4"'

def wine(path, debug):
    env = dict(os.environ, WINEDEBUG=debug)
    trace = tempfile.TemporaryFile()
    return subprocess.Popen(os.environ["ORVANE_WINE"].split() + [path], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=trace, env=env), trace

def time_empty():
    start = time.monotonic()
    process, trace = wine(empty, "-all")
    process.wait(60)
    trace.close()
    return time.monotonic() - start

def time_program():
    start = time.monotonic()
    process, trace = wine(program, "-all,trace+text")
    try:
        while time.monotonic() - start < 60:
            trace.seek(0)
            if marker in trace.read():
                return time.monotonic() - start
            time.sleep(0.005)
        raise SystemExit("the start-up page was not painted within 60 s")
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(15)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(15)
        trace.close()

time_empty()
time_program()
empty_times, program_times = [], []
for _ in range(runs):
    empty_times.append(time_empty())
    program_times.append(time_program())

def row(name, times):
    print("%-40s %8.3f %8.3f %8.3f" % (name, min(times), statistics.median(times), max(times)))

print("%-40s %8s %8s %8s   (s, %d runs each after one warm-up)" % ("", "min", "median", "max", runs))
row("empty program (start to end)", empty_times)
row("OrvaneBox.exe (start to start-up page)", program_times)
print("ratio of medians: %.2f" % (statistics.median(program_times) / statistics.median(empty_times)))
PY
