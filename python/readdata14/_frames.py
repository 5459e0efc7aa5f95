"""GeoDataFrames of the layer model back into a chart: each frame handed to
the library as a table of NumPy columns (readdata14_builder_add_layer), which
resolves labels, codes, rings, the contours' order and the label points
(see :func:`readdata14.from_geodataframes` for the rules)."""

from __future__ import annotations

from typing import Any, Dict, List, Mapping, Optional, Tuple

import numpy as np

from . import _capi
from ._errors import raise_row_refusal
from ._layers import LAYERS, SCHEMA, definition
from ._shapes import coordinate_runs
from ._texts import TextEncoder


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


def add_frames(builder: _capi.Builder, text: TextEncoder, frames: Mapping[str, Any]) -> List[str]:
    """Hands each frame to the library's builder, its texts encoded by
    `text`; returns the sections to leave out (see :func:`missing_sections`)."""
    for name in frames:
        definition(name)  # KeyError for a name that is no layer
    marks = frames.get("label_points")
    joined = None if marks is None else _table(text, marks, "label_points")
    for layer in LAYERS:
        frame = frames.get(layer)
        if frame is None or layer == "label_points":
            continue
        refusal = builder.add_layer(_table(text, frame, layer), joined if layer in _PARENTS else None)
        if refusal is not None:
            raise_row_refusal(refusal, lambda name, row: frames[name].index[row] if name in frames else None)
    return missing_sections(frames)


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


# Fields the reader works out, which a frame's rows do not set; label
# points find their parents by the frame's index (its FIDs).
_NOT_READ = {"label_point_count", "closed", "valued_closed", "level_index", "nesting_position"}
_PARENTS = ("lines", "closed_contours")


def _table(text: TextEncoder, frame: Any, layer: str) -> _capi.LayerTable:
    """The frame's geometries and the columns of its layer's fields."""
    schema = SCHEMA[layer]
    rows = frame.index.tolist()
    xy, counts = coordinate_runs(_geometries(frame), schema.geometry_type, layer, rows)
    columns: Dict[str, Tuple[Any, ...]] = {}
    for field in schema.fields:
        if field.name in frame and field.name not in _NOT_READ:
            columns[field.name] = _column(text, frame[field.name], field.type, layer, field.name, rows)
    fids = frame.index.to_numpy() if layer in _PARENTS and frame.index.dtype.kind in "iu" else None
    with np.errstate(over="ignore", invalid="ignore"):
        return _capi.LayerTable(schema.id, xy.astype(np.float32), counts, columns, fids)


def _geometries(frame: Any) -> Any:
    try:
        column = frame.geometry
    except AttributeError:  # a plain DataFrame
        column = frame["geometry"] if "geometry" in frame else [None] * len(frame)
    return np.asarray(getattr(column, "values", column), dtype=object)


def _column(text: TextEncoder, column: Any, kind: str, layer: str, name: str, rows: List[Any]) -> Tuple[Any, ...]:
    """A pandas column as the library's: texts encoded, whole numbers as
    int64, anything else (nulls included) as float64 with its nulls."""
    if kind == "string":
        # Each distinct text encoded once: rows of the same text share its bytes.
        import pandas as pd
        codes, uniques = pd.factorize(column, use_na_sentinel=True)
        encoded: List[Optional[bytes]] = []
        for k, value in enumerate(uniques):
            if not isinstance(value, (str, bytes)):
                encoded.append(None)
                continue
            try:
                encoded.append(text.encode(value, name))
            except ValueError:  # again, named by the first row that holds it
                text.encode(value, f"{layer} row {rows[int(np.argmax(codes == k))]}, {name}")
                raise
        return ("shared", codes, encoded)
    nulls = column.isna().to_numpy()
    values = column.to_numpy()
    if values.dtype.kind in "iub" and not nulls.any():
        return ("int", values.astype(np.int64), None)
    import pandas as pd
    return ("real", pd.to_numeric(column).to_numpy(dtype=np.float64, na_value=np.nan), nulls)

