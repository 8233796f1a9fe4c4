#!/usr/bin/env python3
"""Make a new reply-data key pair for a deployment.

The private key (PKCS#1 PEM) is what the program's build turns into its
constant arrays; the service needs only the public half, which can be
written separately with --public.
"""

import argparse
import os
import sys

import rsa_pem


def write_new(path: str, text: str, mode: int) -> None:
    """Write text to a file that must not exist yet, so a key is never lost."""
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, mode)
    with os.fdopen(fd, "w", encoding="ascii") as stream:
        stream.write(text)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("private_out", help="file for the private key PEM (must not exist)")
    parser.add_argument("--public", dest="public_out", help="also write the public key PEM here")
    args = parser.parse_args()

    key = rsa_pem.generate_key()
    try:
        write_new(args.private_out, rsa_pem.private_key_pem(key), 0o600)
        if args.public_out:
            write_new(args.public_out, rsa_pem.public_key_pem(key), 0o644)
    except OSError as error:
        print(f"keygen: {error.filename}: {error.strerror}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
