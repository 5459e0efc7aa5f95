"""A layer's geometries as shapely objects, made in bulk.

The coordinates come from the library's tables: each feature's points are a
run of the layer's float32 coordinates (the chart's own block), a polygon
left open by the file is closed by repeating its first point, and a null
geometry is None. They are widened to float64 once per layer.

Shapely 1.8 (Debian 12) has no vectorised constructors, and its
per-geometry constructors cost tens of microseconds each. Where GEOS can
copy a coordinate sequence from a buffer (3.10 and later), each geometry is
made by two or three calls into GEOS on the layer's one float64 array, and
wrapped as shapely 1.8 wraps what GEOS hands back. Elsewhere (shapely 2,
older GEOS) the plain constructors are used.
"""

from __future__ import annotations

import ctypes
import gc
from contextlib import contextmanager
from typing import Any, Callable, Iterator, List, Optional

import numpy as np

from . import _capi
from ._layers import LayerTable


def geometries(table: LayerTable) -> np.ndarray:
    """One shapely geometry (or None) per feature, as an object array."""
    n = table.count
    valid = np.flatnonzero(~table.null_geometries) if n else np.empty(0, np.int64)
    coordinates = table.coordinates.astype(np.float64)
    starts = table.geometry_starts[valid].astype(np.int64)
    counts = table.point_counts[valid].astype(np.int64)
    kind = table.definition.geometry_type
    if kind == "Polygon":
        coordinates, starts, counts = _closed_rings(coordinates, starts, counts,
                                                    (table.flags[valid] & _capi.RING_LEFT_OPEN) != 0)
    make = _fast_maker(kind) if _GEOS is not None else _plain_maker(kind)
    with _collector_paused():
        made: List[Any] = make(coordinates, starts, counts)
    out = np.full(n, None, dtype=object)
    if len(valid) == n:
        return np.fromiter(made, dtype=object, count=n)
    # Element by element: a whole list would make NumPy look into each geometry.
    for i, geometry in zip(valid.tolist(), made):
        out[i] = geometry
    return out


@contextmanager
def _collector_paused() -> Iterator[None]:
    """Python's cyclic collector held back while the geometries are made:
    each is an object it tracks, and a layer's many new objects would set
    off full collections over everything the process holds, again and
    again, though geometries make no cycles."""
    was_enabled = gc.isenabled()
    gc.disable()
    try:
        yield
    finally:
        if was_enabled:
            gc.enable()


def _closed_rings(coordinates: np.ndarray, starts: np.ndarray, counts: np.ndarray,
                  left_open: np.ndarray) -> "tuple[np.ndarray, np.ndarray, np.ndarray]":
    """The rings' points end to end, each closed: an open ring gets its first point again."""
    closed_counts = counts + left_open
    offsets = np.zeros(len(counts) + 1, np.int64)
    np.cumsum(closed_counts, out=offsets[1:])
    # For every output point, the index of the point it copies.
    ring = np.repeat(np.arange(len(counts)), closed_counts)
    step = np.arange(offsets[-1]) - offsets[ring]
    step[step == counts[ring]] = 0  # the repeated first point
    x = starts[ring] + 2 * step  # a ring may start at an odd float
    points = np.empty((len(x), 2))
    points[:, 0] = coordinates[x]
    points[:, 1] = coordinates[x + 1]
    return points.reshape(-1), 2 * offsets[:-1], closed_counts


# ---- plain constructors --------------------------------------------------------------

def _plain_maker(kind: str) -> Callable[[np.ndarray, np.ndarray, np.ndarray], List[Any]]:
    from shapely.geometry import LineString, Point, Polygon

    def make(coordinates: np.ndarray, starts: np.ndarray, counts: np.ndarray) -> List[Any]:
        if kind == "Point":
            return [Point(x, y) for x, y in zip(coordinates[starts].tolist(), coordinates[starts + 1].tolist())]
        cls = LineString if kind == "LineString" else Polygon
        return [cls(coordinates[i:i + 2 * c].reshape(-1, 2)) for i, c in zip(starts.tolist(), counts.tolist())]

    return make


# ---- straight through GEOS, for shapely 1.8 ---------------------------------------------

class _Geos:
    """The few GEOS calls that make a geometry from a buffer of doubles."""

    def __init__(self, geos: ctypes.CDLL, handle: int) -> None:
        p, h = ctypes.c_void_p, handle
        proto = ctypes.CFUNCTYPE
        copy = proto(p, p, p, ctypes.c_uint, ctypes.c_int, ctypes.c_int)(("GEOSCoordSeq_copyFromBuffer_r", geos))
        line = proto(p, p, p)(("GEOSGeom_createLineString_r", geos))
        ring = proto(p, p, p)(("GEOSGeom_createLinearRing_r", geos))
        polygon = proto(p, p, p, p, ctypes.c_uint)(("GEOSGeom_createPolygon_r", geos))
        point = proto(p, p, ctypes.c_double, ctypes.c_double)(("GEOSGeom_createPointFromXY_r", geos))
        self.line: Callable[[int, int], Optional[int]] = lambda at, n: line(h, copy(h, at, n, 0, 0))
        self.polygon: Callable[[int, int], Optional[int]] = (
            lambda at, n: polygon(h, ring(h, copy(h, at, n, 0, 0)), None, 0))
        self.point: Callable[[float, float], Optional[int]] = lambda x, y: point(h, x, y)
        # And back: a geometry's kind and its coordinates, copied out.
        type_id = proto(ctypes.c_int, p, p)(("GEOSGeomTypeId_r", geos))
        has_z = proto(ctypes.c_char, p, p)(("GEOSHasZ_r", geos))
        holes = proto(ctypes.c_int, p, p)(("GEOSGetNumInteriorRings_r", geos))
        exterior = proto(p, p, p)(("GEOSGetExteriorRing_r", geos))
        sequence = proto(p, p, p)(("GEOSGeom_getCoordSeq_r", geos))
        size = proto(ctypes.c_int, p, p, ctypes.POINTER(ctypes.c_uint))(("GEOSCoordSeq_getSize_r", geos))
        copy_out = proto(ctypes.c_int, p, p, p, ctypes.c_int, ctypes.c_int)(("GEOSCoordSeq_copyToBuffer_r", geos))
        self.type_id: Callable[[int], int] = lambda g: type_id(h, g)
        self.has_z: Callable[[int], int] = lambda g: ord(has_z(h, g))
        self.holes: Callable[[int], int] = lambda g: holes(h, g)
        self.exterior: Callable[[int], Optional[int]] = lambda g: exterior(h, g)
        self.sequence: Callable[[int], Optional[int]] = lambda g: sequence(h, g)
        self.size: Callable[[int, Any], int] = lambda q, out: size(h, q, out)
        self.copy_out: Callable[[int, int, int, int], int] = lambda q, at, z, m: copy_out(h, q, at, z, m)


def _load_geos() -> Optional[_Geos]:
    try:
        import shapely
        if not shapely.__version__.startswith("1.8."):
            return None
        from geopandas import _compat
        if _compat.USE_PYGEOS:
            return None
        from shapely.geos import lgeos
        return _Geos(lgeos._lgeos, lgeos.geos_handle)
    except (ImportError, AttributeError):
        # No geopandas, another shapely, or a GEOS without these calls.
        return None


_GEOS = _load_geos()


def _wrap(cls: type) -> Callable[[Optional[int]], Any]:
    """A shapely 1.8 geometry of class `cls` that owns the GEOS geometry
    `pointer` (as shapely's own geom_factory makes them, less its lookups)."""
    new = object.__new__

    def wrap(pointer: Optional[int]) -> Any:
        if not pointer:
            raise MemoryError("GEOS could not make a geometry")
        geometry = new(cls)
        state = geometry.__dict__
        state["__geom__"] = pointer
        state["_ndim"] = 2
        state["_is_empty"] = False
        return geometry

    return wrap


def _fast_maker(kind: str) -> Callable[[np.ndarray, np.ndarray, np.ndarray], List[Any]]:
    from shapely.geometry import LineString, Point, Polygon
    geos = _GEOS
    assert geos is not None

    def make(coordinates: np.ndarray, starts: np.ndarray, counts: np.ndarray) -> List[Any]:
        if kind == "Point":
            wrap, point = _wrap(Point), geos.point
            xs = coordinates[starts].tolist()
            ys = coordinates[starts + 1].tolist()
            return [wrap(point(x, y)) for x, y in zip(xs, ys)]
        wrap = _wrap(LineString if kind == "LineString" else Polygon)
        build = geos.line if kind == "LineString" else geos.polygon
        addresses = (coordinates.ctypes.data + 8 * starts).tolist()
        return [wrap(build(at, n)) for at, n in zip(addresses, counts.tolist())]

    return make


# ---- geometries back to points, for writing ----------------------------------------------

def coordinate_runs(geometries: Any, kind: str, layer: str, rows: List[Any]) -> "tuple[np.ndarray, np.ndarray]":
    """Each geometry's points end to end as (n, 2) float64, and how many
    each has: a point's one, a line's points, a polygon's ring (closed);
    none where the geometry is None or empty. TypeError for a geometry of
    another type, ValueError for what a chart cannot hold (holes, z)."""
    items = list(geometries)
    found = _geos_runs(items, kind) if _GEOS is not None else None
    if found is None:  # no GEOS to call, or a geometry to complain about
        found = _plain_runs(items, kind, layer, rows)
    return found


def _plain_runs(items: List[Any], kind: str, layer: str, rows: List[Any]) -> "tuple[np.ndarray, np.ndarray]":
    arrays: List[np.ndarray] = []
    for i, geometry in enumerate(items):
        if geometry is None or geometry.is_empty:
            arrays.append(np.empty((0, 2)))
            continue
        if geometry.geom_type != kind:
            raise TypeError(f"{layer} row {rows[i]}: a {geometry.geom_type}, where the layer holds a {kind}")
        if geometry.has_z:
            raise ValueError(f"{layer} row {rows[i]}: a geometry with z; a chart's points are x, y (drop z first)")
        if kind == "Polygon":
            if len(geometry.interiors):
                raise ValueError(f"{layer} row {rows[i]}: a polygon with holes; an area here is one ring")
            geometry = geometry.exterior
        arrays.append(np.asarray(geometry.coords, dtype=np.float64).reshape(-1, 2)[:, :2])
    counts = np.fromiter((len(a) for a in arrays), np.int64, len(arrays))
    return (np.concatenate(arrays) if arrays else np.empty((0, 2))), counts


_GEOS_TYPE_IDS = {"Point": 0, "LineString": 1, "Polygon": 3}


def _geos_runs(items: List[Any], kind: str) -> "Optional[tuple[np.ndarray, np.ndarray]]":
    """The same through GEOS, two calls or so a geometry; None when one of
    them is not the layer's kind, has z or holes (the plain path says which)."""
    geos = _GEOS
    assert geos is not None
    want, polygon = _GEOS_TYPE_IDS[kind], kind == "Polygon"
    sequences: List[int] = []
    counts = np.zeros(len(items), np.int64)
    size = ctypes.c_uint()
    for i, geometry in enumerate(items):
        if geometry is None:
            continue
        pointer = geometry.__dict__.get("__geom__")
        if not pointer:
            if geometry.is_empty:
                continue
            return None
        if geos.type_id(pointer) != want or geos.has_z(pointer) == 1:
            return None
        if polygon:
            if geos.holes(pointer) != 0:
                return None
            pointer = geos.exterior(pointer)
        sequence = geos.sequence(pointer)
        if not sequence or not geos.size(sequence, ctypes.byref(size)):
            return None
        counts[i] = size.value
        if size.value:
            sequences.append(sequence)
    xy = np.empty((int(counts.sum()), 2))
    at = xy.ctypes.data
    for sequence, count in zip(sequences, counts[counts > 0].tolist()):
        geos.copy_out(sequence, at, 0, 0)
        at += 16 * count
    return xy, counts
