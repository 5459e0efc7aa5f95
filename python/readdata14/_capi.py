"""The whole C boundary: loading the library, the records of readdata14.h,
one read, and the release.

Everything else in the package works on what this module hands out: a
:class:`RawChart` (the C record, owned by an :class:`Owner` that releases it
exactly once) and NumPy arrays that view the library's memory.
"""

from __future__ import annotations

import ctypes
import os
import sys
import weakref
from pathlib import Path
from typing import Any, List, NamedTuple, Optional

import numpy as np

_HERE = Path(__file__).resolve().parent


def _library_path() -> Path:
    # READDATA14_LIBRARY lets a developer try a library of their own build.
    named = os.environ.get("READDATA14_LIBRARY")
    if named:
        return Path(named)
    if sys.platform == "win32":
        return _HERE / "readdata14.dll"
    if sys.platform == "darwin":
        return _HERE / "libreaddata14.dylib"
    return _HERE / "libreaddata14.so"


def _load() -> ctypes.CDLL:
    path = _library_path()
    if not path.exists():
        raise ImportError(
            f"readdata14: the library {path.name} is not inside the package at {_HERE}. Install the "
            "package (pip install --no-build-isolation ./python from the project's top folder), which "
            "builds it, rather than importing the source folder."
        )
    return ctypes.CDLL(str(path))


class FloatTextBlock(ctypes.Structure):
    _fields_ = [
        ("values", ctypes.POINTER(ctypes.c_float)),
        ("lengths", ctypes.POINTER(ctypes.c_int32)),
        # Not c_char_p: that would copy the text into a bytes object and stop
        # at the first NUL.
        ("text", ctypes.POINTER(ctypes.c_char)),
    ]


class RawChart(ctypes.Structure):
    """readdata14_chart: every array a read hands back, with its size."""

    _fields_ = [
        ("lines", ctypes.POINTER(ctypes.c_float)),
        ("description", ctypes.POINTER(ctypes.c_char)),
        ("lineSymbols", ctypes.POINTER(ctypes.c_float)),
        ("closedContours", ctypes.POINTER(ctypes.c_float)),
        ("symbols", FloatTextBlock),
        ("weatherRegions", ctypes.POINTER(ctypes.c_float)),
        ("fillAreas", ctypes.POINTER(ctypes.c_float)),
        ("notes", FloatTextBlock),
        ("linesSize", ctypes.c_size_t),
        ("lineSymbolsSize", ctypes.c_size_t),
        ("closedContoursSize", ctypes.c_size_t),
        ("weatherRegionsSize", ctypes.c_size_t),
        ("fillAreasSize", ctypes.c_size_t),
        ("symbolValuesSize", ctypes.c_size_t),
        ("symbolLengthsSize", ctypes.c_size_t),
        ("symbolTextSize", ctypes.c_size_t),
        ("noteValuesSize", ctypes.c_size_t),
        ("noteLengthsSize", ctypes.c_size_t),
        ("noteTextSize", ctypes.c_size_t),
        ("systemError", ctypes.c_int32),
        ("errors", ctypes.c_uint32),
        ("warnings", ctypes.c_uint32),
    ]


class _Finding(ctypes.Structure):
    _fields_ = [
        ("offset", ctypes.c_uint64),
        ("line", ctypes.c_uint64),
        ("column", ctypes.c_uint64),
        ("kind", ctypes.c_int32),
        ("severity", ctypes.c_int32),
        ("message", ctypes.c_char_p),
    ]


_FindingCallback = ctypes.CFUNCTYPE(None, ctypes.POINTER(_Finding), ctypes.c_void_p)

# readdata14_status
READ = 0
CANNOT_OPEN = 1
NOT_TYPE_14 = 2
OUT_OF_MEMORY = 3
INVALID_ARGUMENT = 4
CALLBACK_FAILED = 5

_lib = _load()
_lib.readdata14_read.argtypes = [ctypes.c_char_p, ctypes.POINTER(RawChart), _FindingCallback, ctypes.c_void_p]
_lib.readdata14_read.restype = ctypes.c_int
_lib.readdata14_read_memory.argtypes = [
    ctypes.c_void_p, ctypes.c_size_t, ctypes.POINTER(RawChart), _FindingCallback, ctypes.c_void_p,
]
_lib.readdata14_read_memory.restype = ctypes.c_int
_lib.readdata14_release.argtypes = [ctypes.POINTER(RawChart)]
_lib.readdata14_release.restype = None
_lib.readdata14_status_name.argtypes = [ctypes.c_int]
_lib.readdata14_status_name.restype = ctypes.c_char_p
_lib.readdata14_finding_kind_name.argtypes = [ctypes.c_int32]
_lib.readdata14_finding_kind_name.restype = ctypes.c_char_p
_lib.readdata14_version.argtypes = []
_lib.readdata14_version.restype = ctypes.c_char_p

LIBRARY_VERSION: str = _lib.readdata14_version().decode("ascii")
LIBRARY_PATH: str = str(_library_path())


class Finding(NamedTuple):
    """One place where the file departs from the format."""

    offset: int
    """Byte offset in the file, from 0."""
    line: int
    """Line, from 1 (a CR LF pair is one line break)."""
    column: int
    """Column in bytes, from 1."""
    kind: str
    """A stable name: "tag-mismatch", "bad-token", "input-ended", ..."""
    severity: str
    """"error" (the reader had to stop or guess) or "warning" (legal but unusual)."""
    message: str
    """What was expected and what was found; the file's bytes escaped."""


_kind_names: dict = {}


def _kind_name(kind: int) -> str:
    name = _kind_names.get(kind)
    if name is None:
        name = _kind_names[kind] = _lib.readdata14_finding_kind_name(kind).decode("ascii")
    return name


def _on_finding(finding: Any, context: int) -> None:
    # Exceptions cannot cross into C; ctypes prints and drops them. This
    # appends to a list, which can fail only for want of memory.
    found = finding.contents
    sink: List[Finding] = ctypes.cast(context, ctypes.POINTER(ctypes.py_object)).contents.value
    sink.append(Finding(
        found.offset, found.line, found.column, _kind_name(found.kind),
        "error" if found.severity == 2 else "warning",
        (found.message or b"").decode("utf-8", "backslashreplace"),
    ))


# One thunk for every read: the read's own list travels as the context.
_ON_FINDING = _FindingCallback(_on_finding)


def read_path(path: bytes) -> "tuple[int, RawChart, List[Finding]]":
    """readdata14_read; ctypes lets go of the GIL for the call."""
    raw = RawChart()
    findings: List[Finding] = []
    sink = ctypes.py_object(findings)
    status = _lib.readdata14_read(path, ctypes.byref(raw), _ON_FINDING, ctypes.addressof(sink))
    return status, raw, findings


def read_memory(data: Any) -> "tuple[int, RawChart, List[Finding]]":
    """readdata14_read_memory on any object with the buffer protocol."""
    raw = RawChart()
    findings: List[Finding] = []
    sink = ctypes.py_object(findings)
    view = memoryview(data)
    if not view.c_contiguous:
        view = memoryview(view.tobytes())
    view = view.cast("B")
    if isinstance(data, bytes):
        keep: Any = data
        address = ctypes.cast(ctypes.c_char_p(data), ctypes.c_void_p).value
    elif not view.readonly and view.contiguous:
        keep = (ctypes.c_char * view.nbytes).from_buffer(view)
        address = ctypes.addressof(keep)
    else:
        keep = view.tobytes()
        address = ctypes.cast(ctypes.c_char_p(keep), ctypes.c_void_p).value
    status = _lib.readdata14_read_memory(address, view.nbytes, ctypes.byref(raw), _ON_FINDING,
                                         ctypes.addressof(sink))
    del keep
    return status, raw, findings


def status_name(status: int) -> str:
    return _lib.readdata14_status_name(status).decode("ascii")


def release(raw: RawChart) -> None:
    """readdata14_release; the record is zeroed, so a second call is harmless."""
    _lib.readdata14_release(ctypes.byref(raw))


def _release_when_collected(raw: RawChart) -> None:
    # Looked up at call time, so that a test can count the calls.
    release(raw)


class Owner:
    """Owns one read's arrays; releases them when the last array is gone.

    Every array handed out has, as its base, a :class:`_Memory` that holds
    the owner, so the owner lives as long as any array does.
    """

    __slots__ = ("raw", "_finalizer", "__weakref__")

    def __init__(self, raw: RawChart) -> None:
        self.raw = raw
        self._finalizer = weakref.finalize(self, _release_when_collected, raw)

    def floats(self, pointer: Any, size: int) -> Optional[np.ndarray]:
        """The float32 array at `pointer`, or None where the read gave none."""
        return self._array(pointer, size, "<f4", np.float32)

    def int32s(self, pointer: Any, size: int) -> Optional[np.ndarray]:
        return self._array(pointer, size, "<i4", np.int32)

    def bytes_at(self, pointer: Any, size: int) -> Optional[bytes]:
        if not pointer:
            return None
        return ctypes.string_at(pointer, size)

    def _array(self, pointer: Any, size: int, typestr: str, dtype: Any) -> Optional[np.ndarray]:
        if not pointer:
            return None
        if size == 0:
            empty = np.empty(0, dtype)
            empty.flags.writeable = False
            return empty
        address = ctypes.cast(pointer, ctypes.c_void_p).value
        return np.asarray(_Memory(self, address, size, typestr))


class _Memory:
    """The base of an array on the library's memory (read-only)."""

    __slots__ = ("owner", "__array_interface__")

    def __init__(self, owner: Owner, address: int, size: int, typestr: str) -> None:
        self.owner = owner
        self.__array_interface__ = {
            "version": 3,
            "shape": (size,),
            "typestr": typestr,
            "data": (address, True),
        }

