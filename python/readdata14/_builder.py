"""Charts built from NumPy arrays, section by section, through the library's builder.

    >>> builder = readdata14.ChartBuilder(description="Analysis")
    >>> builder.add_closed_contours([ring_a, ring_b], codes=[1, 1], labels=[1012, 1016])
    >>> builder.add_symbols([[5, 5]], types=[1], directions=[90.0])
    >>> chart = builder.finish()          # a Chart, as a reader of its file gets it
    >>> builder.write("out.txt")          # or chart.write(...)

Each ``add_*`` takes one array (or sequence) per field, one row per element,
in the block's terms: points as (n, 2) arrays, labels and values as the
blocks store them (999999 for "NoLabel", 3200000 + n for the code n). The
library checks each element and refuses what the format cannot carry: a
ValueError naming the layer and row, the elements before it kept.

Every section goes to the library as one table of columns
(readdata14_builder_add_layer), which resolves it by the layer model's
rules; lines and closed contours with their labels as stored and their
label points as a table of their own, the library closing the contours
given open on request.
"""

from __future__ import annotations

import os
from typing import TYPE_CHECKING, Any, Dict, List, Mapping, Optional, Sequence, Tuple, Union

import numpy as np

from . import _capi
from ._capi import TABLE_CLOSE_RINGS, TABLE_POINTS_AS_GIVEN, Refusal, Runs
from ._chart import Chart, read_bytes
from ._document import document_bytes, header_integer_list
from ._errors import raise_refusal, raise_row_refusal, refused_row, row_error
from ._frames import add_frames, header_of
from ._layers import SCHEMA
from ._texts import TextDecoder, TextEncoder

if TYPE_CHECKING:  # pragma: no cover
    import geopandas

ArrayLike = Any
Texts = Optional[Sequence[Union[str, bytes, None]]]
Column = Tuple[Any, ...]


# ---- arrays in the builder's terms -------------------------------------------------

def floats(values: ArrayLike, n: int, what: str, layer: str, width: Optional[int] = None) -> np.ndarray:
    """float32 values, one row per element (a number beyond the float range
    becomes an infinity, as a reader of its text makes it)."""
    with np.errstate(over="ignore"):
        array = np.asarray(values, dtype=np.float64).astype(np.float32)
    shape = (n,) if width is None else (n, width)
    if array.shape != shape:
        raise ValueError(f"{layer}: {what} has the shape {array.shape}, not {shape}")
    return np.ascontiguousarray(array)


def _whole(values: ArrayLike, n: int, what: str, layer: str) -> Column:
    """Integers as a column the library checks (whole, of 32 bits, kept by a float slot)."""
    array = np.asarray(values)
    if array.shape != (n,):
        raise ValueError(f"{layer}: {what} has the shape {array.shape}, not {(n,)}")
    if array.dtype != object and array.dtype.kind in "iub":
        return ("int", array.astype(np.int64), None)
    return ("real", array.astype(np.float64), None)


def _numbered(table: np.ndarray) -> Dict[str, Column]:
    """The columns value_1 ... value_k of an (n, k) float32 table (widened exactly)."""
    return {f"value_{k + 1}": ("real", table[:, k], None) for k in range(table.shape[1])}


def runs(points: Sequence[ArrayLike], n: int, what: str, layer: str,
         rows: Optional[Sequence[Any]] = None) -> Runs:
    """Point lists end to end, each an (m, 2) array (m may be 0)."""
    if isinstance(points, Runs) and len(points.counts) == n:
        return points  # made by this package
    if len(points) != n:
        raise ValueError(f"{layer}: {len(points)} {what} for {n} elements")
    arrays: List[np.ndarray] = []
    for i, p in enumerate(points):
        array = np.asarray(p, dtype=np.float64) if p is not None else np.empty((0, 2))
        if array.size == 0:
            array = array.reshape(0, 2)
        if array.ndim != 2 or array.shape[1] != 2:
            raise row_error(ValueError, layer, rows, i, f"its {what} have the shape {array.shape}, not (m, 2)")
        arrays.append(array)
    return runs_of(arrays)


def runs_of(arrays: List[np.ndarray]) -> Runs:
    counts = np.fromiter((len(a) for a in arrays), np.int64, len(arrays))
    starts = np.zeros(len(arrays), np.int64)
    np.cumsum(counts[:-1], out=starts[1:])
    with np.errstate(over="ignore"):
        xy = np.concatenate(arrays).astype(np.float32) if arrays else np.empty((0, 2), np.float32)
    return Runs(np.ascontiguousarray(xy.reshape(-1, 2)), starts, counts)


# ---- the builder ------------------------------------------------------------------------

class ChartBuilder:
    """A chart built section by section from arrays; ``finish()`` gives it as a Chart.

    ``closed=True`` closes every contour :meth:`add_closed_contours` is
    given open (see there). The header is ``first_token``, ``description`` and up to five
    ``header_integers`` (by default "readdata14", "chart" and five zeros);
    texts are written in ``encoding`` (UTF-8 by default). The elements of
    each section stand in the file in the order they are added; the
    reader nests and levels the closed contours from that order.

    Points are rounded to 32-bit floats, as the chart holds them. Long
    point lists of line symbols, weather regions and fill areas are
    thinned as a reader thins them. Every section of the chart is present
    (empty where nothing was added), unless :meth:`leave_out` leaves it out.
    """

    def __init__(self, *, first_token: Optional[str] = None, description: Optional[str] = None,
                 header_integers: Optional[Sequence[Optional[int]]] = None, encoding: Optional[str] = None,
                 closed: bool = False) -> None:
        self._builder = _capi.Builder()
        self.closed = closed
        """Whether :meth:`add_closed_contours` closes contours given open, unless told otherwise."""
        self._integers = [0] * 5
        self.text = TextEncoder(encoding)
        self.encoding: str = self.text.encoding
        """The encoding the chart's texts are written in."""
        if first_token is not None or description is not None or header_integers is not None:
            self.set_header(first_token, description, header_integers)

    def set_header(self, first_token: Optional[str] = None, description: Optional[str] = None,
                   header_integers: Optional[Sequence[Optional[int]]] = None) -> ChartBuilder:
        """The header's fields; None keeps the current one (integers: the current ones)."""
        first = self.text.encode(first_token, "the first token")
        text = self.text.encode(description, "the description")
        found = self._integers if header_integers is None else header_integer_list(header_integers)
        refusal = self._builder.set_header(first, text, found)
        if refusal is not None:
            raise_refusal(refusal, None)
        self._integers = found
        return self

    # ---- sections ----

    def add_lines(self, points: Sequence[ArrayLike], codes: ArrayLike, labels: Optional[ArrayLike] = None,
                  label_points: Optional[Sequence[ArrayLike]] = None, *, rows: Optional[Sequence[Any]] = None
                  ) -> ChartBuilder:
        """Labelled lines: `points` (m, 2) each, `codes`, `labels` as stored
        (NoLabel by default), `label_points` (k, 2) each (at most 48)."""
        return self._labelled("lines", points, codes, labels, label_points, rows)

    def add_closed_contours(self, points: Sequence[ArrayLike], codes: ArrayLike, labels: Optional[ArrayLike] = None,
                            label_points: Optional[Sequence[ArrayLike]] = None, *, closed: Optional[bool] = None,
                            rows: Optional[Sequence[Any]] = None) -> ChartBuilder:
        """Closed contours in their file order, at most 47 label points each.
        The reader nests, classifies and levels them; a contour of no points
        is kept as such (it nests nowhere; its label counts for the levels).

        A contour is closed when its last point is its first: one that is not
        stays open (drawn dashed, without a level). ``closed=True`` repeats
        each contour's first point at its end where it is not there already
        (rings as shapely and most GIS tools give them are closed). None
        takes the builder's ``closed`` (``ChartBuilder(closed=True)``),
        whose default, False, writes the points as given, as a chart read
        back has them."""
        close = self.closed if closed is None else closed
        return self._labelled("closed_contours", points, codes, labels, label_points, rows,
                              TABLE_CLOSE_RINGS if close else 0)

    def add_line_symbols(self, points: Sequence[ArrayLike], codes: ArrayLike, *,
                         rows: Optional[Sequence[Any]] = None) -> ChartBuilder:
        """Line symbols (fronts, troughs ...): `points` and `codes`."""
        return self._lists("line_symbols", points, codes, {}, rows)

    def add_weather_regions(self, points: Sequence[ArrayLike], codes: ArrayLike, *,
                            rows: Optional[Sequence[Any]] = None) -> ChartBuilder:
        """Weather regions: each outline's `points` (closed or not) and `codes`."""
        return self._lists("weather_regions", points, codes, {}, rows)

    def add_fill_areas(self, points: Sequence[ArrayLike], codes: ArrayLike, values: Optional[ArrayLike] = None, *,
                       rows: Optional[Sequence[Any]] = None) -> ChartBuilder:
        """Fill areas: outlines, `codes` and (n, 16) `values` (whole numbers
        but the 14th; zeros by default)."""
        n = len(points.counts) if isinstance(points, Runs) else len(points)
        columns = {} if values is None else _numbered(floats(values, n, "values", "fill_areas", 16))
        return self._lists("fill_areas", points, codes, columns, rows)

    def add_symbols(self, xy: ArrayLike, types: ArrayLike, directions: Optional[ArrayLike] = None,
                    texts: Texts = None, *, rows: Optional[Sequence[Any]] = None) -> ChartBuilder:
        """Point symbols at (n, 2) `xy`: `types`, `directions` in degrees as
        stored (types without a text; 0 by default) and `texts` (types 48 and
        60 to 63; None for the others)."""
        position = floats(xy, len(xy), "xy", "symbols", 2)
        n = len(position)
        columns = {"type": _whole(types, n, "type", "symbols")}
        if directions is not None:
            columns["direction"] = ("real", floats(directions, n, "directions", "symbols"), None)
        if texts is not None:
            columns["text"] = ("shared", np.arange(n), self.text.encode_all(texts, n, "text", "symbols", rows))
        return self._table("symbols", position, np.ones(n, np.int64), columns, rows)

    def add_notes(self, xy: ArrayLike, types: ArrayLike, value: Optional[ArrayLike] = None,
                  values: Optional[ArrayLike] = None, first_texts: Texts = None, second_texts: Texts = None, *,
                  rows: Optional[Sequence[Any]] = None) -> ChartBuilder:
        """Notes at (n, 2) `xy`: `types` (48 for a note with texts; another
        type is its type alone, every other field 0 and texts None),
        `value`, the six `values` after it ((n, 6)), and two texts each."""
        position = floats(xy, len(xy), "xy", "notes", 2)
        n = len(position)
        columns = {"type": _whole(types, n, "type", "notes")}
        if value is not None:
            columns["value"] = ("real", floats(value, n, "value", "notes"), None)
        if values is not None:
            columns.update(_numbered(floats(values, n, "values", "notes", 6)))
        for name, texts in (("first_text", first_texts), ("second_text", second_texts)):
            encoded = self.text.encode_all(texts, n, name.replace("_", " "), "notes", rows)
            columns[name] = ("shared", np.arange(n), [b"" if t is None else t for t in encoded])
        return self._table("notes", position, np.ones(n, np.int64), columns, rows)

    def leave_out(self, *layers: str) -> ChartBuilder:
        """Leaves the sections of `layers` (names of ``readdata14.LAYERS``
        but "label_points") out of the file, as a chart whose file lacks
        them: the chart read back shows them not ``present``. Leaving out
        "weather_regions" leaves out "fill_areas" too (a reader looks for
        fill areas only after the regions). A section left out takes no
        element: ValueError for one that holds an element already, and for
        adding to one left out."""
        bits = {name: bit for bit, name in _capi.SECTION_BITS.items()}
        unknown = [name for name in layers if name not in bits]
        if unknown:
            raise KeyError(f"no section is called {unknown[0]!r}; sections: {', '.join(bits)}")
        refusal = self._builder.leave_out(sum({bits[name] for name in layers}))
        if refusal is not None:
            raise_refusal(refusal, None)
        return self

    def add_geodataframes(self, frames: Mapping[str, geopandas.GeoDataFrame]) -> ChartBuilder:
        """One GeoDataFrame per layer, by layer name, as ``to_geodataframes()``
        gives them (see :func:`from_geodataframes`)."""
        return self.leave_out(*add_frames(self._builder, self.text, frames))

    # ---- the chart ----

    def to_bytes(self, line_endings: str = "lf", first_token: Optional[str] = None,
                 description: Optional[str] = None,
                 header_integers: Optional[Sequence[Optional[int]]] = None) -> bytes:
        """The chart's file as bytes; see :meth:`write`."""
        written = self._written(None, line_endings, first_token, description, header_integers)
        assert written is not None
        return written

    def write(self, path: Union[str, bytes, os.PathLike], line_endings: str = "lf",
              first_token: Optional[str] = None, description: Optional[str] = None,
              header_integers: Optional[Sequence[Optional[int]]] = None) -> None:
        """Writes the chart to `path`, as :meth:`Chart.write` writes the
        chart that :meth:`finish` gives (the header's fields may be given
        here too)."""
        self._written(path, line_endings, first_token, description, header_integers)

    def finish(self) -> Chart:
        """The chart as a reader of its file gets it (contours nested and
        levelled, findings included). The builder stays as it is and may go on."""
        document = self._builder.finish()
        if isinstance(document, Refusal):
            raise_refusal(document, None)
        assert isinstance(document, _capi.Owner)
        raw = document.document.chart
        if raw.errors == 0 and raw.warnings == 0:  # no finding to collect: the document is the read's
            return Chart(document, [], TextDecoder(self.encoding, "<bytes>"), None)
        return read_bytes(self.to_bytes(), self.encoding)

    def _written(self, path: Any, line_endings: str, first_token: Optional[str], description: Optional[str],
                 header_integers: Optional[Sequence[Optional[int]]]) -> Optional[bytes]:
        document = self._builder.finish()
        if isinstance(document, Refusal):
            raise_refusal(document, None)
        assert isinstance(document, _capi.Owner)
        return document_bytes(document.address, path, line_endings, self.text.encode(first_token, "first_token"),
                              self.text.encode(description, "description"), header_integers)

    # ---- the loops ----

    def _labelled(self, layer: str, points: Sequence[ArrayLike], codes: ArrayLike, labels: Optional[ArrayLike],
                  label_points: Optional[Sequence[ArrayLike]], rows: Optional[Sequence[Any]], flags: int = 0
                  ) -> ChartBuilder:
        """Lines or contours as the blocks hold them: labels as stored (NoLabel
        without), points not finite as given, label points joined to their rows."""
        n = len(points.counts) if isinstance(points, Runs) else len(points)
        lines = runs(points, n, "points", layer, rows)
        label = None if labels is None else floats(labels, n, "labels", layer)
        marks = None if label_points is None else runs(label_points, n, "label points", layer, rows)
        return self._table(layer, lines.xy, lines.counts, {"code": _whole(codes, n, "code", layer)}, rows,
                           label, flags | TABLE_POINTS_AS_GIVEN, marks)

    def _lists(self, layer: str, points: Sequence[ArrayLike], codes: ArrayLike, columns: Dict[str, Column],
               rows: Optional[Sequence[Any]]) -> ChartBuilder:
        n = len(points.counts) if isinstance(points, Runs) else len(points)
        lists = runs(points, n, "points", layer, rows)
        return self._table(layer, lists.xy, lists.counts, dict(columns, code=_whole(codes, n, "code", layer)), rows)

    def _table(self, layer: str, xy: np.ndarray, counts: np.ndarray, columns: Dict[str, Column],
               rows: Optional[Sequence[Any]], labels: Optional[np.ndarray] = None, flags: int = 0,
               marks: Optional[Runs] = None) -> ChartBuilder:
        """The rows as one table to the library, which takes all or none: on
        a refusal, the rows before the refused one are added on their own,
        until none of them is refused (the first refused row is the one
        named). `marks`: each row's label points, which go with it."""
        layer_id = SCHEMA[layer].id
        parents = None if marks is None else np.repeat(np.arange(len(counts)), marks.counts)

        def add(k: int) -> Optional[Refusal]:
            head = {name: (c[0], c[1][:k], c[2] if c[0] == "shared" or c[2] is None else c[2][:k])
                    for name, c in columns.items()}
            table = _capi.LayerTable(layer_id, xy[:int(np.sum(counts[:k]))], counts[:k], head, None,
                                     None if labels is None else labels[:k], flags)
            if marks is None or parents is None:
                return self._builder.add_layer(table, None)
            m = int(np.sum(marks.counts[:k]))
            joined = {"parent_layer": ("shared", np.zeros(m, np.int64), [layer.encode("ascii")]),
                      "parent_fid": ("int", parents[:m], None)}
            return self._builder.add_layer(table, _capi.LayerTable(SCHEMA["label_points"].id, marks.xy[:m],
                                                                   np.ones(m, np.int64), joined))

        refusal = add(len(counts))
        if refusal is None:
            return self
        while True:
            kept = refused_row(refusal, layer, parents)
            again = add(kept) if kept > 0 else None
            if again is None:
                break
            refusal = again
        raise_row_refusal(refusal, lambda name, row: row if rows is None else rows[row], layer, parents)


def from_geodataframes(frames: Mapping[str, geopandas.GeoDataFrame], *, encoding: Optional[str] = None,
                       first_token: Optional[str] = None, description: Optional[str] = None,
                       header_integers: Optional[Sequence[Optional[int]]] = None) -> Chart:
    """A chart built from one GeoDataFrame per layer (by layer name: any of
    ``readdata14.LAYERS``), with the layer model's field names, as
    ``chart.to_geodataframes()`` gives them, edited or not. Needs geopandas.

    The header and the encoding default to those the frames were read
    with (their ``attrs``), else the builder's. Each row is an element, in
    the frame's order; closed contours in the order of ``file_position``
    where the frame has it (the order they were read in), else in the
    frame's. Label points come from the ``label_points`` frame, matched to
    their parents by ``parent_fid`` (the parent frame's index) and ordered
    by ``index``. A frame whose ``attrs["present"]`` is False (the
    section was missing from the file it was read from) and that has no
    rows leaves its section out, so the chart comes back without it; a
    "weather_regions" frame so, only together with an empty (or absent)
    "fill_areas" frame. Fields the reader works out (``label_point_count``,
    ``closed``, ``valued_closed``, ``level_index``, ``nesting_position``)
    are not read; a missing label is NoLabel; other missing fields are 0
    (texts: none). A label is written from ``label_kind`` with
    ``label_value`` or ``label_code``.

    The library resolves the frames' rows as for every host
    (``readdata14_builder_add_layer``): a null field is what the layer model
    makes of a value that is not finite, written as NaN; a row with no
    geometry is an element with no points in every section, contours
    included (its label still counts for the levels); a label point whose
    parent is not in its frame is refused.

    Raises TypeError for a geometry that is not the layer's type, and
    ValueError naming the layer and row for what the format cannot carry:
    a polygon with holes, a z coordinate, a value out of range, a text the
    format forbids (the library's message says which).
    """
    return builder_of_frames(frames, encoding=encoding, first_token=first_token, description=description,
                             header_integers=header_integers).finish()


def builder_of_frames(frames: Mapping[str, geopandas.GeoDataFrame], *, encoding: Optional[str] = None,
                      first_token: Optional[str] = None, description: Optional[str] = None,
                      header_integers: Optional[Sequence[Optional[int]]] = None) -> ChartBuilder:
    """A builder holding the frames' chart (see :func:`from_geodataframes`)."""
    first, text, numbers, default_encoding = header_of(frames)
    builder = ChartBuilder(encoding=encoding or default_encoding)
    builder.set_header(first if first_token is None else first_token, text if description is None else description,
                       numbers if header_integers is None else header_integers)
    builder.add_geodataframes(frames)
    return builder
