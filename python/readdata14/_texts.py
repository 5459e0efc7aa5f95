"""Texts of a chart as str.

Newer charts hold UTF-8, older ones a legacy code page that the caller names
with ``encoding=`` (any Python codec). A byte that does not decode is kept
as the four characters ``\\xNN`` (upper-case hex, as chart14 writes it),
never dropped and never passed on as invalid UTF-8; the first such byte of
a chart raises one :class:`TextEncodingWarning` naming the option to set.
"""

from __future__ import annotations

import codecs
import sys
import warnings
from typing import Any, List, Optional, Sequence, Tuple, Union

from . import _capi

_ESCAPE = "readdata14.hexescape"


def _escape(error: UnicodeError) -> Tuple[str, int]:
    # The library's escape (readdata14_escape_text), byte by byte: a byte
    # from 0x80 on is never UTF-8 alone, even where a run of them would be.
    if not isinstance(error, UnicodeDecodeError):
        raise error
    bad = error.object[error.start:error.end]
    return "".join(_capi.escape_text(bad[i:i + 1]) for i in range(len(bad))), error.end


codecs.register_error(_ESCAPE, _escape)


class TextEncodingWarning(UnicodeWarning):
    """Some text bytes of a chart did not decode and were kept as ``\\xNN``."""


def check_encoding(encoding: Optional[str]) -> Optional[str]:
    """The codec's canonical name; LookupError for a name Python does not know."""
    if encoding is None:
        return None
    return codecs.lookup(encoding).name


class TextDecoder:
    """Decodes one chart's texts; warns once for that chart."""

    __slots__ = ("encoding", "source", "escaped", "_codec")

    def __init__(self, encoding: Optional[str], source: str) -> None:
        self.encoding = encoding
        self.source = source
        self.escaped = False
        self._codec = encoding or "utf-8"

    def decode(self, raw: bytes) -> str:
        try:
            return raw.decode(self._codec)
        except UnicodeDecodeError:
            self.note_escaped()
            return raw.decode(self._codec, _ESCAPE)

    def check(self, raw: Optional[bytes]) -> None:
        """Warns now when `raw` (a whole text buffer) will not decode."""
        if raw is None or self.escaped:
            return
        try:
            raw.decode(self._codec)
        except UnicodeDecodeError:
            self.note_escaped()

    def note_escaped(self) -> None:
        if self.escaped:
            return
        self.escaped = True
        if self.encoding is None:
            hint = "; name the file's code page with encoding=..., e.g. encoding='cp1252'"
            what = "UTF-8"
        else:
            hint = ""
            what = self.encoding
        warnings.warn(TextEncodingWarning(
            f"{self.source}: some text bytes are not {what}; they are kept as \\xNN{hint}"),
            stacklevel=_caller_level())


class TextEncoder:
    """Texts to the bytes the chart holds, in one encoding."""

    __slots__ = ("encoding",)

    def __init__(self, encoding: Optional[str]) -> None:
        self.encoding = check_encoding(encoding) or "utf-8"

    def encode(self, text: Union[str, bytes, None], what: str) -> Optional[bytes]:
        if text is None:
            return None
        try:
            raw = text if isinstance(text, bytes) else text.encode(self.encoding)
        except UnicodeEncodeError as error:
            raise ValueError(f"{what}: {text!r} cannot be written in {self.encoding} ({error.reason})") from None
        if b"\0" in raw:  # the builder takes zero-terminated texts
            raise ValueError(f"{what}: {text!r} holds a NUL byte, which no chart's text holds")
        return raw

    def encode_all(self, texts: Optional[Sequence[Union[str, bytes, None]]], n: int, what: str, layer: str,
                   rows: Optional[Sequence[Any]] = None) -> List[Optional[bytes]]:
        if texts is None:
            return [None] * n
        if len(texts) != n:
            raise ValueError(f"{layer}: {len(texts)} {what} for {n} elements")
        return [self.encode(t, f"{layer} row {rows[i] if rows is not None else i}, {what}")
                for i, t in enumerate(texts)]


def _caller_level() -> int:
    """The stack level of the first caller outside this package, so that the
    warning names the user's line, whichever call decoded the text."""
    frame = sys._getframe(1)
    level = 1
    while frame is not None and frame.f_globals.get("__name__", "").startswith(__package__ + "."):
        frame = frame.f_back
        level += 1
    return level
