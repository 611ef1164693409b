"""ctypes wrapper of the zorapi library.

    from zorapi import Zorapi
    api = Zorapi(endpoint="http://127.0.0.1:8080/api.php")
    session = api.login("demo", "demo-password")
    print(api.identify_synonyms(session, "The quick brown fox."))

The library takes and returns zero-terminated UTF-16 strings. Python's
c_wchar_p is UTF-32 on Linux (wchar_t is 32 bits there), so this wrapper
passes arrays of 16-bit code units, which are right on every platform.
Every method returns a str, empty when the call failed or the service
answered nothing; the library reports no failure in any other way.
"""

import ctypes
import os
import sys

__all__ = ["Zorapi", "default_library"]

_UNIT = ctypes.c_uint16
_TEXT = ctypes.POINTER(_UNIT)
_INT32_RANGE = range(-2**31, 2**31)


def default_library():
    """The library's file name as the platform's loader finds it."""
    return "zorapi.dll" if sys.platform == "win32" else "libzorapi.so.1"


def _to_library(text):
    """A str as a zero-terminated UTF-16 array; None stays a null pointer,
    which the library reads as the empty string."""
    if text is None:
        return None
    if not isinstance(text, str):
        raise TypeError(f"expected str, got {type(text).__name__}")
    if "\0" in text:
        raise ValueError("the library reads strings only up to their first NUL character")
    data = text.encode("utf-16-le", "surrogatepass") + b"\0\0"
    return (_UNIT * (len(data) // 2)).from_buffer_copy(data)


def _from_library(result):
    """Copies a library result at once: the library reuses its storage on
    the next call of the same operation."""
    if not result:
        return ""
    length = 0
    while result[length]:
        length += 1
    return ctypes.string_at(result, 2 * length).decode("utf-16-le", "surrogatepass")


def _int32(name, value):
    if not isinstance(value, int) or value not in _INT32_RANGE:
        raise ValueError(f"{name} must be a 32-bit signed integer, not {value!r}")
    return value


class Zorapi:
    """The library's three operations.

    endpoint, when given, is put into ZORAPI_ENDPOINT before the library is
    loaded; the library reads it once, when it is loaded into the process,
    so it applies to every Zorapi of the process that loads the same file.
    """

    def __init__(self, path=None, endpoint=None):
        if endpoint is not None:
            os.environ["ZORAPI_ENDPOINT"] = endpoint
        # The 32-bit Windows DLL uses stdcall; a 32-bit Python is needed to
        # load it.
        loader = ctypes.WinDLL if sys.platform == "win32" else ctypes.CDLL
        self._library = loader(path or default_library())
        self._login = self._function("zorlogin", [_TEXT, _TEXT])
        self._identify = self._function("identifySynonyms", [_TEXT, _TEXT, ctypes.c_int32])
        self._replace = self._function("replaceEveryonesFavorites",
                                       [_TEXT, _TEXT, ctypes.c_int32, ctypes.c_int32])

    def _function(self, name, argtypes):
        function = getattr(self._library, name)
        function.argtypes = argtypes
        function.restype = _TEXT
        return function

    def login(self, user, password):
        """The session identifier, or "" when the sign-in failed."""
        return _from_library(self._login(_to_library(user), _to_library(password)))

    def identify_synonyms(self, session, text, maxsyns=3):
        """The text with its words that have synonyms marked, as the service
        writes it, or ""."""
        return _from_library(self._identify(_to_library(session), _to_library(text),
                                            _int32("maxsyns", maxsyns)))

    def replace_everyones_favorites(self, session, text, maxsyns=3, quality=3):
        """The text with words replaced by everyone's favourite synonyms, or ""."""
        return _from_library(self._replace(_to_library(session), _to_library(text),
                                           _int32("maxsyns", maxsyns), _int32("quality", quality)))
