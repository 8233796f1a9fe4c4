#!/usr/bin/env python3
"""Sign an update file: print the base64 Ed25519 signature of its bytes.

The signature goes into the version reply as "file_sig", beside the
"file_url" that serves the file. The key is the deployment's Ed25519
private key (PEM, default the demo key); the program checks the signature
with the public half its build was given (ORVANE_UPDATE_KEY). Uses the
openssl command.
"""

import argparse
import base64
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_KEY = os.path.join(HERE, "demo-update-key.pem")
# The DER form of an Ed25519 public key: this algorithm header, then 32 bytes.
_ED25519_PUBLIC_PREFIX = bytes.fromhex("302a300506032b6570032100")
SIGNATURE_BYTES = 64


def _openssl(*args) -> bytes:
    try:
        result = subprocess.run(["openssl", *args], stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    except FileNotFoundError:
        raise ValueError("the openssl command is not installed") from None
    if result.returncode != 0:
        said = result.stderr.decode(errors="replace").strip().splitlines()
        raise ValueError("openssl %s: %s" % (args[0], said[0] if said else "failed"))
    return result.stdout


def sign_file(path: str, key: str = DEFAULT_KEY) -> str:
    """The base64 signature of the file's bytes with the private key in the
    PEM file `key`. ValueError when the key is no Ed25519 private key, a
    file cannot be read, or the file is empty."""
    for name in (path, key):
        if not os.path.isfile(name):
            raise ValueError("%s: no such file" % name)
    # The program never starts an empty download (and openssl cannot sign
    # an empty input).
    if os.path.getsize(path) == 0:
        raise ValueError("%s is empty: no update" % path)
    public = _openssl("pkey", "-in", key, "-pubout", "-outform", "DER")
    if len(public) != len(_ED25519_PUBLIC_PREFIX) + 32 or not public.startswith(_ED25519_PUBLIC_PREFIX):
        raise ValueError("%s is no Ed25519 private key" % key)
    signature = _openssl("pkeyutl", "-sign", "-rawin", "-inkey", key, "-in", path)
    if len(signature) != SIGNATURE_BYTES:
        raise ValueError("openssl pkeyutl gave %d bytes, not an Ed25519 signature" % len(signature))
    return base64.b64encode(signature).decode("ascii")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file", help="the update file, exactly as it will be served")
    parser.add_argument("--key", default=DEFAULT_KEY, help="Ed25519 private key PEM (default: the demo key)")
    args = parser.parse_args()
    try:
        print(sign_file(args.file, args.key))
    except ValueError as error:
        print("sign_update: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
