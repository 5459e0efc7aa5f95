"""geopandas.read_file on charts, through fiona (which reads only the drivers
it is told of): one frame per layer, the schema's columns and dtypes, and the
values of the dump."""
import fiona
import geopandas
import pytest

from conftest import LAYERS, SAMPLE, SOURCE, dump, expected, same

fiona.supported_drivers["Chart14"] = "r"
DTYPES = {"Integer": "int64", "Boolean": "bool", "Real": "float64", "String": "object"}


@pytest.mark.parametrize("name", list(LAYERS))
def test_read_file_gives_the_layer_as_a_frame(generated, name):
    # Lines of one point and none come without a geometry, which shapely
    # would not take as a LineString.
    for path in [SAMPLE, generated["contours_only"], SOURCE / "tests" / "data" / "every_section.txt",
                 SOURCE / "fuzz" / "corpus" / "line_symbols.txt"]:
        want = expected(dump(path))[name]
        frame = geopandas.read_file(path, layer=name)
        geometry, fields = LAYERS[name]
        assert list(frame.columns) == [f for f, _, _ in fields] + ["geometry"]
        assert len(frame) == len(want)
        if not want:
            continue
        for field, kind, nullable in fields:
            # A column with nulls is float64 (integers) or holds None (strings).
            if not frame[field].isna().any():
                assert str(frame[field].dtype) == DTYPES[kind], field
        assert set(frame.geometry.dropna().geom_type) == {geometry}
        for row, (points, values) in zip(frame.itertuples(), want):
            got = row.geometry
            if points is None:
                assert got is None
                continue
            coords = list(got.exterior.coords) if geometry == "Polygon" else list(got.coords)
            assert coords == points
            for field, value in values.items():
                cell = getattr(row, field)
                assert same(cell, value) or (value is None and (cell is None or cell != cell)), (field, cell, value)
