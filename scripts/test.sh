#!/usr/bin/env bash
# Sets up, builds and runs every test under Wine on a virtual X display,
# with the demo service and file server running on 127.0.0.1.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_BUILD_DIR:-$repo/build}
export ORVANE_BUILD_DIR=$build

bash "$repo/scripts/build.sh"

if [ -x "$repo/scripts/demo-service.sh" ]; then
  "$repo/scripts/demo-service.sh" start "$build/demo"
  trap '"$repo/scripts/demo-service.sh" stop "$build/demo" || true' EXIT
  ORVANE_DEMO_STATE_DIR="$build/demo" python3 -m unittest discover -s "$repo/tools/demo" -p 'test_*.py'
fi

xvfb-run -a -s "-screen 0 1280x1024x24" bash "$repo/scripts/ctest-under-wine.sh" "$build" "$@"

# The full run also proves the README's deployment command; a run of chosen
# tests (extra ctest arguments) skips it.
if [ $# -eq 0 ]; then
  bash "$repo/scripts/deployment-build-check.sh" "$build-deployment"
fi
