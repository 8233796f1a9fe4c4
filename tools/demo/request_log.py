"""Every request the service received, in order, for tests to inspect."""

import copy
import threading
from typing import List


class RequestLog:
    def __init__(self):
        self._lock = threading.Lock()
        self._records: List[dict] = []

    def add(self, record: dict) -> dict:
        """Store the record; the caller fills in the answer later through update."""
        with self._lock:
            record["seq"] = len(self._records) + 1
            self._records.append(record)
        return record

    def update(self, record: dict, **fields) -> None:
        with self._lock:
            record.update(fields)

    def snapshot(self) -> List[dict]:
        with self._lock:
            return copy.deepcopy(self._records)

    def clear(self) -> None:
        with self._lock:
            self._records.clear()
