"""RSA key handling for the reply-data key: generation, PEM/DER and the
"data" wire form (117-byte chunks, PKCS#1 v1.5 type 2, hexadecimal).

Pure standard library, so a deployer needs nothing but Python 3 to make a
key, turn it into the program's constant arrays, or encode replies.
"""

import base64
import binascii
import math
import re
import secrets
from dataclasses import dataclass
from typing import Optional

KEY_BITS = 1024
PUBLIC_EXPONENT = 65537

RSA_ENCRYPTION_OID = bytes.fromhex("2a864886f70d010101")  # 1.2.840.113549.1.1.1


class KeyFormatError(ValueError):
    """A key file or key value the tools cannot use."""


@dataclass(frozen=True)
class RsaKey:
    n: int
    e: int
    d: Optional[int] = None
    p: Optional[int] = None
    q: Optional[int] = None

    @property
    def is_private(self) -> bool:
        return self.d is not None

    @property
    def size_bytes(self) -> int:
        return (self.n.bit_length() + 7) // 8


# --- key generation -------------------------------------------------------

_SMALL_PRIMES = [p for p in range(3, 2000) if all(p % f for f in range(2, int(p ** 0.5) + 1))]


def is_probable_prime(n: int, rounds: int = 40) -> bool:
    """Miller-Rabin with random bases; 40 rounds leave an error below 2^-80."""
    if n < 2:
        return False
    for p in _SMALL_PRIMES:
        if n % p == 0:
            return n == p
    r, s = 0, n - 1
    while s % 2 == 0:
        r += 1
        s //= 2
    for _ in range(rounds):
        a = secrets.randbelow(n - 3) + 2
        x = pow(a, s, n)
        if x in (1, n - 1):
            continue
        for _ in range(r - 1):
            x = pow(x, 2, n)
            if x == n - 1:
                break
        else:
            return False
    return True


def _random_prime(bits: int, e: int) -> int:
    while True:
        # Top two bits set so that the product of two such primes has
        # exactly 2 * bits bits; low bit set for an odd candidate.
        candidate = secrets.randbits(bits) | (3 << (bits - 2)) | 1
        if math.gcd(candidate - 1, e) == 1 and is_probable_prime(candidate):
            return candidate


def generate_key(bits: int = KEY_BITS, e: int = PUBLIC_EXPONENT) -> RsaKey:
    while True:
        p = _random_prime(bits // 2, e)
        q = _random_prime(bits // 2, e)
        if p == q:
            continue
        n = p * q
        if n.bit_length() != bits:
            continue
        lam = (p - 1) * (q - 1) // math.gcd(p - 1, q - 1)
        d = pow(e, -1, lam)
        return RsaKey(n=n, e=e, d=d, p=max(p, q), q=min(p, q))


# --- DER -------------------------------------------------------------------

def _der_length(length: int) -> bytes:
    if length < 0x80:
        return bytes([length])
    body = length.to_bytes((length.bit_length() + 7) // 8, "big")
    return bytes([0x80 | len(body)]) + body


def _der(tag: int, content: bytes) -> bytes:
    return bytes([tag]) + _der_length(len(content)) + content


def _der_integer(value: int) -> bytes:
    body = value.to_bytes(value.bit_length() // 8 + 1, "big")  # keeps a sign byte
    return _der(0x02, body)


def _der_read(data: bytes, pos: int):
    """One TLV at pos: (tag, content, position after it)."""
    if pos + 2 > len(data):
        raise KeyFormatError("DER data ends inside a header")
    tag, first = data[pos], data[pos + 1]
    pos += 2
    if first < 0x80:
        length = first
    else:
        count = first & 0x7F
        if count == 0 or count > 4 or pos + count > len(data):
            raise KeyFormatError("DER length is malformed")
        length = int.from_bytes(data[pos:pos + count], "big")
        pos += count
    if pos + length > len(data):
        raise KeyFormatError("DER data is shorter than its length says")
    return tag, data[pos:pos + length], pos + length


def _der_sequence_items(content: bytes):
    items, pos = [], 0
    while pos < len(content):
        tag, value, pos = _der_read(content, pos)
        items.append((tag, value))
    return items


def _expect(tag: int, item, what: str) -> bytes:
    if item[0] != tag:
        raise KeyFormatError(f"{what}: unexpected DER tag 0x{item[0]:02x}")
    return item[1]


def _sequence(data: bytes, what: str):
    tag, content, end = _der_read(data, 0)
    if tag != 0x30 or end != len(data):
        raise KeyFormatError(f"{what} is not one DER sequence")
    return _der_sequence_items(content)


def _integers(items, count: int, what: str):
    if len(items) < count:
        raise KeyFormatError(f"{what} has {len(items)} fields, expected {count}")
    return [int.from_bytes(_expect(0x02, item, what), "big") for item in items[:count]]


def private_key_der(key: RsaKey) -> bytes:
    """PKCS#1 RSAPrivateKey."""
    if not (key.is_private and key.p and key.q):
        raise KeyFormatError("a private key with its primes is needed")
    fields = [0, key.n, key.e, key.d, key.p, key.q,
              key.d % (key.p - 1), key.d % (key.q - 1), pow(key.q, -1, key.p)]
    return _der(0x30, b"".join(_der_integer(v) for v in fields))


def public_key_der(key: RsaKey) -> bytes:
    """PKCS#1 RSAPublicKey."""
    return _der(0x30, _der_integer(key.n) + _der_integer(key.e))


def _parse_pkcs1_private(der: bytes) -> RsaKey:
    version, n, e, d, p, q = _integers(_sequence(der, "RSA private key"), 6, "RSA private key")
    if version != 0:
        raise KeyFormatError("multi-prime RSA keys are not supported")
    return RsaKey(n=n, e=e, d=d, p=p, q=q)


def _parse_pkcs1_public(der: bytes) -> RsaKey:
    n, e = _integers(_sequence(der, "RSA public key"), 2, "RSA public key")
    return RsaKey(n=n, e=e)


def _check_rsa_algorithm(item) -> None:
    algorithm = _der_sequence_items(_expect(0x30, item, "algorithm identifier"))
    if not algorithm or _expect(0x06, algorithm[0], "algorithm") != RSA_ENCRYPTION_OID:
        raise KeyFormatError("the key is not an RSA key")


def _parse_pkcs8_private(der: bytes) -> RsaKey:
    items = _sequence(der, "private key info")
    if len(items) < 3:
        raise KeyFormatError("private key info is incomplete")
    _check_rsa_algorithm(items[1])
    return _parse_pkcs1_private(_expect(0x04, items[2], "private key"))


def _parse_spki_public(der: bytes) -> RsaKey:
    items = _sequence(der, "public key info")
    if len(items) < 2:
        raise KeyFormatError("public key info is incomplete")
    _check_rsa_algorithm(items[0])
    bits = _expect(0x03, items[1], "public key bits")
    if not bits or bits[0] != 0:
        raise KeyFormatError("public key bit string has unused bits")
    return _parse_pkcs1_public(bits[1:])


# --- PEM -------------------------------------------------------------------

_PARSERS = {
    "RSA PRIVATE KEY": _parse_pkcs1_private,
    "PRIVATE KEY": _parse_pkcs8_private,
    "RSA PUBLIC KEY": _parse_pkcs1_public,
    "PUBLIC KEY": _parse_spki_public,
}

_PEM_BLOCK = re.compile(
    r"-----BEGIN ([A-Z ]+)-----\s*(.*?)\s*-----END \1-----", re.DOTALL)


def pem_encode(label: str, der: bytes) -> str:
    text = base64.b64encode(der).decode("ascii")
    lines = [text[i:i + 64] for i in range(0, len(text), 64)]
    return f"-----BEGIN {label}-----\n" + "\n".join(lines) + f"\n-----END {label}-----\n"


def private_key_pem(key: RsaKey) -> str:
    return pem_encode("RSA PRIVATE KEY", private_key_der(key))


def public_key_pem(key: RsaKey) -> str:
    return pem_encode("RSA PUBLIC KEY", public_key_der(key))


def parse_pem(text: str) -> RsaKey:
    """The first RSA key block of a PEM text (PKCS#1 or PKCS#8/SPKI)."""
    for match in _PEM_BLOCK.finditer(text):
        label, body = match.group(1), match.group(2)
        if label not in _PARSERS:
            continue
        if "Proc-Type:" in body:
            raise KeyFormatError("encrypted PEM keys are not supported")
        try:
            der = base64.b64decode("".join(body.split()), validate=True)
        except binascii.Error as error:
            raise KeyFormatError(f"PEM body is not base64: {error}") from None
        key = _PARSERS[label](der)
        check_key(key)
        return key
    raise KeyFormatError("no RSA key block found in the PEM text")


def load_pem_file(path: str) -> RsaKey:
    try:
        with open(path, "r", encoding="ascii", errors="replace") as stream:
            return parse_pem(stream.read())
    except OSError as error:
        raise KeyFormatError(f"cannot read {path}: {error.strerror}") from None


def check_key(key: RsaKey) -> None:
    if key.n < 3 or key.e < 3 or key.e >= key.n:
        raise KeyFormatError("the key's modulus or exponent is out of range")
    if key.is_private:
        probe = 0x1234567 % key.n
        if pow(pow(probe, key.e, key.n), key.d, key.n) != probe:
            raise KeyFormatError("the private exponent does not match the public key")


def require_reply_key(key: RsaKey) -> None:
    """The program decrypts 128-byte blocks: the key must be 1024-bit."""
    if key.n.bit_length() != KEY_BITS:
        raise KeyFormatError(f"the reply-data key must be {KEY_BITS}-bit, "
                        f"this one is {key.n.bit_length()}-bit")


# --- PKCS#1 v1.5 type 2 and the wire form ---------------------------------

def encrypt_block(key: RsaKey, chunk: bytes) -> bytes:
    k = key.size_bytes
    if len(chunk) > k - 11:
        raise ValueError(f"a chunk holds at most {k - 11} bytes")
    padding = bytearray()
    while len(padding) < k - 3 - len(chunk):
        padding.extend(b for b in secrets.token_bytes(k) if b != 0)
    message = b"\x00\x02" + bytes(padding[:k - 3 - len(chunk)]) + b"\x00" + chunk
    return pow(int.from_bytes(message, "big"), key.e, key.n).to_bytes(k, "big")


def decrypt_block(key: RsaKey, block: bytes) -> Optional[bytes]:
    """The chunk of one block, or None when the padding is not type 2."""
    if not key.is_private:
        raise KeyFormatError("decryption needs the private key")
    k = key.size_bytes
    value = int.from_bytes(block, "big")
    if len(block) != k or value >= key.n:
        return None
    message = pow(value, key.d, key.n).to_bytes(k, "big")
    separator = message.find(b"\x00", 2)
    if message[:2] != b"\x00\x02" or separator < 10:
        return None
    return message[separator + 1:]


def encode_reply_data(key: RsaKey, payload: bytes) -> str:
    """Payload bytes to the hexadecimal wire form of "data"."""
    if b"\x00" in payload:
        raise ValueError("the payload must not contain a zero byte")
    chunk = key.size_bytes - 11
    blocks = (encrypt_block(key, payload[i:i + chunk]) for i in range(0, len(payload), chunk))
    return "".join(block.hex() for block in blocks)


def decode_reply_data(key: RsaKey, text: str) -> bytes:
    """Inverse of encode_reply_data; a block that fails to decrypt is dropped."""
    width = key.size_bytes * 2
    out = bytearray()
    for start in range(0, len(text) - width + 1, width):
        try:
            block = bytes.fromhex(text[start:start + width])
        except ValueError:
            continue
        out.extend(decrypt_block(key, block) or b"")
    return bytes(out)
