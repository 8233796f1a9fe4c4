#!/usr/bin/env bash
# Exits 0 when this machine executes 32-bit x86 code natively, 1 when it
# does not (a kernel with 32-bit emulation off). An emulator registered for
# i386 programs would answer for the kernel, so it is set aside while the
# probe, Wine's 32-bit loader, runs.
set -u
handler=/proc/sys/fs/binfmt_misc/qemu-i386
enabled=0
if [ -f "$handler" ] && head -n 1 "$handler" | grep -qx enabled; then
  enabled=1
  echo 0 > "$handler"
fi
/usr/lib/wine/wine --version >/dev/null 2>&1
rc=$?
[ "$enabled" = 1 ] && echo 1 > "$handler"
[ "$rc" = 0 ]
