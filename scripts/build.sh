#!/usr/bin/env bash
# Sets up the machine, builds the dependencies (cached) and the program.
# ORVANE_ARCH picks the target: i686 (the default) is the product, the
# 32-bit program, in ./build; x86_64 is the same sources for 64-bit Windows,
# which runs the tests natively under wine64, in ./build-x64.
# ORVANE_BUILD_DIR names another folder.
# Arguments are further CMake settings for that folder, such as a
# deployment's -DORVANE_PRIMARY_API_BASE=...; they stay in its cache.
# ORVANE_BUILD_TARGETS (names separated by blanks) builds only those targets.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
arch=${ORVANE_ARCH:-i686}
case "$arch" in
  i686) default_build=$repo/build ;;
  x86_64) default_build=$repo/build-x64 ;;
  *) echo "build: unknown ORVANE_ARCH '$arch' (i686 or x86_64)" >&2; exit 2 ;;
esac
build=${ORVANE_BUILD_DIR:-$default_build}

bash "$repo/scripts/setup-machine.sh"
deps=$(ORVANE_ARCH=$arch bash "$repo/scripts/build-deps.sh" | tail -n 1)
# A demo service moved to another port base (ORVANE_DEMO_PORT_BASE) is the
# deployment this build talks to, unless the arguments name another.
deployment=()
if [ -n "${ORVANE_DEMO_PORT_BASE:-}" ]; then
  deployment=(-DORVANE_PRIMARY_API_BASE="https://localhost:$((ORVANE_DEMO_PORT_BASE + 443))"
              -DORVANE_FALLBACK_API_BASE="https://127.0.0.1:$((ORVANE_DEMO_PORT_BASE + 444))")
fi
cmake -S "$repo" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-$arch.cmake" \
  -DORVANE_DEPS_PREFIX="$deps" "${deployment[@]}" "$@" >/dev/null
targets=()
if [ -n "${ORVANE_BUILD_TARGETS:-}" ]; then
  read -r -a names <<<"$ORVANE_BUILD_TARGETS"
  targets=(--target "${names[@]}")
fi
cmake --build "$build" -j "${ORVANE_JOBS:-2}" "${targets[@]}"
