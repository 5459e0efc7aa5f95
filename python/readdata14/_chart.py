"""One read chart: :func:`read`, :func:`read_bytes`, :func:`read_header` and :class:`Chart`."""

from __future__ import annotations

import errno as _errno
import os
from functools import cached_property
from typing import TYPE_CHECKING, Any, Dict, List, NamedTuple, Optional, Sequence, Tuple

import numpy as np

from . import _capi
from ._capi import Finding
from ._document import chart_bytes
from ._geo import to_geodataframe
from ._layers import LAYERS, definition
from ._paths import PathLike
from ._paths import library_path as _library_path
from ._sections import (ChartParts, ClosedContours, FillAreas, LabelPoints, Lines, LineSymbols, Notes, Symbols,
                        WeatherRegions)
from ._texts import TextDecoder, check_encoding

if TYPE_CHECKING:  # pragma: no cover
    import geopandas

class NotAChartError(ValueError):
    """The file opened, but its header does not name type 14."""

    def __init__(self, message: str, path: Optional[str] = None) -> None:
        super().__init__(message)
        self.path = path


class TextBlock(NamedTuple):
    """A text section as the C API hands it back."""

    values: np.ndarray
    """The float32 block."""
    lengths: Optional[np.ndarray]
    """int32 slots: the length of each text with its "#", or 0."""
    text: Optional[bytes]
    """All texts joined, each followed by "#"."""


class Blocks(NamedTuple):
    """The raw arrays of one read, for hosts porting code that walks them.

    Float blocks are float32 views on the library's memory; a section that
    gave nothing is None (``fill_areas`` also when the file has no
    STATION_SITUATION marker).
    """

    lines: Optional[np.ndarray]
    line_symbols: Optional[np.ndarray]
    symbols: Optional[TextBlock]
    closed_contours: Optional[np.ndarray]
    weather_regions: Optional[np.ndarray]
    fill_areas: Optional[np.ndarray]
    notes: Optional[TextBlock]
    description: bytes


class Header(NamedTuple):
    """The header's own fields, as the file has them."""

    first_token: str
    """The token before the type 14."""
    description: str
    """The token after it."""
    integers: Tuple[Optional[int], ...]
    """The five integers of the line after the description; None for each
    one that did not stand in the file (the line ends at the first token
    that is not an integer)."""


def _text_block(owner: _capi.Owner, block: _capi.FloatTextBlock, values: int, lengths: int,
                text: int) -> Optional[TextBlock]:
    array = owner.floats(block.values, values)
    if array is None:
        return None
    return TextBlock(array, owner.array(block.lengths, lengths, "<i4"), owner.bytes_at(block.text, text))


def _blocks(owner: _capi.Owner) -> Blocks:
    raw = owner.document.chart
    return Blocks(
        owner.floats(raw.lines, raw.linesSize),
        owner.floats(raw.lineSymbols, raw.lineSymbolsSize),
        _text_block(owner, raw.symbols, raw.symbolValuesSize, raw.symbolLengthsSize, raw.symbolTextSize),
        owner.floats(raw.closedContours, raw.closedContoursSize),
        owner.floats(raw.weatherRegions, raw.weatherRegionsSize),
        owner.floats(raw.fillAreas, raw.fillAreasSize),
        _text_block(owner, raw.notes, raw.noteValuesSize, raw.noteLengthsSize, raw.noteTextSize),
        owner.bytes_at(raw.description, owner.document.descriptionSize) or b"",
    )


def _header(owner: _capi.Owner, decoder: TextDecoder) -> Header:
    document = owner.document
    first = owner.bytes_at(document.firstToken, document.firstTokenSize) or b""
    description = owner.bytes_at(document.chart.description, document.descriptionSize) or b""
    decoder.check(first)
    decoder.check(description)
    integers = tuple(int(value) if present else None
                     for value, present in zip(document.headerIntegers, document.headerIntegerPresent))
    return Header(decoder.decode(first), decoder.decode(description), integers)


class Chart:
    """A read type-14 chart.

    Sections (each a sequence: ``len``, indexing, iteration, and a GeoJSON
    FeatureCollection as ``__geo_interface__``):

    ``lines``, ``line_symbols``, ``symbols``, ``closed_contours``,
    ``weather_regions``, ``fill_areas`` (None when the file has no
    STATION_SITUATION marker), ``notes``, and ``label_points`` (those of lines
    and contours). Each is one layer of the library's layer model (see
    :data:`SCHEMA`); ``present`` says whether its tag stood where it was due.
    ``levels`` is the sorted level list (float32) and ``level_order`` its
    direction; ``blocks`` the raw arrays.

    Every array is a read-only view on the library's memory; the memory is
    released when the chart and the last array taken from it are gone.

    Also: ``header`` (``first_token``, ``description``, ``header_integers``:
    the header's own fields), ``path``, ``findings`` (where the file departs
    from the format: offset, line, column, kind, severity, message),
    ``errors`` and ``warnings`` (their counts), ``encoding``, ``metadata``
    (the dataset metadata of the layer model), ``to_geodataframe(layer)`` and
    ``to_geodataframes()``. Made by :func:`read`, :func:`read_bytes` and
    :func:`read_many`.
    """

    def __init__(self, owner: _capi.Owner, findings: List[Finding], decoder: TextDecoder,
                 path: Optional[str]) -> None:
        raw = owner.document.chart
        self.path: Optional[str] = path
        """The path read, or None for :func:`read_bytes`."""
        self.findings: List[Finding] = findings
        """Where the file departs from the format, in file order."""
        self.errors: int = raw.errors
        """How many findings are errors."""
        self.warnings: int = raw.warnings
        """How many findings are warnings."""
        self.encoding: Optional[str] = decoder.encoding
        self.blocks: Blocks = _blocks(owner)
        """The raw arrays, for code that walks the blocks."""
        self.header: Header = _header(owner, decoder)
        decoder.check(self.blocks.symbols.text if self.blocks.symbols else None)
        decoder.check(self.blocks.notes.text if self.blocks.notes else None)
        self._parts = ChartParts(owner, decoder)

    @property
    def description(self) -> str:
        """The header's description token."""
        return self.header.description

    @property
    def first_token(self) -> str:
        """The header's first token (before the type 14)."""
        return self.header.first_token

    @property
    def header_integers(self) -> Tuple[Optional[int], ...]:
        """The header's five integers; None for each one the file does not have."""
        return self.header.integers

    @cached_property
    def lines(self) -> Lines:
        return Lines(self._parts, self.blocks.lines)

    @cached_property
    def line_symbols(self) -> LineSymbols:
        return LineSymbols(self._parts, self.blocks.line_symbols)

    @cached_property
    def symbols(self) -> Symbols:
        return Symbols(self._parts, *_text_parts(self.blocks.symbols))

    @cached_property
    def closed_contours(self) -> ClosedContours:
        return ClosedContours(self._parts, self.blocks.closed_contours)

    @cached_property
    def weather_regions(self) -> WeatherRegions:
        return WeatherRegions(self._parts, self.blocks.weather_regions)

    @cached_property
    def fill_areas(self) -> Optional[FillAreas]:
        """None when the fill areas were not read (no STATION_SITUATION marker)."""
        block = self.blocks.fill_areas
        return None if block is None else FillAreas(self._parts, block)

    @cached_property
    def notes(self) -> Notes:
        return Notes(self._parts, *_text_parts(self.blocks.notes))

    @cached_property
    def label_points(self) -> LabelPoints:
        return LabelPoints(self._parts)

    @property
    def levels(self) -> np.ndarray:
        """The distinct closed-contour values, sorted in the section's direction (float32)."""
        return self.closed_contours.levels

    @property
    def level_order(self) -> str:
        """ "rising", "falling" or "unknown" (fewer than two levels)."""
        return self.closed_contours.level_order

    @property
    def metadata(self) -> Dict[str, str]:
        """The dataset-level metadata of the layer model, as the GDAL driver
        shows it: the library's keys, the chart's bytes decoded as its texts."""
        decoder = self._parts.decoder
        return {key: decoder.decode(value) for key, value in _capi.document_metadata(self._parts.owner.address)}

    def section(self, layer: str) -> Any:
        """A section by its layer name (see :data:`LAYERS`)."""
        definition(layer)
        return getattr(self, layer)

    def layer_table(self, layer: str) -> Any:
        """The library's tables of one layer as NumPy views (even where the
        section is None: the fill areas of a chart that did not read them)."""
        return self._parts.table(definition(layer).name)

    def to_geodataframe(self, layer: str, crs: Any = None) -> geopandas.GeoDataFrame:
        """One layer as a GeoDataFrame: the fields of the library's layer
        model, the feature ids as the index, no CRS unless `crs` is given.
        Needs geopandas."""
        return to_geodataframe(self, layer, crs)

    def to_geodataframes(self, crs: Any = None) -> Dict[str, geopandas.GeoDataFrame]:
        """All layers, by name, in the library's order."""
        return {layer: self.to_geodataframe(layer, crs) for layer in LAYERS}

    def write(self, path: PathLike, line_endings: str = "lf", encoding: Optional[str] = None,
              first_token: Optional[str] = None, description: Optional[str] = None,
              header_integers: Optional[Sequence[Optional[int]]] = None) -> None:
        """Writes the chart to `path` as a type-14 file (an existing file is
        replaced; nothing is left of a write that failed).

        A chart that was read comes back from the file bit for bit: every
        block (NaN, -0 and infinities included), the header's fields and
        the sections present, broken charts too. `line_endings` is "lf" or
        "crlf". `encoding`: the texts' bytes are written as they were read
        by default; another encoding than the chart's (``chart.encoding``,
        UTF-8 when it was read without one) decodes them from that one and
        writes them in this one. `first_token`, `description` (one token
        each) and up to five `header_integers` replace the header's fields.

        Raises OSError (FileNotFoundError, PermissionError ...) when the file
        cannot be written, ValueError for a header token or a text that the
        format or the encoding cannot carry.
        """
        chart_bytes(self, path, line_endings, encoding, first_token, description, header_integers)

    def to_bytes(self, line_endings: str = "lf", encoding: Optional[str] = None,
                 first_token: Optional[str] = None, description: Optional[str] = None,
                 header_integers: Optional[Sequence[Optional[int]]] = None) -> bytes:
        """The chart's file as bytes; see :meth:`write`."""
        written = chart_bytes(self, None, line_endings, encoding, first_token, description, header_integers)
        assert written is not None
        return written

    def counts(self) -> Dict[str, int]:
        """Elements per section (0 for an absent one)."""
        return {layer: len(getattr(self, layer) or ()) for layer in LAYERS}

    def __str__(self) -> str:
        c = self.counts()
        parts = [f"{c['lines']} lines", f"{c['line_symbols']} line symbols", f"{c['symbols']} symbols",
                 f"{c['closed_contours']} closed contours", f"{c['weather_regions']} weather regions",
                 "fill areas not read" if self.fill_areas is None else f"{c['fill_areas']} fill areas",
                 f"{c['notes']} notes"]
        return (f"{self.description}: {', '.join(parts)}; {len(self.levels)} levels; "
                f"{self.errors} errors, {self.warnings} warnings")

    def __repr__(self) -> str:
        return f"<readdata14.Chart {self}>"


def _text_parts(block: Optional[TextBlock]) -> tuple:
    if block is None:
        return None, None, None
    return block.values, block.lengths, block.text


def format_float32(value: float) -> str:
    """The shortest text that reads back to the same float32, chosen as C++'s
    std::to_chars does (as the GDAL driver writes LEVELS): fixed or
    scientific, whichever is shorter (fixed on a tie), a fixed whole number
    written with all its digits."""
    f = np.float32(value)
    if np.isnan(f):
        return "-nan" if np.signbit(f) else "nan"
    if np.isinf(f):
        return "-inf" if f < 0 else "inf"
    scientific = np.format_float_scientific(f, unique=True, trim="-", exp_digits=2)
    fixed = np.format_float_positional(f, unique=True, trim="-")
    if f != 0 and float(f).is_integer():
        fixed = str(int(f))
    return fixed if len(fixed) <= len(scientific) else scientific


# ---- reading ------------------------------------------------------------------------

def _raise_for(status: int, system_error: int, findings: List[Finding], path: Optional[str]) -> None:
    where = path if path is not None else "<bytes>"
    if status == _capi.CANNOT_OPEN:
        code = system_error or _errno.EIO
        # OSError picks the subclass from the number: FileNotFoundError,
        # PermissionError, IsADirectoryError ...
        raise OSError(code, os.strerror(code), path)
    if status == _capi.NOT_TYPE_14:
        detail = f" ({findings[0].message})" if findings else ""
        raise NotAChartError(f"{where}: not a type-14 chart{detail}", path)
    if status == _capi.TOO_LARGE:
        raise OSError(_errno.EFBIG, f"larger than the read allows ({_capi.status_name(status)}; "
                                    "see max_input_size)", path)
    if status == _capi.OUT_OF_MEMORY:
        raise MemoryError(f"{where}: out of memory while reading the chart")
    if status == _capi.INVALID_ARGUMENT:
        raise ValueError(f"{where}: {_capi.status_name(status)}")
    raise RuntimeError(f"{where}: {_capi.status_name(status)}")


def _check_limits(max_findings: Optional[int], max_input_size: Optional[int]) -> None:
    for name, value in (("max_findings", max_findings), ("max_input_size", max_input_size)):
        if value is not None and value < 1:
            raise ValueError(f"{name} must be at least 1, not {value}")


def _open(path: Optional[PathLike], data: Any, encoding: Optional[str], header_only: bool,
          max_findings: Optional[int], max_input_size: Optional[int],
          threads: Optional[int] = None) -> Tuple[_capi.Opened, Optional[str], TextDecoder]:
    encoding = check_encoding(encoding)
    _check_limits(max_findings, max_input_size)
    if threads is not None and threads < 1:
        raise ValueError(f"threads must be at least 1, not {threads}")
    name: Optional[str] = None
    if path is not None:
        name, raw = _library_path(path)
        opened = _capi.open_document(raw, None, header_only, max_findings, max_input_size, threads or 1)
    else:
        opened = _capi.open_document(None, data, header_only, max_findings, max_input_size, threads or 1)
    if opened.owner is None:
        _raise_for(opened.status, opened.system_error, opened.findings, name)
    return opened, name, TextDecoder(encoding, name if name is not None else "<bytes>")


def read(path: PathLike, encoding: Optional[str] = None, *, max_findings: Optional[int] = None,
         max_input_size: Optional[int] = None, threads: Optional[int] = None) -> Chart:
    """Reads the type-14 chart at `path`.

    `encoding` names the code page of the texts (any Python codec, e.g.
    "cp1252", "gbk"). Without it, texts that are valid UTF-8 decode as such
    and other bytes are kept as ``\\xNN``, with one TextEncodingWarning.
    `max_findings` keeps at most that many findings (``errors`` and
    ``warnings`` still count them all); `max_input_size` bounds the bytes
    read (by default the library's, 1 GiB). `threads` lets the read of a
    large chart convert its numbers ahead on that many threads (by default
    one); the chart read is the same.

    Raises FileNotFoundError, PermissionError, IsADirectoryError (OSError
    from the system's error number) when the file cannot be read, an OSError
    with errno EFBIG when it is larger than `max_input_size`,
    NotAChartError when it is not a type-14 chart (told from its first
    bytes, without reading the rest), MemoryError when the library runs out
    of memory, LookupError for an unknown encoding. A broken chart is read as
    far as it goes: see ``chart.findings``.
    """
    opened, name, decoder = _open(path, None, encoding, False, max_findings, max_input_size, threads)
    assert opened.owner is not None
    return Chart(opened.owner, opened.findings, decoder, name)


def read_bytes(data: Any, encoding: Optional[str] = None, *, max_findings: Optional[int] = None,
               max_input_size: Optional[int] = None, threads: Optional[int] = None) -> Chart:
    """Reads a chart from its bytes (bytes, bytearray, memoryview or any
    buffer); the bytes are not kept. See :func:`read`."""
    opened, _, decoder = _open(None, data, encoding, False, max_findings, max_input_size, threads)
    assert opened.owner is not None
    return Chart(opened.owner, opened.findings, decoder, None)


def read_header(path: PathLike, encoding: Optional[str] = None) -> Header:
    """Reads the header of the chart at `path` and stops there: for telling
    charts from other files, or sorting an archive by the header's integers,
    without reading the files whole. Raises as :func:`read` does."""
    opened, _, decoder = _open(path, None, encoding, True, None, None)
    assert opened.owner is not None
    return _header(opened.owner, decoder)
