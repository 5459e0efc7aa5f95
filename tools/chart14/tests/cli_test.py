#!/usr/bin/env python3
"""chart14 run as users run it: json, geojson, check, info and --encoding on
small charts written here, checked by parsing the output back.

Usage: cli_test.py PATH_TO_CHART14
"""
import json
import math
import re
import os
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import unittest

CHART14 = None
MAKE_CHART = None

HEADER = b"readdata14 14 small_chart\n1 2 3 4 5\n"

# A chart with one element or two in every section. Its contours nest: the
# outer one 10, the inner one 20, so the levels rise inwards.
SMALL_SECTIONS = (
    b"LINES: 1\n"
    b"2 3\n0.1 0.2 0 1.5 2.5 0 3.25 4.75 0\n1010 1\n1.0 1.0 0\n"
    b"LINES_SYMBOL: 1\n38 0 2\n10.5 11.5 0 12.5 13.5 0\nNoText 0\n"
    b"SYMBOLS: 2\n48 20.0 21.0 0.0 Low\n7 22.0 23.0 0.0 1.5707963\n"
    b"CLOSED_CONTOURS: 2\n"
    b"2 5\n3 2 0 7 2 0 7 5 0 3 5 0 3 2 0\n20 0\n"
    b"1 5\n0 0 0 10 0 0 10 8 0 0 8 0 0 0 0\n10 1\n5 1 0\n"
    b"STATION_SITUATION\nWEATHER_REGION: 1\n3 4\n60 60 0 70 60 0 70 70 0 60 60 0\n"
    b"FILLAREA: 1\n5 3\n1 1 0 2 1 0 2 2 0\n1 2 3 4 5 6 7 8 9 10 11 12 13 2.5 15 16\n"
    b"NOTES_SYMBOL: 1\n48 30.0 31.0 0.0 5\nHello\n7.5 11\nHello world\n1 2 3 4 5 6\n"
)
SMALL = HEADER + SMALL_SECTIONS

EMPTY_SECTIONS = (
    b"LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\n"
    b"STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n"
)


def sections_from(tag):
    """The empty sections from `tag` on."""
    return EMPTY_SECTIONS[EMPTY_SECTIONS.index(tag):]


def f32(value):
    """The 32-bit float nearest to value, as a Python float."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def f32_bits(value):
    return struct.pack("<f", value)


class ChartFiles:
    """Writes chart files into a temporary directory that lives with the test."""

    def __init__(self):
        self.dir = tempfile.TemporaryDirectory(prefix="chart14_test_")

    def write(self, name, data):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as out:
            out.write(data)
        return path


def run(*args, stdin=None, stdout=subprocess.PIPE):
    """chart14 with `args`; stdin: bytes to feed it; stdout: where its output goes."""
    return subprocess.run([CHART14, *args], input=stdin, stdout=stdout, stderr=subprocess.PIPE)


class Chart14Test(unittest.TestCase):
    def setUp(self):
        self.files = ChartFiles()
        self.addCleanup(self.files.dir.cleanup)

    def run_ok(self, *args, status=0):
        result = run(*args)
        self.assertEqual(result.returncode, status, result.stderr.decode(errors="replace"))
        return result

    def assertPoints(self, actual, expected):
        self.assertEqual(len(actual), len(expected))
        for got, want in zip(actual, expected):
            self.assertEqual([f32_bits(v) for v in got], [f32_bits(v) for v in want], (got, want))


def contour_ring(cx, cy, r, value, points=12):
    """A closed contour record: a ring of points - 1 corners, the first repeated."""
    ring = [(cx + r * math.cos(2 * math.pi * k / (points - 1)), cy + r * math.sin(2 * math.pi * k / (points - 1)))
            for k in range(points - 1)]
    ring.append(ring[0])
    return (f"1 {len(ring)}\n" + " ".join(f"{x:.2f} {y:.2f} 0" for x, y in ring) + f"\n{value} 0\n").encode()


def contours_chart(rings):
    return (HEADER + b"LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: %d\n" % len(rings) +
            b"".join(contour_ring(*ring) for ring in rings) + sections_from(b"STATION_SITUATION"))


def library_schema():
    """The layers as the library defines them (`chart14 layers`): geometry
    type and fields with their JSON types (Real fields always come back as
    Python floats, Integer ones as ints)."""
    types = {"Integer": int, "Boolean": bool, "Real": float, "String": str}
    schema = {}
    for line in run("layers").stdout.decode().splitlines():
        if not line.startswith(" "):
            name, geometry = line.split(":")[0].rstrip(")").split(" (")
            schema[name] = (geometry, {})
        else:
            field, kind = line.split(":")[0].split()[:2]
            schema[name][1][field] = types[kind]
    return schema


class GeojsonTest(Chart14Test):
    def collection(self, chart=SMALL, *options):
        path = self.files.write("small.txt", chart)
        collection = json.loads(self.run_ok("geojson", *options, path).stdout)
        self.assertEqual(collection["type"], "FeatureCollection")
        for feature in collection["features"]:
            self.assertEqual(feature["type"], "Feature")
            self.assertIn("geometry", feature)
        return collection

    def features(self, section, chart=SMALL):
        """The features of one section, from --section and from the whole collection alike."""
        alone = self.collection(chart, "--section", section)["features"]
        together = [f for f in self.collection(chart)["features"] if f["properties"]["section"] == section]
        self.assertEqual([f["id"] for f in alone], list(range(len(alone))))
        for one, other in zip(alone, together):
            props = dict(other["properties"])
            self.assertEqual((props.pop("section"), props.pop("section_fid")), (section, one["id"]))
            self.assertEqual((one["geometry"], one["properties"]), (other["geometry"], props))
        self.assertEqual(len(alone), len(together))
        return alone

    def test_every_layer_has_its_schema(self):
        SCHEMA = library_schema()
        collection = self.collection()
        self.assertEqual({f["properties"]["section"] for f in collection["features"]}, set(SCHEMA))
        for section, (geometry, fields) in SCHEMA.items():
            with self.subTest(section):
                one = self.collection(SMALL, "--section", section)
                self.assertEqual(one["name"], section)
                self.assertEqual(one["metadata"]["SECTION_PRESENT"], "YES")
                self.assertTrue(one["features"])
                for feature in one["features"]:
                    self.assertEqual(feature["geometry"]["type"], geometry)
                    self.assertEqual(list(feature["properties"]), list(fields))
                    for name, value in feature["properties"].items():
                        if value is not None:
                            self.assertIs(type(value), fields[name], (name, value))

    def test_lines_and_line_symbols_are_line_strings(self):
        (line,) = self.features("lines")
        self.assertEqual(line["geometry"]["type"], "LineString")
        self.assertPoints(line["geometry"]["coordinates"], [[0.1, 0.2], [1.5, 2.5], [3.25, 4.75]])
        self.assertEqual(line["properties"], {"code": 2, "label_kind": "value", "label_value": 1010.0,
                                              "label_code": None, "label_point_count": 1})
        (symbol,) = self.features("line_symbols")
        self.assertEqual(symbol["geometry"], {"type": "LineString", "coordinates": [[10.5, 11.5], [12.5, 13.5]]})
        self.assertEqual(symbol["properties"]["code"], 38)

    def test_labels_are_kind_value_and_code(self):
        chart = HEADER + (b"LINES: 3\n1 2\n0 0 0 1 1 0\nNoLabel 0\n1 2\n0 0 0 1 1 0\n5.5 1\n0 0 0\n"
                          b"1 2\n0 0 0 1 1 0\n1012 1\n1 1 0\n") + sections_from(b"LINES_SYMBOL:")
        lines = [f["properties"] for f in self.features("lines", chart)]
        self.assertEqual([(p["label_kind"], p["label_value"], p["label_code"]) for p in lines],
                         [("none", None, None), ("code", None, 5.5), ("value", 1012.0, None)])
        points = [(f["geometry"]["coordinates"], f["properties"]) for f in self.features("label_points", chart)]
        self.assertEqual(points, [
            ([0, 0], {"parent_layer": "lines", "parent_fid": 1, "index": 0, "label_kind": "code",
                      "label_value": None, "label_code": 5.5}),
            ([1, 1], {"parent_layer": "lines", "parent_fid": 2, "index": 0, "label_kind": "value",
                      "label_value": 1012.0, "label_code": None})])

    def test_closed_contours_are_lines_in_nesting_order(self):
        outer, inner = self.features("closed_contours")
        self.assertEqual(outer["geometry"], {"type": "LineString",
                                             "coordinates": [[0, 0], [10, 0], [10, 8], [0, 8], [0, 0]]})
        self.assertEqual(inner["geometry"]["coordinates"], [[3, 2], [7, 2], [7, 5], [3, 5], [3, 2]])
        expected = [(outer, 10, 1, 1, 0), (inner, 20, 2, 2, 1)]
        for feature, value, level_index, code, position in expected:
            props = feature["properties"]
            self.assertEqual((props["label_value"], props["level_index"], props["nesting_position"]),
                             (value, level_index, position))
            self.assertEqual(props["code"], code)
            self.assertTrue(props["valued_closed"] and props["closed"])
            self.assertNotIn("level", props)
        collection = self.collection()
        self.assertEqual((collection["metadata"]["LEVELS"], collection["metadata"]["LEVEL_ORDER"]), ("10,20", "rising"))

    def test_level_index_is_written_as_is_in_both_directions(self):
        # A high and a low, two rings each. The centre with the largest rings
        # sets the section's direction; the other centre's rings run against
        # it, and their level index is one less than their value's position
        # in the level list (0 for the innermost). The value is the level.
        falling = [(140, 210, 35, 996), (500, 200, 30, 1024), (140, 210, 70, 1000), (500, 200, 60, 1020)]
        rising = [(140, 210, 35, 1024), (500, 200, 30, 996), (140, 210, 70, 1020), (500, 200, 60, 1000)]
        cases = [(falling, "1024,1020,1000,996", "falling", {1000: 3, 996: 4, 1020: 1, 1024: 0}),
                 (rising, "996,1000,1020,1024", "rising", {1020: 3, 1024: 4, 1000: 1, 996: 0})]
        for rings, levels, order, expected in cases:
            with self.subTest(order):
                chart = contours_chart(rings)
                self.assertEqual(self.collection(chart)["metadata"]["LEVELS"], levels)
                self.assertEqual(self.collection(chart)["metadata"]["LEVEL_ORDER"], order)
                contours = [f["properties"] for f in self.features("closed_contours", chart)]
                self.assertEqual({int(p["label_value"]): p["level_index"] for p in contours}, expected)
                for props in contours:
                    self.assertNotIn("level", props)

    def test_regions_and_fill_areas_are_closed_polygons(self):
        (region,) = self.features("weather_regions")
        self.assertEqual(region["geometry"]["coordinates"], [[[60, 60], [70, 60], [70, 70], [60, 60]]])
        self.assertEqual(region["properties"]["code"], 3)
        (area,) = self.features("fill_areas")
        # Stored open; the ring is closed by repeating the first point.
        self.assertEqual(area["geometry"]["coordinates"], [[[1, 1], [2, 1], [2, 2], [1, 1]]])
        values = [area["properties"][f"value_{i}"] for i in range(1, 17)]
        self.assertEqual(values, list(range(1, 14)) + [2.5, 15, 16])

    def test_geometry_geojson_cannot_hold_is_null(self):
        chart = HEADER + (b"LINES: 2\n1 1\n5 5 0\nNoLabel 0\n1 0\nNoLabel 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\n"
                          b"CLOSED_CONTOURS: 0\nSTATION_SITUATION\nWEATHER_REGION: 2\n1 2\n0 0 0 1 1 0\n"
                          b"1 3\n0 0 0 1 1 0 0 0 0\n") + sections_from(b"FILLAREA:")
        self.assertEqual([f["geometry"] for f in self.features("lines", chart)], [None, None])
        self.assertEqual([f["geometry"] for f in self.features("weather_regions", chart)], [None, None])

    def test_symbols_and_notes_are_points(self):
        low, arrow = self.features("symbols")
        self.assertEqual(low["geometry"], {"type": "Point", "coordinates": [20, 21]})
        self.assertEqual(low["properties"], {"type": 48, "direction": None, "text": "Low"})
        self.assertEqual(arrow["properties"], {"type": 7, "direction": 180.0, "text": None})
        (note,) = self.features("notes")
        self.assertEqual(note["geometry"], {"type": "Point", "coordinates": [30, 31]})
        props = note["properties"]
        self.assertEqual((props["first_text"], props["second_text"], props["value"]), ("Hello", "Hello world", 7.5))
        self.assertEqual([props[f"value_{i}"] for i in range(1, 7)], [1, 2, 3, 4, 5, 6])

    def test_missing_sections_are_empty_layers(self):
        chart = HEADER + b"LINE: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nNOTES_SYMBOL: 0\n"
        path = self.files.write("gaps.txt", chart)
        result = run("geojson", path)
        self.assertEqual(result.returncode, 1)
        metadata = json.loads(result.stdout)["metadata"]
        self.assertEqual((metadata["lines.SECTION_PRESENT"], metadata["FILL_AREAS_READ"]), ("NO", "NO"))
        self.assertEqual(json.loads(run("geojson", "--section", "lines", path).stdout)["features"], [])

    def test_coordinate_system_is_only_what_the_user_declares(self):
        default = self.collection()["crs"]["properties"]["name"]
        self.assertNotIn("4326", default)
        self.assertIn("LOCAL_CS", default)
        declared = self.collection(SMALL, "--crs", "EPSG:3857")["crs"]
        self.assertEqual(declared, {"type": "name", "properties": {"name": "urn:ogc:def:crs:EPSG::3857"}})
        self.assertEqual(run("geojson", "--crs", "3857", self.files.write("x.txt", SMALL)).returncode, 2)

    def test_coordinate_systems_are_checked_against_proj(self):
        if "checked with PROJ" not in self.run_ok("geojson", "--help").stdout.decode():
            if os.environ.get("CI"):
                self.fail("chart14 was built without PROJ (libproj-dev), so --crs goes unchecked")
            self.skipTest("chart14 built without PROJ: --crs is written unchecked")
        path = self.files.write("small.txt", SMALL)
        cases = [("EPSG:4326", 0), ("EPSG:3857", 0), ("ESRI:102100", 0), ("urn:ogc:def:crs:EPSG::32633", 0),
                 ("EPSG:999999", 2), ("urn:ogc:def:crs:EPSG::999999", 2), ("NOSUCH:4326", 2),
                 ("EPSG:9122", 2)]  # a unit of angle, not a coordinate system
        for crs, status in cases:
            with self.subTest(crs):
                result = run("geojson", "--crs", crs, path)
                self.assertEqual(result.returncode, status, result.stderr)
                if status:
                    self.assertIn(f"{crs} is not a coordinate system".encode(), result.stderr)


@unittest.skipUnless(shutil.which("ogr2ogr"), "needs ogr2ogr (gdal-bin)")
class OgrTest(Chart14Test):
    """GIS tools take the GeoJSON as it is: ogr2ogr converts it without a word."""

    def ogr2ogr(self, driver, target, source):
        result = subprocess.run(["ogr2ogr", "-f", driver, target, source], capture_output=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stderr.decode()

    def srs(self, path):
        return subprocess.run(["ogrinfo", "-so", "-al", path], capture_output=True, check=True).stdout.decode()

    def test_sections_and_the_whole_chart_convert_without_warnings(self):
        charts = {"small": self.files.write("small.txt", SMALL),
                  "empty": self.files.write("empty.txt", HEADER + EMPTY_SECTIONS)}
        if MAKE_CHART:
            charts["generated"] = os.path.join(self.files.dir.name, "generated.txt")
            subprocess.run([MAKE_CHART, "--seed", "3", "-o", charts["generated"]], check=True)
        # Shapefile field names have ten characters at most: the schema's
        # longer names are shortened, with a warning each, and nothing else.
        SCHEMA = library_schema()
        short_names = {s for s, (_, fields) in SCHEMA.items() if all(len(f) <= 10 for f in fields)}
        for name, chart in charts.items():
            for section in SCHEMA:
                with self.subTest(chart=name, section=section):
                    source = os.path.join(self.files.dir.name, f"{name}_{section}.geojson")
                    run("geojson", "--section", section, chart, "-o", source)
                    gpkg = os.path.join(self.files.dir.name, f"{name}_{section}.gpkg")
                    self.assertEqual(self.ogr2ogr("GPKG", gpkg, source), "")
                    warnings = self.ogr2ogr("ESRI Shapefile", os.path.join(self.files.dir.name, f"{name}_{section}.shp"), source)
                    if section in short_names:
                        self.assertEqual(warnings, "")
                    else:
                        self.assertEqual([w for w in warnings.splitlines() if "laundered field name" not in w], [])
                    if name == "small":
                        info = self.srs(gpkg)
                        self.assertIn(f"Geometry: {SCHEMA[section][0].replace('LineString', 'Line String')}", info)
                        self.assertIn(f"Feature Count: {1 if section in ('lines', 'line_symbols', 'weather_regions', 'fill_areas', 'notes') else 2}", info)
            whole = os.path.join(self.files.dir.name, f"{name}.geojson")
            run("geojson", chart, "-o", whole)
            self.assertEqual(self.ogr2ogr("GPKG", os.path.join(self.files.dir.name, f"{name}.gpkg"), whole), "")

    def test_the_same_features_as_the_gdal_driver(self):
        # The driver reads the chart itself (GDAL_DRIVER_PATH, set by CTest);
        # its GeoJSON and chart14's must agree feature for feature.
        formats = subprocess.run(["ogrinfo", "--formats"], capture_output=True, text=True).stdout
        if "Chart14" not in formats:
            self.skipTest("the Chart14 GDAL driver is not built")
        # Values that are not finite make null geometries and null fields in both.
        not_finite = (HEADER + b"LINES: 1\n1 2\n0 0 0 nan 1 0\n-1e39 0\nLINES_SYMBOL: 0\nSYMBOLS: 1\n1 5 5 0 inf\n"
                      b"CLOSED_CONTOURS: 1\n4 4\n0 0 0 10 0 0 10 10 0 0 0 0\nnan 0\nSTATION_SITUATION\n"
                      b"WEATHER_REGION: 1\n1 4\n0 0 0 1 0 0 1 inf 0 0 0 0\nFILLAREA: 1\n7 3\n0 0 0 4 0 0 4 4 0\n"
                      b"1 2 3 4 5 6 7 8 9 10 11 12 13 nan 15 16\nNOTES_SYMBOL: 1\n48 1 2 0 5 Hello\n-0 3 a b\n"
                      b"1 2 nan 4 5 -inf\n")
        charts = [self.files.write("small.txt", SMALL), self.files.write("not_finite.txt", not_finite),
                  self.files.write("cut.txt", SMALL[:len(SMALL) * 2 // 3])]
        if MAKE_CHART:
            charts.append(os.path.join(self.files.dir.name, "generated.txt"))
            subprocess.run([MAKE_CHART, "--seed", "7", "--size-mb", "0.2", "-o", charts[-1]], check=True)

        def rounded(value):  # coordinates and Reals as the float32 they are
            if isinstance(value, dict):
                return {k: rounded(v) for k, v in value.items()}
            if isinstance(value, list):
                return [rounded(v) for v in value]
            return f32(value) if isinstance(value, float) else value

        for chart in charts:
            for section in library_schema():
                with self.subTest(chart=os.path.basename(chart), section=section):
                    ours = json.loads(run("geojson", "--section", section, chart).stdout)["features"]
                    target = os.path.join(self.files.dir.name, f"driver_{section}.geojson")
                    subprocess.run(["ogr2ogr", "-f", "GeoJSON", target, chart, section], check=True,
                                   capture_output=True)
                    with open(target) as written:
                        theirs = json.load(written)["features"]
                    self.assertEqual(len(ours), len(theirs))
                    for mine, driver in zip(ours, theirs):
                        self.assertEqual(rounded(mine["properties"]), rounded(driver["properties"]))
                        self.assertEqual(mine["geometry"] and mine["geometry"]["type"],
                                         driver["geometry"] and driver["geometry"]["type"])
                        if mine["geometry"]:
                            self.assertEqual(rounded(mine["geometry"]["coordinates"]),
                                             rounded(driver["geometry"]["coordinates"]))

    def test_no_coordinate_system_is_claimed_unless_declared(self):
        chart = self.files.write("small.txt", SMALL)
        for options, expected, absent in [([], "ENGCRS", "4326"), (["--crs", "EPSG:3857"], 'ID["EPSG",3857]', "ENGCRS")]:
            with self.subTest(options):
                source = os.path.join(self.files.dir.name, "crs.geojson")
                run("geojson", *options, "--section", "symbols", chart, "-o", source)
                gpkg = os.path.join(self.files.dir.name, "crs.gpkg")
                if os.path.exists(gpkg):
                    os.remove(gpkg)
                self.assertEqual(self.ogr2ogr("GPKG", gpkg, source), "")
                info = self.srs(gpkg)
                self.assertIn(expected, info)
                self.assertNotIn(absent, info)


class JsonTest(Chart14Test):
    TOKENS = ["0.1", "0.2", "1e-45", "3.4028235e38", "16777217", "-0.0", "1.17549435e-38",
              "0.333333343", "123456.789", "-987.654321", "2.5e-10", "7e22", "1.00000012", "99999.99"]

    def test_floats_read_back_bit_identical(self):
        points = " ".join(f"{x} {y} 0" for x, y in zip(self.TOKENS[0::2], self.TOKENS[1::2]))
        chart = HEADER + f"LINES: 1\n9 {len(self.TOKENS) // 2}\n{points}\n12.345 0\n".encode() + sections_from(b"LINES_SYMBOL:")
        # parse_int=float: "-0" is a float zero with its sign, not the integer 0.
        data = json.loads(self.run_ok("json", self.files.write("floats.txt", chart)).stdout, parse_int=float)
        (line,) = data["lines"]
        written = [v for point in line["points"] for v in point]
        self.assertEqual([f32_bits(v) for v in written], [f32_bits(float(t)) for t in self.TOKENS])
        self.assertEqual(f32_bits(line["label_value"]), f32_bits(12.345))

    def test_every_value_is_told_apart(self):
        # NaN, the infinities and -0 each keep their own spelling; 1e39 is read as inf.
        tokens = ["nan", "inf", "-inf", "-0", "1e39", "-1e39", "0", "2.5"]
        points = " ".join(f"{x} {y} 0" for x, y in zip(tokens[0::2], tokens[1::2]))
        chart = HEADER + f"LINES: 1\n9 {len(tokens) // 2}\n{points}\n12 0\n".encode() + sections_from(b"LINES_SYMBOL:")
        out = self.run_ok("json", self.files.write("values.txt", chart)).stdout
        self.assertIn(b'[["NaN","Infinity"],["-Infinity",-0.0],["Infinity","-Infinity"],[0,2.5]]', out)

    def test_texts_are_escaped_one_to_one(self):
        # The byte 0xFF and the four characters \xFF must not give one output.
        texts = [b"\xff", b"\\xFF", b"a\\b"]
        chart = HEADER + b"LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 3\n" + b"".join(
            b"48 1 1 0 " + t + b"\n" for t in texts) + sections_from(b"CLOSED_CONTOURS:")
        data = json.loads(self.run_ok("json", self.files.write("texts.txt", chart)).stdout)
        self.assertEqual([s["text"] for s in data["symbols"]], ["\\xFF", "\\\\xFF", "a\\\\b"])

    def test_header_fields(self):
        chart = b"first\x01 14 desc 7 -8\nLINES: 0\n" + sections_from(b"LINES_SYMBOL:")
        data = json.loads(self.run_ok("json", self.files.write("header.txt", chart)).stdout)
        self.assertEqual((data["first_token"], data["description"], data["header_integers"]), ("first\x01", "desc", [7, -8]))

    def test_every_section_is_present(self):
        data = json.loads(self.run_ok("json", self.files.write("small.txt", SMALL)).stdout)
        self.assertEqual(data["description"], "small_chart")
        counts = {key: len(data[key]) for key in ["lines", "line_symbols", "symbols", "weather_regions",
                                                  "fill_areas", "notes"]}
        self.assertEqual(counts, {"lines": 1, "line_symbols": 1, "symbols": 2, "weather_regions": 1,
                                  "fill_areas": 1, "notes": 1})
        contours = data["closed_contours"]
        self.assertEqual((contours["levels"], contours["level_order"]), ([10, 20], "rising"))
        self.assertEqual([(c["label_kind"], c["label_value"], c["level_index"]) for c in contours["contours"]],
                         [("value", 10, 1), ("value", 20, 2)])
        self.assertEqual((data["notes"][0]["first_text"], data["notes"][0]["second_text"]), ("Hello", "Hello world"))

    def test_labels_in_the_layers_words(self):
        # (label as written, label_kind, label_value, label_code): a code's float
        # gives the code back as near as the float allows (1.2 is stored 1.25 on).
        cases = [("NoLabel", "none", None, None), ("050", "code", None, 50), ("5.5", "code", None, 5.5),
                 ("1.2", "code", None, 1.25), ("12.5", "value", 12.5, None), ("100", "value", 100, None),
                 ("-5", "value", -5, None), ("nan", "value", "NaN", None)]
        lines = b"".join(b"9 1\n1 1 0\n" + label.encode() + b" 0\n" for label, *_ in cases)
        chart = HEADER + f"LINES: {len(cases)}\n".encode() + lines + sections_from(b"LINES_SYMBOL:")
        data = json.loads(self.run_ok("json", self.files.write("labels.txt", chart)).stdout)
        self.assertEqual([(l["label_kind"], l["label_value"], l["label_code"]) for l in data["lines"]],
                         [case[1:] for case in cases])

    def test_a_contour_without_a_level_has_a_null_level_index(self):
        # An open contour is not valued closed, so it takes no level.
        chart = HEADER + b"LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 1\n2 3\n0 0 0 9 0 0 9 9 0\n20 0\n" + \
            sections_from(b"STATION_SITUATION")
        (contour,) = json.loads(self.run_ok("json", self.files.write("open.txt", chart)).stdout)["closed_contours"]["contours"]
        self.assertEqual((contour["closed"], contour["valued_closed"], contour["level_index"]), (False, False, None))

    def test_missing_sections_are_null(self):
        chart = HEADER + b"LINE: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nNOTES_SYMBOL: 0\n"
        # The tags not where they are due are errors: written all the same, exit 1.
        data = json.loads(self.run_ok("json", self.files.write("gaps.txt", chart), status=1).stdout)
        self.assertIsNone(data["lines"])
        self.assertEqual(data["line_symbols"], [])
        self.assertIsNone(data["symbols"])
        self.assertIsNone(data["fill_areas"])  # no STATION_SITUATION marker


class EncodingTest(Chart14Test):
    def chart_with_symbol_text(self, text):
        return HEADER + b"LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 1\n48 1 2 0 " + text + b"\n" + sections_from(b"CLOSED_CONTOURS:")

    def test_legacy_code_pages_convert(self):
        cases = [("CP1252", b"M\xfcnchen", "München"), ("GBK", b"\xb5\xcd\xd1\xb9", "低压")]
        for encoding, raw, expected in cases:
            with self.subTest(encoding=encoding):
                path = self.files.write("legacy.txt", self.chart_with_symbol_text(raw))
                for command in ["json", "geojson"]:
                    result = self.run_ok(command, "--encoding", encoding, path)
                    self.assertIn(expected, result.stdout.decode("utf-8"))
                    self.assertEqual(result.stderr, b"")

    def test_undecodable_bytes_are_escaped_not_dropped(self):
        path = self.files.write("legacy.txt", self.chart_with_symbol_text(b"M\xfcnchen"))
        result = self.run_ok("json", path)
        (symbol,) = json.loads(result.stdout)["symbols"]
        self.assertEqual(symbol["text"], "M\\xFCnchen")
        self.assertIn(b"--encoding", result.stderr)

    def test_an_unknown_encoding_is_refused(self):
        path = self.files.write("small.txt", SMALL)
        self.assertEqual(run("json", "--encoding", "NO-SUCH-CODEPAGE", path).returncode, 2)


class CheckTest(Chart14Test):
    # (name, chart, exit status, exit status with --strict, first finding as
    # (line, column, "severity: kind")); the header is lines 1 and 2, so a
    # file's own sections start on line 3. Errors: the reader had to stop or
    # guess; warnings: legal but unusual.
    BROKEN = [
        ("tag that does not match", HEADER + EMPTY_SECTIONS.replace(b"SYMBOLS:", b"SYMBOL:"),
         1, 1, (5, 1, "error: tag-mismatch")),
        ("section stopped early", HEADER + b"LINES: 2\n2 1\n0 0 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:"),
         1, 1, (7, 1, "error: bad-token")),
        ("point that is not a number", HEADER + b"LINES: 1\n2 2\n0 0 0 x 1 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:"),
         1, 1, (5, 7, "error: bad-token")),
        ("missing STATION_SITUATION", HEADER + EMPTY_SECTIONS.replace(b"STATION_SITUATION\n", b""),
         1, 1, (7, 1, "error: no-station-situation")),
        ("text cut short", HEADER + EMPTY_SECTIONS.replace(b"NOTES_SYMBOL: 0\n", b"") +
         b"NOTES_SYMBOL: 1\n48 1 2 0 10\n  Hello\n7.5 5\nWorld\n1 2 3 4 5 6\n",
         0, 1, (12, 3, "warning: text-cut-short")),
        ("trailing content", HEADER + EMPTY_SECTIONS + b"\n  extra\n", 1, 1, (12, 3, "error: trailing-content")),
        # Truncated: the finding stands at the count the file does not back.
        ("truncated between records", HEADER + b"LINES: 2\n2 1\n0 0 0\nNoLabel 0\n", 1, 1, (3, 8, "error: input-ended")),
        ("truncated inside a record", HEADER + b"LINES: 1\n2 3\n0 0 0 1 1", 1, 1, (3, 8, "error: input-ended")),
        ("fewer symbols than declared", HEADER + b"LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 3\n7 1 1 0 0.5\n7 2 2 0 0.5\n" +
         sections_from(b"CLOSED_CONTOURS:"), 1, 1, (8, 1, "error: bad-token")),
        ("huge count", HEADER + b"LINES: 20000000\n2 1\n0 0 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:"),
         1, 1, (7, 1, "error: bad-token")),
        ("huge point count", HEADER + b"LINES: 1\n2 99999999\n0 0 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:"),
         1, 1, (6, 1, "error: bad-token")),
        ("NUL inside a token", HEADER + b"LINES: 1\n2 1\n0 0\x00 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:"),
         1, 1, (5, 4, "error: bad-token")),
        ("Ctrl-Z inside", HEADER + b"LINES: 0\nLINES_SYMBOL: 0\n\x1aSYMBOLS: 0\n", 1, 1, (5, 1, "error: tag-mismatch")),
        ("Ctrl-Z after the last section", HEADER + EMPTY_SECTIONS + b"\x1ajunk\n", 0, 1, (11, 1, "warning: control-byte")),
        ("negative count", HEADER + b"LINES: -3\n" + sections_from(b"LINES_SYMBOL:"), 0, 1, (3, 8, "warning: negative-count")),
        ("long label token", HEADER + b"LINES: 1\n2 1\n0 0 0\n" + b"0." + b"0" * 398 + b" 0\n" + sections_from(b"LINES_SYMBOL:"),
         0, 1, (6, 1, "warning: long-token")),
        ("long description", b"readdata14 14 " + b"d" * 400 + b"\n1 2 3 4 5\n" + EMPTY_SECTIONS,
         0, 1, (1, 15, "warning: long-token")),
        ("label that is a word", HEADER + b"LINES: 1\n2 1\n0 0 0\nabc 0\n" + sections_from(b"LINES_SYMBOL:"),
         0, 1, (6, 1, "warning: label-not-number")),
        ("integer beyond 32 bits", HEADER + b"LINES: 1\n99999999999 1\n0 0 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:"),
         0, 1, (4, 1, "warning: integer-range")),
        ("type 15", b"readdata14 15 x\n1 2 3 4 5\n" + EMPTY_SECTIONS, 2, 2, (1, 1, "error: not-type-14")),
        ("empty file", b"", 2, 2, (1, 1, "error: not-type-14")),
        ("CR LF line ends", (HEADER + EMPTY_SECTIONS).replace(b"\n", b"\r\n"), 0, 0, None),
    ]

    def test_findings_carry_line_and_column(self):
        for name, chart, status, strict_status, first in self.BROKEN:
            with self.subTest(name):
                path = self.files.write("broken.txt", chart)
                result = run("check", path)
                self.assertEqual(result.returncode, status, result.stdout)
                self.assertEqual(run("check", "--strict", path).returncode, strict_status)
                lines = result.stdout.decode().splitlines()
                if first is None:
                    self.assertEqual(lines, [f"{path}: well-formed"])
                    continue
                line, column, kind = first
                self.assertTrue(lines[0].startswith(f"{path}:{line}:{column}: {kind}: "), lines[0])
                # Every finding line has the same shape, whatever its kind.
                for finding in lines:
                    self.assertRegex(finding, r"^.+:\d+:\d+: (error|warning): [a-z0-9-]+: .")

    def test_files_that_cannot_be_opened_say_why(self):
        missing = os.path.join(self.files.dir.name, "missing.txt")
        cases = [(missing, "No such file or directory"), (self.files.dir.name, "Is a directory")]
        for path, reason in cases:
            with self.subTest(reason):
                for command in ["check", "info", "json", "geojson", "svg", "html"]:
                    result = run(command, path)
                    self.assertEqual(result.returncode, 2, command)
                    self.assertIn(f"{path}: ".encode(), result.stdout + result.stderr)
                    self.assertIn(reason.encode(), result.stdout + result.stderr, command)

    def test_a_stopped_section_names_its_token(self):
        chart = HEADER + b"LINES: 1\n2 2\n0 0 0 x 1 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:")
        result = run("check", self.files.write("broken.txt", chart))
        self.assertIn("'x'", result.stdout.decode().splitlines()[0])

    def test_what_check_prints_is_escaped(self):
        # A path and a token with terminal escapes, control bytes and bytes
        # that are not UTF-8: printed, none of them may reach the terminal raw.
        name = b"bad\x1b[31m\x07\xff\x7f.txt"
        chart = HEADER + EMPTY_SECTIONS.replace(b"SYMBOLS:", b"SYM\x1b]0;x\x07\xfe:")
        path = os.path.join(os.fsencode(self.files.dir.name), name)
        with open(path, "wb") as out:
            out.write(chart)
        for args in [["check", path], ["check", path + b".missing"], ["json", path + b".missing"]]:
            result = subprocess.run([CHART14, *args], capture_output=True)
            printed = result.stdout + result.stderr
            self.assertTrue(printed)
            printed.decode("utf-8")  # valid UTF-8 throughout
            self.assertFalse([b for b in printed if b < 0x20 and b != 0x0A or b == 0x7F], printed)
            self.assertIn(b"bad\\x1B[31m\\x07\\xFF\\x7F.txt", printed)

    def test_exit_status(self):
        clean = self.files.write("clean.txt", SMALL)
        broken = self.files.write("broken.txt", SMALL + b"extra\n")
        warned = self.files.write("warned.txt", HEADER + b"LINES: -1\n" + sections_from(b"LINES_SYMBOL:"))
        not14 = self.files.write("not14.txt", b"readdata14 13 x\n1 2 3 4 5\n" + EMPTY_SECTIONS)
        missing = os.path.join(self.files.dir.name, "missing.txt")
        cases = [([clean], 0), ([broken], 1), ([not14], 2), ([missing], 2), ([clean, broken], 1),
                 ([broken, missing, clean], 2), ([warned], 0), ([warned, clean], 0), (["--strict", warned], 1)]
        for files, status in cases:
            with self.subTest(files=[os.path.basename(f) for f in files]):
                result = run("check", *files)
                self.assertEqual(result.returncode, status, result.stdout)
        self.assertEqual(run("check", "-q", clean).stdout, b"")
        self.assertEqual(run("json", missing).returncode, 2)
        self.assertEqual(run("info", clean, missing).returncode, 2)
        self.assertEqual(run("frobnicate").returncode, 2)

    def test_generated_charts_check_clean(self):
        if not MAKE_CHART:
            self.skipTest("make_chart not given")
        paths = []
        for seed, args in [(1, []), (2, ["--points", "3"]), (3, ["--points", "300"]), (5, ["--size-mb", "0.4"]),
                           (8, ["--size-mb", "2"]), (13, ["--contours", "1", "--symbols", "0"])]:
            path = os.path.join(self.files.dir.name, f"generated_{seed}.txt")
            subprocess.run([MAKE_CHART, "--seed", str(seed), *args, "-o", path], check=True)
            paths.append(path)
        result = run("check", "--strict", *paths)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertEqual(result.stdout.decode().splitlines(), [f"{p}: well-formed" for p in paths])


class ConversionTest(Chart14Test):
    """info, json, geojson, svg and html of a file with errors: what was read, a note, exit 1."""
    COMMANDS = ["info", "json", "geojson", "svg", "html"]

    def test_a_file_with_errors_is_written_and_exits_1(self):
        truncated = self.files.write("truncated.txt", SMALL[:SMALL.index(b"CLOSED_CONTOURS:")])
        warned = self.files.write("warned.txt", SMALL.replace(b"1010 1", b"abc 1"))
        for command in self.COMMANDS:
            with self.subTest(command):
                result = run(command, truncated)
                self.assertEqual(result.returncode, 1)
                # What was read: the lines and symbols, the low's text among them.
                self.assertIn(b"SYMBOLS                  2" if command == "info" else b"Low", result.stdout)
                self.assertRegex(result.stderr.decode(), r"truncated.txt: the file has \d+ errors?; .*chart14 check")
                quiet = run(command, "-q", truncated)
                self.assertEqual((quiet.returncode, quiet.stderr, quiet.stdout), (1, b"", result.stdout))
                clean = run(command, warned)
                self.assertEqual((clean.returncode, clean.stderr), (0, b""))

    def test_failed_writes_end_with_exit_2(self):
        if not os.path.exists("/dev/full"):
            self.skipTest("no /dev/full")
        path = self.files.write("small.txt", SMALL)
        for command in self.COMMANDS + ["check"]:
            with self.subTest(command):
                with open("/dev/full", "wb") as full:
                    result = run(command, path, stdout=full)
                self.assertEqual(result.returncode, 2)
                self.assertIn(b"cannot write standard output: No space left on device", result.stderr)
                result = run(command, path, "-o", "/dev/full")
                self.assertEqual(result.returncode, 2)
                self.assertIn(b"cannot write /dev/full: No space left on device", result.stderr)
                self.assertTrue(stat.S_ISCHR(os.stat("/dev/full").st_mode))  # a device is never removed

    def test_a_path_is_not_chart_text(self):
        # The path's bytes as they are, escaped only where not UTF-8, whatever
        # --encoding says about the chart's texts.
        cases = [("Zürich.txt".encode(), ["--encoding", "CP1252"], "Zürich.txt"),
                 (b"Z\xfcrich.txt", [], "Z\\xFCrich.txt"), (b"tab\tname.txt", [], "tab\tname.txt")]
        for name, options, expected in cases:
            with self.subTest(expected):
                path = os.path.join(os.fsencode(self.files.dir.name), name)
                with open(path, "wb") as out:
                    out.write(SMALL)
                result = subprocess.run([CHART14, "json", *options, path], capture_output=True)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(os.path.basename(json.loads(result.stdout)["file"]), expected)
                self.assertEqual(result.stderr, b"")  # no note on undecodable texts: the path is none
class RunnerTest(Chart14Test):
    """The file handling every subcommand shares: many files, -j, -o, stdin, order."""
    # The output file each subcommand writes into a directory, and whether
    # several inputs may share standard output.
    COMMANDS = {"info": (".info.txt", True), "check": (".check.txt", True), "json": (".json", True),
                "geojson": (".geojson", False), "svg": (".svg", False), "html": (".html", False)}

    def charts(self, count, broken_every=0):
        """Charts that differ in their description; every broken_every-th is cut short."""
        paths = []
        for i in range(count):
            chart = HEADER.replace(b"small_chart", f"chart_{i}".encode()) + SMALL_SECTIONS
            if broken_every and i % broken_every == 1:
                chart = chart[:chart.index(b"CLOSED_CONTOURS:")]
            paths.append(self.files.write(f"c{i}.txt", chart))
        return paths

    def test_many_files_come_out_in_input_order(self):
        paths = self.charts(24, broken_every=5)
        for command, (extension, concatenates) in self.COMMANDS.items():
            with self.subTest(command):
                alone = [run(command, path) for path in paths]
                outdir = os.path.join(self.files.dir.name, "out_" + command, "")
                for args in (["-j", "4"], ["-j", "1"], []):
                    if concatenates:
                        together = run(command, *args, *paths)
                        if command == "json":
                            # JSON Lines: each input's document on a line of its own.
                            lines = together.stdout.splitlines()
                            self.assertEqual([json.loads(line) for line in lines],
                                             [json.loads(r.stdout) for r in alone if r.stdout])
                        else:
                            self.assertEqual(together.stdout, b"".join(r.stdout for r in alone))
                        self.assertEqual(together.returncode, max(r.returncode for r in alone))
                    together = run(command, *args, "-o", outdir, *paths)
                    self.assertEqual(together.returncode, 1)
                    self.assertEqual(together.stdout, b"")
                    # The notes in input order, then one summary line.
                    notes = together.stderr.decode().splitlines()
                    self.assertEqual(notes[:-1], [n for r in alone for n in r.stderr.decode().splitlines()])
                    self.assertRegex(notes[-1], rf"^chart14 {command}: 24 files, \d+ elements, 5 errors, "
                                                r"0 warnings, [0-9.]+ s$")
                    for path, result in zip(paths, alone):
                        name = os.path.splitext(os.path.basename(path))[0] + extension
                        with open(os.path.join(outdir, name), "rb") as written:
                            self.assertEqual(written.read(), result.stdout, name)

    def test_standard_input(self):
        path = self.files.write("small.txt", SMALL)
        for command in self.COMMANDS:
            with self.subTest(command):
                from_file = run(command, path)
                from_stdin = run(command, "-", stdin=SMALL)
                self.assertEqual(from_stdin.returncode, 0, from_stdin.stderr)
                if command == "json":
                    self.assertEqual(json.loads(from_stdin.stdout)["file"], None)
                    self.assertEqual(from_stdin.stdout, from_file.stdout.replace(json.dumps(path).encode(), b"null"))
                else:
                    self.assertEqual(from_stdin.stdout, from_file.stdout.replace(path.encode(), b"<stdin>"))
        broken = run("check", "-", stdin=SMALL[:SMALL.index(b"SYMBOLS:")])
        self.assertEqual(broken.returncode, 1)
        self.assertTrue(broken.stdout.startswith(b"<stdin>:12:1: error: tag-mismatch: "), broken.stdout)
        self.assertEqual(run("check", "-", "-", stdin=SMALL).returncode, 2)

    def test_output_file_and_directory(self):
        path = self.files.write("small.txt", SMALL)
        out = os.path.join(self.files.dir.name, "one.json")
        self.assertEqual(run("json", path, "-o", out).stdout, b"")
        with open(out, "rb") as written:
            self.assertEqual(written.read(), run("json", path).stdout)
        # One input and an existing directory, or a name ending in "/": into it.
        for target in [self.files.dir.name, os.path.join(self.files.dir.name, "new", "")]:
            run("geojson", path, "-o", target)
            self.assertTrue(os.path.exists(os.path.join(target, "small.geojson")), target)
        stdin_dir = os.path.join(self.files.dir.name, "in", "")
        run("svg", "-", "-o", stdin_dir, stdin=SMALL)
        self.assertTrue(os.path.exists(os.path.join(stdin_dir, "stdin.svg")))

    def test_outputs_that_cannot_be_told_apart_are_refused(self):
        first = self.files.write("chart.txt", SMALL)
        os.mkdir(os.path.join(self.files.dir.name, "b"))
        second = self.files.write(os.path.join("b", "chart.txt"), SMALL)
        outdir = os.path.join(self.files.dir.name, "out", "")
        cases = [(["json", "-o", outdir, first, second], b"would both write"),
                 (["svg", first, second], b"-o DIR"), (["geojson", first, second], b"-o DIR"),
                 (["info", "-o", first, first], b"is the input itself")]
        for args, message in cases:
            with self.subTest(args[0]):
                result = run(*args)
                self.assertEqual(result.returncode, 2)
                self.assertIn(message, result.stderr)
        with open(first, "rb") as kept:
            self.assertEqual(kept.read(), SMALL)

    def test_progress_and_summary_on_a_terminal(self):
        import pty
        paths = self.charts(3)
        leader, follower = pty.openpty()
        with os.fdopen(leader, "rb", buffering=0) as terminal:
            process = subprocess.Popen([CHART14, "check", "-j", "2", *paths], stdout=subprocess.PIPE,
                                       stderr=follower)
            os.close(follower)
            stdout, _ = process.communicate()
            shown = b""
            while True:
                try:
                    chunk = terminal.read(4096)
                except OSError:  # the follower side closed
                    break
                if not chunk:
                    break
                shown += chunk
        self.assertEqual(process.returncode, 0)
        self.assertEqual(len(stdout.splitlines()), 3)
        self.assertIn(b"] 3/3", shown)
        self.assertRegex(shown.decode(), r"chart14 check: 3 files, 27 elements, 0 errors, 0 warnings, [0-9.]+ s")
        quiet = run("check", "-q", *paths)
        self.assertEqual((quiet.stdout, quiet.stderr), (b"", b""))


def leftovers(folder):
    """Temporary files a run left in `folder`."""
    return [name for name in os.listdir(folder) if name.endswith(".part")]


class OutputsTest(Chart14Test):
    """Outputs that survive: closed pipes, full devices, interrupts, -o in its forms."""
    COMMANDS = ["info", "json", "geojson", "svg", "html", "check"]

    def test_a_closed_pipe_is_a_failed_write(self):
        # The reader is gone before the tool writes a byte, so every write
        # fails, whatever the output's size.
        path = self.files.write("small.txt", SMALL)
        for args in [[c, path] for c in self.COMMANDS] + [["--help"], ["--version"], ["json", "--help"]]:
            with self.subTest(args):
                reader, writer = os.pipe()
                os.close(reader)
                try:
                    result = subprocess.run([CHART14, *args], stdout=writer, stderr=subprocess.PIPE, timeout=60)
                finally:
                    os.close(writer)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stderr.decode().splitlines()[-1],
                                 "chart14: cannot write standard output: Broken pipe")

    def test_help_and_version_to_a_full_device(self):
        if not os.path.exists("/dev/full"):
            self.skipTest("no /dev/full")
        for args in [["--help"], ["--version"], ["svg", "--help"]]:
            with self.subTest(args), open("/dev/full", "wb") as full:
                result = run(*args, stdout=full)
                self.assertEqual(result.returncode, 2)
                self.assertIn(b"No space left on device", result.stderr)

    def test_help_lists_the_exit_statuses(self):
        for args in [["--help"], ["check", "--help"]]:
            with self.subTest(args):
                text = self.run_ok(*args).stdout.decode()
                self.assertIn("Exit status:", text)
                for status in ["0 ", "1 ", "2 ", "128+N"]:
                    self.assertRegex(text, rf"\n  {re.escape(status)}")

    def test_no_arguments_lists_the_subcommands(self):
        result = run()
        self.assertEqual(result.returncode, 2)
        listed = result.stderr.decode()
        for command in self.COMMANDS + ["layers"]:
            self.assertRegex(listed, rf"\n  {command} ")

    def test_a_document_is_not_written_to_a_terminal_unless_insisted(self):
        import pty
        path = self.files.write("small.txt", SMALL)
        # command, -o given, the exit status, whether the document reached the terminal
        cases = [(["svg"], [], 2, False), (["html"], [], 2, False), (["svg"], ["-o", "-"], 0, True),
                 (["html"], ["-o", "-"], 0, True), (["json"], [], 0, True)]
        for command, output, status, written in cases:
            with self.subTest(command + output):
                leader, follower = pty.openpty()
                with os.fdopen(leader, "rb", buffering=0) as terminal:
                    process = subprocess.Popen([CHART14, *command, path, *output], stdout=follower,
                                               stderr=subprocess.PIPE)
                    os.close(follower)
                    shown = b""
                    while True:
                        try:
                            chunk = terminal.read(65536)
                        except OSError:  # the follower side closed
                            break
                        if not chunk:
                            break
                        shown += chunk
                    _, err = process.communicate()
                self.assertEqual(process.returncode, status, err)
                self.assertEqual(len(shown) > 100, written)
                if not written:
                    self.assertIn(b"with -o -", err)

    def test_output_forms(self):
        folder = self.files.dir.name
        a = self.files.write("a.txt", SMALL)
        b = self.files.write("b.txt", SMALL)
        regular = self.files.write("regular", b"")
        os.mkdir(os.path.join(folder, "existing"))
        missing = os.path.join(folder, "missing.txt")
        at = lambda *names: os.path.join(folder, *names)  # noqa: E731
        # (arguments, exit status, words on standard error, files there after, files not there)
        cases = [
            (["-o", at("one.json"), a], 0, "", ["one.json"], []),
            (["-o", at("existing"), a, b], 0, "", ["existing/a.json", "existing/b.json"], []),
            (["-o", at("made", ""), a, b], 0, "", ["made/a.json", "made/b.json"], []),
            (["-o", at("two.json"), a, b], 2, "two.json is not a directory", [], ["two.json"]),
            (["-o", at("regular", ""), a], 2, "Not a directory", [], []),
            (["-o", at("regular", "sub", ""), a, b], 2, "Not a directory", [], []),
            (["-o", at("gone.json"), missing], 2, "No such file or directory", [], ["gone.json"]),
            (["-o", at("nowhere", "x.json"), a], 2, "cannot write", [], ["nowhere"]),
        ]
        for args, status, words, there, absent in cases:
            with self.subTest(args[1:2]):
                result = run("json", *args)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(words.encode(), result.stderr)
                for name in there:
                    with open(at(name), "rb") as written:
                        self.assertEqual(json.loads(written.read())["description"], "small_chart")
                for name in absent:
                    self.assertFalse(os.path.exists(at(name)), name)
                for root, _, _ in os.walk(folder):
                    self.assertEqual(leftovers(root), [])

    def test_a_replaced_file_keeps_its_place_and_permissions(self):
        path = self.files.write("small.txt", SMALL)
        target = self.files.write("kept.json", b"old")
        os.chmod(target, 0o640)
        link = os.path.join(self.files.dir.name, "link.json")
        os.symlink(target, link)
        self.run_ok("json", path, "-o", link)
        self.assertTrue(os.path.islink(link))
        self.assertEqual(stat.S_IMODE(os.stat(target).st_mode), 0o640)
        with open(target, "rb") as written:
            self.assertEqual(written.read(), run("json", path).stdout)

    def test_a_failed_write_leaves_no_file(self):
        # A file size limit makes the write fail half way, as a full disk would.
        import resource
        path = self.files.write("small.txt", SMALL)
        out = os.path.join(self.files.dir.name, "cut.json")
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000))  # noqa: E731
        for command in ["json", "geojson", "svg", "html"]:
            with self.subTest(command):
                result = subprocess.run([CHART14, command, path, "-o", out], capture_output=True, preexec_fn=limit)
                self.assertEqual(result.returncode, 2)
                self.assertIn(b"cannot write " + out.encode() + b": File too large", result.stderr)
                self.assertFalse(os.path.exists(out))
                self.assertEqual(leftovers(self.files.dir.name), [])

    def test_an_interrupted_run_leaves_no_file(self):
        # Inputs that are FIFOs hold the run in its reading, with its
        # temporary outputs open, for as long as the test likes; one of them
        # has half a chart written into it.
        import signal
        import time
        for sig in [signal.SIGINT, signal.SIGTERM]:
            for inputs, output in [(["a"], "out.json"), (["a", "b"], "out/")]:
                with self.subTest(signal=sig.name, output=output):
                    folder = tempfile.mkdtemp(dir=self.files.dir.name)
                    fifos = [os.path.join(folder, name + ".txt") for name in inputs]
                    for fifo in fifos:
                        os.mkfifo(fifo)
                    target = os.path.join(folder, output)
                    process = subprocess.Popen([CHART14, "json", "-j", "2", "-o", target, *fifos],
                                               stderr=subprocess.PIPE)
                    writer = open(fifos[0], "wb")  # noqa: SIM115 (closed below)
                    writer.write(SMALL[:len(SMALL) // 2])
                    writer.flush()
                    deadline = time.monotonic() + 30
                    out_folder = os.path.dirname(target) if output.endswith("/") else folder
                    while time.monotonic() < deadline and (
                            not os.path.isdir(out_folder) or len(leftovers(out_folder)) < len(inputs)):
                        time.sleep(0.01)
                    self.assertEqual(len(leftovers(out_folder)), len(inputs))
                    process.send_signal(sig)
                    process.wait(timeout=30)
                    writer.close()
                    self.assertEqual(process.returncode, -sig)
                    self.assertEqual(leftovers(out_folder), [])
                    written = [n for n in os.listdir(out_folder) if n.endswith(".json")]
                    self.assertEqual(written, [])


class SummaryTest(Chart14Test):
    def test_every_subcommand_counts_alike(self):
        # One file of each kind: unreadable ones count as unreadable and
        # nothing else, whatever the subcommand prints for them.
        paths = [self.files.write("notchart.txt", b"not a chart\n"), self.files.write("clean.txt", SMALL),
                 os.path.join(self.files.dir.name, "missing.txt"),
                 self.files.write("broken.txt", SMALL + b"extra\n"),
                 self.files.write("warned.txt", HEADER + b"LINES: -1\n" + sections_from(b"LINES_SYMBOL:"))]
        lines = {}
        for command in OutputsTest.COMMANDS:
            result = run(command, "-o", os.path.join(self.files.dir.name, command, ""), *paths)
            self.assertEqual(result.returncode, 2)
            summary = result.stderr.decode().splitlines()[-1]
            lines[command] = re.sub(r"^chart14 \w+: |, [0-9.]+ s$", "", summary)
        self.assertEqual(set(lines.values()), {"5 files, 18 elements, 1 error, 1 warning, 2 unreadable"}, lines)


class InfoTest(Chart14Test):
    def test_summary(self):
        out = self.run_ok("info", self.files.write("small.txt", SMALL)).stdout.decode()
        self.assertIn("small_chart", out)
        self.assertRegex(out, r"CLOSED_CONTOURS +2 +10")
        self.assertIn("x 0 .. 70, y 0 .. 70", out)
        self.assertIn("rising inwards (ascending): 10 20", out)
        self.assertIn("fill areas        read", out)

    def test_many_files_come_out_in_input_order(self):
        paths = [self.files.write(f"c{i}.txt", HEADER.replace(b"small_chart", f"chart_{i}".encode()) +
                                  EMPTY_SECTIONS) for i in range(24)]
        out = self.run_ok("info", "-j", "4", *paths).stdout.decode()
        order = [line.split()[1] for line in out.splitlines() if line.strip().startswith("description")]
        self.assertEqual(order, [f"chart_{i}" for i in range(24)])


if __name__ == "__main__":
    CHART14 = sys.argv.pop(1)
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        MAKE_CHART = sys.argv.pop(1)
    unittest.main()
