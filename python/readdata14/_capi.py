"""The whole C boundary: loading the library, the records of readdata14.h,
readdata14_layers.h and readdata14_write.h, one read into a document, its
layers, the release, and the writer and builder.

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
        ("threads", ctypes.c_uint64),
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


class StoredColumnRecord(ctypes.Structure):
    c_name = "readdata14_stored_column"
    _fields_ = [("name", ctypes.c_char_p), ("kind", ctypes.c_uint32), ("reserved", ctypes.c_uint32),
                ("floats", _P), ("floatCount", ctypes.c_uint64), ("starts", _P), ("counts", _P)]


class StoredLayerRecord(ctypes.Structure):
    c_name = "readdata14_stored_layer"
    _fields_ = [("size", ctypes.c_size_t), ("id", ctypes.c_uint32), ("columnCount", ctypes.c_uint32),
                ("featureCount", ctypes.c_uint64), ("columns", ctypes.POINTER(StoredColumnRecord))]


class TableColumnRecord(ctypes.Structure):
    c_name = "readdata14_table_column"
    _fields_ = [("name", ctypes.c_char_p), ("column", ColumnRecord), ("textSize", ctypes.c_uint64)]


class LayerTableRecord(ctypes.Structure):
    c_name = "readdata14_layer_table"
    _fields_ = [
        ("size", ctypes.c_size_t), ("id", ctypes.c_uint32), ("columnCount", ctypes.c_uint32),
        ("featureCount", ctypes.c_uint64), ("coordinates", _P), ("coordinateCount", ctypes.c_uint64),
        ("geometryStarts", _P), ("pointCounts", _P), ("geometryFlags", _P),
        ("columns", ctypes.POINTER(TableColumnRecord)), ("fids", _P), ("storedLabels", _P),
        ("flags", ctypes.c_uint32),
    ]


class MetadataItemRecord(ctypes.Structure):
    c_name = "readdata14_metadata_item"
    _fields_ = [("key", ctypes.c_char_p), ("value", _P), ("valueSize", ctypes.c_size_t)]


class WriteOptionsRecord(ctypes.Structure):
    c_name = "readdata14_write_options"
    _fields_ = [("size", ctypes.c_size_t), ("flags", ctypes.c_uint32), ("firstToken", ctypes.c_char_p),
                ("description", ctypes.c_char_p), ("headerIntegers", ctypes.c_int32 * 5),
                ("headerIntegerCount", ctypes.c_uint32)]


class WriteResultRecord(ctypes.Structure):
    c_name = "readdata14_write_result"
    _fields_ = [("size", ctypes.c_size_t), ("status", ctypes.c_int32), ("systemError", ctypes.c_int32),
                ("section", ctypes.c_uint32), ("element", ctypes.c_int64), ("bytesWritten", ctypes.c_uint64),
                ("message", ctypes.c_char * 256)]


TABLE_CLOSE_RINGS = 1
"""readdata14_layer_table.flags: each closed contour given open is closed."""
TABLE_POINTS_AS_GIVEN = 2
"""readdata14_layer_table.flags: points that are not finite are taken as given."""


RECORDS = (FloatTextBlock, ChartRecord, DocumentRecord, FindingRecord, OptionsRecord, FieldDefinitionRecord,
           LayerDefinitionRecord, ColumnRecord, LayerRecord, WriteOptionsRecord, WriteResultRecord,
           TableColumnRecord, LayerTableRecord,
           MetadataItemRecord, StoredColumnRecord, StoredLayerRecord)
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
WRITTEN = 8
CANNOT_WRITE = 9
NOT_WRITABLE = 10

HEADER_ONLY = 1
GEOMETRY_NULL = 1
RING_LEFT_OPEN = 2
STORED_VALUE, STORED_VALUES, STORED_POINTS = 1, 2, 3
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
_document_stored_layer = _declare("readdata14_document_stored_layer", ctypes.POINTER(StoredLayerRecord),
                                  ctypes.c_void_p, ctypes.c_uint32)
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
                  max_findings: Optional[int] = None, max_input_size: Optional[int] = None,
                  threads: int = 1) -> Opened:
    """readdata14_open (a path) or readdata14_open_memory (any buffer);
    ctypes lets go of the GIL for the call."""
    findings: List[Finding] = []
    sink = ctypes.py_object(findings)
    options = OptionsRecord(ctypes.sizeof(OptionsRecord), _ON_FINDING, ctypes.addressof(sink),
                            max_findings or 0, max_input_size or 0, HEADER_ONLY if header_only else 0, threads)
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

    def stored(self, layer: int) -> Dict[str, StoredColumn]:
        """readdata14_document_stored_layer: each value of the layer's records,
        by name (kept by the caller: arrays held here would keep the owner alive)."""
        pointer = _document_stored_layer(self.address, layer)
        if not pointer:
            raise MemoryError("out of memory while walking the chart's records")
        record = pointer.contents
        n = int(record.featureCount)
        found = {}
        for k in range(record.columnCount):
            column = record.columns[k]
            floats = self.floats(column.floats, int(column.floatCount))
            found[column.name.decode("ascii")] = StoredColumn(
                column.kind, floats if floats is not None else np.empty(0, np.float32),
                self._each(column.starts, n, "<u8"), self._each(column.counts, n, "<u4"))
        return found

    def _each(self, address: Optional[int], n: int, typestr: str) -> np.ndarray:
        found = self.array(address, n, typestr) if n else None
        return found if found is not None else np.empty(0, np.dtype(typestr))

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


class StoredColumn(NamedTuple):
    """One value of every record, as readdata14_stored_column gives it:
    feature f's counts[f] items (floats, or (x, y) pairs for
    STORED_POINTS) begin at floats[starts[f]]."""

    kind: int
    floats: np.ndarray
    starts: np.ndarray
    counts: np.ndarray


class _Memory:
    """The base of an array on the library's memory (read-only)."""

    __slots__ = ("owner", "__array_interface__")

    def __init__(self, owner: Owner, address: int, count: int, typestr: str) -> None:
        self.owner = owner
        self.__array_interface__ = {"version": 3, "shape": (count,), "typestr": typestr,
                                    "data": (address, True)}


# ---- writing and building ---------------------------------------------------------

WRITE_CRLF = 1
WRITE_HEADER_INTEGERS = 2
SECTION_BITS = {1 << 0: "lines", 1 << 1: "line_symbols", 1 << 2: "symbols", 1 << 3: "closed_contours",
                1 << 4: "weather_regions", 1 << 5: "fill_areas", 1 << 6: "notes"}
"""READDATA14_SECTION_* by layer name."""

_Result = ctypes.POINTER(WriteResultRecord)
_write = _declare("readdata14_write", ctypes.c_int, ctypes.c_void_p, ctypes.c_char_p,
                  ctypes.POINTER(WriteOptionsRecord), _Result)
_write_memory = _declare("readdata14_write_memory", ctypes.c_int, ctypes.c_void_p, ctypes.POINTER(WriteOptionsRecord),
                         ctypes.POINTER(ctypes.c_void_p), ctypes.POINTER(ctypes.c_size_t), _Result)
_write_release = _declare("readdata14_write_release", None, ctypes.c_void_p)
_builder_new = _declare("readdata14_builder_new", ctypes.c_int, ctypes.POINTER(ctypes.c_void_p))
_builder_free = _declare("readdata14_builder_free", None, ctypes.c_void_p)
_builder_set_header = _declare("readdata14_builder_set_header", ctypes.c_int, ctypes.c_void_p, ctypes.c_char_p,
                               ctypes.c_char_p, ctypes.POINTER(ctypes.c_int32), ctypes.c_size_t, _Result)
_builder_leave_out = _declare("readdata14_builder_leave_out", ctypes.c_int, ctypes.c_void_p, ctypes.c_uint32, _Result)
_builder_finish = _declare("readdata14_builder_finish", ctypes.c_int, ctypes.c_void_p,
                           ctypes.POINTER(_DocumentPointer), _Result)
_escape_text = _declare("readdata14_escape_text", ctypes.c_size_t, ctypes.c_char_p, ctypes.c_size_t, ctypes.c_uint32,
                        ctypes.c_char_p, ctypes.c_size_t)


def escape_text(raw: bytes) -> str:
    """readdata14_escape_text: bytes as a text for people, every byte that
    is not valid UTF-8 as \\xNN."""
    size = _escape_text(raw, len(raw), 0, None, 0) + 1
    out = ctypes.create_string_buffer(size)
    _escape_text(raw, len(raw), 0, out, size)
    return out.raw[:size - 1].decode("utf-8")


_document_metadata = _declare("readdata14_document_metadata", ctypes.c_size_t, ctypes.c_void_p,
                               ctypes.POINTER(ctypes.POINTER(MetadataItemRecord)))


def document_metadata(address: int) -> List[Tuple[str, bytes]]:
    """readdata14_document_metadata: the library's keys and their values' bytes."""
    items = ctypes.POINTER(MetadataItemRecord)()
    count = _document_metadata(address, ctypes.byref(items))
    if count == 0:
        raise MemoryError("out of memory while making a chart's metadata")
    return [(items[i].key.decode("ascii"), ctypes.string_at(items[i].value, items[i].valueSize))
            for i in range(count)]


_builder_add_layer = _declare("readdata14_builder_add_layer", ctypes.c_int, ctypes.c_void_p,
                              ctypes.POINTER(LayerTableRecord), ctypes.POINTER(LayerTableRecord), _Result)


class Refusal(NamedTuple):
    """Why the writer or the builder did not take what it was given."""

    status: int
    system_error: int
    layer: Optional[str]
    """The layer of the element at fault, or None for the header or the whole chart."""
    element: int
    """Its index in its block (or in the call's arrays, for the builder); -1 for none."""
    message: str


def _new_result() -> WriteResultRecord:
    result = WriteResultRecord()
    result.size = ctypes.sizeof(WriteResultRecord)
    result.element = -1
    return result


def _refusal(status: int, result: WriteResultRecord, element: Optional[int] = None) -> Refusal:
    message = result.message.decode("utf-8", "backslashreplace") or status_name(status)
    return Refusal(status, result.systemError, SECTION_BITS.get(result.section),
                   result.element if element is None else element, message)


def write_options(crlf: bool, first_token: Optional[bytes], description: Optional[bytes],
                  header_integers: Optional[List[int]]) -> WriteOptionsRecord:
    """A readdata14_write_options record (it keeps the texts it points to)."""
    options = WriteOptionsRecord()
    options.size = ctypes.sizeof(WriteOptionsRecord)
    options.flags = WRITE_CRLF if crlf else 0
    options.firstToken = first_token
    options.description = description
    if header_integers is not None:
        options.flags |= WRITE_HEADER_INTEGERS
        options.headerIntegerCount = len(header_integers)
        for i, value in enumerate(header_integers):
            options.headerIntegers[i] = value
    return options


def write_document(address: int, options: WriteOptionsRecord, path: Optional[bytes]) -> "bytes | Refusal | None":
    """readdata14_write to `path` (None when written), or readdata14_write_memory
    without one (the bytes); a Refusal for any other status."""
    result = _new_result()
    if path is not None:
        status = _write(address, path, ctypes.byref(options), ctypes.byref(result))
        return None if status == WRITTEN else _refusal(status, result)
    data, size = ctypes.c_void_p(), ctypes.c_size_t()
    status = _write_memory(address, ctypes.byref(options), ctypes.byref(data), ctypes.byref(size),
                           ctypes.byref(result))
    if status != WRITTEN:
        return _refusal(status, result)
    try:
        return ctypes.string_at(data.value, size.value) if size.value else b""
    finally:
        _write_release(data.value)


class HostDocument(NamedTuple):
    """A document of the host's, made from a read one: what keeps it alive, and its address."""

    record: DocumentRecord
    keep: Tuple[Any, ...]

    @property
    def address(self) -> int:
        return ctypes.addressof(self.record)


def with_texts(owner: Owner, symbols: Optional[Tuple[np.ndarray, bytes]], notes: Optional[Tuple[np.ndarray, bytes]],
               first_token: bytes, description: bytes) -> HostDocument:
    """The owner's document with other texts: each of `symbols` and `notes`
    is (lengths as int32, joined texts) or None to keep the document's. The
    blocks stay the owner's: keep it alive while the copy is used."""
    record = DocumentRecord.from_buffer_copy(owner.document)
    keep: List[Any] = []

    def text(data: bytes) -> int:
        buffer = ctypes.create_string_buffer(data, len(data) + 1)  # zero-terminated, as the library's are
        keep.append(buffer)
        return ctypes.addressof(buffer)

    for block, size_names, texts in ((record.chart.symbols, ("symbolLengthsSize", "symbolTextSize"), symbols),
                                     (record.chart.notes, ("noteLengthsSize", "noteTextSize"), notes)):
        if texts is None:
            continue
        lengths = np.ascontiguousarray(texts[0], np.int32)
        keep.append(lengths)
        block.lengths = lengths.ctypes.data if len(lengths) else block.lengths
        block.text = text(texts[1])
        setattr(record.chart, size_names[0], len(lengths))
        setattr(record.chart, size_names[1], len(texts[1]))
    record.firstToken = text(first_token)
    record.firstTokenSize = len(first_token)
    record.chart.description = text(description)
    record.descriptionSize = len(description)
    return HostDocument(record, tuple(keep))


class Builder:
    """One readdata14_builder, released once nothing holds it.

    add_layer adds a table, all or none."""

    __slots__ = ("handle", "_finalizer", "__weakref__")

    def __init__(self) -> None:
        handle = ctypes.c_void_p()
        if _builder_new(ctypes.byref(handle)) != WRITTEN:
            raise MemoryError("out of memory while making a chart builder")
        self.handle: int = handle.value or 0
        self._finalizer = weakref.finalize(self, _builder_free, self.handle)
        self._finalizer.atexit = False

    def set_header(self, first_token: Optional[bytes], description: Optional[bytes],
                   integers: List[int]) -> Optional[Refusal]:
        array = (ctypes.c_int32 * 5)(*integers)
        result = _new_result()
        status = _builder_set_header(self.handle, first_token, description, array, len(integers),
                                     ctypes.byref(result))
        return None if status == WRITTEN else _refusal(status, result)

    def leave_out(self, sections: int) -> Optional[Refusal]:
        """Leaves the READDATA14_SECTION_* bits `sections` out of the file."""
        result = _new_result()
        status = _builder_leave_out(self.handle, sections, ctypes.byref(result))
        return None if status == WRITTEN else _refusal(status, result)

    def add_layer(self, table: "LayerTable", label_points: "Optional[LayerTable]") -> Optional[Refusal]:
        """readdata14_builder_add_layer: the table's rows, all or none."""
        result = _new_result()
        marks = ctypes.byref(label_points.record) if label_points is not None else None
        status = _builder_add_layer(self.handle, ctypes.byref(table.record), marks, ctypes.byref(result))
        return None if status == WRITTEN else _refusal(status, result)

    def finish(self) -> "Owner | Refusal":
        """The chart built so far, as the document a read of its file gives."""
        document, result = _DocumentPointer(), _new_result()
        status = _builder_finish(self.handle, ctypes.byref(document), ctypes.byref(result))
        if not document:
            return _refusal(status, result)
        address = ctypes.addressof(document.contents)
        if status != READ:
            _close(address)
            return _refusal(status, result)
        return Owner(address)


class Runs(NamedTuple):
    """Runs of (x, y) points end to end: element i's counts[i] points begin
    at pair starts[i] of the float32 (n, 2) `xy`."""

    xy: np.ndarray
    starts: np.ndarray
    counts: np.ndarray


class LayerTable:
    """A readdata14_layer_table over NumPy arrays, which it keeps alive.

    `xy` is (n, 2) float32, `counts` each row's points (0: no geometry);
    `columns` maps a field's name to ("int", int64 values, nulls),
    ("real", float64 values, nulls) or ("shared", codes, texts): row i's
    text is texts[codes[i]] (null for a code of -1 or a text None), nulls
    a bool array or None; `fids` each row's FID (int64) or None;
    `stored_labels` each row's label as stored (float32) or None; `flags`
    the TABLE_* bits."""

    def __init__(self, layer_id: int, xy: np.ndarray, counts: np.ndarray,
                 columns: Dict[str, Tuple[Any, ...]], fids: Optional[np.ndarray] = None,
                 stored_labels: Optional[np.ndarray] = None, flags: int = 0) -> None:
        n = len(counts)
        self.keep: List[Any] = []
        xy = self._kept(np.ascontiguousarray(xy, np.float32).reshape(-1))
        counts32 = self._kept(np.ascontiguousarray(counts, np.uint32))
        starts = self._kept(np.zeros(n, np.uint64))
        if n > 1:
            np.cumsum(2 * counts32[:-1].astype(np.uint64), out=starts[1:])
        records = (TableColumnRecord * max(len(columns), 1))()
        for record, (name, column) in zip(records, columns.items()):
            self._column(record, name, column, n)
        self.keep.append(records)
        table = LayerTableRecord()
        table.size = ctypes.sizeof(LayerTableRecord)
        table.id, table.columnCount, table.featureCount = layer_id, len(columns), n
        table.coordinates, table.coordinateCount = xy.ctypes.data, len(xy)
        table.geometryStarts, table.pointCounts = starts.ctypes.data, counts32.ctypes.data
        table.columns = records
        if fids is not None:  # the FIDs label points name; without them, the rows
            table.fids = self._kept(np.ascontiguousarray(fids, np.int64)).ctypes.data
        if stored_labels is not None:
            table.storedLabels = self._kept(np.ascontiguousarray(stored_labels, np.float32)).ctypes.data
        table.flags = flags
        self.record = table

    def _kept(self, array: np.ndarray) -> np.ndarray:
        self.keep.append(array)
        return array

    def _column(self, record: TableColumnRecord, name: str, column: Tuple[Any, ...], n: int) -> None:
        kind = column[0]
        record.name = name.encode("ascii")
        if kind == "shared":
            codes, texts = np.asarray(column[1], np.int64), column[2]
            sizes = np.array([len(t) if t else 0 for t in texts] + [0], np.uint64)
            offsets = np.zeros(len(sizes), np.uint64)
            np.cumsum(sizes[:-1], out=offsets[1:])
            lengths = self._kept(sizes[codes].astype(np.uint32))  # a code of -1 takes the last: 0
            starts = self._kept(offsets[codes])
            joined = b"".join(t for t in texts if t)
            buffer = self._kept(ctypes.create_string_buffer(joined, len(joined) + 1))
            nulls = np.append(np.array([t is None for t in texts], bool), True)[codes]
            record.column.type = FIELD_STRING
            record.column.texts = ctypes.addressof(buffer)
            record.column.textStarts, record.column.textLengths = starts.ctypes.data, lengths.ctypes.data
            record.textSize = len(joined)
        else:
            values = self._kept(np.ascontiguousarray(column[1], np.int64 if kind == "int" else np.float64))
            record.column.type = FIELD_INTEGER if kind == "int" else FIELD_REAL
            if kind == "int":
                record.column.integers = values.ctypes.data
            else:
                record.column.reals = values.ctypes.data
            nulls = column[2]
        if nulls is not None and nulls.any():
            record.column.nulls = self._kept(np.ascontiguousarray(nulls, np.uint8)).ctypes.data
