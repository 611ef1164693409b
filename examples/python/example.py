#!/usr/bin/env python3
"""Signs in and runs both text operations through the ctypes wrapper.

Usage: example.py USER PASSWORD TEXT [--library PATH] [--endpoint URL]

Prints the three results; exits with 1 when one of them is empty.
"""

import argparse
import sys

from zorapi import Zorapi


def main(argv=None):
    parser = argparse.ArgumentParser(description="Calls the zorapi library from Python.")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("text")
    parser.add_argument("--library", help="path of the library (default: the installed one)")
    parser.add_argument("--endpoint", help="service endpoint (default: ZORAPI_ENDPOINT or the built-in one)")
    args = parser.parse_args(argv)

    api = Zorapi(args.library, endpoint=args.endpoint)
    session = api.login(args.user, args.password)
    identified = api.identify_synonyms(session, args.text, maxsyns=3)
    replaced = api.replace_everyones_favorites(session, args.text, maxsyns=3, quality=3)
    print("session:", session)
    print("identifySynonyms:", identified)
    print("replaceEveryonesFavorites:", replaced)
    if not (session and identified and replaced):
        print("a result is empty: the call failed or the service answered nothing", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
