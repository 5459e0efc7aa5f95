"""One read chart: :func:`read`, :func:`read_bytes` and :class:`Chart`."""

from __future__ import annotations

import ctypes
import errno as _errno
import os
from typing import TYPE_CHECKING, Any, Dict, List, NamedTuple, Optional, Union

import numpy as np

from . import _capi
from . import _format as fmt
from ._capi import Finding
from ._sections import (ClosedContours, FillAreas, LabelPoints, Lines, LineSymbols, Notes, Symbols,
                        WeatherRegions)
from ._texts import TextDecoder, check_encoding

if TYPE_CHECKING:  # pragma: no cover
    import geopandas

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

LAYERS = ("lines", "line_symbols", "symbols", "closed_contours", "weather_regions", "fill_areas", "notes",
          "label_points")
"""The eight layers of a chart, in the order of the shared layer schema."""


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


def _text_block(owner: _capi.Owner, block: _capi.FloatTextBlock, values: int, lengths: int,
                text: int) -> Optional[TextBlock]:
    array = owner.floats(block.values, values)
    if array is None:
        return None
    return TextBlock(array, owner.int32s(block.lengths, lengths), owner.bytes_at(block.text, text))


class Chart:
    """A read type-14 chart.

    Sections (each a sequence: ``len``, indexing, iteration, and a GeoJSON
    FeatureCollection as ``__geo_interface__``):

    ``lines``, ``line_symbols``, ``symbols``, ``closed_contours``,
    ``weather_regions``, ``fill_areas`` (None when the file has no
    STATION_SITUATION marker), ``notes``, and ``label_points`` (those of lines
    and contours). ``levels`` is the sorted level list (float32) and
    ``level_order`` its direction; ``blocks`` the raw arrays.

    Every array is a read-only view on the library's memory; the memory is
    released when the chart and the last array taken from it are gone.

    Also: ``description`` (the header's token, decoded), ``path``,
    ``findings`` (where the file departs from the format: offset, line,
    column, kind, severity, message), ``errors`` and ``warnings`` (their
    counts), ``encoding``, ``metadata`` (the dataset metadata of the layer
    schema), ``to_geodataframe(layer)`` and ``to_geodataframes()``.
    Made by :func:`read`, :func:`read_bytes` and :func:`read_many`.
    """

    def __init__(self, owner: _capi.Owner, findings: List[Finding], decoder: TextDecoder,
                 path: Optional[str]) -> None:
        raw = owner.raw
        self.path: Optional[str] = path
        """The path read, or None for :func:`read_bytes`."""
        self.findings: List[Finding] = findings
        """Where the file departs from the format, in file order."""
        self.errors: int = raw.errors
        """How many findings are errors."""
        self.warnings: int = raw.warnings
        """How many findings are warnings."""
        self.encoding: Optional[str] = decoder.encoding
        description = _description(raw)
        self.blocks = Blocks(
            owner.floats(raw.lines, raw.linesSize),
            owner.floats(raw.lineSymbols, raw.lineSymbolsSize),
            _text_block(owner, raw.symbols, raw.symbolValuesSize, raw.symbolLengthsSize, raw.symbolTextSize),
            owner.floats(raw.closedContours, raw.closedContoursSize),
            owner.floats(raw.weatherRegions, raw.weatherRegionsSize),
            owner.floats(raw.fillAreas, raw.fillAreasSize),
            _text_block(owner, raw.notes, raw.noteValuesSize, raw.noteLengthsSize, raw.noteTextSize),
            description,
        )
        blocks = self.blocks
        decoder.check(description)
        decoder.check(blocks.symbols.text if blocks.symbols else None)
        decoder.check(blocks.notes.text if blocks.notes else None)
        self.description: str = decoder.decode(description)
        """The header's description token."""
        self.lines = Lines(blocks.lines)
        self.line_symbols = LineSymbols(blocks.line_symbols)
        self.symbols = Symbols(*_text_parts(blocks.symbols), decoder)
        self.closed_contours = ClosedContours(blocks.closed_contours)
        self.weather_regions = WeatherRegions(blocks.weather_regions)
        self.fill_areas: Optional[FillAreas] = None if blocks.fill_areas is None else FillAreas(blocks.fill_areas)
        self.notes = Notes(*_text_parts(blocks.notes), decoder)
        self.label_points = LabelPoints(self.lines, self.closed_contours)

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
        """The dataset-level metadata of the shared layer schema."""
        return {
            "DESCRIPTION": self.description,
            "LEVELS": ",".join(fmt.format_float32(v) for v in self.levels.tolist()),
            "LEVEL_ORDER": self.level_order,
            "FILL_AREAS_READ": "NO" if self.fill_areas is None else "YES",
            "ERRORS": str(self.errors),
            "WARNINGS": str(self.warnings),
        }

    def section(self, layer: str) -> Any:
        """A section by its layer name (see :data:`LAYERS`)."""
        if layer not in LAYERS:
            raise KeyError(f"no layer {layer!r}; the layers are {', '.join(LAYERS)}")
        return getattr(self, layer)

    def to_geodataframe(self, layer: str, crs: Any = None) -> geopandas.GeoDataFrame:
        """One layer as a GeoDataFrame: the fields of the shared layer schema,
        the feature ids as the index, no CRS unless `crs` is given. Needs
        geopandas."""
        from ._geo import to_geodataframe
        return to_geodataframe(self, layer, crs)

    def to_geodataframes(self, crs: Any = None) -> Dict[str, geopandas.GeoDataFrame]:
        """All eight layers, by name, in schema order."""
        return {layer: self.to_geodataframe(layer, crs) for layer in LAYERS}

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


def _description(raw: _capi.RawChart) -> bytes:
    return ctypes.string_at(raw.description) if raw.description else b""


def _text_parts(block: Optional[TextBlock]) -> tuple:
    if block is None:
        return None, None, None
    return block.values, block.lengths, block.text


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
    if status == _capi.OUT_OF_MEMORY:
        raise MemoryError(f"{where}: out of memory while reading the chart")
    if status == _capi.INVALID_ARGUMENT:
        raise ValueError(f"{where}: {_capi.status_name(status)}")
    raise RuntimeError(f"{where}: {_capi.status_name(status)}")


def _finish(status: int, raw: _capi.RawChart, findings: List[Finding], path: Optional[str],
            encoding: Optional[str]) -> Chart:
    if status != _capi.READ:
        system_error = raw.systemError
        _capi.release(raw)  # nothing to release, as the header says; zeroes the record
        _raise_for(status, system_error, findings, path)
    owner = _capi.Owner(raw)
    return Chart(owner, findings, TextDecoder(encoding, path if path is not None else "<bytes>"), path)


def read(path: PathLike, encoding: Optional[str] = None) -> Chart:
    """Reads the type-14 chart at `path`.

    `encoding` names the code page of the texts (any Python codec, e.g.
    "cp1252", "gbk"). Without it, texts that are valid UTF-8 decode as such
    and other bytes are kept as ``\\xNN``, with one TextEncodingWarning.

    Raises FileNotFoundError, PermissionError, IsADirectoryError (OSError
    from the system's error number) when the file cannot be read,
    NotAChartError when it is not a type-14 chart, MemoryError when the
    library runs out of memory, LookupError for an unknown encoding. A broken
    chart is read as far as it goes: see ``chart.findings``.
    """
    name = os.fsdecode(path)
    raw_path = os.fsencode(path)
    if b"\0" in raw_path:
        raise ValueError(f"{name!r}: a path cannot hold a NUL byte")
    encoding = check_encoding(encoding)
    status, raw, findings = _capi.read_path(raw_path)
    return _finish(status, raw, findings, name, encoding)


def read_bytes(data: Any, encoding: Optional[str] = None) -> Chart:
    """Reads a chart from its bytes (bytes, bytearray, memoryview or any
    buffer); the bytes are not kept. See :func:`read`."""
    encoding = check_encoding(encoding)
    status, raw, findings = _capi.read_memory(data)
    return _finish(status, raw, findings, None, encoding)
