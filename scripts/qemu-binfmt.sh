#!/usr/bin/env bash
# Makes the kernel start i386 programs under qemu-user (as root): mounts
# binfmt_misc when it is missing and registers /usr/bin/qemu-i386 with flag
# F. Only for machines that cannot execute 32-bit x86 code: a
# registered handler is tried before the kernel's own loader, so elsewhere it
# would make every 32-bit program emulated. Exits 1 with the reason when the
# machine refuses.
set -u
dir=/proc/sys/fs/binfmt_misc
handler=$dir/qemu-i386
interpreter=/usr/bin/qemu-i386
if [ ! -x "$interpreter" ]; then
  echo "qemu-binfmt: $interpreter is missing (package qemu-user)" >&2
  exit 1
fi
if [ ! -f "$dir/register" ]; then
  if ! out=$(mount -t binfmt_misc binfmt_misc "$dir" 2>&1); then
    echo "qemu-binfmt: cannot mount binfmt_misc on $dir: $out" >&2
    exit 1
  fi
fi
# With flag F the kernel keeps the interpreter file it opened when the
# handler was registered: an earlier registration is replaced, so an
# upgraded emulator is the one used.
if [ -f "$handler" ]; then
  echo -1 > "$handler" 2>/dev/null || { echo "qemu-binfmt: cannot remove the earlier $handler" >&2; exit 1; }
fi
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
if ! out=$( (printf '%s' ":qemu-i386:M::$magic:$mask:$interpreter:F" > "$dir/register") 2>&1); then
  echo "qemu-binfmt: the kernel refused the i386 handler: $out" >&2
  exit 1
fi
