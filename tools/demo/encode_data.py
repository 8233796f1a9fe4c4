#!/usr/bin/env python3
"""Encode a reply payload into the hexadecimal "data" wire form.

Reads the payload text (UTF-8) from a file or standard input and prints the
encoded text. The key may be the private or the public PEM of the
deployment's reply-data key.
"""

import argparse
import json
import os
import sys

import rsa_pem

DEFAULT_KEY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo-key.pem")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("input", nargs="?", help="payload file (default: standard input)")
    parser.add_argument("--key", default=DEFAULT_KEY, help="PEM key file (default: the demo key)")
    parser.add_argument("--any-text", action="store_true",
                        help="accept a payload that is not JSON (to test clients)")
    args = parser.parse_args()

    try:
        if args.input:
            with open(args.input, "rb") as stream:
                payload = stream.read()
        else:
            payload = sys.stdin.buffer.read()
        key = rsa_pem.load_pem_file(args.key)
        rsa_pem.require_reply_key(key)
        if not args.any_text:
            json.loads(payload.decode("utf-8"))
        print(rsa_pem.encode_reply_data(key, payload))
    except OSError as error:
        print(f"encode_data: {error.filename}: {error.strerror}", file=sys.stderr)
        return 1
    except UnicodeDecodeError:
        print("encode_data: the payload is not UTF-8", file=sys.stderr)
        return 1
    except ValueError as error:  # JSON errors and key errors derive from it
        print(f"encode_data: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
