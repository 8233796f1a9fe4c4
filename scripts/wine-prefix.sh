#!/usr/bin/env bash
# Creates a 64-bit Wine prefix once (no Mono or Gecko prompt can wait in CI)
# and maps the skins' font to one this machine has. Safe to call
# concurrently. Wine's own tools run on its 64-bit loader, which every
# machine of ours executes; the caller's Wine environment (wine-env.sh) is
# used where it is set. A failure says what failed and where its log is.
#
# 微软雅黑 is replaced by WenQuanYi Zen Hei: of Debian's Hei fonts its widths
# come closest to the ones the skins were laid out for (at the title's 24 px
# bold, "Orvane盒子" measures 130 px in it, against 133 in Noto Sans CJK SC,
# 136 in WenQuanYi Micro Hei and 200 in Droid Sans Fallback). The ready-mark
# holds the mapped font, so a prefix made with another mapping is updated.
set -eu
font='WenQuanYi Zen Hei'
prefix=$(realpath -m "$1")
mark="$prefix/.orvane-ready"
log="$prefix.log"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
# A 32-bit program needs the prefix's 32-bit side, which Wine makes only
# where 32-bit code runs (natively or under a registered emulator).
case "${ORVANE_WINE:-wine}" in *wine64*) needs32=no ;; *) needs32=yes ;; esac
has32() { [ "$needs32" = no ] || [ -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; }
[ -f "$mark" ] && [ "$(cat "$mark")" = "$font" ] && has32 && exit 0
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH="${WINEARCH:-win64}"
read -r -a tools <<<"${ORVANE_WINE_TOOLS:-/usr/lib/wine/wine64}"

fail() {
  echo "wine-prefix: $1 failed for $prefix; last lines of $log:" >&2
  tail -n 20 "$log" >&2
  exit 1
}

started=$(date +%s)
if [ ! -f "$mark" ]; then
  echo "wine-prefix: creating $prefix (log: $log)" >&2
  : > "$log"
  "${tools[@]}" wineboot -i </dev/null >>"$log" 2>&1 || fail "wineboot -i"
  wineserver -w </dev/null >>"$log" 2>&1 || fail "waiting for the Wine server"
  [ -f "$prefix/system.reg" ] || fail "wineboot -i (no registry was written)"
fi
if ! has32; then
  echo "wine-prefix: making the 32-bit side of $prefix (log: $log)" >&2
  "${tools[@]}" wineboot -u </dev/null >>"$log" 2>&1 || fail "wineboot -u"
  wineserver -w </dev/null >>"$log" 2>&1 || fail "waiting for the Wine server"
  has32 || fail "making the 32-bit side (this machine runs no 32-bit code and no emulator is registered: scripts/qemu-binfmt.sh)"
fi
"${tools[@]}" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /d "$font" /f \
  </dev/null >>"$log" 2>&1 || fail "mapping the font 微软雅黑"
printf '%s\n' "$font" > "$mark"
echo "wine-prefix: $prefix ready in $(( $(date +%s) - started )) s" >&2
