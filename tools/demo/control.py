"""The demo-only control endpoints under /demo/ on the backend port.

nginx never forwards /demo/, so the program under test cannot reach them;
tests and people running the demo use them directly.
"""

import json
import urllib.parse
from typing import Tuple

Answer = Tuple[int, object]


def _json_body(body: bytes):
    try:
        value = json.loads(body.decode("utf-8") or "{}")
    except (UnicodeDecodeError, json.JSONDecodeError) as error:
        raise ValueError(f"the request body is not JSON: {error}") from None
    if not isinstance(value, dict):
        raise ValueError("the request body must be a JSON object")
    return value


class Control:
    def __init__(self, app):
        self._app = app
        self._routes = {
            ("GET", "/demo/ping"): self._ping,
            ("POST", "/demo/reset"): self._reset,
            ("POST", "/demo/fault"): self._fault,
            ("POST", "/demo/set"): self._set,
            ("POST", "/demo/account"): self._account,
            ("GET", "/demo/requests"): lambda q, b: (200, self._app.requests.snapshot()),
            ("GET", "/demo/sms"): self._sms,
            ("GET", "/demo/files-log"): self._files_log,
            ("DELETE", "/demo/files"): self._empty_files,
        }

    def handle(self, method: str, path: str, query: str, body: bytes) -> Answer:
        try:
            if path.startswith("/demo/files/") and method in ("PUT", "DELETE"):
                return self._file(method, urllib.parse.unquote(path[len("/demo/files/"):]), body)
            route = self._routes.get((method, path))
            if route is None:
                return 404, {"error": f"no control endpoint {method} {path}"}
            return route(urllib.parse.parse_qs(query), body)
        except ValueError as error:
            return 400, {"error": str(error)}
        except (RuntimeError, OSError) as error:
            return 500, {"error": str(error)}

    def _ping(self, query, body) -> Answer:
        return 200, {"ok": True, "port_base": self._app.port_base}

    def _reset(self, query, body) -> Answer:
        app = self._app
        app.faults.clear()
        app.requests.clear()
        app.api.reset()
        app.accounts.reset()
        for host in ("primary", "fallback"):
            app.hosts.set_impostor(host, False)
            app.hosts.set_up(host, True)
        with open(app.files_log_path, "a", encoding="utf-8") as stream:
            stream.truncate(0)
        return 200, {"ok": True}

    def _fault(self, query, body) -> Answer:
        fields = _json_body(body)
        mode = fields.get("mode")
        if isinstance(mode, str) and mode.endswith((" down", " up")):
            host, _, state = mode.partition(" ")
            self._app.hosts.set_up(host, state == "up")
        elif isinstance(mode, str) and mode.endswith((" impostor", " genuine")):
            host, _, state = mode.partition(" ")
            self._app.hosts.set_impostor(host, state == "impostor")
        else:
            self._app.faults.add(fields)
        return 200, {"ok": True}

    def _set(self, query, body) -> Answer:
        self._app.api.configure(_json_body(body))
        return 200, {"ok": True}

    def _account(self, query, body) -> Answer:
        fields = _json_body(body)
        mobile, password = fields.get("mobile"), fields.get("password")
        if not isinstance(mobile, str) or not isinstance(password, (str, type(None))):
            raise ValueError('"mobile" must be a text and "password" a text or null')
        return 200, {"user_id": self._app.accounts.set_account(mobile, password)}

    def _sms(self, query, body) -> Answer:
        mobile = query.get("mobile", [""])[0]
        code = self._app.accounts.latest_code(mobile)
        if code is None:
            return 404, {"error": f"no valid code sent to {mobile!r}"}
        return 200, {"mobile": mobile, "code": code}

    def _files_log(self, query, body) -> Answer:
        try:
            with open(self._app.files_log_path, encoding="utf-8", errors="replace") as stream:
                lines = [line for line in stream.read().splitlines() if line.strip()]
        except FileNotFoundError:
            lines = []
        return 200, [json.loads(line) for line in lines]

    def _empty_files(self, query, body) -> Answer:
        self._app.files.empty()
        return 200, {"ok": True}

    def _file(self, method: str, relative: str, body: bytes) -> Answer:
        if method == "PUT":
            return 200, self._app.files.store(relative, body)
        if not self._app.files.remove(relative):
            return 404, {"error": f"no file {relative!r}"}
        return 200, {"ok": True}
