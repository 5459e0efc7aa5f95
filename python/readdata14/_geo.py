"""A chart's layers as GeoDataFrames (needs geopandas).

The layers, fields, feature ids and geometries are those of the shared layer
schema, which the GDAL driver and chart14 geojson follow as well, so that a
layer read here and one read through GDAL agree.
"""

from __future__ import annotations

from typing import TYPE_CHECKING, Any, Dict, List, Tuple

import numpy as np

if TYPE_CHECKING:  # pragma: no cover
    import geopandas

    from ._chart import Chart

_LABEL = (("label_kind", "str"), ("label_value", "float"), ("label_code", "float"))

FIELDS: Dict[str, Tuple[Tuple[str, str], ...]] = {
    "lines": (("code", "int"), *_LABEL, ("label_point_count", "int")),
    "line_symbols": (("code", "int"),),
    "symbols": (("type", "int"), ("direction", "float"), ("text", "str")),
    "closed_contours": (("code", "int"), *_LABEL, ("closed", "bool"), ("valued_closed", "bool"),
                        ("level_index", "int?"), ("nesting_position", "int"), ("label_point_count", "int")),
    "weather_regions": (("code", "int"),),
    "fill_areas": (("code", "int"),
                   *((f"value_{i}", "float" if i == 14 else "int") for i in range(1, 17))),
    "notes": (("type", "int"), ("value", "float"), *((f"value_{i}", "float") for i in range(1, 7)),
              ("first_text", "str"), ("second_text", "str")),
    "label_points": (("parent_layer", "str"), ("parent_fid", "int"), ("index", "int"), *_LABEL),
}
"""Each layer's fields and their kinds ("int" is OGR's 32-bit Integer, "int?" one that can be null)."""

GEOMETRY_TYPES = {
    "lines": "LineString", "line_symbols": "LineString", "symbols": "Point", "closed_contours": "LineString",
    "weather_regions": "Polygon", "fill_areas": "Polygon", "notes": "Point", "label_points": "Point",
}

# Int64, not Int32, for the nullable one: geopandas writes files only with that one.
_DTYPES = {"int": "int32", "int?": "Int64", "float": "float64", "bool": "bool", "str": "object"}


def _import_geopandas() -> Any:
    try:
        import geopandas
    except ImportError as error:  # pragma: no cover - depends on the machine
        raise ImportError("to_geodataframe needs geopandas (Debian: apt-get install python3-geopandas)") from error
    return geopandas


def to_geodataframe(chart: Chart, layer: str, crs: Any = None) -> geopandas.GeoDataFrame:
    geopandas = _import_geopandas()
    import pandas as pd
    from shapely.geometry import shape

    fields = FIELDS.get(layer)
    if fields is None:
        raise KeyError(f"no layer {layer!r}; the layers are {', '.join(FIELDS)}")
    section = chart.section(layer)
    elements = list(section) if section is not None else []

    fids = pd.Index(np.array([e.fid for e in elements], dtype=np.int64), name="fid")
    rows = [e.properties() for e in elements]
    columns: Dict[str, Any] = {}
    for name, kind in fields:
        values: List[Any] = [row[name] for row in rows]
        if kind == "float":
            values = [np.nan if v is None else v for v in values]
        columns[name] = pd.Series(values, index=fids, dtype=_DTYPES[kind])

    if GEOMETRY_TYPES[layer] == "Point":
        geometry = geopandas.GeoSeries(
            geopandas.points_from_xy([e.x for e in elements], [e.y for e in elements]), index=fids, crs=crs)
    else:
        shapes = []
        for e in elements:
            g = e.geometry()
            shapes.append(None if g is None else shape(g))
        geometry = geopandas.GeoSeries(shapes, index=fids, crs=crs, dtype="geometry")

    frame = geopandas.GeoDataFrame(columns, geometry=geometry, index=fids, crs=crs)
    frame.attrs["layer"] = layer
    frame.attrs["present"] = bool(section is not None and section.present)
    frame.attrs["metadata"] = chart.metadata
    return frame
