#!/usr/bin/env bash
# Runs the README's deployment command the way a deployer would, with a
# key made for the occasion, and checks that the build took it: the new
# key's modulus is in the workers library (which holds the compiled-in key)
# and the demo key's is not. Only that library is built, so a rerun costs
# one configure and one recompiled source file.
# Usage: deployment-build-check.sh BUILD_DIR
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$1

keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
started=$SECONDS
python3 "$repo/tools/demo/keygen.py" "$keys/key.pem"
ORVANE_BUILD_DIR=$build ORVANE_BUILD_TARGETS=orvane_workers bash "$repo/scripts/build.sh" \
  -DORVANE_PRIMARY_API_BASE=https://api.example.com \
  -DORVANE_FALLBACK_API_BASE=https://203.0.113.7 -DORVANE_REPLY_KEY_PEM="$keys/key.pem"
python3 "$repo/tools/demo/key_in_build.py" "$build/workers/liborvane_workers.a" \
  --holds "$keys/key.pem" --lacks "$repo/tools/demo/demo-key.pem"
echo "deployment build with a new key: checked in $((SECONDS - started)) s"
