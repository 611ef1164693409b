"""The demo service: its thesaurus rewrites, and its HTTP surface over real
requests to a running service."""

import http.client
import pathlib
import re
import sys
import unittest
import urllib.parse

TOOLS = pathlib.Path(__file__).resolve().parents[2] / "tools" / "demo_service"
sys.path.insert(0, str(TOOLS))

import demo_service  # noqa: E402
from with_demo_service import DemoServiceProcess  # noqa: E402

# The library's login pattern: the reply must hold exactly this.
LOGIN_PATTERN = re.compile(r"<success>([0-9A-Za-z_]+)</success><session>([0-9A-Za-z_]+)</session>")


class ThesaurusTest(unittest.TestCase):
    thesaurus = demo_service.Thesaurus([["fast", "quick", "swift", "rapid"], ["dog", "hound"],
                                        ["naïve", "innocent"]])

    def test_identify_marks_each_known_word(self):
        cases = [
            # text, maxsyns, output
            ("The quick dog.", 0, "The {quick|fast|swift|rapid} {dog|hound}."),
            ("The quick dog.", 2, "The {quick|fast|swift} {dog|hound}."),
            ("The quick dog.", 1, "The {quick|fast} {dog|hound}."),
            ("The quick dog.", -1, "The {quick|fast|swift|rapid} {dog|hound}."),
            ("Quick QUICK quick", 1, "{Quick|Fast} {QUICK|FAST} {quick|fast}"),
            ("quickly dogs dog2 dog_", 0, "quickly dogs {dog|hound}2 {dog|hound}_"),
            ("Naïve café", 0, "{Naïve|Innocent} café"),
            ("", 3, ""),
            ("line one\r\nfast", 1, "line one\r\n{fast|quick}"),
        ]
        for text, maxsyns, output in cases:
            with self.subTest(text=text, maxsyns=maxsyns):
                self.assertEqual(self.thesaurus.identify(text, maxsyns), output)

    def test_replace_takes_the_favourite_that_quality_picks(self):
        cases = [
            # text, maxsyns, quality, output
            ("a quick dog", 0, 3, "a fast hound"),
            ("a quick dog", 0, 2, "a swift hound"),
            ("a quick dog", 0, 1, "a rapid hound"),
            ("a quick dog", 2, 1, "a swift hound"),  # only the first two count
            ("a quick dog", 0, 9, "a fast hound"),  # above best is best
            ("a quick dog", 0, -4, "a rapid hound"),  # below good is good
            ("a fast dog", 0, 3, "a quick hound"),  # never the word itself
            ("Fast DOG", 0, 3, "Quick HOUND"),
            ("a slow cat", 0, 3, "a slow cat"),
        ]
        for text, maxsyns, quality, output in cases:
            with self.subTest(text=text, maxsyns=maxsyns, quality=quality):
                self.assertEqual(self.thesaurus.replace(text, maxsyns, quality), output)

    def test_a_word_in_two_groups_is_refused(self):
        with self.assertRaises(ValueError):
            demo_service.Thesaurus([["fast", "quick"], ["quick", "rapid"]])

    def test_the_bundled_files_load(self):
        thesaurus = demo_service.Thesaurus.load(TOOLS / "thesaurus.txt")
        self.assertEqual(thesaurus.synonyms("Quick")[:1], ["fast"])
        self.assertEqual(demo_service.load_users(TOOLS / "users.txt")["demo"], "demo-password")


class DemoServiceHttpTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.service = DemoServiceProcess(lifetime=120)
        cls.service.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.service.__exit__(None, None, None)

    def request(self, method="POST", path="/api.php", body=b"", headers=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.service.port, timeout=30)
        try:
            connection.putrequest(method, path, skip_accept_encoding=True)
            sent = {"Content-Type": "application/x-www-form-urlencoded", "Content-Length": str(len(body))}
            sent.update(headers or {})
            for name, value in sent.items():
                if value is not None:
                    connection.putheader(name, value)
            connection.endheaders(body)
            reply = connection.getresponse()
            return reply.status, reply, reply.read().decode("utf-8")
        finally:
            connection.close()

    def post(self, *fields, headers=None):
        return self.request(body=urllib.parse.urlencode(fields).encode("ascii"), headers=headers)

    def login(self, user="demo", password="demo-password"):
        status, reply, text = self.post(("action", "authenticate"), ("format", "xml"),
                                        ("username", user), ("password", password))
        self.assertEqual(status, 200)
        return reply, text

    def session(self):
        _, text = self.login()
        return LOGIN_PATTERN.search(text).group(2)

    def output(self, text):
        match = re.search("<output>(.*?)</output>", text, re.S)
        self.assertIsNotNone(match, text)
        return match.group(1)

    def test_login_with_the_demo_account_gives_a_session_and_its_cookie(self):
        reply, text = self.login()
        match = LOGIN_PATTERN.search(text)
        self.assertIsNotNone(match, text)
        self.assertEqual(match.group(1), "true")
        self.assertIn(f"zorapi_session={match.group(2)};", reply.getheader("Set-Cookie"))
        self.assertEqual(reply.getheader("Content-Type"), "text/xml; charset=UTF-8")
        self.assertNotEqual(self.session(), match.group(2), "each login opens a new session")

    def test_login_failures_say_false_and_give_no_session(self):
        for user, password in [("demo", "wrong"), ("demo", ""), ("nobody", "demo-password"), ("", ""),
                               ("demo", "demo-password "), ("Demo", "demo-password")]:
            with self.subTest(user=user, password=password):
                reply, text = self.login(user, password)
                self.assertIn("<success>false</success>", text)
                self.assertNotIn("<session>", text)
                self.assertIsNone(reply.getheader("Set-Cookie"))

    def test_the_library_body_is_served(self):
        # The exact body the library sends for identifySynonyms.
        session = self.session()
        body = f"action=identifySynonyms&session={session}&format=xml&text=The+quick+fox.&maxsyns=3"
        status, _, text = self.request(body=body.encode("ascii"))
        self.assertEqual(status, 200)
        self.assertEqual(self.output(text), "The {quick|fast|swift|rapid} fox.")

    def test_text_operations_under_a_session(self):
        session = self.session()
        status, _, text = self.post(("action", "replaceEveryonesFavorites"), ("session", session),
                                    ("format", "xml"), ("text", "A quick, lazy dog."), ("maxsyns", "3"),
                                    ("quality", "3"))
        self.assertEqual(status, 200)
        self.assertEqual(self.output(text), "A fast, idle hound.")

    def test_output_is_utf8_and_escaped_as_xml(self):
        session = self.session()
        status, _, text = self.post(("action", "identifySynonyms"), ("session", session), ("format", "xml"),
                                    ("text", "naïve <b> & 😀 fast"), ("maxsyns", "1"))
        self.assertEqual(status, 200)
        self.assertEqual(self.output(text), "{naïve|innocent} &lt;b&gt; &amp; 😀 {fast|quick}")

    def test_bad_requests_get_http_errors(self):
        session = self.session()
        identify = [("action", "identifySynonyms"), ("session", session), ("format", "xml"), ("text", "x")]
        form = {"Content-Type": "application/x-www-form-urlencoded"}
        cases = [
            # name, request arguments, status
            ("another path", dict(path="/other.php", body=b"action=authenticate&format=xml"), 404),
            ("GET", dict(method="GET", body=b""), 405),
            ("no body length", dict(body=b"", headers={"Content-Length": None}), 411),
            ("huge body length", dict(body=b"", headers={"Content-Length": str(1 << 30)}), 413),
            ("another content type", dict(body=b"action=authenticate&format=xml",
                                          headers={"Content-Type": "text/plain"}), 415),
            ("no format", dict(body=b"action=authenticate&username=demo&password=demo-password"), 400),
            ("format json", dict(body=b"action=authenticate&format=json&username=a&password=b"), 400),
            ("no action", dict(body=b"format=xml"), 400),
            ("unknown action", dict(body=b"action=deleteEverything&format=xml"), 400),
            ("login without password", dict(body=b"action=authenticate&format=xml&username=demo"), 400),
            ("field twice", dict(body=b"action=authenticate&format=xml&format=xml&username=a&password=b"), 400),
            ("not UTF-8 inside the escapes",
             dict(body=b"action=authenticate&format=xml&username=%FF&password=b"), 400),
            ("raw byte above ASCII", dict(body=b"action=authenticate&format=xml&username=\xc3\xa9&password=b"),
             400),
            ("no maxsyns", dict(body=urllib.parse.urlencode(identify).encode(), headers=form), 400),
            ("maxsyns not a number",
             dict(body=urllib.parse.urlencode(identify + [("maxsyns", "3x")]).encode()), 400),
            ("maxsyns past 32 bits",
             dict(body=urllib.parse.urlencode(identify + [("maxsyns", "2147483648")]).encode()), 400),
            ("replace without quality", dict(body=urllib.parse.urlencode(
                [("action", "replaceEveryonesFavorites")] + identify[1:] + [("maxsyns", "1")]).encode()), 400),
            ("unknown session", dict(body=urllib.parse.urlencode(
                [("action", "identifySynonyms"), ("session", "nosuchsession"), ("format", "xml"),
                 ("text", "x"), ("maxsyns", "1")]).encode()), 403),
        ]
        for name, arguments, status in cases:
            with self.subTest(name):
                got, reply, text = self.request(**arguments)
                self.assertEqual(got, status, text)
                self.assertIn("<error>", text)
                if status == 405:
                    self.assertEqual(reply.getheader("Allow"), "POST")

    def test_negative_and_extreme_integers_are_served(self):
        session = self.session()
        for maxsyns, quality in [("-1", "0"), ("-2147483648", "2147483647"), ("0", "-5")]:
            with self.subTest(maxsyns=maxsyns, quality=quality):
                status, _, text = self.post(("action", "replaceEveryonesFavorites"), ("session", session),
                                            ("format", "xml"), ("text", "fast"), ("maxsyns", maxsyns),
                                            ("quality", quality))
                self.assertEqual(status, 200)
                self.assertNotEqual(self.output(text), "fast")


if __name__ == "__main__":
    unittest.main()
