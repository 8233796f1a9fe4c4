"""Tests of the deployment helpers: keygen, encode_data and key_to_header,
checked against OpenSSL and a C++ compiler where the machine has them.

Run: python3 -m unittest discover -s tools/demo -p 'test_*.py'
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rsa_pem  # noqa: E402  (this folder, also when run by path)

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO_KEY = os.path.join(HERE, "demo-key.pem")
OPENSSL = shutil.which("openssl")
CXX = shutil.which("g++") or shutil.which("clang++")


def tool(name: str, *args, stdin: bytes = b""):
    return subprocess.run([sys.executable, os.path.join(HERE, name), *args],
                          input=stdin, capture_output=True, timeout=120)


def openssl(*args, stdin: bytes = b"") -> bytes:
    return subprocess.run([OPENSSL, *args], input=stdin, capture_output=True, check=True, timeout=120).stdout


class KeyToolsTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)

    def path(self, name: str) -> str:
        return os.path.join(self.dir, name)

    def test_keygen_makes_a_1024_bit_key_and_never_overwrites(self):
        private, public = self.path("k.pem"), self.path("k.pub.pem")
        self.assertEqual(tool("keygen.py", private, "--public", public).returncode, 0)
        key, pub = rsa_pem.load_pem_file(private), rsa_pem.load_pem_file(public)
        self.assertEqual((key.n.bit_length(), key.e), (1024, 65537))
        self.assertEqual((pub.n, pub.e, pub.d), (key.n, key.e, None))
        if OPENSSL:
            self.assertIn(b"RSA key ok", openssl("rsa", "-in", private, "-check", "-noout"))
        again = tool("keygen.py", private)
        self.assertNotEqual(again.returncode, 0)
        self.assertEqual(rsa_pem.load_pem_file(private), key)

    def test_encoded_data_is_chunked_and_decrypts_with_openssl(self):
        payload = json.dumps({"title": "文章" * 40, "n": list(range(30))}, ensure_ascii=False).encode()
        result = tool("encode_data.py", "--key", DEMO_KEY, stdin=payload)
        self.assertEqual(result.returncode, 0, result.stderr)
        text = result.stdout.decode().strip()
        blocks = [bytes.fromhex(text[i:i + 256]) for i in range(0, len(text), 256)]
        self.assertEqual(len(blocks), -(-len(payload) // 117))
        self.assertEqual(len(text), 256 * len(blocks))
        key = rsa_pem.load_pem_file(DEMO_KEY)
        self.assertEqual(rsa_pem.decode_reply_data(key, text), payload)
        if OPENSSL:
            chunks = [openssl("pkeyutl", "-decrypt", "-inkey", DEMO_KEY, "-pkeyopt", "rsa_padding_mode:pkcs1",
                              stdin=block) for block in blocks]
            self.assertEqual(b"".join(chunks), payload)
            self.assertTrue(all(len(c) <= 117 for c in chunks))

    def test_encode_data_refuses_bad_input(self):
        cases = [
            ("not JSON", [], b"{oops", b"Expecting"),
            ("zero byte", ["--any-text"], b"a\x00b", b"zero byte"),
            ("missing key", ["--key", self.path("none.pem")], b"{}", b"cannot read"),
        ]
        for name, args, stdin, message in cases:
            with self.subTest(name):
                result = tool("encode_data.py", *args, stdin=stdin)
                self.assertEqual((result.returncode, result.stdout), (1, b""))
                self.assertIn(message, result.stderr)
        self.assertEqual(tool("encode_data.py", "--any-text", stdin=b"plain text").returncode, 0)

    @unittest.skipUnless(OPENSSL, "openssl is not installed")
    def test_openssl_keys_are_read_in_both_pem_forms(self):
        pkcs8 = self.path("pkcs8.pem")
        openssl("genrsa", "-out", pkcs8, "1024")
        pkcs1 = openssl("rsa", "-in", pkcs8, "-traditional").decode()
        spki = openssl("rsa", "-in", pkcs8, "-pubout").decode()
        key = rsa_pem.load_pem_file(pkcs8)
        self.assertEqual(rsa_pem.parse_pem(pkcs1), key)
        self.assertEqual((rsa_pem.parse_pem(spki).n, rsa_pem.parse_pem(spki).e), (key.n, key.e))
        with open(self.path("pub.pem"), "w") as stream:
            stream.write(spki)
        block = openssl("pkeyutl", "-encrypt", "-pubin", "-inkey", self.path("pub.pem"), stdin=b"chunk")
        self.assertEqual(rsa_pem.decrypt_block(key, block), b"chunk")

    @unittest.skipUnless(CXX, "no C++ compiler")
    def test_header_compiles_and_holds_n_e_d(self):
        header = self.path("reply_key.h")
        self.assertEqual(tool("key_to_header.py", DEMO_KEY, header).returncode, 0)
        program = self.path("dump.cpp")
        with open(program, "w") as stream:
            stream.write('#include "reply_key.h"\n#include "reply_key.h"\n#include <cstdio>\n'
                         "static void dump(const unsigned char* p, std::size_t n) {\n"
                         '  for (std::size_t i = 0; i < n; ++i) std::printf("%02x", p[i]);\n'
                         '  std::printf("\\n");\n}\n'
                         "int main() {\n"
                         "  dump(kReplyKeyModulus, kReplyKeyModulusSize);\n"
                         "  dump(kReplyKeyPublicExponent, kReplyKeyPublicExponentSize);\n"
                         "  dump(kReplyKeyPrivateExponent, kReplyKeyPrivateExponentSize);\n}\n")
        subprocess.run([CXX, "-std=c++17", "-Wall", "-Werror", "-o", self.path("dump"), program],
                       check=True, timeout=120)
        lines = subprocess.run([self.path("dump")], capture_output=True, check=True).stdout.decode().split()
        key = rsa_pem.load_pem_file(DEMO_KEY)
        self.assertEqual(lines, [key.n.to_bytes(128, "big").hex(), "010001", key.d.to_bytes(128, "big").hex()])

    def test_header_refuses_keys_the_program_cannot_use(self):
        key = rsa_pem.load_pem_file(DEMO_KEY)
        public = self.path("public.pem")
        with open(public, "w") as stream:
            stream.write(rsa_pem.public_key_pem(key))
        big = self.path("big.pem")
        with open(big, "w") as stream:
            stream.write(rsa_pem.private_key_pem(rsa_pem.generate_key(bits=1536)))
        for source, message in ((public, b"private key"), (big, b"1024-bit")):
            with self.subTest(source=os.path.basename(source)):
                result = tool("key_to_header.py", source, self.path("out.h"))
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.exists(self.path("out.h")))


if __name__ == "__main__":
    unittest.main()
