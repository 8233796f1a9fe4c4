#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine needs to cross-build the
# program and run it under Wine. Safe to run again: it skips what is there.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 wine32:i386 xvfb xauth x11-utils fonts-wqy-microhei fonts-wqy-zenhei
  libz-mingw-w64-dev libstb-dev googletest
  cmake ninja-build make perl python3 python3-pil dpkg-dev
  nginx-light openssl xdotool imagemagick aria2 hyperfine curl icoutils zip gnuplot-nox
  qemu-user
)

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

src_list=/etc/apt/sources.list.d/debian-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  cat > "$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ ! -d /var/lib/apt/lists ] || [ -z "$(ls /var/lib/apt/lists/*Sources* 2>/dev/null)" ]; then
  need_update=1
fi
if [ "$need_update" = 1 ]; then
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# nginx is started by the project's own scripts, never as a system service.
if command -v systemctl >/dev/null 2>&1; then systemctl disable --now nginx >/dev/null 2>&1 || true; fi
