#!/usr/bin/env bash
# Checks the 32-bit program itself under qemu-user emulation, for machines
# whose suite ran on the 64-bit build: its program file (resources, imports,
# manifest) and one end-to-end walk on a virtual display (start-up, sign-in
# by SMS typed into the fields, a small download with every file's MD5
# checked, the account menu, close). The demo service must be running.
#
# How the emulator is brought in is scripts/emulate-32bit.sh's; a machine
# that refuses it skips the check and says so. The outcome is also
# written to BUILD/emulated-check.result.
#
# Usage: emulated-check.sh BUILD  (the i686 build folder)
# ORVANE_EMULATED_ROUNDS repeats the walk (default 1); ORVANE_E2E_TIME_SCALE
# stretches every wait of the harness (default 8).
set -u
build=$(cd "$1" && pwd)
repo=$(cd "$(dirname "$0")/.." && pwd)
result=$build/emulated-check.result
rounds=${ORVANE_EMULATED_ROUNDS:-1}
started=$SECONDS
say() { echo "== emulated check: $*"; }
finish() { # rc, outcome
  echo "$2" > "$result"
  say "$2"
  exit "$1"
}

if ! . "$repo/scripts/emulate-32bit.sh"; then
  finish 0 "SKIPPED, the 32-bit program was not checked: $emulation"
fi
say "$emulation; $(/usr/bin/qemu-i386 --version | head -n 1)"

export ORVANE_SOURCE_DIR=$repo ORVANE_BUILD_DIR=$build
export ORVANE_PROGRAM=$build/app/OrvaneBox.exe ORVANE_PROGRAM_ARCH=x86
export ORVANE_OBJDUMP=i686-w64-mingw32-objdump
export ORVANE_WINDOW_STATE=$build/tests/window_state.exe
export ORVANE_E2E_WINEPREFIX=$build/wineprefix-emulated
export ORVANE_E2E_TIME_SCALE=${ORVANE_E2E_TIME_SCALE:-8}

if ! timeout 300 python3 "$repo/tests/e2e/test_program_file.py"; then
  finish 1 "the 32-bit program file's check failed"
fi
say "program file checked: resources, imports and the x86 manifest"

# The prefix is made once, outside the walk's own time.
. "$repo/scripts/wine-env.sh" "$build" || finish 1 "no Wine environment in $build"
prefix_started=$SECONDS
timeout 900 bash "$repo/scripts/wine-prefix.sh" "$ORVANE_E2E_WINEPREFIX" ||
  finish 1 "the emulated Wine prefix could not be made"
say "prefix ready after $((SECONDS - prefix_started)) s"

for round in $(seq 1 "$rounds"); do
  walk_started=$SECONDS
  if ! timeout 2400 python3 "$repo/tests/e2e/demo_walk.py"; then
    finish 1 "the walk failed in round $round of $rounds (evidence in $build/e2e-artifacts)"
  fi
  say "walk $round of $rounds passed in $((SECONDS - walk_started)) s"
done
finish 0 "passed ($emulation): program file and $rounds walk(s) in $((SECONDS - started)) s"
