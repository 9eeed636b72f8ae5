#!/usr/bin/env python3
"""An HTTP server on 127.0.0.1 for the HTTP stream tests, with the answers they need.

Usage: http_server.py [--tls DIR]
Prints the port it took on a line of its own, then serves until its standard input closes.
With --tls it first makes a self-signed certificate for localhost and 127.0.0.1 with openssl,
DIR/cert.pem (what a client trusts) and DIR/key.pem, and serves HTTPS.
"""
import http.server
import os
import ssl
import subprocess
import sys
import threading
import time

BODY = bytes(range(256)) * 400  # 102400 bytes, every byte value
TEXT = b"first line\r\nsecond line\nthird"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, code, body=b"", headers=()):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def chunks(self, pieces, then_cut=False):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        for piece in pieces:
            self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.flush()
        if then_cut:
            self.close_connection = True
            return
        self.wfile.write(b"0\r\n\r\n")

    def do_GET(self):
        path = self.path
        if path == "/file":
            self.answer(200, BODY, [("Content-Type", "application/octet-stream")])
        elif path == "/text":
            self.answer(200, TEXT, [("Content-Type", "text/plain")])
        elif path == "/chunked":
            sizes = [1, 1000, 7, 40000, 3, 61389]  # adds up to len(BODY)
            pieces, at = [], 0
            for n in sizes:
                pieces.append(BODY[at:at + n])
                at += n
            self.chunks(pieces)
        elif path.startswith("/redirect/"):
            left = int(path.rsplit("/", 1)[1])
            target = "/file" if left == 0 else "/redirect/%d" % (left - 1)
            self.answer(302, b"", [("Location", target)])
        elif path == "/loop":
            self.answer(302, b"", [("Location", "/loop")])
        elif path.startswith("/status/"):
            self.answer(int(path.rsplit("/", 1)[1]), b"not this")
        elif path == "/cut":  # announces the whole body, sends a part and closes
            self.send_response(200)
            self.send_header("Content-Length", str(len(BODY)))
            self.end_headers()
            self.wfile.write(BODY[:1000])
            self.close_connection = True
        elif path == "/cut-chunked":
            self.chunks([BODY[:1000]], then_cut=True)
        elif path == "/stall":  # a part of the body, then nothing until the client goes
            self.send_response(200)
            self.send_header("Content-Length", str(len(BODY)))
            self.end_headers()
            self.wfile.write(BODY[:1000])
            self.wfile.flush()
            time.sleep(120)
        elif path == "/silent":  # no answer at all
            time.sleep(120)
        else:
            self.answer(404)


def make_certificate(folder):
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-keyout", os.path.join(folder, "key.pem"), "-out", os.path.join(folder, "cert.pem"),
         "-days", "2", "-subj", "/CN=localhost",
         "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    if len(sys.argv) == 3 and sys.argv[1] == "--tls":
        make_certificate(sys.argv[2])
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(sys.argv[2], "cert.pem"), os.path.join(sys.argv[2], "key.pem"))
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(server.server_address[1], flush=True)
    sys.stdin.read()  # the test's end, or its death, closes it
    os._exit(0)


if __name__ == "__main__":
    main()
