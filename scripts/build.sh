#!/usr/bin/env bash
# Sets up the machine, builds the dependencies (cached) and the program.
# The build folder is ./build unless ORVANE_BUILD_DIR says otherwise.
# Arguments are further CMake settings for that folder, such as a
# deployment's -DORVANE_PRIMARY_API_BASE=...; they stay in its cache.
# ORVANE_BUILD_TARGETS (names separated by blanks) builds only those targets.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_BUILD_DIR:-$repo/build}

bash "$repo/scripts/setup-machine.sh"
deps=$(bash "$repo/scripts/build-deps.sh" | tail -n 1)
# A demo service moved to another port base (ORVANE_DEMO_PORT_BASE) is the
# deployment this build talks to, unless the arguments name another.
deployment=()
if [ -n "${ORVANE_DEMO_PORT_BASE:-}" ]; then
  deployment=(-DORVANE_PRIMARY_API_BASE="https://localhost:$((ORVANE_DEMO_PORT_BASE + 443))"
              -DORVANE_FALLBACK_API_BASE="https://127.0.0.1:$((ORVANE_DEMO_PORT_BASE + 444))")
fi
cmake -S "$repo" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" \
  -DORVANE_DEPS_PREFIX="$deps" "${deployment[@]}" "$@" >/dev/null
targets=()
if [ -n "${ORVANE_BUILD_TARGETS:-}" ]; then
  read -r -a names <<<"$ORVANE_BUILD_TARGETS"
  targets=(--target "${names[@]}")
fi
cmake --build "$build" -j "${ORVANE_JOBS:-2}" "${targets[@]}"
