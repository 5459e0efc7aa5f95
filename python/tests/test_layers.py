"""The package against the library's C side, read by a small C program
(c_tables.c): every ctypes record against the compiler's layout, and every
layer's features and fields, as to_geodataframe and the elements give them,
against the library's tables, on charts of every shape, broken ones and
values that are not finite included."""

from __future__ import annotations

import ctypes
import random
import warnings
from pathlib import Path
from typing import Any, Callable, Dict, List

import numpy as np
import pytest

import readdata14
from conftest import DATA, FILES, NON_FINITE, SAMPLE, SHAPES, SMALL, run_c_tables
from readdata14 import _capi, _shapes


def test_ctypes_records_are_laid_out_as_in_c(c_tables: Path) -> None:
    layouts = run_c_tables(c_tables, "layouts")
    assert sorted(layouts) == sorted(record.c_name for record in _capi.RECORDS)
    for record in _capi.RECORDS:
        c = layouts[record.c_name]
        ours = {name: [getattr(record, name).offset, getattr(record, name).size] for name, *_ in record._fields_}
        assert (ctypes.sizeof(record), ours) == (c["size"], c["fields"]), record.c_name


def decode(hex_bytes: str) -> str:
    return bytes.fromhex(hex_bytes).decode("utf-8", "readdata14.hexescape")


def expected_geometry(kind: str, feature: Dict[str, Any]) -> Any:
    """The feature's coordinates as float64 (n, 2), a ring closed; None for no geometry."""
    if feature["flags"] & _capi.GEOMETRY_NULL:
        return None
    points = np.array(feature["points"], np.float32).astype(np.float64).reshape(-1, 2)
    if feature["flags"] & _capi.RING_LEFT_OPEN:
        points = np.concatenate([points, points[:1]])
    return points


def coordinates(geometry: Any) -> np.ndarray:
    if geometry.geom_type == "Polygon":
        return np.array(geometry.exterior.coords)
    return np.array(geometry.coords)


def same_value(field: readdata14.FieldDefinition, ours: Any, theirs: Any) -> bool:
    if theirs is None:
        return ours is None or (not isinstance(ours, str) and bool(np.isnan(ours)))
    if field.type == "string":
        return bool(ours == decode(theirs))
    return bool(ours == theirs)


def compare_layer(chart: readdata14.Chart, layer: Dict[str, Any]) -> None:
    name = layer["name"]
    definition = readdata14.SCHEMA[name]
    features = layer["features"]
    section = chart.section(name)
    if section is not None:
        assert (len(section), section.present) == (len(features), bool(layer["present"])), name
        for element, feature in zip(section, features):
            row = element.properties()
            assert list(row) == [f.name for f in definition.fields]
            assert all(same_value(f, row[f.name], v) for f, v in zip(definition.fields, feature["values"])), name
            geometry = element.geometry()
            want = expected_geometry(definition.geometry_type, feature)
            assert (geometry is None) == (want is None)
    if pytest.importorskip("geopandas"):
        frame = chart.to_geodataframe(name)
        assert frame.attrs["present"] == bool(layer["present"]) and frame.index.tolist() == list(range(len(features)))
        assert list(frame.columns) == [f.name for f in definition.fields] + ["geometry"]
        for k, field in enumerate(definition.fields):
            column = frame[field.name].astype(object).where(frame[field.name].notna(), None).tolist()
            assert all(same_value(field, o, f["values"][k]) for o, f in zip(column, features)), (name, field.name)
        for geometry, feature in zip(frame.geometry, features):
            want = expected_geometry(definition.geometry_type, feature)
            if want is None:
                assert geometry is None, name
            else:
                assert geometry.geom_type == definition.geometry_type
                assert np.array_equal(coordinates(geometry), want), name


def check(path: Path, c_tables: Path) -> None:
    tables = run_c_tables(c_tables, "layers", path)
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # shapely's and geopandas' deprecations among them
        warnings.simplefilter("ignore", readdata14.TextEncodingWarning)
        try:
            chart = readdata14.read(path)
        except readdata14.NotAChartError:
            assert tables["status"] == _capi.NOT_TYPE_14
            return
        assert chart.first_token == decode(tables["firstToken"]) and chart.description == decode(tables["description"])
        assert list(chart.header_integers) == tables["headerIntegers"]
        assert [layer["name"] for layer in tables["layers"]] == list(readdata14.LAYERS)
        for layer in tables["layers"]:
            compare_layer(chart, layer)


def spoil(data: bytes, seed: int) -> bytes:
    rng, out = random.Random(seed), bytearray(data)
    for _ in range(rng.randint(1, 6)):
        out[rng.randrange(len(out))] = rng.choice(b"-0123456789.eE \n\x00\x1a\x01\x80\xc3\xffNoLabelinf#:")
    return bytes(out)


CHARTS: Dict[str, Callable[[Any, Path], Path]] = {
    **{f"generated: {shape}": (lambda shape: lambda make, tmp: make(*SHAPES[shape]))(shape) for shape in SHAPES},
    **{name: (lambda name: lambda make, tmp: DATA / name)(name) for name in FILES},
    "sample": lambda make, tmp: SAMPLE,
}


def written(tmp: Path, data: bytes) -> Path:
    (tmp / "chart.txt").write_bytes(data)
    return tmp / "chart.txt"


@pytest.mark.parametrize("name", CHARTS)
def test_layers_equal_the_library_tables(name: str, make_chart: Any, c_tables: Path, tmp_path: Path) -> None:
    check(CHARTS[name](make_chart, tmp_path), c_tables)


@pytest.mark.parametrize("seed", range(12))
def test_broken_and_non_finite_charts(seed: int, make_chart: Any, c_tables: Path, tmp_path: Path) -> None:
    sources: List[bytes] = [NON_FINITE, make_chart(*SMALL).read_bytes(), (DATA / "every_section.txt").read_bytes()]
    data = sources[seed % 3]
    if seed >= 3:
        data = spoil(data, seed) if seed % 2 else data[:len(data) * seed // 13]
    check(written(tmp_path, data), c_tables)



@pytest.mark.parametrize("name", ["sample", "non-finite"])
def test_plain_constructors_give_the_same(name: str, monkeypatch: Any, c_tables: Path, tmp_path: Path) -> None:
    """Where GEOS cannot be called directly (shapely 2, an older GEOS): shapely's constructors."""
    monkeypatch.setattr(_shapes, "_GEOS", None)
    check(SAMPLE if name == "sample" else written(tmp_path, NON_FINITE), c_tables)
