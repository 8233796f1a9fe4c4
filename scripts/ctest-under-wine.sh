#!/usr/bin/env bash
# Runs ctest with one wineserver kept alive for the whole run, then ends
# that wineserver (this build's prefix only).
set -u
build=$(cd "$1" && pwd); shift
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-env.sh" "$build" || exit 1
"$repo/scripts/wine-prefix.sh" "$WINEPREFIX" || exit 1
read -r -a tools <<<"$ORVANE_WINE_TOOLS"
# A server left from an earlier run may be bound to a display that is gone,
# and then no window can be made: begin with a fresh one.
wineserver -k </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
# Start the server and Wine's own background processes with no inherited
# pipes: a service holding ctest's output pipe would make ctest wait forever.
wineserver -p </dev/null >/dev/null 2>&1
"${tools[@]}" cmd /c exit </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure -j "${ORVANE_TEST_JOBS:-2}" "$@"
rc=$?
wineserver -k
exit $rc
