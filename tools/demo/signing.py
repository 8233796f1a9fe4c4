"""The request signature of the web API, as the program computes it.

The body is name=value pairs joined by "&", ending in ts and sign. sign is
the MD5 of the same pairs (without sign), each value as sent but with ASCII
letters in lower case, followed directly by the application secret.
"""

import hashlib
from typing import List, Optional, Tuple

SIGN_SECRET = b"Rq4TzWm8LbX2vKc7"

Pair = Tuple[bytes, bytes]


def split_pairs(body: bytes) -> List[Pair]:
    """The body's pairs in order, values still URL-encoded."""
    pairs = []
    for piece in body.split(b"&"):
        if piece:
            name, _, value = piece.partition(b"=")
            pairs.append((name, value))
    return pairs


def signing_input(pairs: List[Pair]) -> bytes:
    joined = b"&".join(name + b"=" + value.lower() for name, value in pairs)
    return joined + SIGN_SECRET


def sign_pairs(pairs: List[Pair]) -> str:
    return hashlib.md5(signing_input(pairs)).hexdigest()


def check_signature(body: bytes) -> Tuple[bool, List[Pair], Optional[str]]:
    """(signature valid, the signed pairs, ts text or None)."""
    pairs = split_pairs(body)
    signs = [value for name, value in pairs if name == b"sign"]
    signed = [(name, value) for name, value in pairs if name != b"sign"]
    ts = next((value.decode("latin-1") for name, value in signed if name == b"ts"), None)
    valid = len(signs) == 1 and signs[0].decode("latin-1") == sign_pairs(signed)
    return valid, signed, ts
