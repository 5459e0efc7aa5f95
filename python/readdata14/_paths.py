"""Paths as the library takes them, for reading and writing alike."""

from __future__ import annotations

import os
import sys
from typing import Tuple, Union

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


def library_path(path: PathLike) -> Tuple[str, bytes]:
    """The path's name for messages, and its bytes for the library (UTF-8 on
    Windows, where the library opens the file through its UTF-16 name)."""
    name = os.fsdecode(path)
    raw = name.encode("utf-8", "surrogatepass") if sys.platform == "win32" else os.fsencode(path)
    if b"\0" in raw:
        raise ValueError(f"{name!r}: a path cannot hold a NUL byte")
    return name, raw
