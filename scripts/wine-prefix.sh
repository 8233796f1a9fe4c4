#!/usr/bin/env bash
# Creates a Wine prefix once (no Mono or Gecko prompt can wait in CI) and maps
# the skins' font to one this machine has. Safe to call concurrently.
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
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$mark" ] && [ "$(cat "$mark")" = "$font" ] && exit 0
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$mark" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /d "$font" /f >/dev/null 2>&1
printf '%s\n' "$font" > "$mark"
