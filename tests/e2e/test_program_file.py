"""The program file itself: one .exe needing no DLL beside it, with its
resources readable by a PE resource reader (wrestool)."""
import os
import re
import shutil
import struct
import subprocess
import unittest

from orvane_e2e import BUILD_DIR, PROGRAM

# The build's processor as its manifest names it (x86 for the product), and
# the build's own PE reader.
PROGRAM_ARCH = os.environ.get("ORVANE_PROGRAM_ARCH", "x86")
OBJDUMP = os.environ.get("ORVANE_OBJDUMP") or shutil.which("i686-w64-mingw32-objdump")

# What every Windows installation has; anything else would have to ship
# beside the program.
SYSTEM_DLLS = {
    "advapi32.dll", "bcrypt.dll", "comctl32.dll", "crypt32.dll", "gdi32.dll", "gdiplus.dll", "imm32.dll",
    "iphlpapi.dll", "kernel32.dll", "msimg32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll",
    "user32.dll", "version.dll", "ws2_32.dll", "shlwapi.dll", "uuid.dll",
}


def wrestool(*args):
    return subprocess.run(["wrestool"] + list(args) + [PROGRAM], capture_output=True, check=True,
                          timeout=60).stdout


class ProgramFileTest(unittest.TestCase):
    def test_one_exe_needing_only_system_dlls(self):
        folder = os.path.dirname(PROGRAM)
        self.assertEqual([f for f in os.listdir(folder) if f.lower().endswith((".exe", ".dll"))],
                         [os.path.basename(PROGRAM)])
        dump = subprocess.run([OBJDUMP, "-p", PROGRAM], capture_output=True, check=True, timeout=60).stdout
        imported = {name.decode().lower() for name in re.findall(rb"DLL Name: (\S+)", dump)}
        self.assertTrue(imported)
        self.assertEqual(imported - SYSTEM_DLLS, set())

    def test_resource_table(self):
        listing = wrestool("-l").decode()
        entries = re.findall(r"--type=(\S+) --name=(\S+) --language=(\d+)", listing)
        table = {}
        for kind, name, language in entries:
            table.setdefault(kind.strip("'"), []).append((name.strip("'"), int(language)))
        self.assertEqual(table["ZIPRES"], [("101", 2052)])
        self.assertEqual(table["14"], [("103", 2052)])
        self.assertEqual(len(table["3"]), 13)
        self.assertTrue(all(language == 2052 for _, language in table["3"]))
        self.assertEqual(table["16"], [("1", 2052)])
        self.assertEqual(table["24"], [("1", 0)])

    def test_skin_archive_is_the_packed_skin(self):
        with open(os.path.join(BUILD_DIR, "skin.zip"), "rb") as packed:
            self.assertEqual(wrestool("-x", "--type=ZIPRES", "--name=101", "--raw"), packed.read())

    def test_icon_group_has_thirteen_images(self):
        group = wrestool("-x", "--type=14", "--name=103", "--raw")
        reserved, kind, count = struct.unpack_from("<HHH", group)
        self.assertEqual((reserved, kind, count), (0, 1, 13))

    def test_version_block(self):
        block = wrestool("-x", "--type=16", "--name=1", "--raw")
        fixed = block.index(struct.pack("<I", 0xFEEF04BD))
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", block, fixed + 8)
        self.assertEqual((file_ms, file_ls), (0x00010000, 0x00040000))
        self.assertEqual((product_ms, product_ls), (0x00010000, 0x00040000))
        text = block.decode("utf-16-le", errors="replace")
        for key, value in (("FileDescription", "Orvane汉化盒子"), ("FileVersion", "1, 0, 4, 0"),
                           ("ProductVersion", "1, 0, 4, 0"), ("InternalName", "lumtrove"),
                           ("OriginalFilename", "lumtrove"), ("ProductName", "lumtrove")):
            self.assertRegex(text, re.escape(key) + "\0+" + re.escape(value) + "\0")
        self.assertIn("080404b0", text)

    def test_manifest_asks_for_elevation_and_common_controls_6(self):
        manifest = wrestool("-x", "--type=24", "--name=1", "--raw").decode()
        self.assertRegex(manifest, r'requestedExecutionLevel level="requireAdministrator" uiAccess="false"')
        self.assertRegex(manifest, r'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"\s+'
                                   r'processorArchitecture="' + PROGRAM_ARCH + '"')


if __name__ == "__main__":
    unittest.main()
