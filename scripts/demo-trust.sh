#!/usr/bin/env bash
# Prints the CMake settings of the demo deployment's trust, one a line, for
# the demo service whose state folder is STATE_DIR: the pin of its hosts'
# public key, their certificate as the CA bundle, and the demo update key
# (tools/demo/demo-update-key.pem signs; sign_update.py). The certificate is
# made here when the folder has none yet, so a build can pin it before the
# service first starts.
# Usage: demo-trust.sh STATE_DIR
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
state=$1
"$repo/scripts/demo-service.sh" certificate "$state"
state=$(cd "$state" && pwd)
pin=$(openssl x509 -in "$state/tls/cert.pem" -noout -pubkey |
  openssl pkey -pubin -outform DER | openssl dgst -sha256 -binary | base64)
echo "-DORVANE_TLS_PINS=sha256//$pin"
echo "-DORVANE_CA_BUNDLE=$state/tls/cert.pem"
echo "-DORVANE_UPDATE_KEY=$repo/tools/demo/demo-update-key.pub.pem"
