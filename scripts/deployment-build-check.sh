#!/usr/bin/env bash
# Runs the README's deployment command the way a deployer would, with keys
# made for the occasion, and checks that the build took them: the new reply
# key's modulus, the new TLS pin and the new update key are in the workers
# library (which holds what is compiled in), and the demo keys are not.
# Only that library is built, so a rerun costs one configure and a few
# recompiled source files.
# Usage: deployment-build-check.sh BUILD_DIR
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$1

keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
started=$SECONDS
python3 "$repo/tools/demo/keygen.py" "$keys/key.pem"
# The hosts' key, whose pin the deployer computes, and the update key pair.
openssl genpkey -algorithm ec -pkeyopt ec_paramgen_curve:P-256 -out "$keys/tls-key.pem" 2>/dev/null
pin=sha256//$(openssl pkey -in "$keys/tls-key.pem" -pubout -outform DER | openssl dgst -sha256 -binary | base64)
openssl genpkey -algorithm ed25519 -out "$keys/update-key.pem"
openssl pkey -in "$keys/update-key.pem" -pubout -out "$keys/update-key.pub.pem"
ORVANE_BUILD_DIR=$build ORVANE_BUILD_TARGETS=orvane_workers bash "$repo/scripts/build.sh" \
  -DORVANE_PRIMARY_API_BASE=https://api.example.com \
  -DORVANE_FALLBACK_API_BASE=https://203.0.113.7 -DORVANE_REPLY_KEY_PEM="$keys/key.pem" \
  -DORVANE_TLS_PINS="$pin" -DORVANE_UPDATE_KEY="$keys/update-key.pub.pem"
library=$build/workers/liborvane_workers.a
python3 "$repo/tools/demo/key_in_build.py" "$library" \
  --holds "$keys/key.pem" --lacks "$repo/tools/demo/demo-key.pem"
# The base64 line of a public key PEM: the key's bytes as compiled in.
key_line() { sed -n 2p "$1"; }
grep -qF "$pin" "$library" || { echo "deployment build check: the new TLS pin is not compiled in" >&2; exit 1; }
grep -qF "$(key_line "$keys/update-key.pub.pem")" "$library" ||
  { echo "deployment build check: the new update key is not compiled in" >&2; exit 1; }
if grep -qF "$(key_line "$repo/tools/demo/demo-update-key.pub.pem")" "$library"; then
  echo "deployment build check: the demo update key is compiled in" >&2
  exit 1
fi
echo "deployment build with new keys and a new pin: checked in $((SECONDS - started)) s"
