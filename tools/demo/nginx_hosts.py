"""Taking the primary or fallback HTTPS host down and up again.

Each host is one server block in STATE_DIR/hosts-up/<host>.conf, which
nginx.conf includes. Down moves the file to hosts-down/ and reloads nginx;
the call returns only once the host's port really refuses connections, so
a client started afterwards meets a refused connection, not a stale
listener. Up moves it back and waits until the port accepts again.
"""

import os
import signal
import socket
import time
from typing import Dict, List, Tuple

WAIT_SECONDS = 15


def _accepts(address: Tuple[str, int]) -> bool:
    family = socket.AF_INET6 if ":" in address[0] else socket.AF_INET
    with socket.socket(family, socket.SOCK_STREAM) as probe:
        probe.settimeout(2)
        try:
            probe.connect(address)
            return True
        except OSError:
            return False


class NginxHosts:
    def __init__(self, state_dir: str, addresses: Dict[str, List[Tuple[str, int]]]):
        self._state_dir = state_dir
        self._addresses = addresses

    def _file(self, folder: str, host: str) -> str:
        return os.path.join(self._state_dir, folder, host + ".conf")

    def set_up(self, host: str, up: bool) -> None:
        """Raises RuntimeError when nginx does not follow within the wait."""
        if host not in self._addresses:
            raise ValueError(f"unknown host {host!r}")
        source, target = ("hosts-down", "hosts-up") if up else ("hosts-up", "hosts-down")
        if os.path.exists(self._file(source, host)):
            os.replace(self._file(source, host), self._file(target, host))
            self._reload()
        deadline = time.monotonic() + WAIT_SECONDS
        while any(_accepts(a) != up for a in self._addresses[host]):
            if time.monotonic() > deadline:
                raise RuntimeError(f"nginx did not take the {host} host {'up' if up else 'down'} "
                                   f"within {WAIT_SECONDS} s; see nginx-error.log")
            time.sleep(0.05)

    def _reload(self) -> None:
        with open(os.path.join(self._state_dir, "nginx.pid"), encoding="ascii") as stream:
            os.kill(int(stream.read().strip()), signal.SIGHUP)
