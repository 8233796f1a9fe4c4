"""Misbehaviour the tests ask for, per call path and host.

A fault is a path ("*" for every call), a host ("primary", "fallback" or
"any"), an optional count of requests it applies to, and a mode:

  "empty"                      status 200 with an empty body
  "stall"                      accept the request and never answer
  {"status": N, "body": text}  status N (100-599; 3xx never carry Location);
                               without "body": the call's normal reply for
                               200-300, a short status text otherwise
  {"raw": text}                status 200 with exactly this body
  {"envelope": {...}}          the normal reply with these envelope members
                               replaced or added, e.g. {"code": "10001"}
  {"data": text}               the normal reply whose "data" encodes this
                               payload text instead, e.g. one that is not JSON
"""

import threading
from dataclasses import dataclass
from typing import List, Optional

HOSTS = ("primary", "fallback", "any")


@dataclass(frozen=True)
class Mode:
    kind: str                    # "status", "stall", "envelope" or "data"
    status: int = 200
    body: Optional[bytes] = None
    members: Optional[dict] = None
    text: Optional[str] = None

    def runs_call(self) -> bool:
        """Whether the call itself is carried out (with its side effects)."""
        if self.kind in ("envelope", "data"):
            return True
        return self.kind == "status" and self.body is None and 200 <= self.status <= 300

    def describe(self):
        if self.kind == "stall":
            return "stall"
        if self.kind == "status":
            body = None if self.body is None else self.body.decode("utf-8", "replace")
            return {"status": self.status, "body": body}
        return {self.kind: self.members if self.kind == "envelope" else self.text}


@dataclass
class Fault:
    path: str
    host: str
    remaining: Optional[int]
    mode: Mode


def parse_mode(value) -> Mode:
    if value == "empty":
        return Mode("status", 200, b"")
    if value == "stall":
        return Mode("stall")
    if not isinstance(value, dict) or len(value) == 0:
        raise ValueError(f"unknown fault mode: {value!r}")
    if "status" in value:
        status, body = value["status"], value.get("body")
        if not isinstance(status, int) or not 100 <= status <= 599:
            raise ValueError("status must be a number from 100 to 599")
        if body is not None and not isinstance(body, str):
            raise ValueError("body must be a text")
        return Mode("status", status, None if body is None else body.encode("utf-8"))
    if isinstance(value.get("raw"), str):
        return Mode("status", 200, value["raw"].encode("utf-8"))
    if isinstance(value.get("envelope"), dict):
        return Mode("envelope", members=value["envelope"])
    if isinstance(value.get("data"), str):
        if "\0" in value["data"]:
            raise ValueError("a payload cannot hold a zero character")
        return Mode("data", text=value["data"])
    raise ValueError(f"unknown fault mode: {value!r}")


class FaultTable:
    def __init__(self):
        self._lock = threading.Lock()
        self._faults: List[Fault] = []

    def add(self, fields: dict) -> None:
        path = fields.get("path", "*")
        host = fields.get("host", "any")
        count = fields.get("count")
        if not isinstance(path, str) or not (path == "*" or path.startswith("/")):
            raise ValueError('path must start with "/" or be "*"')
        if host not in HOSTS:
            raise ValueError("host must be one of " + ", ".join(HOSTS))
        if count is not None and (not isinstance(count, int) or isinstance(count, bool) or count < 1):
            raise ValueError("count must be a positive number")
        fault = Fault(path, host, count, parse_mode(fields.get("mode")))
        with self._lock:
            self._faults.append(fault)

    def take(self, path: str, host: str) -> Optional[Mode]:
        """The mode of the oldest fault matching this request, using up one count."""
        with self._lock:
            for fault in self._faults:
                if fault.path in ("*", path) and fault.host in ("any", host):
                    if fault.remaining is not None:
                        fault.remaining -= 1
                        if fault.remaining == 0:
                            self._faults.remove(fault)
                    return fault.mode
        return None

    def clear(self) -> None:
        with self._lock:
            self._faults.clear()
