# Sourced by each benchmark with its build-folder argument (may be empty).
# Picks the build to measure, exports its Wine environment and says which
# build ran: the 32-bit program where this machine runs 32-bit x86 code
# natively, else the 64-bit build (./build-x64) of the same sources. Figures
# from an emulator say nothing about the program, so it refuses to measure
# a build that would run under one.
bench_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if bash "$bench_repo/scripts/runs-32bit.sh"; then bench_native32=yes; else bench_native32=no; fi
if [ -n "${1:-}" ]; then
  build=$(cd "$1" && pwd)
elif [ "$bench_native32" = yes ]; then
  build=$bench_repo/build
else
  build=$bench_repo/build-x64
fi
if [ ! -f "$build/wine.env" ] || [ ! -f "$build/CMakeCache.txt" ]; then
  echo "bench: $build is not a configured build: run scripts/build.sh (ORVANE_ARCH=x86_64 for build-x64)" >&2
  exit 1
fi
. "$bench_repo/scripts/wine-env.sh" "$build"
bench_arch=$(sed -n 's/^ORVANE_MANIFEST_ARCH:INTERNAL=//p' "$build/CMakeCache.txt")
case "$ORVANE_WINE" in
  *qemu*)
    echo "bench: refused: ORVANE_WINE runs the program under an emulator ($ORVANE_WINE)" >&2
    exit 1 ;;
esac
if [ "$bench_arch" = x86 ] && [ "$bench_native32" = no ]; then
  echo "bench: refused: $build holds the 32-bit program, which this machine runs only under emulation;" >&2
  echo "       measure the 64-bit build instead (ORVANE_ARCH=x86_64 bash scripts/build.sh)" >&2
  exit 1
fi
if [ "$bench_arch" = amd64 ]; then bench_build_name="64-bit build"; else bench_build_name="32-bit program"; fi
echo "bench: measuring the $bench_build_name in $build, natively under Wine ($ORVANE_WINE)"
unset bench_repo bench_native32
