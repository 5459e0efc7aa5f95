"""Python's own exceptions for what the library refused, for every module
that hands it data (the builder, the writer, the frames)."""

from __future__ import annotations

import re
from typing import Any, Callable, NoReturn, Optional, Sequence, Tuple

from . import _capi
from ._capi import Refusal


def raise_refusal(refusal: Refusal, layer: Optional[str], rows: Optional[Sequence[Any]] = None) -> NoReturn:
    """The exception of Python's own kind for what the library refused."""
    if refusal.status == _capi.OUT_OF_MEMORY:
        raise MemoryError(refusal.message)
    if refusal.status == _capi.CANNOT_WRITE:
        raise OSError(refusal.system_error or None, refusal.message)
    layer = layer or refusal.layer
    if layer is None or refusal.element < 0:
        raise ValueError(refusal.message)
    row = refusal.element if rows is None else rows[refusal.element]
    raise ValueError(f"{layer} row {row}: {refusal.message}")


def row_error(kind: type, layer: str, rows: Optional[Sequence[Any]], i: int, message: str) -> Exception:
    return kind(f"{layer} row {rows[i] if rows is not None else i}: {message}")


_ROW = re.compile(r"^(\w+) row (\d+): (.*)$", re.S)


def _named_row(refusal: Refusal, layer: Optional[str], parents: Optional[Sequence[int]]
               ) -> Optional[Tuple[str, int, str]]:
    """The layer, row and reason a refusal of readdata14_builder_add_layer
    names ("lines row 4: why"); a label point's row as its parent's, in
    `layer`, where `parents` gives each label point's parent row."""
    found = _ROW.match(refusal.message)
    if found is None:
        return None
    name, row = found.group(1), int(found.group(2))
    if name == "label_points" and layer is not None and parents is not None and row < len(parents):
        name, row = layer, int(parents[row])
    return name, row, found.group(3)


def refused_row(refusal: Refusal, layer: str, parents: Optional[Sequence[int]] = None) -> int:
    """The row of `layer` refused (the rows before it are fine on their own);
    0 for a refusal of no row of it (the table as a whole, another status)."""
    named = _named_row(refusal, layer, parents) if refusal.status == _capi.NOT_WRITABLE else None
    return named[1] if named is not None and named[0] == layer else 0


def raise_row_refusal(refusal: Refusal, index_of: Callable[[str, int], Any], layer: Optional[str] = None,
                      parents: Optional[Sequence[int]] = None) -> NoReturn:
    """A refusal of readdata14_builder_add_layer ("lines row 4: why"), its
    row named by the host: index_of(layer, row), None to keep the library's;
    a label point's refusal names its parent's row (see _named_row)."""
    if refusal.status == _capi.OUT_OF_MEMORY:
        raise MemoryError(refusal.message)
    named = _named_row(refusal, layer, parents)
    index = None if named is None else index_of(named[0], named[1])
    if named is None or index is None:
        raise ValueError(refusal.message)
    raise ValueError(f"{named[0]} row {index}: {named[2]}")
