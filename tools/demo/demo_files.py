"""The file server's folder: game files, the file list and program updates.

nginx serves the folder; the service only stores, removes and seeds files
in it for tests and the demo.
"""

import hashlib
import json
import os
import shutil
from typing import Optional

# A small game client so that a plain start of the demo has something to
# download: relative path -> content.
_DEMO_CLIENT = {
    "MirM.exe": b"MZ demo game launcher stub\r\n",
    "Data/readme.txt": "Mir M 韩服客户端补充文件（演示）\r\n".encode("utf-8"),
    "Data/Paks/pak01.bin": bytes(range(256)) * 64,
}


def safe_relative_path(path: str) -> Optional[str]:
    """The path as a clean relative path inside the folder, or None."""
    parts = [p for p in path.replace("\\", "/").split("/") if p not in ("", ".")]
    if not parts or any(p == ".." or "\0" in p for p in parts):
        return None
    return os.path.join(*parts)


class FileFolder:
    def __init__(self, root: str):
        self.root = root

    def seed_if_missing(self) -> None:
        """Give a new demo a small client to download (when it has no file list)."""
        if os.path.exists(os.path.join(self.root, "filelist.json")):
            return
        entries = []
        for name, content in _DEMO_CLIENT.items():
            self.store("client/" + name, content)
            entries.append({"file": name, "md5": hashlib.md5(content).hexdigest()})
        self.store("filelist.json", json.dumps(entries, indent=1).encode("utf-8"))

    def store(self, relative: str, content: bytes) -> dict:
        clean = safe_relative_path(relative)
        if clean is None:
            raise ValueError(f"not a relative file path: {relative!r}")
        target = os.path.join(self.root, clean)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        temporary = target + ".part"
        with open(temporary, "wb") as stream:
            stream.write(content)
        os.replace(temporary, target)
        return {"path": clean.replace(os.sep, "/"), "size": len(content),
                "md5": hashlib.md5(content).hexdigest()}

    def remove(self, relative: str) -> bool:
        clean = safe_relative_path(relative)
        if clean is None:
            raise ValueError(f"not a relative file path: {relative!r}")
        target = os.path.join(self.root, clean)
        if os.path.isdir(target):
            shutil.rmtree(target)
            return True
        if os.path.exists(target):
            os.remove(target)
            return True
        return False

    def empty(self) -> None:
        os.makedirs(self.root, exist_ok=True)
        for name in os.listdir(self.root):
            path = os.path.join(self.root, name)
            if os.path.isdir(path) and not os.path.islink(path):
                shutil.rmtree(path)
            else:
                os.remove(path)
