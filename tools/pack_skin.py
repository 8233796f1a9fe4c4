#!/usr/bin/env python3
"""Packs the skin folder into the standard zip archive the program embeds.

The window skins and the two large pictures are deflated; the small icons,
which PNG has already compressed, are stored. Entries carry a fixed time
stamp so the same skin folder always gives the same archive bytes.

usage: pack_skin.py SKIN_FOLDER OUTPUT_ZIP
"""
import pathlib
import sys
import zipfile

SKINS = ["main.xml", "menu.xml", "msgbox.xml"]
DEFLATED_PICTURES = {"game.png", "menubk.png"}
TIMESTAMP = (2024, 1, 1, 0, 0, 0)


def entry(name, method):
    info = zipfile.ZipInfo(name, date_time=TIMESTAMP)
    info.compress_type = method
    info.create_system = 0
    info.external_attr = 0x10 if name.endswith("/") else 0x20
    return info


def pack(folder, output):
    pictures = sorted(p.name for p in (folder / "img").glob("*.png"))
    missing = [name for name in SKINS if not (folder / name).is_file()]
    if missing or not pictures:
        sys.exit("pack_skin: missing in %s: %s" % (folder, ", ".join(missing) or "img/*.png"))
    partial = output.with_name(output.name + ".part")
    with zipfile.ZipFile(partial, "w") as archive:
        for name in SKINS:
            archive.writestr(entry(name, zipfile.ZIP_DEFLATED), (folder / name).read_bytes(), compresslevel=9)
        archive.writestr(entry("img/", zipfile.ZIP_STORED), b"")
        for name in pictures:
            method = zipfile.ZIP_DEFLATED if name in DEFLATED_PICTURES else zipfile.ZIP_STORED
            archive.writestr(entry("img/" + name, method), (folder / "img" / name).read_bytes(), compresslevel=9)
    partial.replace(output)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    pack(pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]))
