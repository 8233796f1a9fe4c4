#!/usr/bin/env bash
# Sets up, builds, starts the local demo service and runs the program
# against it under Wine. With a display (DISPLAY) the program is yours to
# use until you close it; without one it runs on a virtual display and a
# scripted walk (tests/e2e/demo_walk.py) shows it, saving screenshots.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_BUILD_DIR:-$repo/build}
export ORVANE_BUILD_DIR=$build

bash "$repo/scripts/build.sh"
"$repo/scripts/demo-service.sh" start "$build/demo"
trap '"$repo/scripts/demo-service.sh" stop "$build/demo" || true' EXIT

program="$build/app/OrvaneBox.exe"
if [ -n "${DISPLAY:-}" ]; then
  "$build/wine-run" "$program"
else
  # The walk brings its own virtual display and Wine prefix.
  ORVANE_SOURCE_DIR=$repo ORVANE_PROGRAM=$program python3 "$repo/tests/e2e/demo_walk.py"
fi
