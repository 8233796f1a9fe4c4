#!/usr/bin/env bash
# Creates a Wine prefix once (no Mono or Gecko prompt can wait in CI) and maps
# the skins' font to one this machine has. Safe to call concurrently.
set -eu
prefix=$(realpath -m "$1")
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.orvane-ready" ] && exit 0
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.orvane-ready"
