# A small HTTP/1.0 server for the HTTP client's tests: redirects, status codes, authorisation,
# header echo, posts, odd responses. Usage: HttpTestServer.py PORT [FOLDER]
# /chunked/NAME sends the file NAME of FOLDER in chunks of changing sizes; /crafted/NAME sends one
# of the misbehaving responses of CRAFTED (endless ones stop after at most 256 MB or 60 s).
import base64
import os
import socket
import socketserver
import struct
import sys
import time
from http.server import BaseHTTPRequestHandler, HTTPServer


def endless(head, piece, count):
    # A server that never ends its response, within the bounds of a test run: head, then piece
    # up to count times, for 60 s at the most.
    yield head
    stop = time.monotonic() + 60
    for _ in range(count):
        if time.monotonic() > stop:
            return
        yield piece


def trickle(head, count):
    yield head
    for _ in range(count):
        time.sleep(0.1)
        yield b"x"


OK = b"HTTP/1.0 200 OK\r\n"
CRAFTED = {
    "short0": [OK + b"Content-Length: 1024\r\n\r\n"],
    "short39": [OK + b"Content-Length: 1024\r\n\r\n" + b"s" * 39],
    "short419": [OK + b"Content-Length: 1024\r\n\r\n" + b"s" * 419],
    "long": [OK + b"Content-Length: 10\r\n\r\n0123456789", b"and more that is not the body"],
    "garbage": [b"SSH-2.0-OpenSSH_9.2\r\nthis is no web server\r\n"],
    "binary": [b"\x00\x01\x02\xff\r\n\r\nbody"],
    "chunkcut": [OK + b"Transfer-Encoding: chunked\r\n\r\na\r\n0123456789\r\n5\r\n01"],
    "chunknolast": [OK + b"Transfer-Encoding: chunked\r\n\r\na\r\n0123456789\r\n"],
    "headercut": [OK + b"Content-Type: text/plain\r\n"],
    "manylines": lambda: endless(OK, b"X-Line: v\r\n", 1 << 22),
    "biglines": lambda: endless(OK, b"X-Big: " + b"b" * 8000 + b"\r\n", 1 << 15),
    "hugechunk": lambda: endless(OK + b"Transfer-Encoding: chunked\r\n\r\n7fffffffffffffff\r\n",
                                 b"c" * 65536, 4096),
    "endless": lambda: endless(OK + b"\r\n", b"e" * 65536, 4096),
    "trickle": lambda: trickle(OK + b"Content-Length: 100000\r\n\r\n", 600),
}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def reply(self, code, body=b"", headers=()):
        self.send_response(code)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def echo(self, extra=b""):
        text = self.requestline + "\n" + str(self.headers)
        self.reply(200, text.encode("latin-1") + extra, [("Content-Type", "text/plain")])

    def do_HEAD(self):
        self.do_GET()

    def do_POST(self):
        if self.path == "/post-redirect":
            self.rfile.read(int(self.headers.get("Content-Length", "0")))
            self.reply(303, b"", [("Location", "/echo")])
            return
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        self.echo(b"BODY:" + body)

    def do_GET(self):
        p = self.path
        port = self.server.server_address[1]
        if p.startswith("/redirect/"):
            n = int(p.split("/")[2])
            if n == 0:
                self.reply(200, b"arrived")
            else:
                self.reply(302, b"moved", [("Location", "/redirect/%d" % (n - 1))])
        elif p == "/loop":
            self.reply(302, b"", [("Location", "/loop")])
        elif p == "/abs":
            self.reply(301, b"", [("Location", "http://127.0.0.1:%d/echo" % port)])
        elif p == "/HTTPabs":
            self.reply(301, b"", [("Location", "HTTP://127.0.0.1:%d/echo" % port)])
        elif p == "/https":
            self.reply(302, b"", [("Location", "https://127.0.0.1:%d/echo" % port)])
        elif p == "/rel/dir/page.htm":
            self.reply(302, b"", [("Location", "target.htm")])
        elif p.startswith("/status/"):
            code = int(p.split("/")[2])
            self.reply(code, b"status body %d" % code)
        elif p == "/auth":
            want = "Basic " + base64.b64encode(b"user:pa:ss").decode()
            if self.headers.get("Authorization") == want:
                self.reply(200, b"authorised")
            else:
                self.reply(401, b"who are you", [("WWW-Authenticate", 'Basic realm="test"')])
        elif p.startswith("/chunked/"):
            with open(os.path.join(sys.argv[2], p[len("/chunked/"):]), "rb") as f:
                data = f.read()
            self.wfile.write(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
            sizes = [1, 100, 4096, 65536, 8191, 3]
            i = n = 0
            while i < len(data):
                piece = data[i:i + sizes[n % len(sizes)]]
                ext = b";name=value" if n == 1 else b""
                self.wfile.write(b"%x%s\r\n" % (len(piece), ext) + piece + b"\r\n")
                i += len(piece)
                n += 1
            self.wfile.write(b"0\r\nX-Trailer: yes\r\n\r\n")
        elif p == "/badchunk":
            self.wfile.write(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc\r\n")
        elif p == "/empty":
            self.reply(200, b"")
        elif p == "/noheader":
            self.wfile.write(b"<HTML><body>\r\nno header here\r\n</body></html>\r\n")
        elif p == "/pieces":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.end_headers()
            for i in range(20):
                self.wfile.write(b"piece %02d;" % i)
                self.wfile.flush()
                time.sleep(0.005)
        elif p == "/longheader":
            self.send_response(200)
            self.send_header("X-Long", "x" * 9000)
            self.end_headers()
            self.wfile.write(b"body")
        elif p == "/badstatus":
            self.wfile.write(b"HTTP/1.0 2x0 Odd\r\n\r\nbody")
        elif p == "/nothing":
            pass
        elif p.startswith("/crafted/"):
            what = CRAFTED[p[len("/crafted/"):]]
            for piece in (what() if callable(what) else what):
                self.wfile.write(piece)
                self.wfile.flush()
        elif p == "/reset":
            # A connection reset in the middle of a body without a length.
            self.wfile.write(OK + b"\r\n" + b"r" * 1000)
            self.wfile.flush()
            time.sleep(0.05)
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
        elif p.startswith("/cgi/run.exe"):
            self.reply(200, b"<p>page</p>", [("Content-Type", "Text/HTML")])
        elif p == "/cookie":
            self.reply(200, b"c", [("Set-Cookie", "a=1"), ("Content-Range", "bytes 100-199/1000"),
                                   ("Accept-Ranges", "bytes")])
        else:
            self.echo()


class Server(socketserver.ThreadingMixIn, HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # clients that close early are part of the tests


Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
