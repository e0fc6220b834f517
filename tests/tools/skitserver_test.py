#!/usr/bin/python3
"""The skit server: files, refused paths and every fault mode, seen from a plain socket."""

import http.client
import ntpath
import posixpath
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path
from urllib.parse import unquote

SERVER = Path(__file__).resolve().parents[2] / "tools" / "skitserver" / "skitserver.py"
sys.path.insert(0, str(SERVER.parent))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from skitserver import relative_path
SKIT = bytes(range(256)) * 40 + b"end"  # 10243 bytes
MIB = 1 << 20


def pattern(size):
    return (bytes(range(256)) * (size // 256 + 1))[:size]


def fetch(port, target, timeout=5.0):
    """Status, headers (lower-case names), body and how the connection ended: closed, reset or timeout."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as connection:
        connection.sendall(f"GET {target} HTTP/1.1\r\nHost: test\r\nConnection: close\r\n\r\n".encode())
        data, ending = b"", "closed"
        try:
            while chunk := connection.recv(MIB):
                data += chunk
        except ConnectionResetError:
            ending = "reset"
        except TimeoutError:
            ending = "timeout"
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode().split("\r\n")
    headers = dict(line.lower().split(": ", 1) for line in lines[1:])
    return int(lines[0].split()[1]), headers, body, ending


def fetch_range(port, target, range_text, if_range=None):
    """Status, headers and body of a GET of TARGET with a Range line and, when given, an If-Range line."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
    headers = {"Range": range_text} if if_range is None else {"Range": range_text, "If-Range": if_range}
    connection.request("GET", target, headers=headers)
    response = connection.getresponse()
    try:
        body = response.read()
    except http.client.IncompleteRead as cut:
        body = cut.partial
    connection.close()
    return response.status, {name.lower(): value for name, value in response.getheaders()}, body


def start_server(folder, *options):
    """The server on ROOT in FOLDER, started as a program, and the port it listens on."""
    port_file = folder / "port"
    server = subprocess.Popen(
        [sys.executable, SERVER, folder / "root", "--port-file", port_file, *options], stdout=subprocess.PIPE, text=True
    )
    try:
        for _ in range(100):
            if port_file.exists():
                break
            time.sleep(0.05)
        port = int(port_file.read_text())
        assert server.stdout.readline() == f"serving {folder / 'root'} on http://127.0.0.1:{port}/\n"
        return server, port
    except BaseException:
        stop_server(server)
        raise


def stop_server(server):
    if server.poll() is None:
        server.kill()
        server.wait()
    server.stdout.close()


class SkitServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        folder = Path(cls.folder.name)
        (folder / "root" / "skits").mkdir(parents=True)
        (folder / "root" / "skits" / "sunrise.gif").write_bytes(SKIT)
        (folder / "root" / "skits.syn").write_bytes(b"list")
        (folder / "root" / "sub").mkdir()
        (folder / "root" / "sub" / "a.gif").write_bytes(b"a")
        (folder / "root" / "sub" / "a b.gif").write_bytes(b"a b")
        (folder / "root" / "out.gif").symlink_to(folder / "secret")
        (folder / "root" / "up").symlink_to(folder)
        (folder / "root" / "sub" / "alias.gif").symlink_to("../skits/sunrise.gif")
        (folder / "secret").write_text("outside")
        cls.log = folder / "log"
        cls.server, cls.port = start_server(folder, "--log", cls.log)

    @classmethod
    def tearDownClass(cls):
        stop_server(cls.server)
        cls.folder.cleanup()

    def test_answers(self):
        skit = "/skits/sunrise.gif"
        whole = str(len(SKIT))
        # target, status, Content-Length (None: none), body, ending; a body of None is checked by its test.
        cases = [
            (skit, 200, whole, SKIT, "closed"),
            ("/skits/sunrise%2Egif?other=1", 200, whole, SKIT, "closed"),
            ("/generated/100000", 200, "100000", pattern(100000), "closed"),
            ("/skits/missing.gif", 404, None, None, "closed"),
            (f"{skit}?fault=no-length", 200, None, SKIT, "closed"),
            (f"{skit}?fault=drip&chunk=1000&delay=1", 200, whole, SKIT, "closed"),
            (f"{skit}?fault=short", 200, whole, SKIT[: len(SKIT) // 2], "closed"),
            (f"{skit}?fault=short&after=10", 200, whole, SKIT[:10], "closed"),
            (f"{skit}?fault=stall&after=100&hold=2", 200, whole, SKIT[:100], "timeout"),
            (f"{skit}?fault=reset&after=100", 200, whole, None, "reset"),
            (f"{skit}?fault=404", 404, None, None, "closed"),
            (f"{skit}?fault=redirect&after=5", 302, None, None, "closed"),
            (f"/anything?fault=endless&limit={MIB}", 200, None, pattern(MIB), "closed"),
            (f"{skit}?fault=status&code=503", 503, None, None, "closed"),
            (f"{skit}?fault=bogus", 400, None, None, "closed"),
        ]
        for target, status, length, body, ending in cases:
            with self.subTest(target):
                got_status, headers, got_body, got_ending = fetch(self.port, target, timeout=1.0)
                self.assertEqual((got_status, got_ending), (status, ending))
                if length is not None:
                    self.assertEqual(headers["content-length"], length)
                elif status == 200:
                    self.assertNotIn("content-length", headers)
                else:  # the small pages of errors and redirects carry their length
                    self.assertGreater(len(got_body), 0)
                    self.assertEqual(headers["content-length"], str(len(got_body)))
                if body is not None:
                    self.assertEqual(got_body, body)
                if target.startswith(skit) and status == 200:
                    self.assertEqual(headers["content-type"], "image/gif")
                if "fault=404" in target:
                    self.assertIn(b"Not Found", got_body)
                if "fault=redirect" in target:
                    self.assertEqual(headers["location"], f"http://test{skit}?after=5")
                if "fault=reset" in target:
                    self.assertLessEqual(len(got_body), 100)
        log = self.log.read_text()
        self.assertIn(f"GET {skit} 200 {len(SKIT)}\n", log)
        self.assertIn(f"GET {skit}?fault=short&after=10 200 10\n", log)

    def test_paths(self):
        # target, the path under ROOT on POSIX (None: refused), body; a symbolic link is refused by the server
        # once followed, the rest by relative_path under Windows' rules and POSIX rules alike.
        cases = [
            ("/skits.syn", "skits.syn", b"list"),
            ("/sub/a.gif", "sub/a.gif", b"a"),
            ("/sub/a%20b.gif", "sub/a b.gif", b"a b"),
            ("/sub/alias.gif", "sub/alias.gif", SKIT),
            ("/..%5C..%5Cwindows%5Cwin.ini", None, None),
            ("/C:%5Cwindows%5Cwin.ini", None, None),
            ("/c:/x", None, None),
            ("/sub/a.gif:stream", None, None),
            ("/%2e%2e/secret", None, None),
            ("/../secret", None, None),
            ("/skits/../../secret", None, None),
            ("/skits/%2E%2E/%2E%2E/secret", None, None),
            ("/..%2fsecret", None, None),
            ("/./skits.syn", None, None),
            ("/sub/..%20/x", None, None),
            ("/x%00.gif", None, None),
            ("//server/share", None, None),
            ("//etc/passwd", None, None),
            ("/out.gif", "out.gif", None),
            ("/up/secret", "up/secret", None),
        ]
        for target, relative, body in cases:
            with self.subTest(target):
                path = unquote(target)
                for module in (posixpath, ntpath):
                    expected = relative and relative.replace("/", module.sep)
                    self.assertEqual(relative_path(path, module), expected)
                status, _, got_body, _ = fetch(self.port, target)
                self.assertEqual((status, got_body if body else None), (200 if body else 404, body))

    def test_ranges(self):
        skit, size = "/skits/sunrise.gif", len(SKIT)
        etag = fetch(self.port, skit)[1]["etag"]
        half = size // 2
        # target, Range, If-Range, status, Content-Range (None: none), body
        cases = [
            (skit, "bytes=100-", None, 206, f"bytes 100-{size - 1}/{size}", SKIT[100:]),
            (skit, "bytes=100-199", etag, 206, f"bytes 100-199/{size}", SKIT[100:200]),
            (skit, f"bytes=100-{size + 50}", None, 206, f"bytes 100-{size - 1}/{size}", SKIT[100:]),
            (skit, f"bytes={size}-", None, 416, f"bytes */{size}", None),
            (skit, "bytes=100-", '"another"', 200, None, SKIT),
            (skit, "bytes=5-1", None, 200, None, SKIT),
            (skit, "bytes=0-1,5-6", None, 200, None, SKIT),
            (skit, "bytes=-100", None, 200, None, SKIT),
            ("/generated/1000", "bytes=300-", '"pattern-3e8"', 206, "bytes 300-999/1000", pattern(1000)[300:]),
            # The cut lies at half of the whole file, ranged or not: a range from there goes out whole.
            (f"{skit}?fault=short", "bytes=100-", etag, 206, f"bytes 100-{size - 1}/{size}", SKIT[100:half]),
            (f"{skit}?fault=short", f"bytes={half}-", etag, 206, f"bytes {half}-{size - 1}/{size}", SKIT[half:]),
            (f"{skit}?fault=no-length", "bytes=100-", None, 200, None, SKIT),
        ]
        for target, range_text, if_range, status, content_range, body in cases:
            with self.subTest(target=target, range=range_text, if_range=if_range):
                got_status, headers, got_body = fetch_range(self.port, target, range_text, if_range)
                self.assertEqual((got_status, headers.get("content-range")), (status, content_range))
                if body is not None:
                    self.assertEqual(got_body, body)
                if status != 416:
                    self.assertEqual(headers["etag"], etag if target.startswith(skit) else '"pattern-3e8"')

    def test_keep_alive_and_head(self):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        for method, body in [("GET", SKIT), ("HEAD", b""), ("GET", SKIT)]:
            connection.request(method, "/skits/sunrise.gif")
            response = connection.getresponse()
            self.assertEqual((response.status, response.getheader("Content-Length"), response.read()),
                             (200, str(len(SKIT)), body))
        connection.close()

    def test_ends_on_sigterm_with_a_client_stalled(self):
        with tempfile.TemporaryDirectory() as folder:
            (Path(folder) / "root").mkdir()
            server, port = start_server(Path(folder))
            with socket.create_connection(("127.0.0.1", port), timeout=5) as stalled:
                stalled.sendall(b"GET /generated/5000?fault=stall&after=10 HTTP/1.1\r\nHost: test\r\n\r\n")
                stalled.recv(1000)
                server.send_signal(signal.SIGTERM)
                self.assertEqual(server.wait(timeout=5), 0)
            stop_server(server)

if __name__ == "__main__":
    unittest.main()
