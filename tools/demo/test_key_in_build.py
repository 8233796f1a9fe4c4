"""Tests of key_in_build: it finds a key's modulus in a built file only
where the build put it, most significant byte first.

Run: python3 -m unittest discover -s tools/demo -p 'test_*.py'
"""

import os
import secrets
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rsa_pem  # noqa: E402  (this folder, also when run by path)

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO_KEY = os.path.join(HERE, "demo-key.pem")


class KeyInBuildTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)
        key = rsa_pem.load_pem_file(DEMO_KEY)
        self.modulus = key.n.to_bytes(key.size_bytes, "big")

    def built(self, content: bytes, name: str = "liborvane_workers.a") -> str:
        path = os.path.join(self.dir, name)
        with open(path, "wb") as stream:
            stream.write(content)
        return path

    def run_tool(self, *args) -> int:
        return subprocess.run([sys.executable, os.path.join(HERE, "key_in_build.py"), *args],
                              capture_output=True, timeout=60).returncode

    def test_modulus_found_only_as_the_build_stores_it(self):
        noise = secrets.token_bytes(4096)
        cases = [
            ("stored", noise + self.modulus + noise, 0, 1),
            ("absent", noise, 1, 0),
            ("reversed", noise + self.modulus[::-1] + noise, 1, 0),
            ("cut short", noise + self.modulus[:-1] + b"\0" + noise, 1, 0),
        ]
        for name, content, holds, lacks in cases:
            with self.subTest(name):
                path = self.built(content)
                self.assertEqual(self.run_tool(path, "--holds", DEMO_KEY), holds)
                self.assertEqual(self.run_tool(path, "--lacks", DEMO_KEY), lacks)

    def test_unreadable_inputs_fail_apart_from_a_missing_key(self):
        path = self.built(self.modulus)
        not_a_key = self.built(b"not a key", "key.pem")
        self.assertEqual(self.run_tool(os.path.join(self.dir, "missing.a"), "--holds", DEMO_KEY), 2)
        self.assertEqual(self.run_tool(path, "--holds", os.path.join(self.dir, "missing.pem")), 2)
        self.assertEqual(self.run_tool(path, "--holds", not_a_key), 2)
        self.assertEqual(self.run_tool(path), 2)


if __name__ == "__main__":
    unittest.main()
