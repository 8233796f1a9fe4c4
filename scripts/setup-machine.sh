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
)
# The emulator that runs the 32-bit program on machines that execute no
# 32-bit x86 code. Under Debian 12's own qemu 7.2 a new Wine thread died
# ("uncaught target signal 11") in 3 of 5 runs of four download workers; the
# backported 10.0 holds.
qemu_suite=bookworm-backports
qemu_major=10

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

backports_list=/etc/apt/sources.list.d/debian-backports.sources
if ! grep -rqs "^Suites:.*\b$qemu_suite\b" /etc/apt/sources.list.d/ && ! grep -qs "^deb .* $qemu_suite " /etc/apt/sources.list; then
  cat > "$backports_list" <<SRC
Types: deb
URIs: http://deb.debian.org/debian
Suites: $qemu_suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
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
qemu_version=$(dpkg-query -W -f='${Status} ${Version}' qemu-user 2>/dev/null || true)
qemu_missing=0
[[ "$qemu_version" == "install ok installed 1:$qemu_major."* ]] || qemu_missing=1
if [ ${#missing[@]} -gt 0 ] || [ "$qemu_missing" = 1 ] || [ ! -d /var/lib/apt/lists ] ||
   [ -z "$(ls /var/lib/apt/lists/*Sources* 2>/dev/null)" ]; then
  need_update=1
fi
if [ "$need_update" = 1 ] && ! apt-get update -qq >/tmp/orvane-setup-apt.log 2>&1; then
  echo "setup-machine: apt-get update failed; last lines of /tmp/orvane-setup-apt.log:" >&2
  tail -n 20 /tmp/orvane-setup-apt.log >&2
  exit 1
fi
install() { # packages... (apt's output goes to a log; a failure shows its end)
  local log=/tmp/orvane-setup-apt.log
  if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then
    echo "setup-machine: installing $* failed; last lines of $log:" >&2
    tail -n 20 "$log" >&2
    exit 1
  fi
}
if [ ${#missing[@]} -gt 0 ]; then
  install "${missing[@]}"
fi
if [ "$qemu_missing" = 1 ]; then
  install -t "$qemu_suite" qemu-user
fi
# nginx is started by the project's own scripts, never as a system service.
if command -v systemctl >/dev/null 2>&1; then systemctl disable --now nginx >/dev/null 2>&1 || true; fi
