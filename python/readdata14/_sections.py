"""The typed sections of a chart and their elements.

A section is a read-only sequence (``len``, indexing with negative indices
and slices, iteration) over one block. It walks its block once, on first
use, to learn where each record starts; after that an element is O(1). Every
array an element hands out (``points``, ``label_points``, ``values``) is a
view on the library's memory, no copy.
"""

from __future__ import annotations

import bisect
from typing import (Any, Dict, Generic, Iterator, List, Optional, Sequence, Tuple, TypeVar, Union,
                    overload)

import numpy as np

from . import _format as fmt
from ._texts import TextDecoder

GeoJSON = Dict[str, Any]
T = TypeVar("T")


# ---- GeoJSON geometries ------------------------------------------------------

def _coordinates(points: np.ndarray) -> List[List[float]]:
    return points.astype(np.float64).tolist()


def line_geometry(points: np.ndarray) -> Optional[GeoJSON]:
    """A LineString; none for fewer than two points (not a valid line)."""
    if len(points) < 2:
        return None
    return {"type": "LineString", "coordinates": _coordinates(points)}


def polygon_ring(points: np.ndarray) -> Optional[np.ndarray]:
    """The points closed by the first one when the last differs; none for
    fewer than three points or a ring too short to be one."""
    if len(points) < 3:
        return None
    first, last = points[0], points[-1]
    closed = bool(first[0] == last[0] and first[1] == last[1])
    ring = points if closed else np.concatenate([points, points[:1]])
    return ring if len(ring) >= 4 else None


def polygon_geometry(points: np.ndarray) -> Optional[GeoJSON]:
    ring = polygon_ring(points)
    if ring is None:
        return None
    return {"type": "Polygon", "coordinates": [_coordinates(ring)]}


def point_geometry(x: float, y: float) -> GeoJSON:
    return {"type": "Point", "coordinates": [x, y]}


# ---- elements --------------------------------------------------------------

class Element:
    """Base of every element: its feature id and GeoJSON form."""

    __slots__ = ("fid",)
    layer: str = ""
    fid: int

    def properties(self) -> Dict[str, Any]:
        """The element's fields as in the shared layer schema."""
        raise NotImplementedError

    def geometry(self) -> Optional[GeoJSON]:
        raise NotImplementedError

    @property
    def __geo_interface__(self) -> GeoJSON:
        return {"type": "Feature", "id": self.fid, "geometry": self.geometry(),
                "properties": self.properties()}

    def __repr__(self) -> str:
        fields = []
        for name in _all_slots(type(self)):
            value = getattr(self, name)
            if isinstance(value, np.ndarray):
                fields.append(f"{name}=<{value.shape[0]} {'points' if value.ndim == 2 else 'values'}>")
            else:
                fields.append(f"{name}={value!r}")
        return f"{type(self).__name__}({', '.join(fields)})"


def _all_slots(cls: type) -> List[str]:
    names: List[str] = []
    for klass in reversed(cls.__mro__):
        names.extend(getattr(klass, "__slots__", ()))
    return [n for n in names if not n.startswith("_")]


class _Labelled(Element):
    """Lines and closed contours: a label stored as one float."""

    __slots__ = ()
    _stored_label: float

    @property
    def label_kind(self) -> str:
        """ "none" (NoLabel), "code" (a three-character code) or "value"."""
        return fmt.label_kind(self._stored_label)

    @property
    def label_value(self) -> Optional[float]:
        """The label's number; None unless the kind is "value"."""
        return fmt.label_value(self._stored_label)

    @property
    def label_code(self) -> Optional[float]:
        """The label code (stored value − 3200000, in double); None unless the kind is "code"."""
        return fmt.label_code(self._stored_label)

    def _label_properties(self) -> Dict[str, Any]:
        return {"label_kind": self.label_kind, "label_value": self.label_value, "label_code": self.label_code}


class Line(_Labelled):
    """A labelled line: ``points`` (n, 2), ``label`` as stored, ``label_points`` (m, 2)."""

    __slots__ = ("code", "points", "label", "label_points")
    layer = "lines"

    def __init__(self, fid: int, code: int, points: np.ndarray, label: float, label_points: np.ndarray):
        self.fid, self.code, self.points, self.label, self.label_points = fid, code, points, label, label_points

    @property
    def _stored_label(self) -> float:  # type: ignore[override]
        return self.label

    def properties(self) -> Dict[str, Any]:
        return {"code": self.code, **self._label_properties(), "label_point_count": len(self.label_points)}

    def geometry(self) -> Optional[GeoJSON]:
        return line_geometry(self.points)


class LineSymbol(Element):
    """A line symbol (front, trough ...): ``code`` and ``points`` (n, 2), thinned when long."""

    __slots__ = ("code", "points")
    layer = "line_symbols"

    def __init__(self, fid: int, code: int, points: np.ndarray):
        self.fid, self.code, self.points = fid, code, points

    def properties(self) -> Dict[str, Any]:
        return {"code": self.code}

    def geometry(self) -> Optional[GeoJSON]:
        return line_geometry(self.points)


class Symbol(Element):
    """A point symbol: ``type``, ``x``, ``y``; ``direction`` in degrees as stored
    (None for a text type) or ``text`` (None for other types)."""

    __slots__ = ("type", "x", "y", "direction", "text")
    layer = "symbols"

    def __init__(self, fid: int, type: int, x: float, y: float, direction: Optional[float], text: Optional[str]):
        self.fid, self.type, self.x, self.y, self.direction, self.text = fid, type, x, y, direction, text

    def properties(self) -> Dict[str, Any]:
        return {"type": self.type, "direction": self.direction, "text": self.text}

    def geometry(self) -> Optional[GeoJSON]:
        return point_geometry(self.x, self.y)


class ClosedContour(_Labelled):
    """A contour (isobar ...) in nesting order: ``value`` as stored, ``points``,
    ``label_points``, ``valued_closed``, ``level_index`` (None when it has none;
    can be 0: one less when the contour's rise/fall runs against the section's)."""

    __slots__ = ("code", "points", "value", "label_points", "valued_closed", "level_index")
    layer = "closed_contours"

    def __init__(self, fid: int, code: int, points: np.ndarray, value: float, label_points: np.ndarray,
                 valued_closed: bool, level_index: Optional[int]):
        self.fid, self.code, self.points, self.value = fid, code, points, value
        self.label_points, self.valued_closed, self.level_index = label_points, valued_closed, level_index

    @property
    def _stored_label(self) -> float:  # type: ignore[override]
        return self.value

    @property
    def closed(self) -> bool:
        """Whether the last point lies within 2.0 of the first in x and y."""
        return fmt.is_closed_contour(self.points)

    @property
    def nesting_position(self) -> int:
        """The position in the block's nesting order (the feature id)."""
        return self.fid

    def properties(self) -> Dict[str, Any]:
        return {"code": self.code, **self._label_properties(), "closed": self.closed,
                "valued_closed": self.valued_closed, "level_index": self.level_index,
                "nesting_position": self.fid, "label_point_count": len(self.label_points)}

    def geometry(self) -> Optional[GeoJSON]:
        return line_geometry(self.points)


class WeatherRegion(Element):
    """A weather region: ``code`` and its outline ``points``."""

    __slots__ = ("code", "points")
    layer = "weather_regions"

    def __init__(self, fid: int, code: int, points: np.ndarray):
        self.fid, self.code, self.points = fid, code, points

    def properties(self) -> Dict[str, Any]:
        return {"code": self.code}

    def geometry(self) -> Optional[GeoJSON]:
        return polygon_geometry(self.points)


class FillArea(Element):
    """A fill area: ``code``, outline ``points`` and its 16 ``values`` (float32;
    all whole numbers except the 14th)."""

    __slots__ = ("code", "points", "values")
    layer = "fill_areas"

    def __init__(self, fid: int, code: int, points: np.ndarray, values: np.ndarray):
        self.fid, self.code, self.points, self.values = fid, code, points, values

    def properties(self) -> Dict[str, Any]:
        props: Dict[str, Any] = {"code": self.code}
        for i, v in enumerate(self.values.tolist(), start=1):
            props[f"value_{i}"] = v if i == 14 else fmt.int_slot(v)
        return props

    def geometry(self) -> Optional[GeoJSON]:
        return polygon_geometry(self.points)


class Note(Element):
    """A note: ``type``, ``x``, ``y``, ``value``, six further ``values`` and two texts."""

    __slots__ = ("type", "x", "y", "value", "values", "first_text", "second_text")
    layer = "notes"

    def __init__(self, fid: int, type: int, x: float, y: float, value: float, values: np.ndarray,
                 first_text: str, second_text: str):
        self.fid, self.type, self.x, self.y, self.value = fid, type, x, y, value
        self.values, self.first_text, self.second_text = values, first_text, second_text

    def properties(self) -> Dict[str, Any]:
        props: Dict[str, Any] = {"type": self.type, "value": self.value}
        for i, v in enumerate(self.values.tolist(), start=1):
            props[f"value_{i}"] = v
        props["first_text"] = self.first_text
        props["second_text"] = self.second_text
        return props

    def geometry(self) -> Optional[GeoJSON]:
        return point_geometry(self.x, self.y)


class LabelPoint(_Labelled):
    """A label point of a line or closed contour, with its parent's label."""

    __slots__ = ("parent_layer", "parent_fid", "index", "x", "y", "label")
    layer = "label_points"

    def __init__(self, fid: int, parent_layer: str, parent_fid: int, index: int, x: float, y: float,
                 label: float):
        self.fid, self.parent_layer, self.parent_fid, self.index = fid, parent_layer, parent_fid, index
        self.x, self.y, self.label = x, y, label

    @property
    def _stored_label(self) -> float:  # type: ignore[override]
        return self.label

    def properties(self) -> Dict[str, Any]:
        return {"parent_layer": self.parent_layer, "parent_fid": self.parent_fid, "index": self.index,
                **self._label_properties()}

    def geometry(self) -> Optional[GeoJSON]:
        return point_geometry(self.x, self.y)


# ---- sections --------------------------------------------------------------

class Section(Sequence[T], Generic[T]):
    """The elements of one section, in block order."""

    layer: str = ""

    def __init__(self, block: Optional[np.ndarray]) -> None:
        self._block = block
        self._starts: Optional[Sequence[int]] = None

    @property
    def present(self) -> bool:
        """Whether the section gave a block (its tag stood where it is due)."""
        return self._block is not None

    @property
    def block(self) -> Optional[np.ndarray]:
        """The raw float32 block, or None."""
        return self._block

    def _index(self) -> Sequence[int]:
        raise NotImplementedError

    def _starts_(self) -> Sequence[int]:
        starts = self._starts
        if starts is None:
            starts = self._starts = self._index()
        return starts

    def _make(self, i: int, start: int) -> T:
        raise NotImplementedError

    def __len__(self) -> int:
        return len(self._starts_())

    @overload
    def __getitem__(self, index: int) -> T: ...

    @overload
    def __getitem__(self, index: slice) -> List[T]: ...

    def __getitem__(self, index: Union[int, slice]) -> Union[T, List[T]]:
        starts = self._starts_()
        if isinstance(index, slice):
            return [self._make(i, starts[i]) for i in range(*index.indices(len(starts)))]
        i = index.__index__()
        if i < 0:
            i += len(starts)
        if not 0 <= i < len(starts):
            raise IndexError(f"{self.layer}: index {index} out of range for {len(starts)} elements")
        return self._make(i, starts[i])

    def __iter__(self) -> Iterator[T]:
        for i, start in enumerate(self._starts_()):
            yield self._make(i, start)

    @property
    def __geo_interface__(self) -> GeoJSON:
        return {"type": "FeatureCollection",
                "features": [e.__geo_interface__ for e in self]}  # type: ignore[attr-defined]

    def __repr__(self) -> str:
        return f"<{type(self).__name__}: {len(self)} elements{'' if self.present else ', section absent'}>"

    # Helpers for the walks: a memoryview gives Python floats fast.
    def _floats(self) -> Optional[memoryview]:
        return None if self._block is None else memoryview(self._block)

    def _points(self, at: int, count: int) -> np.ndarray:
        assert self._block is not None
        return self._block[at:at + 2 * count].reshape(count, 2)


class Lines(Section[Line]):
    layer = "lines"

    def _index(self) -> Sequence[int]:
        return fmt.walk(self._floats(), len(self._block) if self._block is not None else 0, fmt.line_length)[0]

    def _make(self, i: int, r: int) -> Line:
        b = self._block
        assert b is not None
        p = int(b[r])
        m = int(b[r + 2 * p + 3])
        return Line(i, fmt.int_slot(float(b[r + 1])), self._points(r + 2, p), float(b[r + 2 * p + 2]),
                    self._points(r + 2 * p + 4, m))


class _PointLists(Section[T]):
    """[k, code, k × (x, y)] records."""

    def _index(self) -> Sequence[int]:
        size = len(self._block) if self._block is not None else 0
        return fmt.walk(self._floats(), size, fmt.point_list_length)[0]


class LineSymbols(_PointLists[LineSymbol]):
    layer = "line_symbols"

    def _make(self, i: int, r: int) -> LineSymbol:
        b = self._block
        assert b is not None
        return LineSymbol(i, fmt.int_slot(float(b[r + 1])), self._points(r + 2, int(b[r])))


class WeatherRegions(_PointLists[WeatherRegion]):
    layer = "weather_regions"

    def _make(self, i: int, r: int) -> WeatherRegion:
        b = self._block
        assert b is not None
        return WeatherRegion(i, fmt.int_slot(float(b[r + 1])), self._points(r + 2, int(b[r])))


class FillAreas(Section[FillArea]):
    layer = "fill_areas"

    def _index(self) -> Sequence[int]:
        size = len(self._block) if self._block is not None else 0
        return fmt.walk(self._floats(), size, fmt.fill_area_length)[0]

    def _make(self, i: int, r: int) -> FillArea:
        b = self._block
        assert b is not None
        k = int(b[r])
        return FillArea(i, fmt.int_slot(float(b[r + 1])), self._points(r + 2, k), b[r + 2 + 2 * k:r + 18 + 2 * k])


class ClosedContours(Section[ClosedContour]):
    """The closed contours in nesting order; ``levels`` is the sorted level list."""

    layer = "closed_contours"

    def __init__(self, block: Optional[np.ndarray]) -> None:
        super().__init__(block)
        self._levels: Optional[np.ndarray] = None

    def _index(self) -> Sequence[int]:
        b = self._block
        size = len(b) if b is not None else 0
        starts, end = fmt.walk(self._floats(), size, fmt.closed_contour_length)
        # The level list follows the last record; a walk cut short never got
        # there, so it has no levels to show.
        levels = np.empty(0, np.float32)
        if b is not None and size > 0:
            declared = fmt.count_slot(float(b[0]))
            if declared == len(starts) and end < size:
                k = fmt.count_slot(float(b[end]))
                if k is not None and k <= size - end - 1:
                    levels = b[end + 1:end + 1 + k]
        if not levels.size:
            levels.flags.writeable = False
        self._levels = levels
        return starts

    @property
    def levels(self) -> np.ndarray:
        """The distinct contour values, sorted in the section's direction (float32)."""
        self._starts_()
        assert self._levels is not None
        return self._levels

    @property
    def level_order(self) -> str:
        """ "rising" (ascending: values rise inwards), "falling" or "unknown" (fewer than two levels)."""
        levels = self.levels
        if len(levels) < 2:
            return "unknown"
        return "rising" if levels[0] < levels[1] else "falling"

    def _make(self, i: int, r: int) -> ClosedContour:
        b = self._block
        assert b is not None
        n = int(b[r])
        m = int(b[r + 5 + 2 * n])
        level_index = fmt.int_slot(float(b[r + 3]))
        return ClosedContour(i, fmt.int_slot(float(b[r + 1])), self._points(r + 4, n), float(b[r + 4 + 2 * n]),
                             self._points(r + 6 + 2 * n, m), bool(b[r + 2] != 0.0),
                             None if level_index == fmt.NO_LEVEL_INDEX else level_index)


class _TextSection(Section[T]):
    """Symbols and notes: fixed records, texts beside them."""

    record = 0

    def __init__(self, block: Optional[np.ndarray], lengths: Optional[np.ndarray], text: Optional[bytes],
                 decoder: TextDecoder) -> None:
        super().__init__(block)
        self._lengths = lengths
        self._text = text
        self._decoder = decoder
        self._texts: Optional[List[Any]] = None

    @property
    def lengths(self) -> Optional[np.ndarray]:
        """The raw lengths slots (int32), or None."""
        return self._lengths

    @property
    def text(self) -> Optional[bytes]:
        """The raw joined texts, each followed by "#", or None."""
        return self._text

    def _index(self) -> Sequence[int]:
        n = fmt.fixed_records(self._block, self.record)
        return range(1, 1 + self.record * n, self.record)

    @property
    def records(self) -> np.ndarray:
        """All records as one (n, record length) float32 view."""
        n = len(self)
        if self._block is None:
            return np.empty((0, self.record), np.float32)
        return self._block[1:1 + self.record * n].reshape(n, self.record)

    @property
    def xy(self) -> np.ndarray:
        """The positions as an (n, 2) float32 view."""
        return self.records[:, 2:4]

    def _texts_(self) -> List[Any]:
        texts = self._texts
        if texts is None:
            texts = self._texts = self._decode_texts()
        return texts

    def _decode_texts(self) -> List[Any]:
        raise NotImplementedError


class Symbols(_TextSection[Symbol]):
    layer = "symbols"
    record = 5

    def _decode_texts(self) -> List[Optional[str]]:
        n = len(self)
        texts: List[Optional[str]] = [None] * n
        if n == 0:
            return texts
        types = self.records[:, 1]
        slots = self._lengths.tolist() if self._lengths is not None else []
        slot = offset = 0
        # A text symbol takes the next nonzero slot: dropped symbols keep a
        # zero slot but no record.
        for i in range(n):
            if not fmt.is_text_symbol_type(fmt.int_slot(float(types[i]))):
                continue
            piece = b""
            while slot < len(slots) and slots[slot] == 0:
                slot += 1
            if slot < len(slots):
                piece, offset = fmt.take_text(slots[slot], self._text, offset)
                slot += 1
            texts[i] = self._decoder.decode(piece)
        return texts

    def _make(self, i: int, r: int) -> Symbol:
        b = self._block
        assert b is not None
        kind = fmt.int_slot(float(b[r + 1]))
        if fmt.is_text_symbol_type(kind):
            return Symbol(i, kind, float(b[r + 2]), float(b[r + 3]), None, self._texts_()[i])
        return Symbol(i, kind, float(b[r + 2]), float(b[r + 3]), float(b[r + 4]), None)


class Notes(_TextSection[Note]):
    layer = "notes"
    record = 11

    def _decode_texts(self) -> List[Tuple[str, str]]:
        slots = self._lengths.tolist() if self._lengths is not None else []
        texts: List[Tuple[str, str]] = []
        offset = 0
        decode = self._decoder.decode
        for i in range(len(self)):
            slot = 2 * i
            first = second = b""
            if slot + 1 < len(slots):
                first, offset = fmt.take_text(slots[slot], self._text, offset)
                second, offset = fmt.take_text(slots[slot + 1], self._text, offset)
            texts.append((decode(first), decode(second)))
        return texts

    def _make(self, i: int, r: int) -> Note:
        b = self._block
        assert b is not None
        first, second = self._texts_()[i]
        return Note(i, fmt.int_slot(float(b[r + 1])), float(b[r + 2]), float(b[r + 3]), float(b[r + 4]),
                    b[r + 5:r + 11], first, second)


class LabelPoints(Sequence[LabelPoint]):
    """The label points of lines and closed contours, lines first, in block order."""

    layer = "label_points"

    def __init__(self, lines: Lines, contours: ClosedContours) -> None:
        self._lines = lines
        self._contours = contours
        self._parents: Optional[List[Tuple[str, int, float, np.ndarray]]] = None
        self._firsts: List[int] = []

    @property
    def present(self) -> bool:
        return self._lines.present or self._contours.present

    def _parents_(self) -> List[Tuple[str, int, float, np.ndarray]]:
        parents = self._parents
        if parents is None:
            parents = [("lines", e.fid, e.label, e.label_points) for e in self._lines if len(e.label_points)]
            parents += [("closed_contours", e.fid, e.value, e.label_points)
                        for e in self._contours if len(e.label_points)]
            firsts, total = [], 0
            for parent in parents:
                firsts.append(total)
                total += len(parent[3])
            self._firsts = firsts + [total]
            self._parents = parents
        return parents

    def __len__(self) -> int:
        self._parents_()
        return self._firsts[-1]

    @overload
    def __getitem__(self, index: int) -> LabelPoint: ...

    @overload
    def __getitem__(self, index: slice) -> List[LabelPoint]: ...

    def __getitem__(self, index: Union[int, slice]) -> Union[LabelPoint, List[LabelPoint]]:
        n = len(self)
        if isinstance(index, slice):
            return [self[i] for i in range(*index.indices(n))]
        i = index.__index__()
        if i < 0:
            i += n
        if not 0 <= i < n:
            raise IndexError(f"label_points: index {index} out of range for {n} elements")
        p = bisect.bisect_right(self._firsts, i) - 1
        layer, parent_fid, label, points = self._parents_()[p]
        j = i - self._firsts[p]
        return LabelPoint(i, layer, parent_fid, j, float(points[j, 0]), float(points[j, 1]), label)

    def __iter__(self) -> Iterator[LabelPoint]:
        fid = 0
        for layer, parent_fid, label, points in self._parents_():
            for j, (x, y) in enumerate(points.tolist()):
                yield LabelPoint(fid, layer, parent_fid, j, x, y, label)
                fid += 1

    @property
    def xy(self) -> np.ndarray:
        """All label points as one (n, 2) float32 array (a copy: they are not contiguous)."""
        parents = self._parents_()
        if not parents:
            return np.empty((0, 2), np.float32)
        return np.concatenate([p[3] for p in parents])

    @property
    def __geo_interface__(self) -> GeoJSON:
        return {"type": "FeatureCollection", "features": [e.__geo_interface__ for e in self]}

    def __repr__(self) -> str:
        return f"<LabelPoints: {len(self)} elements>"
