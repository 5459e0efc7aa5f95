"""The whole C boundary: loading the library, the records of readdata14.h
and readdata14_layers.h, one read into a document, its layers, and the
release.

Everything else in the package works on what this module hands out: an
:class:`Owner` of one document (released exactly once, after the last array
taken from it is gone) and NumPy arrays that view the library's memory.
"""

from __future__ import annotations

import ctypes
import os
import sys
import weakref
from pathlib import Path
from typing import Any, Dict, List, NamedTuple, Optional, Tuple

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


# ---- the records ------------------------------------------------------------
# Each mirrors the C record named in `c_name`; a test compares every field's
# offset and size with what the C compiler gives, so that they cannot drift.
# Pointers the package only turns into arrays are c_void_p (plain integers).

_P = ctypes.c_void_p


class FloatTextBlock(ctypes.Structure):
    c_name = "FloatTextBlock"
    _fields_ = [("values", _P), ("lengths", _P), ("text", _P)]


class ChartRecord(ctypes.Structure):
    c_name = "readdata14_chart"
    _fields_ = [
        ("lines", _P), ("description", _P), ("lineSymbols", _P), ("closedContours", _P),
        ("symbols", FloatTextBlock), ("weatherRegions", _P), ("fillAreas", _P), ("notes", FloatTextBlock),
        ("linesSize", ctypes.c_size_t), ("lineSymbolsSize", ctypes.c_size_t),
        ("closedContoursSize", ctypes.c_size_t), ("weatherRegionsSize", ctypes.c_size_t),
        ("fillAreasSize", ctypes.c_size_t), ("symbolValuesSize", ctypes.c_size_t),
        ("symbolLengthsSize", ctypes.c_size_t), ("symbolTextSize", ctypes.c_size_t),
        ("noteValuesSize", ctypes.c_size_t), ("noteLengthsSize", ctypes.c_size_t),
        ("noteTextSize", ctypes.c_size_t),
        ("systemError", ctypes.c_int32), ("errors", ctypes.c_uint32), ("warnings", ctypes.c_uint32),
    ]


class DocumentRecord(ctypes.Structure):
    c_name = "readdata14_document"
    _fields_ = [
        ("size", ctypes.c_size_t), ("status", ctypes.c_int32), ("sectionsPresent", ctypes.c_uint32),
        ("chart", ChartRecord),
        ("firstToken", _P), ("firstTokenSize", ctypes.c_size_t), ("descriptionSize", ctypes.c_size_t),
        ("headerIntegers", ctypes.c_int32 * 5), ("headerIntegerPresent", ctypes.c_uint8 * 5),
        ("contourFilePositions", _P), ("contourFilePositionsSize", ctypes.c_size_t),
        ("levels", _P), ("levelCount", ctypes.c_size_t), ("levelOrder", ctypes.c_int32),
        ("inputSize", ctypes.c_uint64),
    ]


class FindingRecord(ctypes.Structure):
    c_name = "readdata14_finding"
    _fields_ = [
        ("offset", ctypes.c_uint64), ("line", ctypes.c_uint64), ("column", ctypes.c_uint64),
        ("kind", ctypes.c_int32), ("severity", ctypes.c_int32), ("message", ctypes.c_char_p),
    ]


_FindingHandler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(FindingRecord), ctypes.c_void_p)


class OptionsRecord(ctypes.Structure):
    c_name = "readdata14_options"
    _fields_ = [
        ("size", ctypes.c_size_t), ("onFinding", _FindingHandler), ("context", _P),
        ("maxFindings", ctypes.c_uint64), ("maxInputSize", ctypes.c_uint64), ("flags", ctypes.c_uint32),
    ]


class FieldDefinitionRecord(ctypes.Structure):
    c_name = "readdata14_field_definition"
    _fields_ = [("name", ctypes.c_char_p), ("type", ctypes.c_int32), ("nullable", ctypes.c_int32),
                ("description", ctypes.c_char_p)]


class LayerDefinitionRecord(ctypes.Structure):
    c_name = "readdata14_layer_definition"
    _fields_ = [("name", ctypes.c_char_p), ("geometryType", ctypes.c_int32), ("fieldCount", ctypes.c_uint32),
                ("fields", ctypes.POINTER(FieldDefinitionRecord)), ("description", ctypes.c_char_p)]


class ColumnRecord(ctypes.Structure):
    c_name = "readdata14_column"
    _fields_ = [("type", ctypes.c_int32), ("reserved", ctypes.c_uint32), ("integers", _P), ("reals", _P),
                ("texts", _P), ("textStarts", _P), ("textLengths", _P), ("nulls", _P)]


class LayerRecord(ctypes.Structure):
    c_name = "readdata14_layer"
    _fields_ = [
        ("size", ctypes.c_size_t), ("id", ctypes.c_uint32), ("present", ctypes.c_int32),
        ("definition", ctypes.POINTER(LayerDefinitionRecord)), ("featureCount", ctypes.c_uint64),
        ("coordinates", _P), ("geometryStarts", _P), ("pointCounts", _P), ("geometryFlags", _P),
        ("columns", ctypes.POINTER(ColumnRecord)), ("extent", ctypes.c_double * 4), ("recordStarts", _P),
    ]


RECORDS = (FloatTextBlock, ChartRecord, DocumentRecord, FindingRecord, OptionsRecord, FieldDefinitionRecord,
           LayerDefinitionRecord, ColumnRecord, LayerRecord)
"""Every record this module mirrors."""

# readdata14_status
READ = 0
CANNOT_OPEN = 1
NOT_TYPE_14 = 2
OUT_OF_MEMORY = 3
INVALID_ARGUMENT = 4
CALLBACK_FAILED = 5
STOPPED = 6
TOO_LARGE = 7

HEADER_ONLY = 1
GEOMETRY_NULL = 1
RING_LEFT_OPEN = 2
FIELD_INTEGER, FIELD_BOOLEAN, FIELD_REAL, FIELD_STRING = 1, 2, 3, 4
GEOMETRY_TYPES = {1: "Point", 2: "LineString", 3: "Polygon"}

_lib = _load()


def _declare(name: str, restype: Any, *argtypes: Any) -> Any:
    function = getattr(_lib, name)
    function.restype = restype
    function.argtypes = list(argtypes)
    return function


_DocumentPointer = ctypes.POINTER(DocumentRecord)
_open = _declare("readdata14_open", ctypes.c_int, ctypes.c_char_p, ctypes.POINTER(OptionsRecord),
                 ctypes.POINTER(_DocumentPointer))
_open_memory = _declare("readdata14_open_memory", ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t,
                        ctypes.POINTER(OptionsRecord), ctypes.POINTER(_DocumentPointer))
_close = _declare("readdata14_close", None, ctypes.c_void_p)
_document_layer = _declare("readdata14_document_layer", ctypes.POINTER(LayerRecord), ctypes.c_void_p,
                           ctypes.c_uint32)
_layer_count = _declare("readdata14_layer_count", ctypes.c_uint32)
_layer_definition_at = _declare("readdata14_layer_definition_at", ctypes.POINTER(LayerDefinitionRecord),
                                ctypes.c_uint32)
_status_name = _declare("readdata14_status_name", ctypes.c_char_p, ctypes.c_int)
_finding_kind_name = _declare("readdata14_finding_kind_name", ctypes.c_char_p, ctypes.c_int32)
_version = _declare("readdata14_version", ctypes.c_char_p)

LIBRARY_VERSION: str = _version().decode("ascii")
LIBRARY_PATH: str = str(_library_path())


# ---- the schema ----------------------------------------------------------------

class FieldDefinition(NamedTuple):
    """One field of a layer, as the library defines it."""

    name: str
    type: str
    """ "integer", "boolean", "real" or "string"."""
    nullable: bool
    description: str


class LayerDefinition(NamedTuple):
    """One layer of every chart, as the library defines it."""

    id: int
    name: str
    geometry_type: str
    """ "Point", "LineString" or "Polygon"."""
    fields: Tuple[FieldDefinition, ...]
    description: str


_FIELD_TYPE_NAMES = {FIELD_INTEGER: "integer", FIELD_BOOLEAN: "boolean", FIELD_REAL: "real",
                     FIELD_STRING: "string"}


def layer_definitions() -> Tuple[LayerDefinition, ...]:
    """The library's layers, in the order of their ids."""
    layers = []
    for i in range(_layer_count()):
        d = _layer_definition_at(i).contents
        fields = tuple(FieldDefinition(f.name.decode("ascii"), _FIELD_TYPE_NAMES[f.type], bool(f.nullable),
                                       f.description.decode("utf-8"))
                       for f in d.fields[:d.fieldCount])
        layers.append(LayerDefinition(i, d.name.decode("ascii"), GEOMETRY_TYPES[d.geometryType], fields,
                                      d.description.decode("utf-8")))
    return tuple(layers)


# ---- findings --------------------------------------------------------------------

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


_kind_names: Dict[int, str] = {}


def _kind_name(kind: int) -> str:
    name = _kind_names.get(kind)
    if name is None:
        name = _kind_names[kind] = _finding_kind_name(kind).decode("ascii")
    return name


def _on_finding(finding: Any, context: int) -> int:
    # Exceptions cannot cross into C; ctypes prints and drops them. This
    # appends to a list, which can fail only for want of memory.
    found = finding.contents
    sink: List[Finding] = ctypes.cast(context, ctypes.POINTER(ctypes.py_object)).contents.value
    sink.append(Finding(
        found.offset, found.line, found.column, _kind_name(found.kind),
        "error" if found.severity == 2 else "warning",
        (found.message or b"").decode("utf-8", "backslashreplace"),
    ))
    return 0  # READDATA14_GO_ON


# One thunk for every read: the read's own list travels as the context.
_ON_FINDING = _FindingHandler(_on_finding)


def status_name(status: int) -> str:
    return _status_name(status).decode("ascii")


# ---- one read -----------------------------------------------------------------------

class Opened(NamedTuple):
    status: int
    owner: Optional["Owner"]
    """The document, when the status gave a chart."""
    system_error: int
    findings: List[Finding]


def open_document(path: Optional[bytes] = None, data: Any = None, header_only: bool = False,
                  max_findings: Optional[int] = None, max_input_size: Optional[int] = None) -> Opened:
    """readdata14_open (a path) or readdata14_open_memory (any buffer);
    ctypes lets go of the GIL for the call."""
    findings: List[Finding] = []
    sink = ctypes.py_object(findings)
    options = OptionsRecord(ctypes.sizeof(OptionsRecord), _ON_FINDING, ctypes.addressof(sink),
                            max_findings or 0, max_input_size or 0, HEADER_ONLY if header_only else 0)
    document = _DocumentPointer()
    if path is not None:
        status = _open(path, ctypes.byref(options), ctypes.byref(document))
    else:
        address, size, keep = _buffer_address(data)
        status = _open_memory(address, size, ctypes.byref(options), ctypes.byref(document))
        del keep
    if not document:
        return Opened(status, None, 0, findings)
    address = ctypes.addressof(document.contents)
    if status in (READ, STOPPED):
        return Opened(status, Owner(address), 0, findings)
    system_error = document.contents.chart.systemError
    _close(address)
    return Opened(status, None, system_error, findings)


def _buffer_address(data: Any) -> "tuple[int, int, Any]":
    """The address and size of a buffer's bytes, and what keeps them alive."""
    view = memoryview(data)
    if not view.c_contiguous:
        view = memoryview(view.tobytes())
    view = view.cast("B")
    if view.nbytes == 0:
        # The library wants an address even for no bytes.
        keep: Any = ctypes.create_string_buffer(1)
        return ctypes.addressof(keep), 0, keep
    if isinstance(data, bytes):
        return ctypes.cast(ctypes.c_char_p(data), ctypes.c_void_p).value or 0, view.nbytes, data
    if not view.readonly:
        keep = (ctypes.c_char * view.nbytes).from_buffer(view)
        return ctypes.addressof(keep), view.nbytes, keep
    keep = view.tobytes()
    return ctypes.cast(ctypes.c_char_p(keep), ctypes.c_void_p).value or 0, view.nbytes, keep


class Owner:
    """Owns one document; closes it once no chart, array or layer needs it.

    Every array handed out has, as its base, a :class:`_Memory` that holds
    the owner, so the owner lives as long as any array does. The release is
    not run at interpreter exit (``atexit = False``): arrays still held then,
    by an atexit handler or a daemon thread, keep pointing at live memory,
    and the system takes it back with the process.
    """

    __slots__ = ("address", "document", "_layers", "_finalizer", "__weakref__")

    def __init__(self, address: int) -> None:
        self.address = address
        self.document = DocumentRecord.from_address(address)
        self._layers: Dict[int, LayerRecord] = {}
        # The ctypes function itself, not a module global that shutdown may
        # have cleared by the time a late owner goes.
        self._finalizer = weakref.finalize(self, _close, address)
        self._finalizer.atexit = False

    def layer(self, layer: int) -> LayerRecord:
        """readdata14_document_layer: the library makes all layers on the first call."""
        record = self._layers.get(layer)
        if record is None:
            pointer = _document_layer(self.address, layer)
            if not pointer:
                raise MemoryError("out of memory while making the chart's layers")
            record = self._layers[layer] = pointer.contents
        return record

    def array(self, address: Optional[int], count: int, typestr: str) -> Optional[np.ndarray]:
        """A read-only array of `count` items at `address`, or None for a null pointer."""
        if not address:
            return None
        if count == 0:
            empty = np.empty(0, np.dtype(typestr))
            empty.flags.writeable = False
            return empty
        return np.asarray(_Memory(self, address, count, typestr))

    def floats(self, address: Optional[int], count: int) -> Optional[np.ndarray]:
        return self.array(address, count, "<f4")

    @staticmethod
    def bytes_at(address: Optional[int], size: int) -> Optional[bytes]:
        return None if not address else ctypes.string_at(address, size)


class _Memory:
    """The base of an array on the library's memory (read-only)."""

    __slots__ = ("owner", "__array_interface__")

    def __init__(self, owner: Owner, address: int, count: int, typestr: str) -> None:
        self.owner = owner
        self.__array_interface__ = {"version": 3, "shape": (count,), "typestr": typestr,
                                    "data": (address, True)}
