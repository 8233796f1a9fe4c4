#!/usr/bin/env bash
# One command from a fresh machine to the running program: sets up the
# machine, builds, starts the local demo service (API, nginx, file server
# with a small game client), installs a game in the program's Wine prefix
# and runs the program against the service.
#
# With a display (DISPLAY) the program is yours to use until you close it;
# the SMS code the demo service "sends" is printed here as it arrives.
# Without one, the same walk runs by itself on a virtual display
# (tests/e2e/demo_walk.py): each step is printed, the downloaded files are
# checked against the list, and the screenshots are left in a folder it
# names. Ctrl+C stops everything this command started.
#
# The program is the 32-bit one where this machine runs 32-bit x86 code. On
# a machine that cannot, the 64-bit build of the same sources runs natively
# instead, and this says so; `demo.sh --emulated` runs the 32-bit program
# under qemu-user emulation (slower, and no ground for speed figures).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
port_base=${ORVANE_DEMO_PORT_BASE:-18000}
emulated=no
case "${1:-}" in
  --emulated) emulated=yes ;;
  '') ;;
  *) echo "usage: $0 [--emulated]" >&2; exit 2 ;;
esac

bash "$repo/scripts/setup-machine.sh"
arch=i686
if [ "$emulated" = yes ]; then
  if ! . "$repo/scripts/emulate-32bit.sh"; then
    echo "demo: the 32-bit program cannot run under emulation here: $emulation" >&2
    exit 1
  fi
  export ORVANE_E2E_TIME_SCALE=${ORVANE_E2E_TIME_SCALE:-8}
  echo "demo: the 32-bit program under qemu-user emulation: $emulation"
elif ! bash "$repo/scripts/runs-32bit.sh"; then
  arch=x86_64
  echo "demo: this machine cannot run 32-bit x86 code, so the 64-bit build of the"
  echo "      same sources runs natively under wine64 (--emulated runs the 32-bit one)"
fi
if [ "$arch" = i686 ]; then build=$repo/build; else build=$repo/build-x64; fi
build=${ORVANE_BUILD_DIR:-$build}
export ORVANE_BUILD_DIR=$build
# The demo deployment with its trust on: the program pins the demo
# service's certificate and accepts only updates signed with the demo key.
trust_settings=$(bash "$repo/scripts/demo-trust.sh" "$build/demo")
mapfile -t trust <<<"$trust_settings"
ORVANE_ARCH=$arch bash "$repo/scripts/build.sh" "${trust[@]}"

# A fresh file folder makes the service seed its demo client again.
rm -rf "$build/demo/files"
"$repo/scripts/demo-service.sh" start "$build/demo"

program="$build/app/OrvaneBox.exe"
export ORVANE_SOURCE_DIR=$repo ORVANE_PROGRAM=$program ORVANE_DEMO_PORT_BASE=$port_base
# The program's prefix for the demo: the game installed there must not be
# found by the locator tests, which use the build's own prefix.
export ORVANE_WINEPREFIX="$build/wineprefix-demo"
. "$repo/scripts/wine-env.sh" "$build"
stop_all() {
  WINEPREFIX="$ORVANE_WINEPREFIX" wineserver -k 2>/dev/null || true
  WINEPREFIX="$build/wineprefix-e2e" wineserver -k 2>/dev/null || true
  "$repo/scripts/demo-service.sh" stop "$build/demo" || true
}
trap stop_all EXIT
trap 'exit 130' INT TERM

if [ -n "${DISPLAY:-}" ]; then
  bash "$repo/scripts/wine-prefix.sh" "$ORVANE_WINEPREFIX"
  ORVANE_E2E_WINEPREFIX="$ORVANE_WINEPREFIX" python3 - <<'PY'
import sys
sys.path.insert(0, __import__("os").path.join(__import__("os").environ["ORVANE_SOURCE_DIR"], "tests/e2e"))
from orvane_e2e import Wine
from person import game_root, install_game
wine = Wine()
install_game(wine)
print("A game is installed in the program's prefix at", wine.windows_path(game_root(wine)))
PY
  cat <<EOF

Sign in with any mobile number: press 发送验证码 and the code appears
below (it is also in $build/demo/service.log and at
http://127.0.0.1:$((port_base + 80))/demo/sms?mobile=NUMBER).
Or choose 密码登录: the demo account is 13800138000, password Orvane2024.

EOF
  tail -n 0 -F --pid=$$ "$build/demo/service.log" 2>/dev/null | grep --line-buffered "SMS code" &
  # In the background, so that Ctrl+C reaches the trap at once: a Windows
  # program under Wine does not end on SIGINT by itself.
  "$build/wine-run" "$program" &
  wait $!
else
  python3 "$repo/tests/e2e/demo_walk.py"
fi
