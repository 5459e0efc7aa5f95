"""A document's file, as the library writes it: :meth:`Chart.write`,
:meth:`Chart.to_bytes` and the builder's, below the public modules.

A chart that was read is written from its document by the library, so
that it reads back to the same blocks, header fields and sections present,
bit for bit. Given another ``encoding`` than the one it was read with, its
texts (and header tokens) are decoded from the one and encoded in the
other, and the document with those texts is written instead.
"""

from __future__ import annotations

import codecs
import errno
import os
from typing import TYPE_CHECKING, List, Optional, Sequence, Tuple

import numpy as np

from . import _capi
from ._capi import Refusal
from ._errors import raise_refusal
from ._paths import PathLike, library_path

if TYPE_CHECKING:  # pragma: no cover
    from ._chart import Chart, TextBlock


def chart_bytes(chart: Chart, path: Optional[PathLike], line_endings: str, encoding: Optional[str],
                first_token: Optional[str], description: Optional[str],
                header_integers: Optional[Sequence[Optional[int]]]) -> Optional[bytes]:
    """Writes `chart` to `path`, or returns its bytes when `path` is None."""
    owner = chart._parts.owner
    source = codecs.lookup(chart.encoding or "utf-8").name
    target = source if encoding is None else codecs.lookup(encoding).name
    first = _token(first_token, target, "first_token")
    text = _token(description, target, "description")
    if target == source:
        return document_bytes(owner.address, path, line_endings, first, text, header_integers)
    symbols = _recoded(chart.blocks.symbols, source, target, "symbols")
    notes = _recoded(chart.blocks.notes, source, target, "notes")
    raw = owner.document
    if first is None:
        first = _recode(owner.bytes_at(raw.firstToken, raw.firstTokenSize) or b"", source, target, "the first token")
    if text is None:
        text = _recode(chart.blocks.description, source, target, "the description")
    document = _capi.with_texts(owner, symbols, notes, first, text)
    return document_bytes(document.address, path, line_endings, first, text, header_integers)


def document_bytes(address: int, path: Optional[PathLike], line_endings: str, first_token: Optional[bytes],
                   description: Optional[bytes], header_integers: Optional[Sequence[Optional[int]]]
                   ) -> Optional[bytes]:
    """Writes the document at `address` to `path`, or returns its bytes when `path` is None."""
    crlf = crlf_of(line_endings)
    integers = None if header_integers is None else header_integer_list(header_integers)
    name: Optional[str] = None
    raw_path: Optional[bytes] = None
    if path is not None:
        name, raw_path = library_path(path)
    written = _capi.write_document(address, _capi.write_options(crlf, first_token, description, integers), raw_path)
    if isinstance(written, Refusal):
        if written.status == _capi.CANNOT_WRITE and name is not None:
            code = written.system_error or errno.EIO
            raise OSError(code, f"{os.strerror(code)} ({written.message})", name)
        raise_refusal(written, None)
    return written


def _token(value: Optional[str], encoding: str, what: str) -> Optional[bytes]:
    if value is None:
        return None
    try:
        raw = value.encode(encoding)
    except UnicodeEncodeError as error:
        raise ValueError(f"{what} {value!r} cannot be written in {encoding} ({error.reason})") from None
    if b"\0" in raw:
        raise ValueError(f"{what} {value!r}: a header token holds no NUL byte")
    return raw


def _recode(raw: bytes, source: str, target: str, what: str) -> bytes:
    try:
        return raw.decode(source).encode(target)
    except UnicodeDecodeError:
        raise ValueError(f"{what}: some bytes are not {source}; read the chart with the encoding= it is in to "
                         f"write it in another") from None
    except UnicodeEncodeError as error:
        raise ValueError(f"{what}: {error.object[error.start:error.end]!r} cannot be written in {target}") from None


def _recoded(block: Optional[TextBlock], source: str, target: str, layer: str) -> Optional[Tuple[np.ndarray, bytes]]:
    """A text section's lengths and texts in `target`: each nonzero slot is a
    text and its "#", the slot its bytes and the "#"."""
    if block is None or block.lengths is None or block.text is None:
        return None
    lengths = np.array(block.lengths, np.int32)
    text = block.text
    pieces: List[bytes] = []
    at = 0
    for slot in np.flatnonzero(lengths).tolist():
        piece = text[at:at + int(lengths[slot])]
        at += int(lengths[slot])
        body, mark = (piece[:-1], piece[-1:]) if piece.endswith(b"#") else (piece, b"")
        made = _recode(body, source, target, f"{layer}, text {slot + 1}") + mark
        lengths[slot] = len(made)
        pieces.append(made)
    if not pieces:
        return None  # no text at all: the section's " " stays
    return lengths, b"".join(pieces) + text[at:]


def crlf_of(line_endings: str) -> bool:
    if line_endings not in ("lf", "crlf"):
        raise ValueError(f"line_endings is 'lf' or 'crlf', not {line_endings!r}")
    return line_endings == "crlf"


def header_integer_list(integers: Sequence[Optional[int]]) -> List[int]:
    """Up to five integers; None (not in the file) only after the last one given."""
    found = list(integers)
    while found and found[-1] is None:
        found.pop()
    if len(found) > 5 or any(v is None for v in found):
        raise ValueError(f"header_integers: up to five integers, None only at the end, not {tuple(integers)}")
    values = [int(v) for v in found]  # type: ignore[arg-type]
    if any(not -2**31 <= v < 2**31 for v in values):
        raise ValueError(f"header_integers: {values} do not all fit 32 bits")
    return values
