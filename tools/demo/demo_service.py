#!/usr/bin/env python3
"""The demo deployment's API service: the backend behind nginx.

It answers the web API's calls (api_calls), applies the faults tests ask
for (faults), records every request (request_log), serves the file
server's stalling and cut-off downloads, and offers the control endpoints
under /demo/ (control). Started and stopped by scripts/demo-service.sh.
"""

import argparse
import http
import json
import logging
import os
import re
import select
import signal
import sys
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import rsa_pem
from accounts import AccountStore
from api_calls import ApiService, Call, Reply
from control import Control
from demo_files import FileFolder
from faults import FaultTable, Mode
from nginx_hosts import NginxHosts
from request_log import RequestLog

STALL_SECONDS = 120
PARTIAL_FILE_SIZE = 1 << 20
HERE = os.path.dirname(os.path.abspath(__file__))

log = logging.getLogger("service")


class App:
    """Everything the request handlers share."""

    def __init__(self, args):
        state = args.state_dir
        self.port_base = args.port_base
        files_base = f"http://127.0.0.1:{args.port_base + 81}/"
        self.accounts = AccountStore(os.path.join(state, "demo.sqlite"))
        self.api = ApiService(self.accounts, rsa_pem.load_pem_file(args.key), files_base)
        self.faults = FaultTable()
        self.requests = RequestLog()
        self.files = FileFolder(os.path.join(state, "files"))
        self.files_log_path = os.path.join(state, "files-access.log")
        primary = [("127.0.0.1", args.port_base + 443)] + ([("::1", args.port_base + 443)] if args.ipv6 else [])
        self.hosts = NginxHosts(state, {"primary": primary, "fallback": [("127.0.0.1", args.port_base + 444)]})
        self.control = Control(self)


def _reason(status: int) -> str:
    try:
        return http.HTTPStatus(status).phrase
    except ValueError:
        return "Demo Status"


def _split_client_request(proxied: bytes, client_body_length: str):
    """nginx sends the client's raw request head followed by its body."""
    if client_body_length.isdigit() and int(client_body_length) <= len(proxied):
        cut = len(proxied) - int(client_body_length)
        return proxied[:cut], proxied[cut:]
    match = re.search(rb"\r?\n\r?\n", proxied)
    if not match:
        return proxied, b""
    return proxied[:match.end()], proxied[match.end():]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "OrvaneDemo/1.0"

    def do_GET(self):
        self._handle()

    do_POST = do_PUT = do_DELETE = do_GET

    def log_message(self, format, *args):
        log.debug(format, *args)

    @property
    def app(self) -> App:
        return self.server.app

    def _handle(self) -> None:
        self.close_connection = True
        length = self.headers.get("Content-Length", "0")
        if self.headers.get("Transfer-Encoding") or not length.isdigit():
            self._write(411, b"a Content-Length is needed\n", "text/plain")
            return
        body = self.rfile.read(int(length))
        origin = self.headers.get("X-Demo-Host", "direct")
        target = urllib.parse.urlsplit(self.path)
        if target.path.startswith("/demo/"):
            if origin != "direct":
                self._write(404, b"not found\n", "text/plain")
                return
            status, answer = self.app.control.handle(self.command, target.path, target.query, body)
            self._write_json(status, answer)
            return
        record, call = self._record(origin, body)
        if target.path.startswith(("/stall/", "/cut/")):
            self._partial_file(stall=target.path.startswith("/stall/"))
            self.app.requests.update(record, status=200)
            return
        mode = self.app.faults.take(target.path, origin)
        self.app.requests.update(record, fault=mode.describe() if mode else None)
        status, reply_code = self._answer(call, mode)
        self.app.requests.update(record, status=status, reply_code=reply_code)
        log.info("%s %s %s -> %s %s", origin, self.command, self.path, status, reply_code)

    def _record(self, origin: str, body: bytes):
        """Record the request as the client sent it; returns (record, call)."""
        if self.headers.get("X-Demo-Raw"):
            head, body = _split_client_request(body, self.headers.get("X-Demo-Body-Length", ""))
            lines = [line.rstrip(b"\r").decode("utf-8", "backslashreplace") for line in head.split(b"\n")]
            request_line, header_lines = lines[0], [line for line in lines[1:] if line]
        else:
            request_line = self.requestline
            header_lines = [f"{name}: {value}" for name, value in self.headers.items()]
        parts = request_line.split(" ")
        record = self.app.requests.add({
            "time": time.time(), "host": origin, "method": self.command,
            "path": parts[1] if len(parts) == 3 else self.path,
            "http_version": parts[2] if len(parts) == 3 else "",
            "headers": header_lines, "body": body.decode("utf-8", "backslashreplace"),
            "status": None, "reply_code": None, "fault": None})
        names = {}
        for line in header_lines:
            name, _, value = line.partition(":")
            names[name.strip().lower()] = value.strip()
        return record, Call(self.command, self.path, body, names)

    def _answer(self, call: Call, mode: Mode):
        if mode is not None and mode.kind == "stall":
            self._stall()
            return None, None
        if mode is not None and not mode.runs_call():
            self._write(mode.status, mode.body if mode.body is not None else
                        f"{mode.status} {_reason(mode.status)}\n".encode("ascii"), "text/plain")
            return mode.status, None
        reply: Reply = self.app.api.answer(call)
        if mode is not None and mode.kind == "envelope":
            reply.envelope.update(mode.members)
        elif mode is not None and mode.kind == "data":
            reply.envelope["data"] = self.app.api.encode_data(mode.text.encode("utf-8"))
        elif mode is not None:
            reply.status = mode.status
        self._write(reply.status, reply.body(), "application/json; charset=utf-8")
        return reply.status, reply.envelope.get("code")

    def _write(self, status: int, body: bytes, content_type: str, length: int = -1) -> None:
        head = (f"HTTP/1.1 {status} {_reason(status)}\r\n"
                f"Server: {self.server_version}\r\n"
                f"Content-Type: {content_type}\r\n"
                f"Content-Length: {len(body) if length < 0 else length}\r\n"
                "Connection: close\r\n\r\n")
        self.wfile.write(head.encode("ascii") + body)
        self.wfile.flush()

    def _write_json(self, status: int, value) -> None:
        self._write(status, json.dumps(value, ensure_ascii=False).encode("utf-8"),
                    "application/json; charset=utf-8")

    def _partial_file(self, stall: bool) -> None:
        """A download that announces 1 MiB and stops: stalling, or cut off."""
        first = bytes(range(16)) if stall else bytes(4096)
        self._write(200, first, "application/octet-stream", PARTIAL_FILE_SIZE)
        if stall:
            self._stall()

    def _stall(self) -> None:
        """Hold the connection until the peer closes it or the time is up."""
        deadline = time.monotonic() + STALL_SECONDS
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.connection], [], [], 1.0)
            try:
                if ready and not self.connection.recv(4096):
                    return
            except OSError:
                return


class Server(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--state-dir", required=True)
    parser.add_argument("--port-base", type=int, default=18000)
    parser.add_argument("--key", default=os.path.join(HERE, "demo-key.pem"),
                        help="the reply-data key (public or private PEM)")
    parser.add_argument("--ipv6", action="store_true", help="the primary host also listens on [::1]")
    args = parser.parse_args()
    logging.basicConfig(level=logging.INFO, format="%(asctime)s %(name)s %(message)s")

    app = App(args)
    app.files.seed_if_missing()
    pid_file = os.path.join(args.state_dir, "api.pid")
    with open(pid_file, "w", encoding="ascii") as stream:
        stream.write(f"{os.getpid()}\n")
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(0))
    try:
        with Server(("127.0.0.1", args.port_base + 80), Handler) as server:
            server.app = app
            log.info("listening on 127.0.0.1:%d", args.port_base + 80)
            server.serve_forever()
    finally:
        os.remove(pid_file)
    return 0


if __name__ == "__main__":
    sys.exit(main())
