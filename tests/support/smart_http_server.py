#!/usr/bin/python3
"""Serves the bare repositories under a folder over git's smart HTTP protocol on 127.0.0.1.

Every request must carry HTTP basic credentials equal to the given user and password; anything
else gets 401, so a client that sends no or wrong credentials fails the way it would against a
real host. Prints the chosen port on the first line of standard output, then serves until killed.

Usage: smart_http_server.py <project root> <user> <password>
"""
import base64
import http.server
import os
import subprocess
import sys

PROJECT_ROOT, USER, PASSWORD = sys.argv[1], sys.argv[2], sys.argv[3]
EXPECTED = "Basic " + base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            body = b""
            while True:
                size = int(self.rfile.readline().strip().split(b";")[0], 16)
                if size == 0:
                    self.rfile.readline()
                    return body
                body += self.rfile.read(size)
                self.rfile.readline()
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def reply(self, status, headers, body):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def handle_git(self):
        body = self.read_body()
        if self.headers.get("Authorization") != EXPECTED:
            self.reply(401, [("WWW-Authenticate", 'Basic realm="git"'),
                             ("Content-Type", "text/plain")], b"authentication required\n")
            return
        path, _, query = self.path.partition("?")
        env = dict(os.environ)
        env.update({
            "GIT_PROJECT_ROOT": PROJECT_ROOT,
            "GIT_HTTP_EXPORT_ALL": "1",
            "REQUEST_METHOD": self.command,
            "PATH_INFO": path,
            "QUERY_STRING": query,
            "CONTENT_TYPE": self.headers.get("Content-Type", ""),
            "CONTENT_LENGTH": str(len(body)),
            "REMOTE_USER": USER,
            "REMOTE_ADDR": "127.0.0.1",
            "GIT_PROTOCOL": self.headers.get("Git-Protocol", ""),
            "HTTP_CONTENT_ENCODING": self.headers.get("Content-Encoding", ""),
        })
        result = subprocess.run(["/usr/bin/git", "http-backend"], input=body, env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        raw = result.stdout
        separator = raw.find(b"\r\n\r\n")
        skip = 4
        if separator < 0:
            separator = raw.find(b"\n\n")
            skip = 2
        if separator < 0:
            self.reply(500, [], b"bad backend output\n")
            return
        status = 200
        headers = []
        for line in raw[:separator].decode("latin-1").splitlines():
            name, _, value = line.partition(":")
            if name.lower() == "status":
                status = int(value.strip().split()[0])
            elif name:
                headers.append((name, value.strip()))
        self.reply(status, headers, raw[separator + skip:])

    do_GET = handle_git
    do_POST = handle_git


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
