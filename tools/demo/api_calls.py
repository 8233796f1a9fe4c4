"""The seven calls of the web API, answered as the real service does.

Every call is a signed form POST; the answer is the JSON envelope
{"code", "message", "data"} whose "data" carries the payload encoded with
the deployment's reply-data key (or in clear, when the demo is told so).
"""

import json
import logging
import re
import threading
import time
import urllib.parse
from dataclasses import dataclass, field
from typing import Callable, Dict, Optional

import rsa_pem
import signing
from accounts import AccountStore

SUCCESS = 10001
TS_WINDOW_SECONDS = 24 * 3600
_MOBILE = re.compile(r"\+?[0-9]{5,20}")
_NUMBER = re.compile(r"[0-9]{1,12}")

log = logging.getLogger("api")


@dataclass
class Reply:
    status: int
    envelope: dict

    def body(self) -> bytes:
        return json.dumps(self.envelope, ensure_ascii=False).encode("utf-8")


@dataclass
class Call:
    method: str
    target: str
    body: bytes
    headers: Dict[str, str] = field(default_factory=dict)  # lower-case names


def refused(code: int, message: str, status: int = 200) -> Reply:
    return Reply(status, {"code": code, "message": message})


def payload_bytes(value) -> bytes:
    """A reply value as payload: a JSON text string is taken literally."""
    if isinstance(value, str):
        return value.encode("utf-8")
    return json.dumps(value, ensure_ascii=False, separators=(",", ":")).encode("utf-8")


def default_replies(files_base: str) -> dict:
    page = files_base + "web/index.html"
    return {
        "version": {"check_code": "4", "file_url": files_base + "update/OrvaneBox.exe"},
        "config": {
            "downloadurl_prefix": files_base + "client/",
            "filelist_url_prefix": files_base,
            "file_url": "filelist.json",
            "home": page + "?page=home",
            "qq": page + "?page=qq",
            "help": page + "?page=help",
        },
        "articles": [
            {"title": "Mir M韩服客户端下载说明", "url": page + "?article=1"},
            {"title": "常见问题：下载速度慢怎么办", "url": page + "?article=2"},
            {"title": "盒子版本更新公告", "url": page + "?article=3"},
        ],
    }


class ApiService:
    def __init__(self, accounts: AccountStore, key: rsa_pem.RsaKey, files_base: str):
        self._accounts = accounts
        self._key = key
        self._files_base = files_base
        self._lock = threading.Lock()
        self._calls: Dict[str, Callable[[Dict[str, str], Call], Reply]] = {
            "/Speed/Config/checkVersion": lambda p, c: self._stored_reply("version"),
            "/Speed/Config/getConfig": lambda p, c: self._stored_reply("config"),
            "/Speed/Config/getArticles": lambda p, c: self._stored_reply("articles"),
            "/Speed/User/send": self._send_code,
            "/Speed/User/login": self._login_by_code,
            "/Speed/User/zmlogin": self._login_by_password,
            "/Speed/Server/Report": self._report,
        }
        self.reset()

    def reset(self) -> None:
        with self._lock:
            self._replies = default_replies(self._files_base)
            self._data_in_clear = False

    def configure(self, changes: dict) -> None:
        """Replace stored replies ("version", "config", "articles") or the clear-data switch."""
        unknown = set(changes) - {"version", "config", "articles", "data_in_clear"}
        if unknown:
            raise ValueError("unknown settings: " + ", ".join(sorted(unknown)))
        if any(b"\0" in payload_bytes(v) for k, v in changes.items() if k != "data_in_clear"):
            raise ValueError("a payload cannot hold a zero character")
        with self._lock:
            for name in ("version", "config", "articles"):
                if name in changes:
                    self._replies[name] = changes[name]
            if "data_in_clear" in changes:
                self._data_in_clear = bool(changes["data_in_clear"])

    def is_api_path(self, path: str) -> bool:
        return path in self._calls

    def encode_data(self, payload: bytes) -> str:
        with self._lock:
            in_clear = self._data_in_clear
        if in_clear:
            return payload.decode("utf-8", errors="replace")
        return rsa_pem.encode_reply_data(self._key, payload)

    def success(self, message: str, payload: Optional[bytes]) -> Reply:
        data = self.encode_data(payload) if payload else ""
        return Reply(200, {"code": SUCCESS, "message": message, "data": data})

    def answer(self, call: Call) -> Reply:
        path = urllib.parse.urlsplit(call.target).path
        handler = self._calls.get(path)
        if handler is None:
            return refused(10404, "接口不存在", 404)
        if call.method != "POST":
            return refused(10405, "请求方式错误", 405)
        valid, pairs, ts = signing.check_signature(call.body)
        if not valid:
            return refused(10010, "签名错误")
        if not (ts and _NUMBER.fullmatch(ts) and abs(int(ts) - time.time()) <= TS_WINDOW_SECONDS):
            return refused(10011, "请求已过期")
        params = {name.decode("latin-1"): urllib.parse.unquote_plus(value.decode("latin-1"), encoding="utf-8",
                                                                    errors="replace")
                  for name, value in pairs}
        return handler(params, call)

    def _stored_reply(self, name: str) -> Reply:
        with self._lock:
            value = self._replies[name]
        return self.success("成功", payload_bytes(value))

    def _mobile(self, params: Dict[str, str]) -> Optional[Reply]:
        mobile = params.get("mobile", "")
        if not mobile:
            return refused(10002, "请输入手机号")
        if not _MOBILE.fullmatch(mobile):
            return refused(10003, "手机号格式不正确")
        return None

    def _send_code(self, params: Dict[str, str], call: Call) -> Reply:
        problem = self._mobile(params)
        if problem:
            return problem
        code = self._accounts.new_code(params["mobile"])
        log.info("SMS code for %s: %s", params["mobile"], code)
        return self.success("验证码已发送", None)

    def _login_by_code(self, params: Dict[str, str], call: Call) -> Reply:
        problem = self._mobile(params)
        if problem:
            return problem
        if not params.get("mobile_code"):
            return refused(10002, "请输入验证码")
        result = self._accounts.sign_in_with_code(params["mobile"], params["mobile_code"])
        if result is None:
            return refused(10004, "验证码错误或已失效")
        user_id, registered = result
        if registered:
            log.info("registered %s as user %d", params["mobile"], user_id)
        return self.success("登录成功", payload_bytes({"user_id": user_id, "mobile": params["mobile"]}))

    def _login_by_password(self, params: Dict[str, str], call: Call) -> Reply:
        problem = self._mobile(params)
        if problem:
            return problem
        if not params.get("password"):
            return refused(10002, "请输入密码")
        user_id = self._accounts.sign_in_with_password(params["mobile"], params["password"])
        if user_id is None:
            return refused(10005, "账号或密码错误")
        return self.success("登录成功", payload_bytes({"user_id": user_id, "mobile": params["mobile"]}))

    def _report(self, params: Dict[str, str], call: Call) -> Reply:
        code = params.get("code", "")
        if not _NUMBER.fullmatch(code):
            return refused(10006, "上报代码无效")
        log.info("usage report %s from user %s, machine %s", code,
                 call.headers.get("userid", "?"), call.headers.get("clientuuid", "?"))
        return self.success("成功", None)
