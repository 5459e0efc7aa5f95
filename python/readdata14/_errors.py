"""Python's own exceptions for what the library refused, for every module
that hands it data (the builder, the writer, the frames)."""

from __future__ import annotations

import re
from typing import Any, Callable, NoReturn, Optional, Sequence

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


def raise_row_refusal(refusal: Refusal, index_of: Callable[[str, int], Any]) -> NoReturn:
    """A refusal of readdata14_builder_add_layer ("lines row 4: why"), its
    row named by the host: index_of(layer, row), None to keep the library's."""
    if refusal.status == _capi.OUT_OF_MEMORY:
        raise MemoryError(refusal.message)
    found = _ROW.match(refusal.message)
    index = None if found is None else index_of(found.group(1), int(found.group(2)))
    if found is None or index is None:
        raise ValueError(refusal.message)
    raise ValueError(f"{found.group(1)} row {index}: {found.group(3)}")
