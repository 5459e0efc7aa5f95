"""GeoDataFrames of the layer model back into a chart: each frame's rows
turned into the builder's arrays (see :func:`readdata14.from_geodataframes`
for the rules)."""

from __future__ import annotations

from typing import Any, Callable, Dict, List, Mapping, Optional, Tuple

import numpy as np

from ._builder import ChartBuilder, floats, integers, no_runs
from ._capi import Runs
from ._layers import LAYERS, SCHEMA, definition
from ._sections import LABEL_CODE_OFFSET, NO_LABEL_VALUE
from ._shapes import coordinate_runs


def header_of(frames: Mapping[str, Any]) -> Tuple[Optional[str], Optional[str], Optional[List[Optional[int]]],
                                                   Optional[str]]:
    """The first token, description, header integers and encoding the frames
    were read with (their attrs), each None where no frame says."""
    for frame in frames.values():
        attrs = getattr(frame, "attrs", None) or {}
        metadata = attrs.get("metadata")
        if metadata is None:
            continue
        numbers = metadata.get("HEADER_INTEGERS")
        found = None if numbers is None else [int(v) for v in numbers.split(",") if v]
        return metadata.get("FIRST_TOKEN"), metadata.get("DESCRIPTION"), found, attrs.get("encoding")
    return None, None, None, None


def add_frames(builder: ChartBuilder, frames: Mapping[str, Any]) -> None:
    for name in frames:
        definition(name)  # KeyError for a name that is no layer
    marks = frames.get("label_points")
    for layer in LAYERS:
        frame = frames.get(layer)
        if frame is not None and layer != "label_points":
            _ADD[layer](builder, _Frame(frame, layer), marks)
    builder.leave_out(*missing_sections(frames))


def missing_sections(frames: Mapping[str, Any]) -> List[str]:
    """The sections the frames' file lacked and that stayed empty: each
    frame whose attrs say not present and that has no rows. Regions left out
    take the fill areas with them, so those must be empty too."""
    def gone(layer: str) -> bool:
        frame = frames.get(layer)
        attrs = getattr(frame, "attrs", None) or {}
        return frame is not None and attrs.get("present") is False and len(frame) == 0

    def empty(layer: str) -> bool:
        return frames.get(layer) is None or len(frames[layer]) == 0

    return [layer for layer in LAYERS if layer != "label_points" and gone(layer)
            and (layer != "weather_regions" or empty("fill_areas"))]


class _Frame:
    """One frame's columns as the builder's arrays; a missing column is 0 (or no text)."""

    def __init__(self, frame: Any, layer: str) -> None:
        index = frame.index
        if not index.is_unique:
            raise ValueError(f"{layer}: the frame's index holds a value twice; label points find their parents by it")
        self.frame = frame
        self.layer = layer
        self.n = len(frame)
        self.rows: List[Any] = index.tolist()
        self.fields = {f.name: f for f in SCHEMA[layer].fields}

    @property
    def geometries(self) -> Any:
        frame = self.frame
        try:
            column = frame.geometry
        except AttributeError:  # a plain DataFrame
            column = frame["geometry"] if "geometry" in frame else [None] * self.n
        return np.asarray(getattr(column, "values", column), dtype=object)

    def reals(self, name: str, default: float = 0.0) -> np.ndarray:
        """float64, NaN where null."""
        if name not in self.frame:
            return np.full(self.n, default)
        import pandas as pd
        return pd.to_numeric(self.frame[name]).to_numpy(dtype=np.float64, na_value=np.nan)

    def whole(self, name: str) -> np.ndarray:
        """An integer field as int32; a null is an error."""
        if name not in self.frame:
            return np.zeros(self.n, np.int32)
        column = self.frame[name]
        nulls = column.isna().to_numpy()
        if nulls.any():
            raise ValueError(f"{self.layer} row {self.rows[int(np.argmax(nulls))]}: {name} is null")
        values = column.to_numpy()
        return integers(values if values.dtype.kind in "iub" else self.reals(name), self.n, name, self.layer,
                        self.rows)

    def texts(self, name: str) -> List[Optional[str]]:
        """Texts; an empty text and a null are both "none" (the builder
        writes an empty text where its type has one)."""
        if name not in self.frame:
            return [None] * self.n
        return [t if isinstance(t, (str, bytes)) and t else None for t in self.frame[name].tolist()]

    def labels(self) -> np.ndarray:
        """Labels as the block stores them, from label_kind and label_value
        or label_code (without label_kind: a value where there is one)."""
        value, code = self.reals("label_value", np.nan), self.reals("label_code", np.nan)
        if "label_kind" in self.frame:
            kinds = np.array(self.frame["label_kind"].tolist(), dtype=object)
        else:
            kinds = np.where(np.isnan(value), "none", "value").astype(object)
        known = np.isin(kinds, ("none", "value", "code"))
        if not known.all():
            i = int(np.argmin(known))
            raise ValueError(f"{self.layer} row {self.rows[i]}: label_kind is {kinds[i]!r}, not 'none', 'value' "
                             "or 'code'")
        coded = kinds == "code"
        if np.isnan(code[coded]).any():
            i = int(np.flatnonzero(coded & np.isnan(code))[0])
            raise ValueError(f"{self.layer} row {self.rows[i]}: label_kind is 'code' and label_code is null")
        labels = np.full(self.n, NO_LABEL_VALUE)
        labels[kinds == "value"] = value[kinds == "value"]
        labels[coded] = LABEL_CODE_OFFSET + code[coded]
        return floats(labels, self.n, "labels", self.layer)

    def outlines(self, kind: str, at_least: int = 0) -> Runs:
        """Each line's points or polygon's ring; one without a geometry has
        none, or `at_least` points (NaN, NaN)."""
        xy, counts = coordinate_runs(self.geometries, kind, self.layer, self.rows)
        if kind == "Polygon" and "left_open" in self.frame:
            xy, counts = _opened(xy, counts, self.reals("left_open") == 1)
        if at_least and (counts < at_least).any():
            xy, counts = _padded(xy, counts, at_least)
        starts = np.zeros(len(counts), np.int64)
        np.cumsum(counts[:-1], out=starts[1:])
        with np.errstate(over="ignore"):
            return Runs(np.ascontiguousarray(xy.astype(np.float32)), starts, counts)

    def positions(self) -> np.ndarray:
        """Points as (n, 2) float64, (NaN, NaN) where there is no geometry."""
        xy, counts = coordinate_runs(self.geometries, "Point", self.layer, self.rows)
        out = np.full((self.n, 2), np.nan)
        out[counts > 0] = xy
        return out


def _opened(xy: np.ndarray, counts: np.ndarray, left_open: np.ndarray) -> Tuple[np.ndarray, np.ndarray]:
    """Rings the file left open without the first point that closes them in GIS."""
    ends = np.cumsum(counts) - 1
    drop = left_open & (counts > 1)
    drop[drop] &= (xy[ends[drop]] == xy[ends[drop] - counts[drop] + 1]).all(axis=1)
    keep = np.ones(len(xy), bool)
    keep[ends[drop]] = False
    return xy[keep], counts - drop


def _padded(xy: np.ndarray, counts: np.ndarray, at_least: int) -> Tuple[np.ndarray, np.ndarray]:
    """Runs of fewer than `at_least` points filled up with (NaN, NaN)."""
    padded = np.maximum(counts, at_least)
    old = np.zeros(len(counts), np.int64)
    new = np.zeros(len(counts), np.int64)
    np.cumsum(counts[:-1], out=old[1:])
    np.cumsum(padded[:-1], out=new[1:])
    run = np.repeat(np.arange(len(counts)), counts)
    out = np.full((int(padded.sum()), 2), np.nan)
    out[new[run] + np.arange(len(xy)) - old[run]] = xy
    return out, padded


def _label_points(marks: Any, parent: _Frame) -> Runs:
    """The parents' label points, each parent's in the order of `index`."""
    if marks is None or len(marks) == 0:
        return no_runs(parent.n)
    points = _Frame(marks, "label_points")
    mine = (np.array(marks["parent_layer"].tolist(), dtype=object) == parent.layer) if "parent_layer" in marks \
        else np.zeros(points.n, bool)
    owner = parent.frame.index.get_indexer(marks["parent_fid"]) if "parent_fid" in marks else np.full(points.n, -1)
    keep = np.flatnonzero(mine & (owner >= 0))  # points of parents not in the frame go with them
    place = points.reals("index")[keep]
    xy = points.positions()[keep]
    order = np.lexsort((place, owner[keep]))
    counts = np.bincount(owner[keep], minlength=parent.n).astype(np.int64)
    starts = np.zeros(parent.n, np.int64)
    np.cumsum(counts[:-1], out=starts[1:])
    with np.errstate(over="ignore"):
        ordered = np.ascontiguousarray(xy[order].astype(np.float32))
    return Runs(ordered, starts, counts)


def _lines(builder: ChartBuilder, frame: _Frame, marks: Any) -> None:
    builder.add_lines(frame.outlines("LineString"), frame.whole("code"), frame.labels(),
                      _label_points(marks, frame), rows=frame.rows)


def _contours(builder: ChartBuilder, frame: _Frame, marks: Any) -> None:
    if "file_position" in frame.frame:
        # The file's order, which the nesting and the levels follow from.
        frame = _Frame(frame.frame.iloc[np.argsort(frame.reals("file_position"), kind="stable")], frame.layer)
    # A contour has at least one point: one without a geometry gets (NaN, NaN).
    builder.add_closed_contours(frame.outlines("LineString", 1), frame.whole("code"), frame.labels(),
                                _label_points(marks, frame), rows=frame.rows)


def _point_lists(kind: str, add: Callable[..., ChartBuilder]) -> Callable[[ChartBuilder, _Frame, Any], None]:
    def add_layer(builder: ChartBuilder, frame: _Frame, marks: Any) -> None:
        add(builder, frame.outlines(kind), frame.whole("code"), rows=frame.rows)
    return add_layer


def _fill_areas(builder: ChartBuilder, frame: _Frame, marks: Any) -> None:
    values = np.zeros((frame.n, 16), np.float32)
    for k in range(16):
        name = f"value_{k + 1}"
        real = frame.fields[name].type == "real"
        values[:, k] = floats(frame.reals(name), frame.n, name, frame.layer) if real else frame.whole(name)
    builder.add_fill_areas(frame.outlines("Polygon"), frame.whole("code"), values, rows=frame.rows)


def _symbols(builder: ChartBuilder, frame: _Frame, marks: Any) -> None:
    builder.add_symbols(frame.positions(), frame.whole("type"), frame.reals("direction"), frame.texts("text"),
                        rows=frame.rows)


def _notes(builder: ChartBuilder, frame: _Frame, marks: Any) -> None:
    values = np.stack([frame.reals(f"value_{k}") for k in range(1, 7)], axis=1) if frame.n else None
    builder.add_notes(frame.positions(), frame.whole("type"), frame.reals("value"), values,
                      frame.texts("first_text"), frame.texts("second_text"), rows=frame.rows)


_ADD: Dict[str, Callable[[ChartBuilder, _Frame, Any], None]] = {
    "lines": _lines,
    "line_symbols": _point_lists("LineString", ChartBuilder.add_line_symbols),
    "symbols": _symbols,
    "closed_contours": _contours,
    "weather_regions": _point_lists("Polygon", ChartBuilder.add_weather_regions),
    "fill_areas": _fill_areas,
    "notes": _notes,
}
