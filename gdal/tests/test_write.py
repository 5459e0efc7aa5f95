"""Writing charts with GDAL's own programs: a GeoPackage made from a chart
gives the chart back, isolines from gdal_contour become a chart whose
contours nest and level, and a feature the format cannot carry fails its
CreateFeature with an error naming it: ogr2ogr stops and leaves no file,
or, with -skipfailures, goes on and the chart holds the rest."""
import json
import os
import subprocess

import numpy
import pytest
from osgeo import gdal, ogr

import library
from conftest import CHART14, PROJECT_CHARTS

gdal.UseExceptions()
# Every byte is a character of ISO-8859-1: texts in any code page come back as the same bytes.
LATIN1 = "ISO-8859-1"
# Charts whose GeoPackage copy cannot give every block back, the blocks
# that differ, and why (docs/gdal.md's "What is not written" lists the same).
DEPARTURES = {
    "no_station": {"lines"},  # a line of one point has no geometry in GIS
    "lines": {"lines"},
    "line_symbols": {"lineSymbols"},
    "texts_and_thinning": {"weatherRegions"},  # rings of fewer than three points have none either
    "weather_regions": {"weatherRegions"},
    "two_point_lines": {"weatherRegions", "fillAreas"},
}
# Charts with a feature no chart can hold (a contour without points): converted with -skipfailures.
SKIPS = {"win_tricky_contours"}


def run(*args, ok=True):
    result = subprocess.run([str(a) for a in args], capture_output=True, text=True)
    assert (result.returncode == 0) == ok, result.stderr
    return result


def writer_messages(stderr, target):
    return [line for line in stderr.splitlines() if f"Chart14: {target}" in line]


def test_a_geopackage_made_from_a_chart_gives_the_chart_back(tmp_path, generated):
    crlf = tmp_path / "crlf.txt"
    crlf.write_bytes(generated["many_contours"].read_bytes().replace(b"\n", b"\r\n"))
    charts = [*PROJECT_CHARTS, *generated.values(), crlf]
    exact = 0
    for i, source in enumerate(charts):
        gpkg, target = tmp_path / f"{i}.gpkg", tmp_path / f"{i}.txt"
        run("ogr2ogr", "-oo", f"ENCODING={LATIN1}", "-f", "GPKG", gpkg, source)
        skip = ["-skipfailures"] if source.stem in SKIPS else []
        stderr = run("ogr2ogr", *skip, "-dsco", f"ENCODING={LATIN1}", "-f", "Chart14", target, gpkg).stderr
        before, after = library.blocks(source), library.blocks(target)
        differ = {k for k in before if before[k] != after[k]}
        assert differ == DEPARTURES.get(source.stem, set()), source
        if not differ:  # a value that was not finite shows as null and is written as nan, with a warning
            assert all("written as nan" in m for m in writer_messages(stderr, target)), source
            exact += 1
    assert exact == len(charts) - len(DEPARTURES)


# Contours of one and two points: GIS has no line of one point, so through a GeoPackage that
# contour comes back without points, and with its label, so the levels stay as they were.
SHORT_CONTOURS = """readdata14 14 Short_contours
0 0 0 0 0
LINES: 0
LINES_SYMBOL: 0
SYMBOLS: 0
CLOSED_CONTOURS: 3
1 4
0.0 0.0 0.0 100.0 0.0 0.0 100.0 100.0 0.0 0.0 0.0 0.0
1000 0
1 2
40.0 40.0 0.0 41.0 41.0 0.0
1004 1
40.5 40.5 0.0
1 1
60.0 60.0 0.0
1008 0
STATION_SITUATION
WEATHER_REGION: 0
FILLAREA: 0
NOTES_SYMBOL: 0
"""


def test_contours_of_fewer_than_three_points_keep_their_levels_through_a_geopackage(tmp_path):
    source, gpkg, target = tmp_path / "short.txt", tmp_path / "short.gpkg", tmp_path / "back.txt"
    source.write_text(SHORT_CONTOURS)
    run("ogr2ogr", "-f", "GPKG", gpkg, source)
    assert writer_messages(run("ogr2ogr", "-f", "Chart14", target, gpkg).stderr, target) == []
    assert library.read(target)["header"]["LEVELS"] == library.read(source)["header"]["LEVELS"] == [1000, 1004, 1008]
    contours = json.loads(run(CHART14, "json", target).stdout)["closed_contours"]["contours"]
    assert sorted((c["label_value"], len(c["points"]), len(c["label_points"])) for c in contours) == [
        (1000, 4, 0), (1004, 2, 1), (1008, 0, 0)]


def test_header_fields_and_line_ends_come_from_the_creation_options(tmp_path, generated):
    gpkg, target = tmp_path / "c.gpkg", tmp_path / "c.txt"
    run("ogr2ogr", "-f", "GPKG", gpkg, generated["default"])
    run("ogr2ogr", "-f", "Chart14", "-dsco", "FIRST_TOKEN=model", "-dsco", "DESCRIPTION=Analysis_12Z",
        "-dsco", "HEADER_INTEGERS=24,1,4", "-dsco", "LINE_ENDS=CRLF", target, gpkg)
    back = library.blocks(target)
    assert (back["firstToken"], back["description"], back["headerIntegers"]) == (b"model", b"Analysis_12Z", [24, 1, 4])
    assert target.read_bytes().count(b"\n") == target.read_bytes().count(b"\r\n")
    assert {k: v for k, v in back.items() if k not in ("firstToken", "description", "headerIntegers")} == \
        {k: v for k, v in library.blocks(generated["default"]).items() if k not in ("firstToken", "description",
                                                                                     "headerIntegers")}


# Header texts whose bytes the shown text alone would not give back: a
# GeoPackage keeps metadata as XML, which drops control bytes, and bytes the
# encoding does not decode are shown escaped.
HEADERS = [
    # id, first token, description, open/creation ENCODING, FIRST_TOKEN_HEX and HEADER_DESCRIPTION_HEX expected
    ("plain", b"model", b"Analysis_12Z", None, (False, False)),
    ("control bytes", b"tok\x02en", b"De\x7fsc\x1bri\x01ption", None, (True, True)),
    ("not UTF-8", b"model", b"Analyse_\xe9t\xe9", None, (False, True)),
    ("in its code page", b"mod\xe8le", b"Analyse_\xe9t\xe9\x1f", "ISO-8859-1", (False, True)),
]


@pytest.mark.parametrize("first,description,encoding,hex_items", [h[1:] for h in HEADERS], ids=[h[0] for h in HEADERS])
def test_header_bytes_come_back_through_a_geopackage(tmp_path, first, description, encoding, hex_items):
    source, gpkg, target = tmp_path / "c.txt", tmp_path / "c.gpkg", tmp_path / "back.txt"
    source.write_bytes(first + b" 14 " + description + b"\n2024 1\nLINES: 0\n")
    opened = ["-oo", f"ENCODING={encoding}"] if encoding else []
    run("ogr2ogr", *opened, "-f", "GPKG", gpkg, source)
    run("ogr2ogr", *(["-dsco", f"ENCODING={encoding}"] if encoding else []), "-f", "Chart14", target, gpkg)
    assert library.blocks(target) == library.blocks(source)
    metadata = gdal.OpenEx(str(source), open_options=[f"ENCODING={encoding}"] if encoding else []).GetMetadata()
    assert ("FIRST_TOKEN_HEX" in metadata, "HEADER_DESCRIPTION_HEX" in metadata) == hex_items


def pressure_grid(path, n=96):
    """A synthetic surface-pressure field in hPa: a low and a high on 1013 rising to the east, so that
    some isobars close inside the grid and others leave it."""
    y, x = numpy.mgrid[0:n, 0:n].astype(float)
    bump = lambda cx, cy, amplitude, width: amplitude * numpy.exp(-((x - cx) ** 2 + (y - cy) ** 2) / (2 * width ** 2))
    grid = gdal.GetDriverByName("GTiff").Create(str(path), n, n, 1, gdal.GDT_Float32)
    grid.SetGeoTransform([0, 10, 0, 10 * n, 0, -10])
    grid.GetRasterBand(1).WriteArray(1013 + 0.15 * (x - n / 2) + bump(30, 34, -26, 11) + bump(68, 62, 21, 13))
    grid = None


def test_gdal_contour_isolines_become_nested_levelled_contours(tmp_path):
    grid, contours, chart = tmp_path / "grid.tif", tmp_path / "contours.gpkg", tmp_path / "chart.txt"
    pressure_grid(grid)
    run("gdal_contour", "-q", "-a", "ELEV", "-i", "4", grid, contours)
    stderr = run("ogr2ogr", "-f", "Chart14", chart, contours, "-nln", "closed_contours", "-lco", "VALUE_FIELD=ELEV").stderr
    assert writer_messages(stderr, chart) == []
    assert run(CHART14, "check", chart).returncode == 0
    # What gdal_contour drew, each isoline a feature: the rings, and the lines the grid's edge cuts.
    source = ogr.Open(str(contours))
    lines = [(f.GetField("ELEV"), f.GetGeometryRef().Clone()) for f in source.GetLayer(0)]
    rings = [(v, g) for v, g in lines if g.GetPoint_2D(0) == g.GetPoint_2D(g.GetPointCount() - 1)]
    assert len(rings) >= 8 and len(rings) < len(lines)
    section = json.loads(run(CHART14, "json", chart).stdout)["closed_contours"]
    read = section["contours"]
    assert len(read) == len(lines) and section["level_order"] != "unknown"
    # The lines the edge cuts stay open contours, which take no level.
    assert all(c["level_index"] is None for c in read if not c["closed"])
    closed = [c for c in read if c["closed"]]
    assert sorted(c["label_value"] for c in closed) == sorted(v for v, _ in rings)
    for c in closed:
        # One-based in the sorted levels, one less where the contour runs against the section.
        assert c["valued_closed"] and c["level_index"] - section["levels"].index(c["label_value"]) in (0, 1), c["label_value"]
    # A contour stands before every contour it encloses.
    polygons = [ogr.ForceToPolygon(ogr.CreateGeometryFromWkt(
        "LINESTRING (" + ",".join(f"{x} {y}" for x, y in c["points"]) + ")")) for c in closed]
    nested = [(i, j) for i, outer in enumerate(polygons) for j, inner in enumerate(polygons)
              if i != j and outer.Contains(inner)]
    assert nested and all(i < j for i, j in nested)


# ---- mapping options and refusals ------------------------------------------------------------------

def source_layer(path, geometry, fields, rows, name="source"):
    """A GeoPackage layer of (wkt, {field: value}) rows; `fields` maps names to OGR field types."""
    ds = ogr.GetDriverByName("GPKG").CreateDataSource(str(path))
    layer = ds.CreateLayer(name, geom_type=geometry)
    for field, kind in fields.items():
        layer.CreateField(ogr.FieldDefn(field, kind))
    for wkt, values in rows:
        feature = ogr.Feature(layer.GetLayerDefn())
        feature.SetGeometry(ogr.CreateGeometryFromWkt(wkt) if wkt else None)
        for field, value in values.items():
            feature.SetField(field, value)
        layer.CreateFeature(feature)
    ds = None


SQUARE = "POLYGON ((0 0,10 0,10 10,0 10,0 0))"
RING = "LINESTRING (0 0,10 0,10 10,0 0)"
# (name, geometry, fields, rows, layer options, what the chart holds: (section, json key, value of each element)).
MAPPINGS = [
    ("section_by_option", ogr.wkbPoint, {"kind": ogr.OFTInteger, "label": ogr.OFTString},
     [("POINT (1 2)", {"kind": 60, "label": "H"})], ["SECTION=symbols", "CODE_FIELD=kind", "TEXT_FIELD=label"],
     ("symbols", lambda s: [(e["type"], e["text"]) for e in s], [(60, "H")])),
    ("default_code", ogr.wkbPolygon, {}, [(SQUARE, {})], ["CODE=3"],
     ("weather_regions", lambda s: [e["code"] for e in s], [3])),
    ("values_make_fill_areas", ogr.wkbPolygon, {"code": ogr.OFTInteger, "value_1": ogr.OFTInteger,
                                                "value_14": ogr.OFTReal},
     [(SQUARE, {"code": 2, "value_1": 7, "value_14": 0.25})], [],
     ("fill_areas", lambda s: [(e["code"], e["values"][0], e["values"][13]) for e in s], [(2, 7, 0.25)])),
    ("texts_make_notes", ogr.wkbPoint, {"type": ogr.OFTInteger, "first_text": ogr.OFTString,
                                        "second_text": ogr.OFTString},
     [("POINT (5 5)", {"type": 48, "first_text": "Fog", "second_text": "patches"})], [],
     ("notes", lambda s: [(e["type"], e["first_text"], e["second_text"]) for e in s], [(48, "Fog", "patches")])),
    ("value_field_labels_lines", ogr.wkbLineString, {"ELEV": ogr.OFTReal}, [("LINESTRING (0 0,5 5)", {"ELEV": 5.5})],
     ["VALUE_FIELD=ELEV"], ("lines", lambda s: [(e["label_kind"], e["label_value"]) for e in s], [("value", 5.5)])),
    # A polygon is closed by definition: as a contour, its outline closes.
    ("polygons_make_closed_contours", ogr.wkbPolygon, {"ELEV": ogr.OFTReal}, [(SQUARE, {"ELEV": 1012})],
     ["SECTION=closed_contours", "VALUE_FIELD=ELEV"],
     ("closed_contours", lambda s: [(e["closed"], len(e["points"])) for e in s["contours"]], [(True, 5)])),
    # A layer of any geometry (GeoJSON mixing polygons and multi-polygons) takes its first feature's.
    ("mixed_polygons", ogr.wkbUnknown, {"code": ogr.OFTInteger},
     [(SQUARE, {"code": 1}), ("MULTIPOLYGON (((20 0,30 0,30 10,20 0)))", {"code": 2})], [],
     ("weather_regions", lambda s: [e["code"] for e in s], [1, 2])),
]


def chart_json(path):
    return json.loads(run(CHART14, "json", path).stdout)


@pytest.mark.parametrize("name,geometry,fields,rows,options,expected", MAPPINGS, ids=[m[0] for m in MAPPINGS])
def test_layer_options_map_other_sources(tmp_path, name, geometry, fields, rows, options, expected):
    gpkg, chart = tmp_path / "in.gpkg", tmp_path / "out.txt"
    source_layer(gpkg, geometry, fields, rows)
    lco = [a for o in options for a in ("-lco", o)]
    stderr = run("ogr2ogr", "-f", "Chart14", chart, gpkg, *lco).stderr
    assert writer_messages(stderr, chart) == []
    key, view, want = expected
    assert view(chart_json(chart)[key]) == want


# (name, layer name, fields, the rejected row, layer options, what the warning says). Each source
# layer, of any geometry type, has a good feature (FID 1) and then the rejected one (FID 2).
REFUSALS = [
    ("multi_part", "weather_regions", {"code": ogr.OFTInteger},
     ("MULTIPOLYGON (((0 0,1 0,1 1,0 0)),((5 5,6 5,6 6,5 5)))", {"code": 1}), [], "of 2 parts"),
    ("three_d", "symbols", {"type": ogr.OFTInteger, "direction": ogr.OFTReal},
     ("POINT Z (1 2 3)", {"type": 7, "direction": 90}), [], "z values"),
    ("missing_code", "weather_regions", {"code": ogr.OFTInteger}, (SQUARE, {}), [], "code is null"),
    ("no_label_gives_it", "closed_contours", {"ELEV": ogr.OFTReal}, (RING, {"ELEV": 999999}),
     ["VALUE_FIELD=ELEV"], "which no label gives back"),
    ("text_with_line_break", "notes", {"type": ogr.OFTInteger, "first_text": ogr.OFTString},
     ("POINT (1 1)", {"type": 48, "first_text": "two\nlines"}), [], "line break"),
    ("holes", "weather_regions", {"code": ogr.OFTInteger},
     ("POLYGON ((0 0,9 0,9 9,0 0),(1 1,2 1,2 2,1 1))", {"code": 1}), [], "has a hole"),
    ("beyond_float", "symbols", {"type": ogr.OFTInteger, "direction": ogr.OFTReal},
     ("POINT (1e39 2)", {"type": 7, "direction": 90}), [], "beyond the 32-bit float range"),
    ("code_not_whole", "weather_regions", {"code": ogr.OFTReal}, (SQUARE, {"code": 2.5}), [], "not a whole number"),
    ("value_reads_as_code", "closed_contours", {"ELEV": ogr.OFTReal}, (RING, {"ELEV": 3200050}),
     ["VALUE_FIELD=ELEV"], "reads back as a code"),
    ("text_type_without_text", "symbols", {"type": ogr.OFTInteger, "direction": ogr.OFTReal},
     ("POINT (1 2)", {"type": 60}), [], "carries a text, and it has none"),
]
GOOD = {"weather_regions": (SQUARE, {"code": 1}), "symbols": ("POINT (1 2)", {"type": 7, "direction": 90}),
        "closed_contours": (RING, {"ELEV": 1000}), "notes": ("POINT (1 1)", {"type": 48, "first_text": "Fog"})}


def leftovers(folder):
    return sorted(name for name in os.listdir(folder) if name.startswith("out.txt"))


@pytest.mark.parametrize("name,layer,fields,row,options,why", REFUSALS, ids=[r[0] for r in REFUSALS])
def test_what_the_format_cannot_carry_fails_its_feature(tmp_path, name, layer, fields, row, options, why):
    gpkg, chart = tmp_path / "in.gpkg", tmp_path / "out.txt"
    source_layer(gpkg, ogr.wkbUnknown, fields, [GOOD[layer], row], name=layer)
    lco = [a for o in options for a in ("-lco", o)]
    # ogr2ogr stops at the feature: one error names it, and nothing is left.
    stopped = run("ogr2ogr", "-f", "Chart14", chart, gpkg, *lco, ok=False)
    named = [m for m in writer_messages(stopped.stderr, chart) if "feature 2: " in m]
    assert len(named) == 1 and named[0].startswith("ERROR") and f"layer {layer}, " in named[0], stopped.stderr
    assert why in named[0] and leftovers(tmp_path) == []
    # -skipfailures goes on: the chart holds the good feature, and the close counts the other.
    skipped = run("ogr2ogr", "-skipfailures", "-f", "Chart14", chart, gpkg, *lco)
    messages = writer_messages(skipped.stderr, chart)
    assert len(messages) == 2 and why in messages[0] and "1 of 2 features not written" in messages[1], skipped.stderr
    assert library.blocks(chart)["status"] == library.READ and leftovers(tmp_path) == ["out.txt"]
    strict = run("ogr2ogr", "-skipfailures", "-f", "Chart14", "-dsco", "STRICT=YES", tmp_path / "strict.txt", gpkg,
                 *lco)
    assert "feature 2: " in strict.stderr and "STRICT=YES" in strict.stderr
    assert not (tmp_path / "strict.txt").exists()


# Runs from ordinary GIS data that fail: (name, the source's layers as (name, geometry, fields, rows), ogr2ogr's
# options, its exit status, whether a chart is left, what the writer says). No temporary is ever left.
POINT_AND_SQUARE = [("POINT (1 1)", {"type": 7, "direction": 90}), (SQUARE, {"type": 7, "direction": 90})]
# A line and 49 label points for it, one more than its record holds: the 49th is refused as it arrives.
LINE_OF_ONE_CODE = ("lines", ogr.wkbLineString, {"code": ogr.OFTInteger}, [("LINESTRING (0 0,9 9)", {"code": 1})])
LABEL_POINTS_49 = ("label_points", ogr.wkbPoint,
                   {"parent_layer": ogr.OFTString, "parent_fid": ogr.OFTInteger, "index": ogr.OFTInteger},
                   [(f"POINT ({i} 1)", {"parent_layer": "lines", "parent_fid": 0, "index": i}) for i in range(49)])
FAILED_RUNS = [
    ("no_code_field", [("areas", ogr.wkbPolygon, {"name": ogr.OFTString}, [(SQUARE, {})] * 12)], [], 1, False,
     "layer areas, feature 1: the layer has no field code"),
    ("no_code_field_skipped", [("areas", ogr.wkbPolygon, {"name": ogr.OFTString}, [(SQUARE, {})] * 12)],
     ["-skipfailures"], 0, True, "12 of 12 features not written: the chart has no feature"),
    ("holes", [("weather_regions", ogr.wkbPolygon, {"code": ogr.OFTInteger},
                [(SQUARE, {"code": 1}), ("POLYGON ((0 0,9 0,9 9,0 0),(1 1,2 1,2 2,1 1))", {"code": 1})])],
     [], 1, False, "feature 2: its polygon has a hole"),
    ("points_among_polygons", [("mixed", ogr.wkbUnknown, {"type": ogr.OFTInteger, "direction": ogr.OFTReal}, POINT_AND_SQUARE)], [], 1, False,
     "feature 2: it is a Polygon; the layer takes a Point"),
    ("a_second_layer_fails", [("symbols", ogr.wkbPoint, {"type": ogr.OFTInteger, "direction": ogr.OFTReal},
                               [("POINT (1 1)", {"type": 7, "direction": 90})]),
                              ("weather_regions", ogr.wkbPolygon, {}, [(SQUARE, {})])], [], 1, False,
     "layer weather_regions, feature 1"),
    ("label_points_beyond_a_line", [LINE_OF_ONE_CODE, LABEL_POINTS_49], [], 1, False,
     "layer label_points, feature 49: its parent, lines FID 0, has 48 label points already"),
    ("label_points_beyond_a_line_skipped", [LINE_OF_ONE_CODE, LABEL_POINTS_49], ["-skipfailures"], 0, True,
     "layer label_points, feature 49: "),
    # Only the whole chart shows that a label point's parent never came: the run fails there, as at a feature.
    ("label_point_without_parent", [LINE_OF_ONE_CODE, ("label_points", ogr.wkbPoint, LABEL_POINTS_49[2],
                                                       [("POINT (1 1)", {"parent_layer": "lines", "parent_fid": 9999,
                                                                         "index": 0})])], [], 1, False,
     "layer label_points, feature 1: "),
    ("no_section", [("collections", ogr.wkbGeometryCollection, {}, [])], [], 1, False, "names no section"),
    ("strict_no_section", [("collections", ogr.wkbGeometryCollection, {}, [])], ["-dsco", "STRICT=YES"], 1, False,
     "names no section"),
]


@pytest.mark.parametrize("name,layers,options,status,kept,says", FAILED_RUNS, ids=[r[0] for r in FAILED_RUNS])
def test_a_failed_run_leaves_no_chart(tmp_path, name, layers, options, status, kept, says):
    gpkg, chart = tmp_path / "in.gpkg", tmp_path / "out.txt"
    source = ogr.GetDriverByName("GPKG").CreateDataSource(str(gpkg))
    for layer_name, geometry, fields, rows in layers:
        layer = source.CreateLayer(layer_name, geom_type=geometry)
        for field, kind in fields.items():
            layer.CreateField(ogr.FieldDefn(field, kind))
        for wkt, values in rows:
            feature = ogr.Feature(layer.GetLayerDefn())
            feature.SetGeometry(ogr.CreateGeometryFromWkt(wkt))
            for field, value in values.items():
                feature.SetField(field, value)
            layer.CreateFeature(feature)
    source = None
    result = subprocess.run(["ogr2ogr", *options, "-f", "Chart14", str(chart), str(gpkg)], capture_output=True,
                            text=True)
    print(f"{name}: exit {result.returncode}, {'a chart' if chart.exists() else 'no file'}")
    assert result.returncode == status and chart.exists() == kept, result.stderr
    assert any(says in m for m in writer_messages(result.stderr, chart)), result.stderr
    assert leftovers(tmp_path) == (["out.txt"] if kept else [])


# ---- sections a chart lacks ---------------------------------------------------------------------

EVERY_SECTION = next(c for c in PROJECT_CHARTS if c.name == "every_section.txt")
LINES, CONTOURS, REGIONS, FILL_AREAS = 1, 8, 16, 32
# A layer marked SECTION_PRESENT=NO in the GeoPackage: the section the file lacks, or, where the layer
# holds features, present with a warning. Regions left out take the fill areas with them.
MARKED = [
    ("empty_contours", ["closed_contours"], CONTOURS, None),
    ("regions_and_areas", ["weather_regions", "fill_areas"], REGIONS | FILL_AREAS, None),
    ("lines_with_features", ["lines"], 0, "LINES: it holds 2 elements"),
    ("regions_with_areas", ["weather_regions"], 0, "WEATHER_REGION: it holds 2 elements"),
]


@pytest.mark.parametrize("name,layers,gone,warning", MARKED, ids=[m[0] for m in MARKED])
def test_a_layer_marked_not_present_leaves_its_section_out(tmp_path, name, layers, gone, warning):
    gpkg, chart = tmp_path / "in.gpkg", tmp_path / "out.txt"
    run("ogr2ogr", "-f", "GPKG", gpkg, EVERY_SECTION)
    source = gdal.OpenEx(str(gpkg), gdal.OF_VECTOR | gdal.OF_UPDATE)
    for layer in layers:
        source.GetLayerByName(layer).SetMetadataItem("SECTION_PRESENT", "NO")
    source = None
    if gone & REGIONS:  # a file lacking its regions has no fill areas either
        for layer in ("weather_regions", "fill_areas"):
            run("ogrinfo", "-q", gpkg, "-sql", f"DELETE FROM {layer}")
    messages = writer_messages(run("ogr2ogr", "-f", "Chart14", chart, gpkg).stderr, chart)
    if warning:
        assert len(messages) == 1 and "SECTION_PRESENT=NO" in messages[0] and warning in messages[0], messages
    else:
        assert messages == []
    before, after = library.blocks(EVERY_SECTION), library.blocks(chart)
    assert after["sectionsPresent"] == before["sectionsPresent"] & ~gone
    assert {k for k in before if before[k] != after[k]} == (
        set() if not gone else {"sectionsPresent", "closedContours"} if gone == CONTOURS
        else {"sectionsPresent", "weatherRegions", "fillAreas"})
