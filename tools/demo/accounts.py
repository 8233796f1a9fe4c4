"""Accounts and SMS codes of the demo service, in SQLite."""

import hashlib
import secrets
import sqlite3
import threading
import time
from typing import Optional, Tuple

CODE_LIFETIME_SECONDS = 300
FIRST_USER_ID = 100001
DEMO_MOBILE = "13800138000"
DEMO_PASSWORD = "Orvane2024"

_SCHEMA = """
CREATE TABLE IF NOT EXISTS users (
    user_id INTEGER PRIMARY KEY,
    mobile TEXT NOT NULL UNIQUE,
    password_salt TEXT,
    password_hash TEXT,
    created REAL NOT NULL);
CREATE TABLE IF NOT EXISTS codes (
    mobile TEXT NOT NULL,
    code TEXT NOT NULL,
    expires REAL NOT NULL,
    used INTEGER NOT NULL DEFAULT 0);
"""


def _password_hash(salt: str, password: str) -> str:
    return hashlib.pbkdf2_hmac("sha256", password.encode("utf-8"), salt.encode("ascii"), 1000).hex()


class AccountStore:
    def __init__(self, path: str):
        self._lock = threading.Lock()
        self._db = sqlite3.connect(path, check_same_thread=False, isolation_level=None)
        self._db.executescript(_SCHEMA)
        if not self._db.execute("SELECT 1 FROM users").fetchone():
            self.reset()

    def reset(self) -> None:
        """Forget everyone but the demo account, which gets the first user id."""
        with self._lock:
            self._db.executescript("DELETE FROM users; DELETE FROM codes;")
        self.set_account(DEMO_MOBILE, DEMO_PASSWORD)

    def set_account(self, mobile: str, password: Optional[str]) -> int:
        """Create the account or replace its password; returns its user id."""
        salt = secrets.token_hex(8) if password is not None else None
        digest = _password_hash(salt, password) if password is not None else None
        with self._lock:
            row = self._db.execute("SELECT user_id FROM users WHERE mobile = ?", (mobile,)).fetchone()
            if row:
                self._db.execute("UPDATE users SET password_salt = ?, password_hash = ? WHERE user_id = ?",
                                 (salt, digest, row[0]))
                return row[0]
            return self._insert(mobile, salt, digest)

    def _insert(self, mobile: str, salt: Optional[str], digest: Optional[str]) -> int:
        top = self._db.execute("SELECT MAX(user_id) FROM users").fetchone()[0]
        user_id = FIRST_USER_ID if top is None else top + 1
        self._db.execute("INSERT INTO users VALUES (?, ?, ?, ?, ?)",
                         (user_id, mobile, salt, digest, time.time()))
        return user_id

    def new_code(self, mobile: str) -> str:
        code = f"{secrets.randbelow(1000000):06d}"
        with self._lock:
            self._db.execute("UPDATE codes SET used = 1 WHERE mobile = ?", (mobile,))
            self._db.execute("INSERT INTO codes VALUES (?, ?, ?, 0)",
                             (mobile, code, time.time() + CODE_LIFETIME_SECONDS))
        return code

    def latest_code(self, mobile: str) -> Optional[str]:
        with self._lock:
            row = self._db.execute("SELECT code FROM codes WHERE mobile = ? AND used = 0 AND expires > ? "
                                   "ORDER BY rowid DESC LIMIT 1", (mobile, time.time())).fetchone()
        return row[0] if row else None

    def sign_in_with_code(self, mobile: str, code: str) -> Optional[Tuple[int, bool]]:
        """(user id, newly registered), or None for a wrong or stale code.

        A code works once; the first sign-in of a number registers it.
        """
        with self._lock:
            row = self._db.execute("SELECT rowid FROM codes WHERE mobile = ? AND code = ? AND used = 0 "
                                   "AND expires > ?", (mobile, code, time.time())).fetchone()
            if not row:
                return None
            self._db.execute("UPDATE codes SET used = 1 WHERE rowid = ?", (row[0],))
            user = self._db.execute("SELECT user_id FROM users WHERE mobile = ?", (mobile,)).fetchone()
            if user:
                return user[0], False
            return self._insert(mobile, None, None), True

    def sign_in_with_password(self, mobile: str, password: str) -> Optional[int]:
        with self._lock:
            row = self._db.execute("SELECT user_id, password_salt, password_hash FROM users WHERE mobile = ?",
                                   (mobile,)).fetchone()
        if not row or row[1] is None:
            return None
        user_id, salt, digest = row
        return user_id if secrets.compare_digest(_password_hash(salt, password), digest) else None

