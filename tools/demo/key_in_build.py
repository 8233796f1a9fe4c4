#!/usr/bin/env python3
"""Check which reply-data key a built library or program holds.

The build compiles the key's modulus in as a byte array, most significant
byte first; this looks for those bytes in a built file. It proves that a
build configured with a deployment's key carries that key and not another.
"""

import argparse
import sys

import rsa_pem


def modulus_bytes(pem_path: str) -> bytes:
    key = rsa_pem.load_pem_file(pem_path)
    return key.n.to_bytes(key.size_bytes, "big")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("built", help="built library, object or program")
    parser.add_argument("--holds", action="append", default=[], metavar="PEM",
                        help="a key whose modulus must be in the file")
    parser.add_argument("--lacks", action="append", default=[], metavar="PEM",
                        help="a key whose modulus must not be in the file")
    args = parser.parse_args()
    if not args.holds and not args.lacks:
        parser.error("name a key with --holds or --lacks")

    try:
        with open(args.built, "rb") as stream:
            built = stream.read()
        wrong = [f"{pem}: modulus missing" for pem in args.holds if modulus_bytes(pem) not in built]
        wrong += [f"{pem}: modulus present" for pem in args.lacks if modulus_bytes(pem) in built]
    except rsa_pem.KeyFormatError as error:
        print(f"key_in_build: {error}", file=sys.stderr)
        return 2
    except OSError as error:
        print(f"key_in_build: {error.filename}: {error.strerror}", file=sys.stderr)
        return 2
    for line in wrong:
        print(f"key_in_build: {args.built}: {line}", file=sys.stderr)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
