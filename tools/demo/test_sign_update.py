"""Tests of sign_update: its signatures are Ed25519 over the file's exact
bytes, the ones RFC 8032 gives for its keys, and they verify with the
public key; keys that cannot sign an update are refused.

Run: python3 -m unittest discover -s tools/demo -p 'test_*.py'
"""

import base64
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

try:
    from cryptography.exceptions import InvalidSignature
    from cryptography.hazmat.primitives.serialization import load_pem_public_key
except ImportError:
    load_pem_public_key = None

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO_KEY = os.path.join(HERE, "demo-update-key.pem")
DEMO_PUBLIC_KEY = os.path.join(HERE, "demo-update-key.pub.pem")

# RFC 8032, section 7.1, tests 2 and 3 (test 1 signs an empty message):
# secret key, message, signature.
RFC_8032 = [
    ("4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb", "72",
     "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00"),
    ("c5aa8df43f9f837bedb7442f31dcb7b166d38535076f094b85ce3a2e0b4458f7", "af82",
     "6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac18ff9b538d16f290ae67f760984dc6594a7c15e9716ed28dc027beceea1ec40a"),
]
# PKCS#8 for an Ed25519 secret key: this header, then the 32 bytes.
PKCS8_ED25519_PREFIX = bytes.fromhex("302e020100300506032b657004220420")


def tool(*args):
    return subprocess.run([sys.executable, os.path.join(HERE, "sign_update.py"), *args],
                          capture_output=True, timeout=120)


def pem(label: str, der: bytes) -> str:
    return "-----BEGIN %s-----\n%s\n-----END %s-----\n" % (label, base64.b64encode(der).decode(), label)


class SignUpdateTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)

    def write(self, name: str, data) -> str:
        path = os.path.join(self.dir, name)
        with open(path, "wb" if isinstance(data, bytes) else "w") as stream:
            stream.write(data)
        return path

    def sign(self, path: str, *args) -> bytes:
        result = tool(path, *args)
        self.assertEqual(result.returncode, 0, result.stderr)
        text = result.stdout.decode("ascii")
        self.assertTrue(text.endswith("\n") and text.count("\n") == 1)
        return base64.b64decode(text.strip(), validate=True)

    def openssl_verifies(self, path: str, signature: bytes) -> bool:
        sig_path = self.write("file.sig", signature)
        result = subprocess.run(["openssl", "pkeyutl", "-verify", "-pubin", "-inkey", DEMO_PUBLIC_KEY, "-rawin",
                                 "-in", path, "-sigfile", sig_path], capture_output=True, timeout=120)
        return result.returncode == 0

    def test_rfc_8032_keys_give_the_rfc_signatures(self):
        for secret, message, signature in RFC_8032:
            with self.subTest(message=message):
                key = self.write("rfc.pem", pem("PRIVATE KEY", PKCS8_ED25519_PREFIX + bytes.fromhex(secret)))
                path = self.write("message.bin", bytes.fromhex(message))
                self.assertEqual(self.sign(path, "--key", key).hex(), signature)

    def test_demo_signature_verifies_with_the_public_key_and_only_for_those_bytes(self):
        data = bytes(range(256)) * 4099
        path = self.write("OrvaneBox.exe", data)
        signature = self.sign(path)
        self.assertEqual(len(signature), 64)
        self.assertEqual(self.sign(path, "--key", DEMO_KEY), signature)
        changed = self.write("changed.exe", data[:5000] + bytes([data[5000] ^ 1]) + data[5001:])
        self.assertTrue(self.openssl_verifies(path, signature))
        self.assertFalse(self.openssl_verifies(changed, signature))
        if load_pem_public_key:
            with open(DEMO_PUBLIC_KEY, "rb") as stream:
                public = load_pem_public_key(stream.read())
            public.verify(signature, data)
            with self.assertRaises(InvalidSignature):
                public.verify(signature, data[:-1])

    def test_refuses_what_cannot_sign_an_update(self):
        program = self.write("OrvaneBox.exe", b"MZ program")
        empty = self.write("empty.exe", b"")
        missing = os.path.join(self.dir, "missing.exe")
        cases = [
            ("the public key", program, ["--key", DEMO_PUBLIC_KEY], b"Could not read key"),
            ("an RSA key", program, ["--key", os.path.join(HERE, "demo-key.pem")], b"no Ed25519 private key"),
            ("no key file", program, ["--key", os.path.join(self.dir, "none.pem")], b"none.pem: no such file"),
            ("no file", missing, [], b"missing.exe: no such file"),
            ("an empty file", empty, [], b"empty.exe is empty"),
        ]
        for name, path, args, message in cases:
            with self.subTest(name):
                result = tool(path, *args)
                self.assertEqual((result.returncode, result.stdout), (1, b""))
                self.assertIn(message, result.stderr)

if __name__ == "__main__":
    unittest.main()
