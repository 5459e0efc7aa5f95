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

The way back (coordinate_runs, for writing) takes each layer's points out
of GEOS in a few passes over the layer, each one GEOS call mapped over
every geometry; a layer of points goes out as one collection's WKB.
"""

from __future__ import annotations

import ctypes
import gc
import itertools
import operator
from contextlib import contextmanager
from typing import Any, Callable, Dict, Iterator, List, Optional

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
    """The few GEOS calls that make a geometry from a buffer of doubles,
    and that copy a geometry's points back out."""

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
        # And back, each a bare GEOS function for each(): whether a geometry
        # has z (its char read as a small integer), its holes, its exterior
        # ring, its coordinate sequence, how many points it has, and its
        # points copied out.
        self.has_z = proto(ctypes.c_byte, p, p)(("GEOSHasZ_r", geos))
        self.holes = proto(ctypes.c_int, p, p)(("GEOSGetNumInteriorRings_r", geos))
        self.exterior = proto(p, p, p)(("GEOSGetExteriorRing_r", geos))
        self.sequence = proto(p, p, p)(("GEOSGeom_getCoordSeq_r", geos))
        self.size_of = proto(ctypes.c_int, p, p)(("GEOSGetNumCoordinates_r", geos))
        self.copy_out = proto(ctypes.c_int, p, p, p, ctypes.c_int, ctypes.c_int)(("GEOSCoordSeq_copyToBuffer_r", geos))
        # A layer of points goes out whole: cloned into one collection, written as WKB.
        self.clone = proto(p, p, p)(("GEOSGeom_clone_r", geos))
        self.collection = proto(p, p, ctypes.c_int, p, ctypes.c_uint)(("GEOSGeom_createCollection_r", geos))
        self.destroy = proto(None, p, p)(("GEOSGeom_destroy_r", geos))
        self.wkb_writer = proto(p, p)(("GEOSWKBWriter_create_r", geos))
        self.wkb_dimension = proto(None, p, p, ctypes.c_int)(("GEOSWKBWriter_setOutputDimension_r", geos))
        self.wkb_order = proto(None, p, p, ctypes.c_int)(("GEOSWKBWriter_setByteOrder_r", geos))
        self.wkb_write = proto(p, p, p, p, ctypes.POINTER(ctypes.c_size_t))(("GEOSWKBWriter_write_r", geos))
        self.wkb_free = proto(None, p, p)(("GEOSWKBWriter_destroy_r", geos))
        self.free = proto(None, p, p)(("GEOSFree_r", geos))
        self.handle = h

    def each(self, call: Callable[..., Any], *arguments: Any) -> Iterator[Any]:
        """`call` (a bare GEOS function) on each geometry in turn, the
        handle first: map() calls it with no Python frame per geometry."""
        return map(call, itertools.repeat(self.handle), *arguments)


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


def _geos_runs(items: List[Any], kind: str) -> "Optional[tuple[np.ndarray, np.ndarray]]":
    """The same through GEOS, one call at a time over the whole layer (each
    GEOS call mapped over every geometry, no Python code per geometry);
    None when one of them is not the layer's kind, has z or holes (the plain
    path says which), or is one GEOS does not hold as its own."""
    geos = _GEOS
    assert geos is not None
    cls = _SHAPELY_CLASSES.get(kind)
    if cls is None:
        return None
    # Only the layer's own class, and None: a subclass goes the plain way.
    # Each pass is a map() with no Python code per geometry.
    types = set(map(type, items))
    if not types <= {cls, type(None)}:
        return None
    present = items if type(None) not in types else [g for g in items if g is not None]
    try:
        pointers = list(map(_GEOS_POINTER, map(vars, present)))
        if not all(pointers):
            return None
        if kind == "Point":  # z shows in their WKB
            return _geos_points(items, pointers)
        if any(geos.each(geos.has_z, pointers)):
            return None
        if kind == "Polygon":
            if any(geos.each(geos.holes, pointers)):
                return None
            pointers = list(geos.each(geos.exterior, pointers))
        sequences = list(geos.each(geos.sequence, pointers))
        if not all(sequences):
            return None
        sizes = np.fromiter(geos.each(geos.size_of, pointers), np.int64, len(pointers))
    except (KeyError, TypeError):
        return None
    if (sizes < 0).any():
        return None
    counts = _spread(items, sizes)
    xy = np.empty((int(sizes.sum()), 2))
    offsets = np.zeros(len(sizes), np.int64)
    np.cumsum(sizes[:-1], out=offsets[1:])
    addresses = (xy.ctypes.data + 16 * offsets).tolist()
    copied = geos.each(geos.copy_out, sequences, addresses, itertools.repeat(0), itertools.repeat(0))
    if not all(copied):
        return None
    return xy, counts


def _spread(items: List[Any], sizes: np.ndarray) -> np.ndarray:
    """Each item's count: `sizes` in turn for those not None, 0 for None."""
    if len(sizes) == len(items):
        return sizes.astype(np.int64)
    counts = np.zeros(len(items), np.int64)
    counts[[i for i, g in enumerate(items) if g is not None]] = sizes
    return counts


# A point in little-endian WKB: its byte order, its type (1: a point of x
# and y), x and y. A collection of them has a header of nine bytes.
_WKB_POINT = np.dtype([("order", "u1"), ("type", "<u4"), ("xy", "<f8", (2,))])
_WKB_HEADER = 9


def _geos_points(items: List[Any], pointers: List[int]) -> "Optional[tuple[np.ndarray, np.ndarray]]":
    """A layer of points, its geometries all of them shapely points: one
    GEOS call a point (a clone), then one collection of the clones written
    as WKB, read with NumPy. An empty point is written as NaN, NaN and
    counts no point. None where a point has z, or GEOS fails."""
    geos = _GEOS
    assert geos is not None
    h = geos.handle
    clones = list(geos.each(geos.clone, pointers))
    if not all(clones):
        for clone in clones:
            if clone:
                geos.destroy(h, clone)
        return None
    array = np.array(clones, np.uint64)
    collection = geos.collection(h, 7, array.ctypes.data, len(clones))  # 7: a geometry collection, which owns them
    if not collection:
        return None
    writer = geos.wkb_writer(h)
    size = ctypes.c_size_t()
    try:
        if not writer:
            return None
        geos.wkb_dimension(h, writer, 3)  # a point with z is written with it, and told apart
        geos.wkb_order(h, writer, 1)  # little-endian
        buffer = geos.wkb_write(h, writer, collection, ctypes.byref(size))
        if not buffer:
            return None
        data = ctypes.string_at(buffer, size.value)
        geos.free(h, buffer)
    finally:
        if writer:
            geos.wkb_free(h, writer)
        geos.destroy(h, collection)
    if len(data) != _WKB_HEADER + _WKB_POINT.itemsize * len(pointers):
        return None
    points = np.frombuffer(data, _WKB_POINT, offset=_WKB_HEADER)
    if (points["order"] != 1).any() or (points["type"] != 1).any():
        return None
    xy = points["xy"]
    full = ~np.isnan(xy).all(axis=1)
    return np.ascontiguousarray(xy[full]), _spread(items, full.astype(np.int64))


_GEOS_POINTER = operator.itemgetter("__geom__")  # where a shapely 1.8 geometry keeps its GEOS geometry


def _shapely_classes() -> Dict[str, type]:
    try:
        from shapely.geometry import LineString, Point, Polygon
    except ImportError:  # pragma: no cover - no shapely: no GEOS either
        return {}
    return {"Point": Point, "LineString": LineString, "Polygon": Polygon}


_SHAPELY_CLASSES = _shapely_classes()
