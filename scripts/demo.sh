#!/usr/bin/env bash
# Sets up, builds, starts the local demo service and runs the program
# against it under Wine on this machine's display (DISPLAY), or on a virtual
# display when there is none.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_BUILD_DIR:-$repo/build}
export ORVANE_BUILD_DIR=$build

bash "$repo/scripts/build.sh"
"$repo/scripts/demo-service.sh" start "$build/demo"
trap '"$repo/scripts/demo-service.sh" stop "$build/demo" || true' EXIT

program="$build/app/OrvaneBox.exe"
if [ ! -f "$program" ]; then
  echo "The demo service runs, but the program itself is not built yet."
  exit 0
fi
if [ -n "${DISPLAY:-}" ]; then
  "$build/wine-run" "$program"
else
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/wine-run" "$program"
fi
