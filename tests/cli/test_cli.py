"""The zorapi tool against a fake library that describes each call it gets:
the command line, the UTF-8 and UTF-16 conversions both ways, standard
input, the endpoint setting and the exit status."""

import os
import subprocess
import unittest

CLI = os.environ["ZORAPI_CLI"]
FAKE = os.environ["ZORAPI_FAKE_LIBRARY"]


def run(*args, stdin=b"", library=FAKE, env=None):
    command = [CLI] + (["--library", library] if library else []) + list(args)
    environment = {k: v for k, v in os.environ.items() if k != "ZORAPI_ENDPOINT"}
    environment.update(env or {})
    done = subprocess.run(command, input=stdin, capture_output=True, env=environment, timeout=60)
    return done.returncode, done.stdout, done.stderr.decode("utf-8", "replace")


class CliTest(unittest.TestCase):
    def assertResult(self, args, stdout, stdin=b"", env=None):
        status, out, err = run(*args, stdin=stdin, env=env)
        self.assertEqual((status, out.decode("utf-8")), (0, stdout + "\n"), err)

    def test_help(self):
        for args in (["--help"], ["-h"], ["login", "--help"]):
            with self.subTest(args=args):
                status, out, _ = run(*args, library=None)
                self.assertEqual(status, 0)
                self.assertIn(b"Usage: zorapi", out)
                self.assertIn(b"--endpoint URL", out)

    def test_each_command_passes_its_arguments(self):
        self.assertResult(["login", "demo", "pass word"],
                          "login user=[demo] password=[pass word] endpoint=[(unset)]")
        self.assertResult(["identify", "S1", "the text"], "identify session=[S1] text=[the text] maxsyns=[3]")
        self.assertResult(["replace", "S1", "the text"],
                          "replace session=[S1] text=[the text] maxsyns=[3] quality=[3]")

    def test_integers_reach_the_library_in_both_spellings_and_any_place(self):
        self.assertResult(["replace", "--maxsyns", "-1", "S", "t", "--quality=-2147483648"],
                          "replace session=[S] text=[t] maxsyns=[-1] quality=[-2147483648]")
        self.assertResult(["--maxsyns=2147483647", "identify", "S", "t"],
                          "identify session=[S] text=[t] maxsyns=[2147483647]")

    def test_the_endpoint_is_set_before_the_library_loads(self):
        self.assertResult(["--endpoint", "http://127.0.0.1:8/api.php", "login", "u", "p"],
                          "login user=[u] password=[p] endpoint=[http://127.0.0.1:8/api.php]")
        self.assertResult(["login", "u", "p"], "login user=[u] password=[p] endpoint=[http://inherited/api.php]",
                          env={"ZORAPI_ENDPOINT": "http://inherited/api.php"})
        self.assertResult(["login", "u", "p", "--endpoint=http://given/api.php"],
                          "login user=[u] password=[p] endpoint=[http://given/api.php]",
                          env={"ZORAPI_ENDPOINT": "http://inherited/api.php"})

    def test_text_round_trips_through_utf16(self):
        text = "naïve café — 日本語 😀 \U0010FFFD"
        self.assertResult(["identify", "S", text], f"identify session=[S] text=[{text}] maxsyns=[3]")
        self.assertResult(["login", "ü", "😀"], "login user=[ü] password=[😀] endpoint=[(unset)]")

    def test_text_dash_reads_all_of_standard_input_unchanged(self):
        stdin = "  line one\r\nline two 😀\n\n".encode("utf-8")
        status, out, err = run("replace", "S", "-", stdin=stdin)
        self.assertEqual(status, 0, err)
        self.assertEqual(out, b"replace session=[S] text=[" + stdin + b"] maxsyns=[3] quality=[3]\n")

    def test_dash_is_only_standard_input_for_text(self):
        self.assertResult(["login", "-", "-"], "login user=[-] password=[-] endpoint=[(unset)]")
        self.assertResult(["identify", "-", "x"], "identify session=[-] text=[x] maxsyns=[3]")

    def test_double_dash_ends_the_options(self):
        self.assertResult(["identify", "S", "--", "--maxsyns"], "identify session=[S] text=[--maxsyns] maxsyns=[3]")

    def test_an_unpaired_surrogate_prints_as_a_replacement_character(self):
        self.assertResult(["identify", "lone", "t"], "a\ufffdb")

    def test_an_empty_result_exits_1_and_prints_nothing(self):
        for args in (["login", "empty", "p"], ["identify", "empty", "t"], ["replace", "empty", "t"]):
            with self.subTest(args=args):
                status, out, err = run(*args)
                self.assertEqual((status, out), (1, b""))
                self.assertIn("empty result", err)

    def test_bad_usage_exits_2_with_a_message(self):
        cases = [
            # arguments, standard input, words of the message
            ([], b"", "no command"),
            (["frobnicate", "a", "b"], b"", "unknown command 'frobnicate'"),
            (["login", "a"], b"", "login takes USER and PASSWORD (1 given)"),
            (["login", "a", "b", "c"], b"", "(3 given)"),
            (["identify", "S"], b"", "identify takes SESSION and TEXT"),
            (["login", "a", "b", "--maxsyns", "1"], b"", "login takes no --maxsyns"),
            (["identify", "S", "t", "--quality", "1"], b"", "identify takes no --quality"),
            (["identify", "S", "t", "--maxsyns", "three"], b"", "--maxsyns takes a 32-bit integer"),
            (["identify", "S", "t", "--maxsyns", "2147483648"], b"", "--maxsyns takes a 32-bit integer"),
            (["identify", "S", "t", "--maxsyns", ""], b"", "--maxsyns takes a 32-bit integer"),
            (["identify", "S", "t", "--maxsyns"], b"", "--maxsyns needs a value"),
            (["identify", "S", "t", "--endpoint="], b"", "--endpoint needs a value"),
            (["identify", "S", "t", "--verbose"], b"", "unknown option '--verbose'"),
            (["identify", "S", "-x"], b"", "unknown option '-x'"),
            (["identify", "S", "-"], b"bad \xff byte", "TEXT is not UTF-8"),
            (["identify", "S", "-"], b"nul \x00 inside", "TEXT is not UTF-8 text without NUL"),
            (["identify", os.fsdecode(b"\xc3"), "t"], b"", "SESSION is not UTF-8"),
            (["login", "u", os.fsdecode(b"\xed\xa0\x80")], b"", "PASSWORD is not UTF-8"),
        ]
        for args, stdin, message in cases:
            with self.subTest(args=args):
                status, out, err = run(*args, stdin=stdin)
                self.assertEqual((status, out), (2, b""), err)
                self.assertIn(message, err)
                self.assertIn("zorapi --help", err)

    def test_a_library_that_cannot_load_exits_3(self):
        status, out, err = run("login", "u", "p", library="/nonexistent/libzorapi.so")
        self.assertEqual((status, out), (3, b""))
        self.assertIn("cannot load the library", err)

    def test_without_library_option_the_tool_finds_the_built_library(self):
        # Nothing listens on port 1: the real library answers empty at once.
        status, _, err = run("--endpoint", "http://127.0.0.1:1/api.php", "login", "u", "p", library=None)
        self.assertEqual(status, 1, err)


if __name__ == "__main__":
    unittest.main()
