#!/usr/bin/env python3
"""chart14 run as users run it: json, geojson, check, info and --encoding on
small charts written here, checked by parsing the output back.

Usage: cli_test.py PATH_TO_CHART14
"""
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

CHART14 = None

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


def run(*args):
    return subprocess.run([CHART14, *args], capture_output=True)


class Chart14Test(unittest.TestCase):
    def setUp(self):
        self.files = ChartFiles()
        self.addCleanup(self.files.dir.cleanup)

    def run_ok(self, *args):
        result = run(*args)
        self.assertEqual(result.returncode, 0, result.stderr.decode(errors="replace"))
        return result

    def assertPoints(self, actual, expected):
        self.assertEqual(len(actual), len(expected))
        for got, want in zip(actual, expected):
            self.assertEqual([f32_bits(v) for v in got], [f32_bits(v) for v in want], (got, want))


class GeojsonTest(Chart14Test):
    def features(self, section):
        path = self.files.write("small.txt", SMALL)
        collection = json.loads(self.run_ok("geojson", path).stdout)
        self.assertEqual(collection["type"], "FeatureCollection")
        for feature in collection["features"]:
            self.assertEqual(feature["type"], "Feature")
            self.assertIn("geometry", feature)
        return [f for f in collection["features"] if f["properties"]["section"] == section]

    def test_lines_and_line_symbols_are_line_strings(self):
        (line,) = self.features("lines")
        self.assertEqual(line["geometry"]["type"], "LineString")
        self.assertPoints(line["geometry"]["coordinates"], [[0.1, 0.2], [1.5, 2.5], [3.25, 4.75]])
        self.assertEqual(line["properties"]["code"], 2)
        self.assertEqual(line["properties"]["labelValue"], 1010)
        self.assertPoints(line["properties"]["labelPoints"], [[1, 1]])
        (symbol,) = self.features("lineSymbols")
        self.assertEqual(symbol["geometry"], {"type": "LineString", "coordinates": [[10.5, 11.5], [12.5, 13.5]]})
        self.assertEqual(symbol["properties"]["code"], 38)

    def test_closed_contours_are_polygons_in_nesting_order(self):
        outer, inner = self.features("closedContours")
        self.assertEqual(outer["geometry"]["type"], "Polygon")
        self.assertEqual(outer["geometry"]["coordinates"], [[[0, 0], [10, 0], [10, 8], [0, 8], [0, 0]]])
        self.assertEqual(inner["geometry"]["coordinates"], [[[3, 2], [7, 2], [7, 5], [3, 5], [3, 2]]])
        expected = [(outer, 10, 1, 1), (inner, 20, 2, 2)]
        for feature, value, level_index, code in expected:
            props = feature["properties"]
            self.assertEqual((props["value"], props["levelIndex"], props["level"]), (value, level_index, value))
            self.assertEqual(props["code"], code)
            self.assertTrue(props["valuedClosed"])
            self.assertEqual(props["direction"], "rising")

    def test_regions_and_fill_areas_are_closed_polygons(self):
        (region,) = self.features("weatherRegions")
        self.assertEqual(region["geometry"]["coordinates"], [[[60, 60], [70, 60], [70, 70], [60, 60]]])
        self.assertEqual(region["properties"]["code"], 3)
        (area,) = self.features("fillAreas")
        # Stored open; the ring is closed by repeating the first point.
        self.assertEqual(area["geometry"]["coordinates"], [[[1, 1], [2, 1], [2, 2], [1, 1]]])
        self.assertEqual(area["properties"]["values"], list(range(1, 14)) + [2.5, 15, 16])

    def test_symbols_and_notes_are_points(self):
        low, arrow = self.features("symbols")
        self.assertEqual(low["geometry"], {"type": "Point", "coordinates": [20, 21]})
        self.assertEqual((low["properties"]["type"], low["properties"]["text"]), (48, "Low"))
        self.assertEqual(arrow["properties"]["direction"], 180)
        (note,) = self.features("notes")
        self.assertEqual(note["geometry"], {"type": "Point", "coordinates": [30, 31]})
        props = note["properties"]
        self.assertEqual((props["firstText"], props["secondText"], props["value"]), ("Hello", "Hello world", 7.5))
        self.assertEqual(props["values"], [1, 2, 3, 4, 5, 6])


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
        self.assertEqual(f32_bits(line["labelValue"]), f32_bits(12.345))

    def test_every_section_is_present(self):
        data = json.loads(self.run_ok("json", self.files.write("small.txt", SMALL)).stdout)
        self.assertEqual(data["description"], "small_chart")
        counts = {key: len(data[key]) for key in ["lines", "lineSymbols", "symbols", "weatherRegions",
                                                  "fillAreas", "notes"]}
        self.assertEqual(counts, {"lines": 1, "lineSymbols": 1, "symbols": 2, "weatherRegions": 1,
                                  "fillAreas": 1, "notes": 1})
        contours = data["closedContours"]
        self.assertEqual((contours["levels"], contours["levelOrder"]), ([10, 20], "rising"))
        self.assertEqual([c["value"] for c in contours["contours"]], [10, 20])

    def test_missing_sections_are_null(self):
        chart = HEADER + b"LINE: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nNOTES_SYMBOL: 0\n"
        data = json.loads(self.run_ok("json", self.files.write("gaps.txt", chart)).stdout)
        self.assertIsNone(data["lines"])
        self.assertEqual(data["lineSymbols"], [])
        self.assertIsNone(data["symbols"])
        self.assertIsNone(data["fillAreas"])  # no STATION_SITUATION marker


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
    # (name, chart, first finding as (line, column, "severity: kind")); the header is
    # lines 1 and 2, so a file's own sections start on line 3.
    BROKEN = [
        ("tag that does not match", HEADER + EMPTY_SECTIONS.replace(b"SYMBOLS:", b"SYMBOL:"),
         (5, 1, "error: tag-mismatch")),
        ("section stopped early", HEADER + b"LINES: 2\n2 1\n0 0 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:"),
         (7, 1, "error: bad-token")),
        ("point that is not a number", HEADER + b"LINES: 1\n2 2\n0 0 0 x 1 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:"),
         (5, 7, "error: bad-token")),
        ("missing STATION_SITUATION", HEADER + EMPTY_SECTIONS.replace(b"STATION_SITUATION\n", b""),
         (7, 1, "error: no-station-situation")),
        ("text cut short", HEADER + EMPTY_SECTIONS.replace(b"NOTES_SYMBOL: 0\n", b"") +
         b"NOTES_SYMBOL: 1\n48 1 2 0 10\n  Hello\n7.5 5\nWorld\n1 2 3 4 5 6\n",
         (12, 3, "warning: text-cut-short")),
        ("trailing content", HEADER + EMPTY_SECTIONS + b"\n  extra\n", (12, 3, "error: trailing-content")),
    ]

    def test_findings_carry_line_and_column(self):
        for name, chart, (line, column, kind) in self.BROKEN:
            with self.subTest(name):
                path = self.files.write("broken.txt", chart)
                result = run("check", path)
                self.assertEqual(result.returncode, 1, result.stdout)
                first = result.stdout.decode().splitlines()[0]
                self.assertTrue(first.startswith(f"{path}:{line}:{column}: {kind}: "), first)

    def test_a_stopped_section_names_its_token(self):
        chart = HEADER + b"LINES: 1\n2 2\n0 0 0 x 1 0\nNoLabel 0\n" + sections_from(b"LINES_SYMBOL:")
        result = run("check", self.files.write("broken.txt", chart))
        self.assertIn("'x'", result.stdout.decode().splitlines()[0])

    def test_exit_status(self):
        clean = self.files.write("clean.txt", SMALL)
        broken = self.files.write("broken.txt", SMALL + b"extra\n")
        not14 = self.files.write("not14.txt", b"readdata14 13 x\n1 2 3 4 5\n" + EMPTY_SECTIONS)
        missing = os.path.join(self.files.dir.name, "missing.txt")
        cases = [([clean], 0), ([broken], 1), ([not14], 2), ([missing], 2), ([clean, broken], 1),
                 ([broken, missing, clean], 2)]
        for files, status in cases:
            with self.subTest(files=[os.path.basename(f) for f in files]):
                result = run("check", *files)
                self.assertEqual(result.returncode, status, result.stdout)
        self.assertEqual(run("check", "-q", clean).stdout, b"")
        self.assertEqual(run("json", missing).returncode, 2)
        self.assertEqual(run("info", clean, missing).returncode, 2)
        self.assertEqual(run("frobnicate").returncode, 2)


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
    unittest.main()
