"""Taking the primary or fallback HTTPS host down and up again, and making
it show an impostor's certificate.

Each host is one server block in STATE_DIR/hosts-up/<host>.conf, which
nginx.conf includes. Down moves the file to hosts-down/ and reloads nginx;
the call returns only once the host's port really refuses connections, so
a client started afterwards meets a refused connection, not a stale
listener. Up moves it back and waits until the port accepts again.

An impostor host serves the same names with tls/impostor-cert.pem, a
certificate of another key, as someone answering in the service's name
would; the call returns once new connections get that certificate.
"""

import os
import signal
import socket
import ssl
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


def _served_certificate(address: Tuple[str, int]) -> bytes:
    """The DER certificate a new connection gets; empty when none comes."""
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    context.check_hostname = False
    context.verify_mode = ssl.CERT_NONE
    try:
        with socket.create_connection(address, timeout=2) as plain:
            with context.wrap_socket(plain, server_hostname="localhost") as tls:
                return tls.getpeercert(binary_form=True) or b""
    except OSError:
        return b""


CERTIFICATES = {False: ("tls/cert.pem", "tls/key.pem"), True: ("tls/impostor-cert.pem", "tls/impostor-key.pem")}


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
        _wait_for(lambda: all(_accepts(a) == up for a in self._addresses[host]),
                  f"nginx did not take the {host} host {'up' if up else 'down'}")

    def set_impostor(self, host: str, impostor: bool) -> None:
        """Raises RuntimeError when nginx does not follow within the wait."""
        if host not in self._addresses:
            raise ValueError(f"unknown host {host!r}")
        folder = next((f for f in ("hosts-up", "hosts-down") if os.path.exists(self._file(f, host))), None)
        if folder is None:
            raise RuntimeError(f"no server block for the {host} host")
        with open(self._file(folder, host), encoding="utf-8") as stream:
            text = stream.read()
        shown = text
        for old, new in zip(CERTIFICATES[not impostor], CERTIFICATES[impostor]):
            shown = shown.replace("/" + old + '"', "/" + new + '"')
        if shown == text:
            return
        text = shown
        with open(self._file(folder, host), "w", encoding="utf-8") as stream:
            stream.write(text)
        if folder == "hosts-down":
            return
        self._reload()
        with open(os.path.join(self._state_dir, CERTIFICATES[impostor][0]), encoding="ascii") as stream:
            wanted = ssl.PEM_cert_to_DER_cert(stream.read())
        _wait_for(lambda: all(_served_certificate(a) == wanted for a in self._addresses[host]),
                  f"nginx did not give the {host} host the {'impostor' if impostor else 'genuine'} certificate")

    def _reload(self) -> None:
        """Returns once no worker of the old configuration takes connections:
        until then a new connection may still meet the old certificate."""
        with open(os.path.join(self._state_dir, "nginx.pid"), encoding="ascii") as stream:
            master = int(stream.read().strip())
        old_workers = _children(master)
        os.kill(master, signal.SIGHUP)
        _wait_for(lambda: not any(_takes_connections(pid) for pid in old_workers),
                  "nginx's old workers still take connections")


def _wait_for(condition, failure: str) -> None:
    deadline = time.monotonic() + WAIT_SECONDS
    while not condition():
        if time.monotonic() > deadline:
            raise RuntimeError(f"{failure} after {WAIT_SECONDS} s; see nginx-error.log")
        time.sleep(0.02)


def _children(parent: int) -> List[int]:
    children = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat", encoding="ascii", errors="replace") as stream:
                    fields = stream.read().rpartition(")")[2].split()
            except OSError:
                continue
            if int(fields[1]) == parent:
                children.append(int(entry))
    return children


def _takes_connections(worker: int) -> bool:
    """A worker told to stop renames itself, then closes its listeners."""
    try:
        with open(f"/proc/{worker}/cmdline", "rb") as stream:
            title = stream.read()
        with open(f"/proc/{worker}/stat", encoding="ascii", errors="replace") as stream:
            state = stream.read().rpartition(")")[2].split()[0]
    except OSError:
        return False
    return state != "Z" and b"shutting down" not in title
