"""One chart's layers as the library makes them, wrapped with NumPy.

The library defines the layers once (names, geometry types, fields, the
mapping from records to features, the non-finite rule) and hands each layer
over as tables: a feature count, geometries as offsets into the chart's own
float blocks, and one typed column per field. This module views those
tables without copying; the sections, the elements and the GeoDataFrames
are all built from them.
"""

from __future__ import annotations

from typing import Any, Callable, Dict, List, Optional

import numpy as np

from . import _capi
from ._capi import LayerDefinition

SCHEMA: Dict[str, LayerDefinition] = {layer.name: layer for layer in _capi.layer_definitions()}
"""Every layer a chart has, by name, in the library's order: its geometry
type and its fields (name, type, nullable, description)."""

LAYERS = tuple(SCHEMA)
"""The layers' names, in the library's order."""


def definition(layer: str) -> LayerDefinition:
    found = SCHEMA.get(layer)
    if found is None:
        raise KeyError(f"no layer {layer!r}; the layers are {', '.join(LAYERS)}")
    return found


class LayerTable:
    """One layer of one chart: NumPy views of the library's tables.

    ``flags``, ``geometry_starts`` and ``point_counts`` per feature;
    ``coordinates`` the float32 array the geometries point into;
    ``record_starts`` where each feature's record begins in its block
    (None for label points). Columns: :meth:`values` (an array, nulls in
    :meth:`nulls`) and :meth:`column` (Python values, None for null).
    """

    __slots__ = ("definition", "present", "count", "flags", "geometry_starts", "point_counts", "coordinates",
                 "record_starts", "extent", "_owner", "_record", "_lists")

    def __init__(self, owner: _capi.Owner, layer: LayerDefinition) -> None:
        record = owner.layer(layer.id)
        n = int(record.featureCount)
        self.definition = layer
        self.present = bool(record.present)
        self.count = n
        self._owner = owner
        self._record = record
        self.flags = self._view(record.geometryFlags, "|u1")
        self.geometry_starts = self._view(record.geometryStarts, "<u8")
        self.point_counts = self._view(record.pointCounts, "<u4")
        has_starts = record.size >= _capi.LayerRecord.recordStarts.offset + 8 and record.recordStarts
        self.record_starts = self._view(record.recordStarts, "<u8") if has_starts else None
        self.extent = tuple(record.extent)
        # The coordinates' extent is where the last geometry ends.
        ends = self.geometry_starts + 2 * self.point_counts.astype(np.uint64) if n else np.zeros(1, np.uint64)
        coordinates = owner.floats(record.coordinates, int(ends.max())) if n else None
        self.coordinates = coordinates if coordinates is not None else np.empty(0, np.float32)
        self._lists: Dict[str, List[Any]] = {}

    def _view(self, address: Optional[int], typestr: str) -> np.ndarray:
        """One item per feature (a layer without features may have no arrays)."""
        found = self._owner.array(address, self.count, typestr) if self.count else None
        return found if found is not None else np.empty(0, np.dtype(typestr))

    @property
    def null_geometries(self) -> np.ndarray:
        return (self.flags & _capi.GEOMETRY_NULL) != 0

    def _column(self, name: str) -> "tuple[int, _capi.ColumnRecord]":
        for i, field in enumerate(self.definition.fields):
            if field.name == name:
                return i, self._record.columns[i]
        raise KeyError(f"layer {self.definition.name} has no field {name!r}")

    def nulls(self, name: str) -> Optional[np.ndarray]:
        """Where the column is null (bool), or None when no row is."""
        _, column = self._column(name)
        return self._view(column.nulls, "|b1") if column.nulls else None

    def values(self, name: str) -> np.ndarray:
        """An integer (int64), boolean (bool) or real (float64, NaN where
        null) column as an array; a null integer reads 0."""
        _, column = self._column(name)
        if column.type == _capi.FIELD_REAL:
            return self._view(column.reals, "<f8")
        if column.type == _capi.FIELD_STRING:
            raise TypeError(f"{name} is a string column: take it with column()")
        integers = self._view(column.integers, "<i8")
        return integers.astype(bool) if column.type == _capi.FIELD_BOOLEAN else integers

    def texts(self, name: str, decode: Callable[[bytes], str]) -> List[Optional[str]]:
        """A string column, each text decoded once (None where null)."""
        _, column = self._column(name)
        n = self.count
        starts = self._view(column.textStarts, "<u8")
        lengths = self._view(column.textLengths, "<u4")
        if n == 0:
            return []
        ends = np.where(lengths > 0, starts + lengths, 0)
        data = _capi.Owner.bytes_at(column.texts, int(ends.max())) or b""
        decoded: Dict[bytes, str] = {}
        texts: List[Optional[str]] = []
        for start, end in zip(starts.tolist(), ends.tolist()):
            piece = data[start:end]
            text = decoded.get(piece)
            if text is None:
                text = decoded[piece] = decode(piece)
            texts.append(text)
        nulls = self.nulls(name)
        if nulls is not None:
            for i in np.flatnonzero(nulls).tolist():
                texts[i] = None
        return texts

    def column(self, name: str, decode: Callable[[bytes], str]) -> List[Any]:
        """A column as Python values (int, bool, float, str), None where null; made once."""
        found = self._lists.get(name)
        if found is not None:
            return found
        _, column = self._column(name)
        if column.type == _capi.FIELD_STRING:
            found = self.texts(name, decode)
        else:
            found = self.values(name).tolist()
            nulls = self.nulls(name)
            if nulls is not None:
                for i in np.flatnonzero(nulls).tolist():
                    found[i] = None
        self._lists[name] = found
        return found
