#!/usr/bin/env python3
"""Local stand-in for the zorapi text-rewriting service.

Serves POST /api.php with the three actions the library calls, always in
format=xml:

  action=authenticate&format=xml&username=U&password=P
      <success>true</success><session>ID</session> for an account of the
      users file (and a session cookie), <success>false</success> otherwise.
  action=identifySynonyms&session=ID&format=xml&text=T&maxsyns=N
      <output> holds T with each known word shown as {word|syn1|syn2},
      at most N synonyms each (all of them when N is below 1).
  action=replaceEveryonesFavorites&session=ID&format=xml&text=T&maxsyns=N&quality=Q
      <output> holds T with each known word replaced by a favourite synonym
      among its first N: quality 3 (best) takes everyone's top favourite,
      2 the second, 1 the third (or the last there is).

A request the service cannot serve gets an HTTP error: 404 for another path,
405 for another method, 411/413 for a missing or too large body, 415 for
another content type, 400 for a malformed form, a wrong format, an unknown
action or a missing or malformed field, 403 for an unknown session.

Usage: demo_service.py [--host ADDRESS] [--port N] [--users FILE]
                       [--thesaurus FILE] [--lifetime SECONDS] [--quiet]

The first line of standard output is the port it listens on (port 0, the
default, takes a free one); the request log goes to standard error. It runs
until SIGINT or SIGTERM, or until --lifetime seconds have passed.
"""

import argparse
import html
import http.server
import pathlib
import re
import secrets
import signal
import sys
import threading
import urllib.parse

HERE = pathlib.Path(__file__).resolve().parent
ENDPOINT_PATH = "/api.php"
SESSION_COOKIE = "zorapi_session"
MAX_BODY_BYTES = 1 << 20
FORM_TYPE = "application/x-www-form-urlencoded"

# Runs of letters: digits, "_" and punctuation end a word.
WORD = re.compile(r"[^\W\d_]+")


class Thesaurus:
    """Groups of words of one meaning, each ordered by everyone's liking."""

    def __init__(self, groups):
        self._group_of = {}
        for group in groups:
            for word in group:
                key = word.casefold()
                if key in self._group_of:
                    raise ValueError(f"{word!r} stands in two lines of the thesaurus")
                self._group_of[key] = group

    @classmethod
    def load(cls, path):
        groups = []
        for line in pathlib.Path(path).read_text(encoding="utf-8").splitlines():
            words = line.split()
            if words and not words[0].startswith("#"):
                groups.append([w.casefold() for w in words])
        return cls(groups)

    def synonyms(self, word):
        """The other words of the word's group, favourites first."""
        key = word.casefold()
        return [w for w in self._group_of.get(key, []) if w != key]

    def identify(self, text, maxsyns):
        def mark(word):
            found = limited(self.synonyms(word), maxsyns)
            if not found:
                return word
            return "{" + "|".join([word] + [written_like(word, s) for s in found]) + "}"

        return WORD.sub(lambda m: mark(m.group()), text)

    def replace(self, text, maxsyns, quality):
        def favourite(word):
            found = limited(self.synonyms(word), maxsyns)
            if not found:
                return word
            rank = 3 - min(max(quality, 1), 3)
            return written_like(word, found[min(rank, len(found) - 1)])

        return WORD.sub(lambda m: favourite(m.group()), text)


def limited(words, maxsyns):
    return words if maxsyns < 1 else words[:maxsyns]


def written_like(original, synonym):
    """The synonym in the original's case: all capitals, capitalised or as is."""
    if len(original) > 1 and original.isupper():
        return synonym.upper()
    if original[:1].isupper():
        return synonym[:1].upper() + synonym[1:]
    return synonym


def load_users(path):
    users = {}
    for line in pathlib.Path(path).read_text(encoding="utf-8").splitlines():
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        user, sep, password = line.partition(":")
        if not sep:
            raise ValueError(f"users file line without ':': {line!r}")
        users[user] = password
    return users


class RequestError(Exception):
    """A request the service refuses, with its HTTP status."""

    def __init__(self, status, message, headers=()):
        super().__init__(message)
        self.status = status
        self.message = message
        self.headers = list(headers)


def xml_reply(inner):
    return '<?xml version="1.0" encoding="UTF-8"?>\n<zorapi>' + inner + "</zorapi>\n"


def xml_text(text):
    return html.escape(text, quote=False)


def parse_form(body):
    """Form fields of an urlencoded body; each name may stand once."""
    try:
        text = body.decode("ascii")
        pairs = urllib.parse.parse_qsl(text, keep_blank_values=True, strict_parsing=bool(text),
                                       encoding="utf-8", errors="strict")
    except (UnicodeDecodeError, ValueError) as e:
        raise RequestError(400, f"malformed form body: {e}")
    fields = {}
    for name, value in pairs:
        if name in fields:
            raise RequestError(400, f"field {name!r} given twice")
        fields[name] = value
    return fields


def required(fields, name):
    if name not in fields:
        raise RequestError(400, f"missing field {name!r}")
    return fields[name]


def integer(fields, name):
    value = required(fields, name)
    if not re.fullmatch(r"-?[0-9]{1,10}", value) or not -2**31 <= int(value) < 2**31:
        raise RequestError(400, f"field {name!r} is not a 32-bit integer: {value!r}")
    return int(value)


class DemoService:
    """The actions, independent of HTTP; safe to call from several threads."""

    def __init__(self, users, thesaurus):
        self._users = users
        self._thesaurus = thesaurus
        self._sessions = {}
        self._lock = threading.Lock()

    def handle(self, fields):
        """The XML reply text and the extra headers for a form."""
        if required(fields, "format") != "xml":
            raise RequestError(400, "format must be xml")
        action = required(fields, "action")
        if action == "authenticate":
            return self.authenticate(required(fields, "username"), required(fields, "password"))
        if action == "identifySynonyms":
            self.check_session(required(fields, "session"))
            output = self._thesaurus.identify(required(fields, "text"), integer(fields, "maxsyns"))
        elif action == "replaceEveryonesFavorites":
            self.check_session(required(fields, "session"))
            output = self._thesaurus.replace(required(fields, "text"), integer(fields, "maxsyns"),
                                             integer(fields, "quality"))
        else:
            raise RequestError(400, f"unknown action {action!r}")
        return xml_reply("<output>" + xml_text(output) + "</output>"), []

    def authenticate(self, user, password):
        known = self._users.get(user)
        if known is None or not secrets.compare_digest(known.encode(), password.encode()):
            return xml_reply("<success>false</success><error>unknown user or wrong password</error>"), []
        session = secrets.token_hex(16)
        with self._lock:
            self._sessions[session] = user
        cookie = f"{SESSION_COOKIE}={session}; Path=/; HttpOnly"
        return xml_reply(f"<success>true</success><session>{session}</session>"), [("Set-Cookie", cookie)]

    def check_session(self, session):
        with self._lock:
            if session not in self._sessions:
                raise RequestError(403, "unknown session")


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "zorapi-demo/1.0"
    timeout = 30  # seconds a silent client may hold a connection

    def version_string(self):
        return self.server_version

    def do_POST(self):
        try:
            self.check_path()
            fields = parse_form(self.read_body())
            body, headers = self.server.service.handle(fields)
            self.reply(200, body, headers)
        except RequestError as e:
            self.reply(e.status, xml_reply("<error>" + xml_text(e.message) + "</error>"), e.headers)

    def refuse_method(self):
        try:
            self.check_path()
            raise RequestError(405, f"{self.command} is not served; use POST", [("Allow", "POST")])
        except RequestError as e:
            self.reply(e.status, xml_reply("<error>" + xml_text(e.message) + "</error>"), e.headers)

    do_GET = do_HEAD = do_PUT = do_DELETE = do_PATCH = do_OPTIONS = refuse_method

    def check_path(self):
        if urllib.parse.urlsplit(self.path).path != ENDPOINT_PATH:
            raise RequestError(404, f"no such script: {self.path}")

    def read_body(self):
        content_type = self.headers.get("Content-Type", "").split(";")[0].strip().lower()
        if content_type != FORM_TYPE:
            raise RequestError(415, f"content type must be {FORM_TYPE}")
        length = self.headers.get("Content-Length")
        if length is None:
            raise RequestError(411, "Content-Length required")
        if not length.strip().isdigit():
            raise RequestError(400, f"malformed Content-Length: {length!r}")
        if int(length) > MAX_BODY_BYTES:
            raise RequestError(413, f"body larger than {MAX_BODY_BYTES} bytes")
        body = self.rfile.read(int(length))
        if len(body) != int(length):
            raise RequestError(400, "body shorter than its Content-Length")
        return body

    def reply(self, status, text, headers):
        data = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/xml; charset=UTF-8")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)
        self.close_connection = True

    def log_message(self, format, *args):
        if not self.server.quiet:
            super().log_message(format, *args)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, service, quiet):
        super().__init__(address, Handler)
        self.service = service
        self.quiet = quiet


def arguments(argv):
    parser = argparse.ArgumentParser(description="Local stand-in for the zorapi service.")
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=0, help="port to listen on (default 0: a free port)")
    parser.add_argument("--users", default=HERE / "users.txt", help="accounts file (user:password lines)")
    parser.add_argument("--thesaurus", default=HERE / "thesaurus.txt", help="thesaurus file")
    parser.add_argument("--lifetime", type=float, default=0,
                        help="stop after this many seconds (default 0: run until stopped)")
    parser.add_argument("--quiet", action="store_true", help="no request log")
    args = parser.parse_args(argv)
    if not 0 <= args.port <= 65535:
        parser.error("--port must be between 0 and 65535")
    if args.lifetime < 0:
        parser.error("--lifetime must not be negative")
    return args


def main(argv=None):
    args = arguments(argv)
    service = DemoService(load_users(args.users), Thesaurus.load(args.thesaurus))
    server = Server((args.host, args.port), service, args.quiet)
    stop = threading.Event()
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, lambda *_: stop.set())
    worker = threading.Thread(target=server.serve_forever, name="demo-service")
    worker.start()
    print(server.server_address[1], flush=True)
    try:
        stop.wait(args.lifetime or None)
    finally:
        server.shutdown()
        worker.join()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
