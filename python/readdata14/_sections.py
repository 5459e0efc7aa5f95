"""The typed sections of a chart and their elements.

A section is a read-only sequence (``len``, indexing with negative indices
and slices, iteration) over one layer of the library's layer model: its
features are the section's records, in block order. An element is a small
handle (its section and its feature id); what it shows comes from the
section's columns, which are made in bulk with NumPy the first time they are
needed:

- the fields of the layer (``code``, ``label_kind``, ``level_index``, ...)
  from the library's typed columns, nulls as None;
- the values as stored (``points``, ``label``, ``value``, ``values``) where
  the library says each record holds them (its stored layers), as views of
  the library's memory, no copy: the exact floats, NaN and infinities
  included.
"""

from __future__ import annotations

import operator
import struct
from functools import cached_property, partial
from typing import (TYPE_CHECKING, Any, Dict, Generic, Iterator, List, NamedTuple, Optional, Sequence, Tuple,
                    TypeVar, Union, overload)

import numpy as np

from . import _capi
from ._layers import LayerTable, definition

if TYPE_CHECKING:  # pragma: no cover
    from ._texts import TextDecoder

GeoJSON = Dict[str, Any]
T = TypeVar("T")

NO_LABEL_VALUE = 999999.0
"""A line or contour label "NoLabel" is stored as this value."""
LABEL_CODE_OFFSET = 3200000.0
"""A three-character label strictly between 0 and 100 is a code, stored as the number plus this."""
NO_LEVEL_INDEX = 999999
"""The level index stored for a closed contour without a level."""


class ChartParts:
    """What the sections of one chart share: the document and its texts' decoder."""

    __slots__ = ("owner", "decoder", "_tables")

    def __init__(self, owner: _capi.Owner, decoder: TextDecoder) -> None:
        self.owner = owner
        self.decoder = decoder
        self._tables: Dict[str, LayerTable] = {}

    def table(self, layer: str) -> LayerTable:
        found = self._tables.get(layer)
        if found is None:
            found = self._tables[layer] = LayerTable(self.owner, definition(layer))
        return found


class _Pairs:
    """(n, 2) views of (x, y) pairs from any float offset of a float array."""

    __slots__ = ("even", "odd")

    def __init__(self, floats: np.ndarray) -> None:
        n = len(floats)
        self.even = floats[:n - n % 2].reshape(-1, 2)
        odd = floats[1:]
        self.odd = odd[:len(odd) - len(odd) % 2].reshape(-1, 2)

    def at(self, start: int, count: int) -> np.ndarray:
        # The pair at an odd offset is row (start - 1) / 2 of the odd view.
        first = start >> 1
        return (self.odd if start & 1 else self.even)[first:first + count]


# ---- elements -------------------------------------------------------------------

class _Run(NamedTuple):
    """Each record's run of floats, or of (x, y) pairs, as the library places it."""

    floats: np.ndarray
    pairs: Optional[_Pairs]  # an (n, 2) view per record; else n floats
    starts: List[int]
    counts: List[int]

    def view(self, fid: int) -> np.ndarray:
        start, count = self.starts[fid], self.counts[fid]
        if self.pairs is not None:
            return self.pairs.at(start, count)
        return self.floats[start:start + count]


def _gathered(column: _capi.StoredColumn) -> np.ndarray:
    """One float per record (float32; where a record has none, its slot)."""
    return column.floats[column.starts] if len(column.starts) else np.empty(0, np.float32)


def _taken(column: _capi.StoredColumn) -> Any:
    """A stored column as the elements read it: a run per record, or one
    Python float per record (None where the record has none)."""
    if column.kind == _capi.STORED_VALUE:
        values: List[Any] = _gathered(column).tolist()
        for i in np.flatnonzero(column.counts == 0).tolist():
            values[i] = None
        return values
    pairs = _Pairs(column.floats) if column.kind == _capi.STORED_POINTS else None
    return _Run(column.floats, pairs, column.starts.tolist(), column.counts.tolist())


def _field_property(name: str, doc: str) -> Any:
    return property(lambda self: self._section._field(name)[self.fid], doc=doc)


def _stored_property(name: str) -> Any:
    def get(self: Element) -> Any:
        value = self._section._stored[name]
        return value.view(self.fid) if isinstance(value, _Run) else value[self.fid]
    return property(get, doc=f"The {name.replace('_', ' ')} as the block stores it.")


def _key_value(value: Any) -> Any:
    # Bit for bit: a NaN equals the same NaN, -0.0 differs from 0.0.
    if isinstance(value, np.ndarray):
        return value.shape, value.tobytes()
    if isinstance(value, float):
        return struct.pack("<d", value)
    return value


class Element:
    """Base of every element: its feature id, its layer's fields, its geometry.

    Every field of the element's layer (see :data:`SCHEMA`) is an attribute
    of the element, None where the field is null; the attributes named in
    ``stored`` are the values as the block stores them instead (exact
    floats, NaN and infinities included; arrays as views of the block).

    Elements are equal when they are of one kind and hold the same values
    (bit for bit, arrays included), whichever read they came from.
    ``__geo_interface__`` is the element's geometry (an empty one where the
    layer has none), so that ``shapely.geometry.shape(element)`` works;
    :attr:`feature` is the whole GeoJSON Feature.
    """

    __slots__ = ("_section", "fid")
    layer: str = ""
    stored: Tuple[str, ...] = ()
    _shown: Tuple[str, ...] = ()  # what repr, == and hash look at

    def __init_subclass__(cls) -> None:
        super().__init_subclass__()
        for field in definition(cls.layer).fields:
            if field.name not in cls.stored:
                setattr(cls, field.name, _field_property(field.name, field.description))
        for name in cls.stored:
            setattr(cls, name, _stored_property(name))

    def __init__(self, section: Section[Any], fid: int) -> None:
        self._section = section
        self.fid = fid

    def properties(self) -> Dict[str, Any]:
        """The element's fields, as the library's layer defines them."""
        return self._section._row(self.fid)

    def geometry(self) -> Optional[GeoJSON]:
        """The GeoJSON geometry of the feature, or None where it has none."""
        return self._section._geometry(self.fid)

    @property
    def feature(self) -> GeoJSON:
        """The element as a GeoJSON Feature."""
        return {"type": "Feature", "id": self.fid, "geometry": self.geometry(), "properties": self.properties()}

    @property
    def __geo_interface__(self) -> GeoJSON:
        found = self.geometry()
        if found is None:
            return {"type": self._section.geometry_type, "coordinates": []}
        return found

    def _key(self) -> Tuple[Any, ...]:
        return (self.fid,) + tuple(_key_value(getattr(self, name)) for name in self._shown)

    def __eq__(self, other: object) -> bool:
        if type(other) is not type(self):
            return NotImplemented
        return self._key() == other._key()  # type: ignore[attr-defined]

    def __hash__(self) -> int:
        return hash((type(self).__name__, self._key()))

    def __repr__(self) -> str:
        fields = [f"fid={self.fid}"]
        for name in self._shown:
            value = getattr(self, name)
            if isinstance(value, np.ndarray):
                fields.append(f"{name}=<{value.shape[0]} {'points' if value.ndim == 2 else 'values'}>")
            else:
                fields.append(f"{name}={value!r}")
        return f"{type(self).__name__}({', '.join(fields)})"


class Line(Element):
    """A labelled line: ``points`` (n, 2), ``label`` as stored (999999 for
    NoLabel, 3200000 + n for a code), ``label_points`` (m, 2); fields
    ``code``, ``label_kind``, ``label_value``, ``label_code``, ..."""

    __slots__ = ()
    layer = "lines"
    stored = ("points", "label", "label_points")
    _shown = ("code", "points", "label", "label_points")


class LineSymbol(Element):
    """A line symbol (front, trough ...): ``code`` and ``points`` (n, 2), thinned when long."""

    __slots__ = ()
    layer = "line_symbols"
    stored = ("points",)
    _shown = ("code", "points")


class Symbol(Element):
    """A point symbol: ``type``, ``x``, ``y``; ``direction`` in degrees as stored
    (None for a text type) or ``text`` (None for other types)."""

    __slots__ = ()
    layer = "symbols"
    stored = ("x", "y", "direction")
    _shown = ("type", "x", "y", "direction", "text")


class ClosedContour(Element):
    """A contour (isobar ...) in nesting order: ``value`` as stored, ``points``,
    ``label_points``; fields ``code``, ``valued_closed``, ``level_index``
    (None when it has none; can be 0: one less when the contour's rise/fall
    runs against the section's), ``closed``, ``file_position``, ..."""

    __slots__ = ()
    layer = "closed_contours"
    stored = ("points", "value", "label_points")
    _shown = ("code", "points", "value", "label_points", "valued_closed", "level_index", "file_position")


class WeatherRegion(Element):
    """A weather region: ``code`` and its outline ``points`` as stored."""

    __slots__ = ()
    layer = "weather_regions"
    stored = ("points",)
    _shown = ("code", "points")


class FillArea(Element):
    """A fill area: ``code``, outline ``points`` and its 16 ``values`` as
    stored (float32; all whole numbers except the 14th), also as the fields
    ``value_1`` ... ``value_16``."""

    __slots__ = ()
    layer = "fill_areas"
    stored = ("points", "values")
    _shown = ("code", "points", "values")


class Note(Element):
    """A note: ``type``, ``x``, ``y``, ``value`` and six further ``values`` as
    stored, and two texts."""

    __slots__ = ()
    layer = "notes"
    stored = ("x", "y", "value", "values")
    _shown = ("type", "x", "y", "value", "values", "first_text", "second_text")


class LabelPoint(Element):
    """A label point of a line or closed contour, with its parent's ``label`` as stored."""

    __slots__ = ()
    layer = "label_points"
    stored = ("x", "y", "label")
    _shown = ("parent_layer", "parent_fid", "index", "x", "y", "label")


# ---- sections --------------------------------------------------------------------

class Section(Sequence[T], Generic[T]):
    """The elements of one section, in block order (the features of its layer)."""

    layer: str = ""
    _element: type = Element

    def __init__(self, parts: ChartParts, block: Optional[np.ndarray]) -> None:
        self._parts = parts
        self._block = block

    @cached_property
    def table(self) -> LayerTable:
        """The library's tables of this layer, as NumPy views."""
        return self._parts.table(self.layer)

    @property
    def geometry_type(self) -> str:
        return self.table.definition.geometry_type

    @property
    def present(self) -> bool:
        """Whether the section's tag stood where it was due, whatever its count."""
        return self.table.present

    @property
    def block(self) -> Optional[np.ndarray]:
        """The raw float32 block, or None."""
        return self._block

    def __len__(self) -> int:
        return self.table.count

    @overload
    def __getitem__(self, index: int) -> T: ...

    @overload
    def __getitem__(self, index: slice) -> List[T]: ...

    def __getitem__(self, index: Union[int, slice]) -> Union[T, List[T]]:
        n = len(self)
        if isinstance(index, slice):
            return [self._element(self, i) for i in range(*index.indices(n))]
        i = operator.index(index)  # TypeError for what is not an integer
        if i < 0:
            i += n
        if not 0 <= i < n:
            raise IndexError(f"{self.layer}: index {index} out of range for {n} elements")
        return self._element(self, i)  # type: ignore[no-any-return]

    def __iter__(self) -> Iterator[T]:
        return map(partial(self._element, self), range(len(self)))

    @property
    def __geo_interface__(self) -> GeoJSON:
        return {"type": "FeatureCollection", "features": [e.feature for e in self]}  # type: ignore[attr-defined]

    def __repr__(self) -> str:
        return f"<{type(self).__name__}: {len(self)} elements{'' if self.present else ', section absent'}>"

    # ---- what the elements read ----

    def _field(self, name: str) -> List[Any]:
        return self.table.column(name, self._parts.decoder.decode)

    def _row(self, fid: int) -> Dict[str, Any]:
        return {f.name: self._field(f.name)[fid] for f in self.table.definition.fields}

    def _geometry(self, fid: int) -> Optional[GeoJSON]:
        table = self.table
        flags = int(table.flags[fid])
        if flags & _capi.GEOMETRY_NULL:
            return None
        start = int(table.geometry_starts[fid])
        points = table.coordinates[start:start + 2 * int(table.point_counts[fid])].reshape(-1, 2)
        coordinates = points.astype(np.float64).tolist()
        kind = table.definition.geometry_type
        if kind == "Point":
            return {"type": "Point", "coordinates": coordinates[0]}
        if kind == "LineString":
            return {"type": "LineString", "coordinates": coordinates}
        if flags & _capi.RING_LEFT_OPEN:
            coordinates.append(coordinates[0])
        return {"type": "Polygon", "coordinates": [coordinates]}

    @cached_property
    def _columns(self) -> Dict[str, _capi.StoredColumn]:
        """The library's stored layer: where each record holds each value."""
        return self._parts.owner.stored(self.table.definition.id)

    @cached_property
    def _stored(self) -> Dict[str, Any]:
        return {name: _taken(column) for name, column in self._columns.items()}


class Lines(Section[Line]):
    layer = "lines"
    _element = Line


class LineSymbols(Section[LineSymbol]):
    layer = "line_symbols"
    _element = LineSymbol


class WeatherRegions(Section[WeatherRegion]):
    layer = "weather_regions"
    _element = WeatherRegion


class FillAreas(Section[FillArea]):
    layer = "fill_areas"
    _element = FillArea


class ClosedContours(Section[ClosedContour]):
    """The closed contours in nesting order; ``levels`` is the sorted level list."""

    layer = "closed_contours"
    _element = ClosedContour

    def __init__(self, parts: ChartParts, block: Optional[np.ndarray]) -> None:
        super().__init__(parts, block)
        document = parts.owner.document
        levels = parts.owner.floats(document.levels, document.levelCount)
        self.levels: np.ndarray = levels if levels is not None else np.empty(0, np.float32)
        """The distinct contour values, sorted in the section's direction (float32)."""
        self.level_order: str = {1: "rising", 2: "falling"}.get(document.levelOrder, "unknown")
        """ "rising" (ascending: values rise inwards), "falling" or "unknown" (fewer than two levels)."""


class _TextSection(Section[T]):
    """Symbols and notes: records of one length, texts beside them."""

    record = 0

    def __init__(self, parts: ChartParts, block: Optional[np.ndarray], lengths: Optional[np.ndarray],
                 text: Optional[bytes]) -> None:
        super().__init__(parts, block)
        self._lengths = lengths
        self._text = text

    @property
    def lengths(self) -> Optional[np.ndarray]:
        """The raw lengths slots (int32), or None."""
        return self._lengths

    @property
    def text(self) -> Optional[bytes]:
        """The raw joined texts, each followed by "#", or None."""
        return self._text

    @property
    def records(self) -> np.ndarray:
        """All records as one (n, record length) float32 view."""
        n = len(self)
        if self._block is None or n == 0:
            return np.empty((0, self.record), np.float32)
        whole = self._columns["record"]
        first, length = int(whole.starts[0]), int(whole.counts[0])
        return self._block[first:first + length * n].reshape(n, length)

    @property
    def xy(self) -> np.ndarray:
        """The positions as an (n, 2) float32 view."""
        if len(self) == 0:
            return np.empty((0, 2), np.float32)
        x = int(self._columns["x"].starts[0]) - int(self._columns["record"].starts[0])
        return self.records[:, x:x + 2]


class Symbols(_TextSection[Symbol]):
    layer = "symbols"
    _element = Symbol
    record = 5  # the width of an empty section's records


class Notes(_TextSection[Note]):
    layer = "notes"
    _element = Note
    record = 11


class LabelPoints(Section[LabelPoint]):
    """The label points of lines and closed contours, lines first, in block order."""

    layer = "label_points"
    _element = LabelPoint

    def __init__(self, parts: ChartParts) -> None:
        super().__init__(parts, None)

    @property
    def xy(self) -> np.ndarray:
        """All label points as one (n, 2) float32 array (a copy: they are not contiguous)."""
        return np.stack([_gathered(self._columns["x"]), _gathered(self._columns["y"])], axis=1)
