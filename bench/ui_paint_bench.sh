#!/usr/bin/env bash
# The toolkit's figures for main.xml: time to parse and build the tree, a
# full layout and a full paint of each page, 1,000 full repaints, and the
# memory (and, where the system reports them, GDI objects) held before and
# after 1,000 repaints and 1,000 page switches. Runs the leak check of the
# toolkit tests and prints what it measured; not a pass/fail on speed.
#
#   bench/ui_paint_bench.sh [build folder, default: the one bench-build.sh picks]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/bench-build.sh" "${1:-}"
if ! build_log=$(cmake --build "$build" --target ui_paint_leak_test 2>&1); then
  echo "$build_log" >&2
  exit 1
fi
export ORVANE_SOURCE_DIR="$repo" ORVANE_BUILD_DIR="$build"
xvfb-run -a "$build/wine-run" "$build/tests/ui_paint_leak_test.exe" 2>&1 |
  grep -E 'ms|KiB|GDI objects|FAILED|PASSED'
