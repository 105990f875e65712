#!/usr/bin/env python3
"""A time-stamp authority on 127.0.0.1 for the package test: answers each RFC 3161 query posted to
it with `openssl ts -reply`, signed by a throwaway TSA certificate.
    tsa_server.py <work folder> <port file>
The work folder holds tsa.cnf, tsa.pem and tsa.key; the port it listens on is written to the port
file once it accepts requests. Every query it answered is counted in <work folder>/answered."""
import http.server
import os
import subprocess
import sys
import tempfile

WORK = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        query = self.rfile.read(length)
        with tempfile.TemporaryDirectory(dir=WORK) as tmp:
            with open(os.path.join(tmp, "query.tsq"), "wb") as f:
                f.write(query)
            done = subprocess.run(
                ["openssl", "ts", "-reply", "-config", os.path.join(WORK, "tsa.cnf"),
                 "-queryfile", os.path.join(tmp, "query.tsq"), "-out", os.path.join(tmp, "reply.tsr")],
                cwd=WORK, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if done.returncode != 0:
                self.send_error(500)
                return
            with open(os.path.join(tmp, "reply.tsr"), "rb") as f:
                reply = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
        with open(os.path.join(WORK, "answered"), "a") as f:
            f.write("1\n")

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[2] + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(sys.argv[2] + ".tmp", sys.argv[2])
server.serve_forever()
