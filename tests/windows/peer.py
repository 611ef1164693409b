#!/usr/bin/env python3
"""Loopback stand-in for the service, for the Windows host program.

Serves POST /api.php on 127.0.0.1 with canned XML replies and checks each
request it gets: method, path, content type, and the form fields in the
exact order the library sends them. A request that breaks a rule is
answered 400 without an output element, so the host sees an empty result.

  peer.py PORT_FILE     writes "PORT REFUSED_PORT" to PORT_FILE once it
                        listens; REFUSED_PORT is a loopback port with no
                        listener, for the refused-connection scenario.
"""
import os
import socket
import sys
import urllib.parse
from http.server import BaseHTTPRequestHandler, HTTPServer

USER, PASSWORD, SESSION = "alice", "s\u00e9cret & more", "S3ss10n_42"
# An ASCII account, for hosts that take their arguments in the ANSI code page.
ASCII_USER, ASCII_PASSWORD = "demo", "demo-password"
FAIL_TEXT = "please fail"

LOGIN_FIELDS = ["action", "format", "username", "password"]
IDENTIFY_FIELDS = ["action", "session", "format", "text", "maxsyns"]
REPLACE_FIELDS = IDENTIFY_FIELDS + ["quality"]


def xml(inner):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<response>' + inner + "</response>\n").encode("utf-8")


def answer(fields):
    """(status, body) for the decoded form fields, a list of pairs."""
    names = [n for n, _ in fields]
    f = dict(fields)
    action = f.get("action")
    if action == "authenticate":
        if names != LOGIN_FIELDS or f["format"] != "xml":
            return 400, b"bad login fields"
        account = (f["username"], f["password"])
        ok = account in ((USER, PASSWORD), (ASCII_USER, ASCII_PASSWORD))
        return 200, xml("<success>%s</success><session>%s</session>" % ("true" if ok else "false", SESSION))
    if action in ("identifySynonyms", "replaceEveryonesFavorites"):
        wanted = IDENTIFY_FIELDS if action == "identifySynonyms" else REPLACE_FIELDS
        if names != wanted or f["format"] != "xml":
            return 400, b"bad text fields"
        if f["session"] != SESSION:
            return 403, xml("<error>no session</error>")
        if f["text"] == FAIL_TEXT:
            # An error status: the output element must not reach the host.
            return 500, xml("<output>must not be used</output>")
        extra = ":" + f["quality"] if action == "replaceEveryonesFavorites" else ""
        return 200, xml("<output>%s[%s]:%s%s</output>" % (action, f["text"], f["maxsyns"], extra))
    return 400, b"unknown action"


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        status, reply = 400, b"bad request"
        content_type = self.headers.get("Content-Type", "")
        if self.path == "/api.php" and content_type.split(";")[0].strip() == "application/x-www-form-urlencoded":
            try:
                fields = urllib.parse.parse_qsl(body.decode("ascii"), keep_blank_values=True,
                                                strict_parsing=True, encoding="utf-8", errors="strict")
                status, reply = answer(fields)
            except (UnicodeDecodeError, ValueError):
                status, reply = 400, b"malformed body"
        self.send_response(status)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(reply)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, fmt, *args):
        sys.stderr.write("peer: " + fmt % args + "\n")


def refused_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()  # bound but never listening: a connect is refused
    return port


def main():
    server = HTTPServer(("127.0.0.1", 0), Handler)
    with open(sys.argv[1] + ".tmp", "w") as f:
        f.write("%d %d\n" % (server.server_address[1], refused_port()))
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
