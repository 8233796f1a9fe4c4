"""Tests of the running demo service (start it first with
scripts/demo-service.sh start; ORVANE_DEMO_PORT_BASE and
ORVANE_DEMO_STATE_DIR select another instance).

Run: python3 -m unittest discover -s tools/demo -p 'test_*.py'
"""

import gzip
import hashlib
import http.client
import json
import os
import socket
import ssl
import time
import sys
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rsa_pem  # noqa: E402  (this folder, also when run by path)

HERE = os.path.dirname(os.path.abspath(__file__))
BASE = int(os.environ.get("ORVANE_DEMO_PORT_BASE", "18000"))
STATE_DIR = os.environ.get("ORVANE_DEMO_STATE_DIR", os.path.join(HERE, "..", "..", "build", "demo"))
SECRET = "Rq4TzWm8LbX2vKc7"
KEY = rsa_pem.load_pem_file(os.path.join(HERE, "demo-key.pem"))
HOSTS = {"primary": ("localhost", BASE + 443), "fallback": ("127.0.0.1", BASE + 444)}
VERSION = "/Speed/Config/checkVersion"


def tls_context() -> ssl.SSLContext:
    """Verifies the demo certificate, host name and IP address included."""
    return ssl.create_default_context(cafile=os.path.join(STATE_DIR, "tls", "cert.pem"))


def control(method: str, path: str, value=None, data: bytes = None):
    connection = http.client.HTTPConnection("127.0.0.1", BASE + 80, timeout=30)
    body = data if data is not None else (json.dumps(value).encode() if value is not None else None)
    connection.request(method, "/demo/" + path, body=body)
    response = connection.getresponse()
    text = response.read()
    connection.close()
    return response.status, json.loads(text)


def body_for(params, ts=None) -> str:
    """The body as the program builds it, signed here independently of the service's code."""
    ts = ts or str(int(time.time()))
    pairs = [f"{name}={urllib.parse.quote_plus(value, safe='-_.')}" for name, value in params] + [f"ts={ts}"]
    sign = hashlib.md5(("&".join(p.lower() for p in pairs) + SECRET).encode()).hexdigest()
    return "&".join(pairs) + "&sign=" + sign


def call(path: str, body: str, host: str = "primary", headers=None):
    """(HTTP status, response headers, body bytes) of one POST to an API host."""
    name, port = HOSTS[host]
    connection = http.client.HTTPSConnection(name, port, timeout=30, context=tls_context())
    connection.request("POST", path, body=body.encode(), headers=headers or {})
    response = connection.getresponse()
    content = response.read()
    connection.close()
    return response.status, dict(response.getheaders()), content


def envelope(path: str, body: str, host: str = "primary") -> dict:
    status, _, content = call(path, body, host)
    assert status == 200, (status, content)
    return json.loads(content)


def decoded(reply: dict):
    return json.loads(rsa_pem.decode_reply_data(KEY, reply["data"]).decode("utf-8"))


def raw_exchange(host: str, request: bytes, wait: float = 30.0) -> bytes:
    """Send exact request bytes over TLS and read until the server closes."""
    name, port = HOSTS[host]
    with socket.create_connection((name, port), timeout=wait) as plain:
        with tls_context().wrap_socket(plain, server_hostname=name) as secure:
            secure.sendall(request)
            received = b""
            while True:
                chunk = secure.recv(65536)
                if not chunk:
                    return received
                received += chunk


class DemoServiceTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        try:
            control("GET", "ping")
        except OSError as error:
            raise RuntimeError(f"the demo service is not running on port {BASE + 80} "
                               f"({error}); start it with scripts/demo-service.sh start") from None

    def setUp(self):
        self.assertEqual(control("POST", "reset")[0], 200)

    def test_signature_is_checked_as_the_program_signs(self):
        ts = str(int(time.time()))
        good = body_for([], ts)
        plus = [("mobile", "+8613800138000")]
        cases = [
            ("no parameters", VERSION, good, 10001),
            ("one digit of sign changed", VERSION, good[:-1] + ("0" if good[-1] != "0" else "1"), 10010),
            ("sign missing", VERSION, f"ts={ts}", 10010),
            ("sign in upper case", VERSION, good.upper().replace("TS=", "ts=").replace("&SIGN=", "&sign="), 10010),
            ("time stamp two days old", VERSION, body_for([], str(int(time.time()) - 2 * 86400)), 10011),
            ("escape signed in lower case", "/Speed/User/send?", body_for(plus, ts), 10001),
            ("escape signed as sent", "/Speed/User/send?",
             "mobile=%2B8613800138000&ts=" + ts + "&sign=" +
             hashlib.md5(f"mobile=%2B8613800138000&ts={ts}{SECRET}".encode()).hexdigest(), 10010),
        ]
        for name, path, body, code in cases:
            with self.subTest(name):
                reply = envelope(path, body)
                self.assertEqual(reply["code"], code, reply)
                if code == 10010:
                    self.assertEqual(reply["message"], "签名错误")
        self.assertIn("%2B", body_for(plus, ts))

    def test_replies_decrypt_with_the_private_key_on_both_hosts(self):
        files = f"http://127.0.0.1:{BASE + 81}/"
        for host in HOSTS:
            with self.subTest(host):
                version = envelope(VERSION, body_for([]), host)
                self.assertEqual(len(version["data"]) % 256, 0)
                self.assertEqual(decoded(version)["check_code"], "4")
                config = decoded(envelope("/Speed/Config/getConfig", body_for([]), host))
                self.assertEqual(config["downloadurl_prefix"], files + "client/")
                self.assertEqual(config["filelist_url_prefix"], files)
                self.assertTrue(all(config[k].startswith(files) for k in ("home", "qq", "help")))
                articles = decoded(envelope("/Speed/Config/getArticles", body_for([]), host))
                self.assertGreaterEqual(len(articles), 2)
                self.assertTrue(all(a["title"] and a["url"].startswith("http") for a in articles))

    def test_compressed_reply_when_the_client_accepts_gzip(self):
        _, headers, content = call(VERSION, body_for([]), headers={"Accept-Encoding": "gzip, deflate"})
        self.assertEqual(headers.get("Content-Encoding"), "gzip")
        self.assertEqual(json.loads(gzip.decompress(content))["code"], 10001)

    def test_sign_in_by_code_registers_once_and_password_sign_in(self):
        mobile = "+8613900000001"
        self.assertEqual(envelope("/Speed/User/send?", body_for([("mobile", mobile)]))["code"], 10001)
        status, sms = control("GET", "sms?mobile=" + urllib.parse.quote(mobile))
        self.assertEqual(status, 200)
        wrong = str((int(sms["code"]) + 1) % 1000000).zfill(6)
        refused = envelope("/Speed/User/login?", body_for([("mobile", mobile), ("mobile_code", wrong)]))
        self.assertEqual((refused["code"], refused["message"]), (10004, "验证码错误或已失效"))
        first = envelope("/Speed/User/login?", body_for([("mobile", mobile), ("mobile_code", sms["code"])]))
        user_id = decoded(first)["user_id"]
        reused = envelope("/Speed/User/login?", body_for([("mobile", mobile), ("mobile_code", sms["code"])]))
        self.assertEqual(reused["code"], 10004)
        envelope("/Speed/User/send?", body_for([("mobile", mobile)]))
        code = control("GET", "sms?mobile=" + urllib.parse.quote(mobile))[1]["code"]
        again = envelope("/Speed/User/login?", body_for([("mobile", mobile), ("mobile_code", code)]), "fallback")
        self.assertEqual(decoded(again)["user_id"], user_id)

        password = "Pass Word+1"
        self.assertEqual(control("POST", "account", {"mobile": mobile, "password": password}),
                         (200, {"user_id": user_id}))
        for typed, expected in ((password, 10001), (password.lower(), 10005)):
            with self.subTest(password=typed):
                reply = envelope("/Speed/User/zmlogin?", body_for([("mobile", mobile), ("password", typed)]))
                self.assertEqual(reply["code"], expected)
        demo = envelope("/Speed/User/zmlogin?", body_for([("mobile", "13800138000"), ("password", "Orvane2024")]))
        self.assertEqual(decoded(demo)["user_id"], 100001)

    def test_request_is_recorded_as_the_client_sent_it(self):
        body = body_for([("code", "100000")])
        lines = ["Accept: */*", "Accept-Language: zh-CN", "Accept-Encoding: gzip, deflate",
                 f"Host: localhost:{BASE + 443}", "Connection: close", "Userid: 0",
                 "Clientuuid: " + "0123456789abcdef" * 100,  # a head larger than nginx's first buffer
                 "Lang: zh-cn",
                 f"Content-Length: {len(body)}", "Content-Type: application/x-www-form-urlencoded"]
        request = "\r\n".join(["POST /Speed/Server/Report? HTTP/1.1"] + lines) + "\r\n\r\n" + body
        self.assertIn(b" 200 ", raw_exchange("primary", request.encode()).split(b"\r\n")[0])
        record = control("GET", "requests")[1][-1]
        self.assertEqual((record["host"], record["method"], record["path"]),
                         ("primary", "POST", "/Speed/Server/Report?"))
        self.assertEqual(record["headers"], lines)
        self.assertEqual(record["body"], body)
        self.assertEqual((record["status"], record["reply_code"]), (200, 10001))

    def test_fault_modes(self):
        cases = [
            ("empty", 200, lambda c: c == b""),
            ({"status": 199}, 199, None),
            ({"status": 301}, 301, None),
            ({"status": 300}, 300, lambda c: json.loads(c)["code"] == 10001),
            ({"status": 500}, 500, lambda c: b"10001" not in c),
            ({"raw": "<html>"}, 200, lambda c: c == b"<html>"),
            ({"envelope": {"code": 10002}}, 200, lambda c: json.loads(c)["code"] == 10002),
            ({"envelope": {"code": "10001"}}, 200, lambda c: json.loads(c)["code"] == "10001"),
            ({"envelope": {"data": [1]}}, 200, lambda c: json.loads(c)["data"] == [1]),
            ({"data": "not json"}, 200,
             lambda c: rsa_pem.decode_reply_data(KEY, json.loads(c)["data"]) == b"not json"),
        ]
        for mode, status, check in cases:
            with self.subTest(mode=mode):
                self.assertEqual(control("POST", "fault", {"path": VERSION, "host": "primary",
                                                           "count": 1, "mode": mode})[0], 200)
                got, headers, content = call(VERSION, body_for([]))
                self.assertEqual(got, status, content)
                self.assertNotIn("Location", headers)
                if check:
                    self.assertTrue(check(content), content)
                self.assertEqual(envelope(VERSION, body_for([]))["code"], 10001, "count 1 is used up")

    def test_status_below_200_reaches_the_client_through_nginx(self):
        control("POST", "fault", {"path": VERSION, "mode": {"status": 199}})
        body = body_for([])
        request = (f"POST {VERSION} HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
                   f"Content-Length: {len(body)}\r\n\r\n{body}").encode()
        self.assertTrue(raw_exchange("primary", request).startswith(b"HTTP/1.1 199 "))

    def test_fault_applies_to_its_host_only(self):
        control("POST", "fault", {"path": VERSION, "host": "fallback", "mode": {"status": 500}})
        for _ in range(2):
            self.assertEqual(call(VERSION, body_for([]), "fallback")[0], 500)
            self.assertEqual(call(VERSION, body_for([]), "primary")[0], 200)
        records = control("GET", "requests")[1]
        self.assertEqual([r["host"] for r in records], ["fallback", "primary"] * 2)

    def test_stall_holds_the_answer_and_the_file(self):
        control("POST", "fault", {"path": VERSION, "mode": "stall"})
        name, port = HOSTS["primary"]
        with tls_context().wrap_socket(socket.create_connection((name, port)), server_hostname=name) as api:
            api.settimeout(1.5)
            body = body_for([])
            api.sendall(f"POST {VERSION} HTTP/1.1\r\nHost: {name}\r\nContent-Length: {len(body)}\r\n\r\n"
                        f"{body}".encode())
            self.assertRaises(socket.timeout, api.recv, 1)
        with socket.create_connection(("127.0.0.1", BASE + 81)) as files:
            files.settimeout(1.5)
            files.sendall(b"GET /stall/game.bin HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
            received = b""
            with self.assertRaises(socket.timeout):
                while True:
                    received += files.recv(65536)
            head, _, content = received.partition(b"\r\n\r\n")
            self.assertIn(b" 200 ", head)
            self.assertIn(b"Content-Length: 1048576", head)
            self.assertTrue(0 < len(content) < 1024)

    def test_host_down_refuses_connections_and_up_restores(self):
        for down, other in (("primary", "fallback"), ("fallback", "primary")):
            with self.subTest(down=down):
                self.assertEqual(control("POST", "fault", {"mode": down + " down"}), (200, {"ok": True}))
                with self.assertRaises(ConnectionRefusedError):
                    socket.create_connection(HOSTS[down], timeout=5).close()
                self.assertEqual(envelope(VERSION, body_for([]), other)["code"], 10001)
                self.assertEqual(control("POST", "fault", {"mode": down + " up"}), (200, {"ok": True}))
                self.assertEqual(envelope(VERSION, body_for([]), down)["code"], 10001)

    def test_impostor_host_fails_verification_until_reset(self):
        for impostor, other in (("primary", "fallback"), ("fallback", "primary")):
            with self.subTest(impostor=impostor):
                self.assertEqual(control("POST", "fault", {"mode": impostor + " impostor"}), (200, {"ok": True}))
                with self.assertRaises(ssl.SSLCertVerificationError):
                    call(VERSION, body_for([]), impostor)
                self.assertEqual(envelope(VERSION, body_for([]), other)["code"], 10001)
                # The impostor answers in the service's name all the same.
                unverified = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
                unverified.check_hostname, unverified.verify_mode = False, ssl.CERT_NONE
                name, port = HOSTS[impostor]
                connection = http.client.HTTPSConnection(name, port, timeout=30, context=unverified)
                connection.request("POST", VERSION, body=body_for([]).encode())
                self.assertEqual(json.loads(connection.getresponse().read())["code"], 10001)
                connection.close()
                self.assertEqual(control("POST", "reset"), (200, {"ok": True}))
                self.assertEqual(envelope(VERSION, body_for([]), impostor)["code"], 10001)

    def test_control_endpoints_are_not_reachable_through_nginx(self):
        for host in HOSTS:
            name, port = HOSTS[host]
            connection = http.client.HTTPSConnection(name, port, timeout=30, context=tls_context())
            connection.request("POST", "/demo/reset")
            self.assertEqual(connection.getresponse().status, 404)
            connection.close()

    def test_stored_replies_can_be_replaced_and_sent_in_clear(self):
        version = {"check_code": "5", "file_url": "http://127.0.0.1/x.exe"}
        self.assertEqual(control("POST", "set", {"version": version, "data_in_clear": True})[0], 200)
        self.assertEqual(json.loads(envelope(VERSION, body_for([]))["data"]), version)
        self.assertEqual(control("POST", "set", {"versions": {}})[0], 400)

    def test_files_are_stored_served_logged_and_removed(self):
        content = os.urandom(3000)
        status, stored = control("PUT", "files/client/Sub%20Dir/a.bin", data=content)
        self.assertEqual((status, stored["md5"]), (200, hashlib.md5(content).hexdigest()))
        plain = http.client.HTTPConnection("127.0.0.1", BASE + 81, timeout=30)
        self.addCleanup(plain.close)
        for path, status, expected in (("/client/Sub%20Dir/a.bin", 200, content),
                                       ("/redirect/client/Sub%20Dir/a.bin", 302, None)):
            plain.request("GET", path)
            response = plain.getresponse()
            got = response.read()
            self.assertEqual(response.status, status)
            if expected is not None:
                self.assertEqual(got, expected)
            else:
                self.assertTrue(response.getheader("Location").endswith("/client/Sub%20Dir/a.bin"))
        secure = http.client.HTTPSConnection("localhost", BASE + 443, context=tls_context(), timeout=30)
        self.addCleanup(secure.close)
        secure.request("GET", "/files/client/Sub%20Dir/a.bin")
        self.assertEqual(secure.getresponse().read(), content)
        log = control("GET", "files-log")[1]
        self.assertEqual([(e["uri"], e["status"]) for e in log],
                         [("/client/Sub%20Dir/a.bin", 200), ("/redirect/client/Sub%20Dir/a.bin", 302)])
        self.assertEqual(control("PUT", "files/../outside.bin", data=b"x")[0], 400)
        self.assertEqual(control("DELETE", "files")[0], 200)
        plain.request("GET", "/client/Sub%20Dir/a.bin")
        self.assertEqual(plain.getresponse().status, 404)


if __name__ == "__main__":
    unittest.main()
