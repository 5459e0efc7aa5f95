"""A chart's layers as GeoDataFrames (needs geopandas), made in bulk from
the library's tables: the layers, fields, feature ids and geometries are
those of the library's layer model, which the GDAL driver and chart14 show
as well, so that a layer read here and one read through GDAL agree.

Columns: an integer field is int64, and Int64 (pandas' nullable integer)
where the field is nullable; a Boolean is bool; a real is float64 with NaN
for null; a string is object with None for null. A feature without a
geometry keeps its fields, with None as its geometry.
"""

from __future__ import annotations

from typing import TYPE_CHECKING, Any, Dict

import numpy as np

from ._layers import LayerTable
from ._shapes import _GEOS, geometries

if TYPE_CHECKING:  # pragma: no cover
    import geopandas

    from ._chart import Chart


def _import_geopandas() -> Any:
    try:
        import geopandas
    except ImportError as error:  # pragma: no cover - depends on the machine
        raise ImportError("to_geodataframe needs geopandas (Debian: apt-get install python3-geopandas)") from error
    return geopandas


def _columns(table: LayerTable, decode: Any) -> Dict[str, Any]:
    import pandas as pd
    columns: Dict[str, Any] = {}
    for field in table.definition.fields:
        name = field.name
        if field.type == "string":
            values = np.empty(table.count, dtype=object)
            values[:] = table.column(name, decode)
            columns[name] = values
            continue
        values = np.array(table.values(name))  # a copy the frame may change
        nulls = table.nulls(name)
        if field.type == "integer" and field.nullable:
            mask = np.zeros(table.count, bool) if nulls is None else np.array(nulls)
            columns[name] = pd.arrays.IntegerArray(values, mask)
        else:
            columns[name] = values
    return columns


def _geometry_array(table: LayerTable, crs: Any) -> Any:
    from geopandas.array import GeometryArray, from_shapely
    made = geometries(table)
    # shapely 1.8 without pygeos: the objects are geopandas' own already.
    return GeometryArray(made, crs=crs) if _GEOS is not None else from_shapely(made, crs=crs)


def to_geodataframe(chart: Chart, layer: str, crs: Any = None) -> geopandas.GeoDataFrame:
    geopandas = _import_geopandas()
    import pandas as pd

    table = chart.layer_table(layer)
    index = pd.RangeIndex(table.count, name="fid")
    data = _columns(table, chart._parts.decoder.decode)
    geometry = geopandas.GeoSeries(_geometry_array(table, crs), index=index, crs=crs)
    frame = geopandas.GeoDataFrame(data, index=index, geometry=geometry, crs=crs)
    frame.attrs["layer"] = table.definition.name
    frame.attrs["present"] = table.present
    frame.attrs["metadata"] = chart.metadata
    frame.attrs["encoding"] = chart.encoding  # what from_geodataframes writes its texts in
    return frame
