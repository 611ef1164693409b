#!/usr/bin/env python3
"""Runs a command against a fresh demo service.

Usage: with_demo_service.py [--lifetime SECONDS] [--expect REGEX]... -- COMMAND [ARG...]

Starts demo_service.py on a free loopback port, runs COMMAND with
ZORAPI_ENDPOINT set to the service's endpoint, stops the service and exits
with the command's status; with --expect, also with 1 when the command's
output (UTF-8) matches none of the lines the expression must match. Also importable: DemoServiceProcess is the same
service as a context manager.
"""

import argparse
import os
import pathlib
import re
import subprocess
import sys
import threading

SERVICE = pathlib.Path(__file__).resolve().parent / "demo_service.py"


class DemoServiceProcess:
    """demo_service.py in a child process, for the length of a with block."""

    def __init__(self, lifetime=300, extra_args=()):
        self._args = [sys.executable, str(SERVICE), "--port", "0", "--quiet",
                      "--lifetime", str(lifetime), *extra_args]
        self._process = None
        self.port = None

    @property
    def endpoint(self):
        return f"http://127.0.0.1:{self.port}/api.php"

    def __enter__(self):
        self._process = subprocess.Popen(self._args, stdout=subprocess.PIPE, text=True)
        # The first line is the port; a service that dies first gives none.
        line = []
        reader = threading.Thread(target=lambda: line.append(self._process.stdout.readline()))
        reader.start()
        reader.join(30)
        if not line or not line[0].strip().isdigit():
            self.__exit__(None, None, None)
            raise RuntimeError("the demo service did not announce its port")
        self.port = int(line[0])
        return self

    def __exit__(self, *exc):
        if self._process.poll() is None:
            self._process.terminate()
        try:
            self._process.wait(10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._process.stdout.close()
        return False


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lifetime", type=float, default=300,
                        help="the service stops by itself after this many seconds")
    parser.add_argument("--expect", action="append", default=[], metavar="REGEX",
                        help="a regular expression that the command's output must match")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args(argv)
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command given")
    with DemoServiceProcess(args.lifetime) as service:
        env = dict(os.environ, ZORAPI_ENDPOINT=service.endpoint)
        done = subprocess.run(command, env=env, stdout=subprocess.PIPE)
    output = done.stdout.decode("utf-8", "replace")
    sys.stdout.write(output)
    missing = [e for e in args.expect if not re.search(e, output, re.M)]
    for expression in missing:
        print(f"with_demo_service: the output does not match {expression!r}", file=sys.stderr)
    return done.returncode or (1 if missing else 0)


if __name__ == "__main__":
    sys.exit(main())
