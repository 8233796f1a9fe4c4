# Sourced: makes the 32-bit programs this shell starts through Wine run under
# qemu-user. Where the kernel runs no 32-bit code, qemu-i386 is registered
# as the handler of i386 programs (scripts/qemu-binfmt.sh), so Wine's 32-bit
# side runs unchanged. Where it does run 32-bit code, a handler would make
# every 32-bit program emulated, so the build's loader is started under
# qemu-i386 explicitly instead (WINELOADERNOEXEC: the loader's re-exec
# through its preloader would escape the emulator). Sets `emulation` to
# what was done; returns 1 with the machine's refusal in it.
if bash "$(dirname "${BASH_SOURCE[0]}")/runs-32bit.sh"; then
  export ORVANE_WINE="/usr/bin/qemu-i386 /usr/lib/wine/wine" WINELOADERNOEXEC=1
  emulation="qemu-i386 started explicitly (this machine also runs 32-bit code natively)"
elif emulation=$(bash "$(dirname "${BASH_SOURCE[0]}")/qemu-binfmt.sh" 2>&1); then
  emulation="qemu-i386 registered for i386 programs (this machine runs no 32-bit code)"
else
  false
fi
