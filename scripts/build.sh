#!/usr/bin/env bash
# Sets up the machine, builds the dependencies (cached) and the program.
# The build folder is ./build unless ORVANE_BUILD_DIR says otherwise.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_BUILD_DIR:-$repo/build}

bash "$repo/scripts/setup-machine.sh"
deps=$(bash "$repo/scripts/build-deps.sh" | tail -n 1)
cmake -S "$repo" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" \
  -DORVANE_DEPS_PREFIX="$deps" >/dev/null
cmake --build "$build" -j "${ORVANE_JOBS:-2}"
