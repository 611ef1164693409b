"""The zorapi tool with the real library against the demo service: the three
commands a user runs, in order."""

import os
import pathlib
import re
import subprocess
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools" / "demo_service"))
from with_demo_service import DemoServiceProcess  # noqa: E402

CLI = os.environ["ZORAPI_CLI"]


class CliEndToEndTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.service = DemoServiceProcess(lifetime=150)
        cls.service.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.service.__exit__(None, None, None)

    def zorapi(self, *args, stdin=b""):
        done = subprocess.run([CLI, "--endpoint", self.service.endpoint, *args], input=stdin,
                              capture_output=True, timeout=90)
        return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8", "replace")

    def login(self):
        status, out, err = self.zorapi("login", "demo", "demo-password")
        self.assertEqual(status, 0, err)
        self.assertRegex(out, r"^[0-9A-Za-z_]+\n$")
        return out.strip()

    def test_login_then_both_text_operations(self):
        session = self.login()
        status, out, err = self.zorapi("identify", session, "The quick brown fox.", "--maxsyns", "2")
        self.assertEqual((status, out), (0, "The {quick|fast|swift} {brown|chestnut|russet} fox.\n"), err)
        status, out, err = self.zorapi("replace", session, "-", "--maxsyns", "3", "--quality", "3",
                                       stdin="  A naïve, lazy dog 😀\n".encode("utf-8"))
        self.assertEqual((status, out), (0, "A innocent, idle hound 😀\n"), err)

    def test_a_wrong_password_and_an_unknown_session_give_empty_results(self):
        self.assertEqual(self.zorapi("login", "demo", "wrong")[:2], (1, ""))
        self.assertEqual(self.zorapi("identify", "nosuchsession", "quick")[:2], (1, ""))


if __name__ == "__main__":
    unittest.main()
