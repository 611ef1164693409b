"""The ctypes wrapper against the fake library, which describes each call it
gets: strings cross as UTF-16 code units both ways (not as the 32-bit
wchar_t of Linux), null and integer arguments arrive as given."""

import os
import pathlib
import subprocess
import sys
import unittest

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples" / "python"
sys.path.insert(0, str(EXAMPLES))

from zorapi import Zorapi  # noqa: E402

FAKE = os.environ["ZORAPI_FAKE_LIBRARY"]


class PythonWrapperTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.api = Zorapi(FAKE)

    def test_text_crosses_as_utf16_both_ways(self):
        for text in ["plain", "naïve café", "日本語", "😀 outside the BMP \U0010FFFD", "", " \t\r\n "]:
            with self.subTest(text=text):
                self.assertEqual(self.api.identify_synonyms("S", text, 2),
                                 f"identify session=[S] text=[{text}] maxsyns=[2]")

    def test_each_operation_passes_its_arguments(self):
        self.assertTrue(self.api.login("demo", "pass word").startswith("login user=[demo] password=[pass word] "))
        self.assertEqual(self.api.replace_everyones_favorites("S", "t", -1, -2**31),
                         "replace session=[S] text=[t] maxsyns=[-1] quality=[-2147483648]")
        self.assertEqual(self.api.replace_everyones_favorites("S", "t"),
                         "replace session=[S] text=[t] maxsyns=[3] quality=[3]")

    def test_none_is_a_null_pointer(self):
        self.assertEqual(self.api.identify_synonyms("S", None, 2**31 - 1),
                         "identify session=[S] text=[(null)] maxsyns=[2147483647]")

    def test_results_are_copied_before_the_next_call(self):
        first = self.api.identify_synonyms("S", "one", 1)
        self.api.identify_synonyms("S", "two", 1)
        self.assertEqual(first, "identify session=[S] text=[one] maxsyns=[1]")

    def test_an_empty_result_is_the_empty_string(self):
        self.assertEqual(self.api.login("empty", "p"), "")
        self.assertEqual(self.api.identify_synonyms("empty", "t"), "")

    def test_an_unpaired_surrogate_is_kept(self):
        self.assertEqual(self.api.identify_synonyms("lone", "t"), "a\ud800b")
        self.assertIn("\udc00", self.api.identify_synonyms("S", "x\udc00y"))

    def test_arguments_the_library_cannot_take_are_refused(self):
        cases = [
            (lambda: self.api.identify_synonyms("S", "a\0b"), ValueError),
            (lambda: self.api.identify_synonyms("S", "t", 2**31), ValueError),
            (lambda: self.api.replace_everyones_favorites("S", "t", 1, -2**31 - 1), ValueError),
            (lambda: self.api.identify_synonyms("S", "t", 1.5), ValueError),
            (lambda: self.api.login(b"bytes", "p"), TypeError),
        ]
        for call, error in cases:
            with self.subTest(error=error):
                with self.assertRaises(error):
                    call()

    def test_the_endpoint_is_set_before_the_library_loads(self):
        # A fresh process: the library reads the endpoint once, when loaded.
        code = ("import sys; sys.path.insert(0, sys.argv[1]); from zorapi import Zorapi; "
                "print(Zorapi(sys.argv[2], endpoint='http://127.0.0.1:9/api.php').login('u', 'p'))")
        env = {k: v for k, v in os.environ.items() if k != "ZORAPI_ENDPOINT"}
        out = subprocess.run([sys.executable, "-c", code, str(EXAMPLES), FAKE], env=env, capture_output=True,
                             text=True, encoding="utf-8", timeout=60, check=True).stdout
        self.assertEqual(out, "login user=[u] password=[p] endpoint=[http://127.0.0.1:9/api.php]\n")


if __name__ == "__main__":
    unittest.main()
