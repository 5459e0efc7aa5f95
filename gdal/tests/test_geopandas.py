"""geopandas.read_file on charts, as docs/gdal.md shows: fiona reads the drivers
it has not vetted when asked to (allow_unsupported_drivers). One frame per
layer, with the library's columns and values."""
import geopandas
import pytest

import library
from conftest import SAMPLE, SOURCE

NUMPY_TYPES = {library.INTEGER: "int64", library.BOOLEAN: "bool", library.REAL: "float64", library.STRING: "object"}
GEOMETRY_TYPES = {1: "Point", 2: "LineString", 3: "Polygon"}


@pytest.mark.parametrize("name,geometry,fields", library.schema(), ids=[layer[0] for layer in library.schema()])
def test_read_file_gives_the_layer_as_a_frame(generated, spoiled, name, geometry, fields):
    for path in [SAMPLE, generated["contours_only"], SOURCE / "tests" / "data" / "every_section.txt", spoiled[0]]:
        want = library.read(path)["layers"][name]["features"]
        frame = geopandas.read_file(path, layer=name, allow_unsupported_drivers=True)
        assert list(frame.columns) == [f for f, _, _ in fields] + ["geometry"]
        assert len(frame) == len(want)
        for field, kind, _ in fields:
            # A column with nulls is float64 (integers) or holds None (strings).
            if len(frame) and not frame[field].isna().any():
                assert str(frame[field].dtype) == NUMPY_TYPES[kind], field
        assert set(frame.geometry.dropna().geom_type) <= {GEOMETRY_TYPES[geometry]}
        for row, (points, values) in zip(frame.itertuples(index=False), want):
            got = row.geometry
            assert (got is None) == (points is None)
            if got is not None:
                assert list(got.exterior.coords if geometry == 3 else got.coords) == points
            cells = [None if c is None or c != c else c for c in row[:-1]]
            assert cells == list(values), (name, cells, values)


def test_read_file_without_a_layer_gives_the_first():
    frame = geopandas.read_file(SAMPLE, allow_unsupported_drivers=True)
    assert len(frame) == len(library.read(SAMPLE)["layers"]["lines"]["features"])
