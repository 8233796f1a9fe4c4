#!/usr/bin/env bash
# Sets up, builds and runs every test under Wine on a virtual X display,
# with the demo service and file server running on 127.0.0.1.
#
# Two paths, chosen by whether this machine executes 32-bit x86 code (the
# product is a 32-bit program) and said at the start and at the end:
#   32: the whole suite on the 32-bit program in ./build; the 64-bit build
#       (./build-x64) is built too.
#   64: the whole suite on the 64-bit build of the same sources in
#       ./build-x64 under wine64; then the 32-bit program in ./build is
#       checked itself under qemu-user emulation (scripts/emulated-check.sh).
# ORVANE_TEST_PATH=32 or 64 forces a path. Extra arguments go to ctest and
# run only those tests: no second build, emulated or deployment check then.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS
say() { echo "== test.sh: $*"; }

bash "$repo/scripts/setup-machine.sh"
if bash "$repo/scripts/runs-32bit.sh"; then native32=yes; else native32=no; fi
path=${ORVANE_TEST_PATH:-}
if [ -z "$path" ]; then
  [ "$native32" = yes ] && path=32 || path=64
fi
case "$path" in
  32) suite_arch=i686 other_arch=x86_64 ;;
  64) suite_arch=x86_64 other_arch=i686 ;;
  *) say "ORVANE_TEST_PATH must be 32 or 64, not '$path'"; exit 2 ;;
esac
describe="path $path: the suite on the $suite_arch build (this machine $([ "$native32" = yes ] && echo runs || echo cannot run) 32-bit x86 code natively)"
# Path 32 forced where the kernel runs no 32-bit code: the whole suite runs
# on the 32-bit program under qemu-user emulation.
if [ "$path" = 32 ] && [ "$native32" = no ]; then
  if ! . "$repo/scripts/emulate-32bit.sh"; then
    say "path 32 cannot run here: no 32-bit x86 code runs natively and $emulation"
    exit 2
  fi
  describe="$describe, under qemu-user emulation"
  time_scale=${ORVANE_E2E_TIME_SCALE:-8}
fi
say "$describe"
time_scale=${time_scale:-1}

# The emulator's handler, where an earlier run registered it, is set aside
# while the suite runs: nothing there is 32-bit, and Wine's set-up of a new
# prefix would otherwise start its 32-bit part under emulation.
handler=/proc/sys/fs/binfmt_misc/qemu-i386
if [ "$path" = 64 ] && [ "$native32" = no ] && [ -f "$handler" ]; then echo 0 > "$handler"; fi

if [ "$suite_arch" = i686 ]; then build=$repo/build; else build=$repo/build-x64; fi
build=${ORVANE_BUILD_DIR:-$build}
export ORVANE_BUILD_DIR=$build
# Both programs are the demo deployment with its trust on (pinned hosts,
# signed updates), for the demo service this run starts.
trust_settings=$(bash "$repo/scripts/demo-trust.sh" "$build/demo")
mapfile -t trust <<<"$trust_settings"
ORVANE_ARCH=$suite_arch bash "$repo/scripts/build.sh" -DORVANE_TEST_TIME_SCALE="$time_scale" "${trust[@]}"

"$repo/scripts/demo-service.sh" start "$build/demo"
trap '"$repo/scripts/demo-service.sh" stop "$build/demo" || true' EXIT
ORVANE_DEMO_STATE_DIR="$build/demo" python3 -m unittest discover -s "$repo/tools/demo" -p 'test_*.py'

suite=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$repo/scripts/ctest-under-wine.sh" "$build" "$@" || suite=$?
if [ $# -gt 0 ]; then
  say "$describe; chosen tests $([ $suite = 0 ] && echo passed || echo FAILED) in $((SECONDS - started)) s"
  exit $suite
fi

other_build=$repo/build
[ "$other_arch" = x86_64 ] && other_build=$repo/build-x64
say "building the $other_arch program as well, in $other_build"
ORVANE_BUILD_DIR=$other_build ORVANE_ARCH=$other_arch bash "$repo/scripts/build.sh" "${trust[@]}"

emulated="not run on path 32"
if [ "$path" = 64 ]; then
  if bash "$repo/scripts/emulated-check.sh" "$other_build"; then
    emulated=$(cat "$other_build/emulated-check.result")
  else
    emulated="FAILED: $(cat "$other_build/emulated-check.result" 2>/dev/null || echo 'see above')"
    suite=1
  fi
fi

# The full run also proves the README's deployment command.
bash "$repo/scripts/deployment-build-check.sh" "$repo/build-deployment" || suite=1

say "$describe"
say "32-bit program under emulation: $emulated"
say "$([ $suite = 0 ] && echo passed || echo FAILED) in $((SECONDS - started)) s"
exit $suite
