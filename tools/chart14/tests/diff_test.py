#!/usr/bin/env python3
"""chart14 diff on small edits of one chart: each edit reported exactly, in
text and in JSON, with the exit status cmp and diff give (0 the same, 1
different, 2 trouble).

Usage: diff_test.py PATH_TO_CHART14
"""
import json
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cli_test  # noqa: E402  (the CLI harness: its charts and runner)
from cli_test import SMALL, Chart14Test, run  # noqa: E402

NOTE = b"48 30.0 31.0 0.0 5\nHello\n7.5 11\nHello world\n1 2 3 4 5 6\n"
SECOND_NOTE = b"48 40.0 41.0 0.0 3\nFog\n2.5 4\nSoon\n1 2 3 4 5 6\n"
NOTE_FIELDS = "value_1 1, value_2 2, value_3 3, value_4 4, value_5 5, value_6 6"


def edit(*pairs, chart=SMALL):
    """`chart` with each (old, new) replaced once; the old text must be there."""
    for old, new in pairs:
        assert chart.count(old) == 1, old
        chart = chart.replace(old, new)
    return chart


MOVED = edit((b"1.5 2.5 0 3.25", b"1.75 2.5 0 3.25"))
NAN = edit((b"1.5 2.5 0 3.25", b"nan 2.5 0 3.25"))

# (name, chart A, chart B, what the text report says, exit status,
#  {section: (changed, added, removed, identical)} of the JSON report)
CASES = [
    ("the same chart", SMALL, SMALL, "", 0, {"lines": (0, 0, 0, 1), "closed_contours": (0, 0, 0, 2)}),
    ("a point moved", SMALL, MOVED,
     "lines: 1 element: 1 changed, 0 identical\n"
     "  ~ [0] points: 1 of 3 moved\n"
     "      [1] (1.5, 2.5) -> (1.75, 2.5), by (0.25, 0)\n", 1, {"lines": (1, 0, 0, 0)}),
    ("a code changed", SMALL, edit((b"38 0 2\n", b"39 0 2\n")),
     "line_symbols: 1 element: 1 changed, 0 identical\n"
     "  ~ [0] code 38 -> 39\n", 1, {"line_symbols": (1, 0, 0, 0), "lines": (0, 0, 0, 1)}),
    ("an element deleted", SMALL, edit((b"SYMBOLS: 2\n", b"SYMBOLS: 1\n"), (b"7 22.0 23.0 0.0 1.5707963\n", b"")),
     "symbols: 2 -> 1 elements: 1 removed, 1 identical\n"
     '  - [1] type 7, direction 180, text "", position (22, 23)\n', 1, {"symbols": (0, 0, 1, 1)}),
    # Matched by place: the second symbol now stands where the first was.
    ("the first element deleted", SMALL, edit((b"SYMBOLS: 2\n48 20.0 21.0 0.0 Low\n", b"SYMBOLS: 1\n")),
     "symbols: 2 -> 1 elements: 1 changed, 1 removed, 0 identical\n"
     '  ~ [0] type 48 -> 7; direction 0 -> 180; text "Low" -> ""\n'
     "  ~ [0] position: 1 of 1 moved\n"
     "      [0] (20, 21) -> (22, 23), by (2, 2)\n"
     '  - [1] type 7, direction 180, text "", position (22, 23)\n', 1, {"symbols": (1, 0, 1, 0)}),
    ("a note added", SMALL, edit((b"NOTES_SYMBOL: 1\n" + NOTE, b"NOTES_SYMBOL: 2\n" + NOTE + SECOND_NOTE)),
     "notes: 1 -> 2 elements: 1 added, 1 identical\n"
     f'  + [1] type 48, value 2.5, {NOTE_FIELDS}, first_text "Fog", second_text "Soon", position (40, 41)\n', 1,
     {"notes": (0, 1, 0, 1)}),
    ("the description changed", SMALL, edit((b"small_chart", b"other_chart")),
     'header description: "small_chart" -> "other_chart"\n', 1, {"lines": (0, 0, 0, 1)}),
    ("a header integer missing", SMALL, edit((b"1 2 3 4 5\n", b"1 2 3 4\n")),
     "header header_integers: 1 2 3 4 5 -> 1 2 3 4\n", 1, {"lines": (0, 0, 0, 1)}),
    ("a section missing", SMALL, SMALL[:SMALL.index(b"NOTES_SYMBOL")],
     "notes (present -> absent): 1 -> 0 elements: 1 removed, 0 identical\n"
     f'  - [0] type 48, value 7.5, {NOTE_FIELDS}, first_text "Hello", second_text "Hello world", '
     "position (30, 31)\n", 1, {"notes": (0, 0, 1, 0)}),
    ("a NaN that stays NaN", NAN, NAN, "", 0, {"lines": (0, 0, 0, 1)}),
    ("a NaN that stays NaN beside a change", NAN, edit((b"2 3\n0.1", b"4 3\n0.1"), chart=NAN),
     "lines: 1 element: 1 changed, 0 identical\n"
     "  ~ [0] code 2 -> 4\n", 1, {"lines": (1, 0, 0, 0)}),
    ("-0 is not +0", SMALL, edit((b"0 0 0 10 0 0 10 8", b"0 0 0 10 -0 0 10 8")),
     "closed_contours (in file order): 2 elements: 1 changed, 1 identical\n"
     "  ~ [1] points: 1 of 5 moved\n"
     "      [1] (10, 0) -> (10, -0.0), by (0, -0.0)\n", 1, {"closed_contours": (1, 0, 0, 1)}),
    # The file's first contour is the inner one, second in the block's
    # nesting order: it is reported at its place in the file.
    ("a contour's value, by file position", SMALL, edit((b"3 2 0\n20 0\n", b"3 2 0\n25 0\n")),
     "closed_contours (in file order): 2 elements: 1 changed, 1 identical\n"
     "  ~ [0] label 20 -> 25\n"
     "levels: 10 20 -> 10 25\n", 1, {"closed_contours": (1, 0, 0, 1)}),
    ("a text that does not decode", SMALL, edit((b"Low\n", b"L\xffw\n")),
     "symbols: 2 elements: 1 changed, 1 identical\n"
     '  ~ [0] text "Low" -> "L\\xFFw"\n', 1, {"symbols": (1, 0, 0, 1)}),
    # A type-48 symbol at z 1.0 gives no element, but keeps a slot in the block.
    ("a symbol the reader drops", SMALL, edit((b"SYMBOLS: 2\n", b"SYMBOLS: 3\n48 5.0 5.0 1.0 Gone\n")),
     "symbols: 2 elements: 2 identical\n"
     "  the blocks differ outside the elements (their order, or slots without an element)\n", 1,
     {"symbols": (0, 0, 0, 2)}),
    ("a label made a code", SMALL, edit((b"1010 1\n", b"012 1\n")),
     "lines: 1 element: 1 changed, 0 identical\n"
     "  ~ [0] label 1010 -> code 12\n", 1, {"lines": (1, 0, 0, 0)}),
]


class DiffTest(Chart14Test):
    def diff(self, a, b, *options):
        return run("diff", *options, self.files.write("a.txt", a), self.files.write("b.txt", b))

    def test_each_edit_is_reported_exactly(self):
        for name, a, b, text, status, counts in CASES:
            with self.subTest(name):
                result = self.diff(a, b)
                self.assertEqual((result.stdout.decode(), result.returncode), (text, status), result.stderr)
                report = json.loads(self.diff(a, b, "--json").stdout)
                self.assertEqual(report["same"], status == 0)
                for section, expected in counts.items():
                    got = report["sections"][section]
                    self.assertEqual((got["changed"], got["added"], got["removed"], got["identical"]), expected,
                                     section)
                quiet = self.diff(a, b, "-q")
                self.assertEqual((quiet.stdout, quiet.stderr, quiet.returncode), (b"", b"", status))

    def test_json_says_what_moved_and_what_changed(self):
        report = json.loads(self.diff(SMALL, edit((b"small_chart", b"x"), chart=MOVED), "--json").stdout)
        self.assertEqual(report["header"], [{"field": "description", "a": "small_chart", "b": "x"}])
        change = report["sections"]["lines"]["changed_elements"]
        self.assertEqual(change, [{"index": 0, "fields": [], "points": [
            {"list": "points", "count": {"a": 3, "b": 3}, "moved": 1,
             "moved_points": [{"index": 1, "a": [1.5, 2.5], "b": [1.75, 2.5], "by": [0.25, 0]}]}]}])
        self.assertEqual(list(report["sections"]), ["lines", "line_symbols", "symbols", "closed_contours",
                                                    "weather_regions", "fill_areas", "notes"])

    def test_json_carries_added_and_removed_elements_whole(self):
        report = json.loads(self.diff(SMALL[:SMALL.index(b"CLOSED_CONTOURS")],
                                      edit((b"NOTES_SYMBOL: 1\n" + NOTE, b"NOTES_SYMBOL: 2\n" + NOTE + SECOND_NOTE)),
                                      "--json").stdout)
        sections = report["sections"]
        self.assertEqual(sections["notes"]["added_elements"], [
            {"index": 0, "type": 48, "value": 7.5, **{f"value_{i}": i for i in range(1, 7)},
             "first_text": "Hello", "second_text": "Hello world", "position": [30, 31]},
            {"index": 1, "type": 48, "value": 2.5, **{f"value_{i}": i for i in range(1, 7)},
             "first_text": "Fog", "second_text": "Soon", "position": [40, 41]}])
        self.assertEqual(sections["closed_contours"]["added_elements"][1], {
            "index": 1, "code": 1, "label": 10, "valued_closed": True, "level_index": 1, "nesting_position": 0,
            "points": [[0, 0], [10, 0], [10, 8], [0, 8], [0, 0]], "label_points": [[5, 1]]})
        self.assertEqual(report["levels"], {"same": False, "a": [], "b": [10, 20]})
        self.assertEqual((sections["notes"]["present"], report["header"][0]["field"]),
                         ({"a": False, "b": True}, "fill_areas_read"))

    def test_a_moved_point_that_became_nan(self):
        change = json.loads(self.diff(SMALL, NAN, "--json").stdout)["sections"]["lines"]["changed_elements"]
        self.assertEqual(change[0]["points"][0]["moved_points"],
                         [{"index": 1, "a": [1.5, 2.5], "b": ["NaN", 2.5], "by": ["NaN", 0]}])

    def test_a_closed_pipe_is_a_failed_write(self):
        a, b = self.files.write("a.txt", SMALL), self.files.write("b.txt", MOVED)
        reader, writer = os.pipe()
        os.close(reader)
        try:
            result = subprocess.run([cli_test.CHART14, "diff", a, b], stdout=writer, stderr=subprocess.PIPE)
        finally:
            os.close(writer)
        self.assertEqual(result.returncode, 2)
        self.assertEqual(result.stderr, b"chart14: cannot write standard output: Broken pipe\n")

    def test_max_bounds_what_is_shown_not_the_counts(self):
        all_moved = edit((b"0.1 0.2 0 1.5 2.5 0 3.25 4.75 0", b"1 1 0 2 2 0 3 3 0"))
        text = self.diff(SMALL, all_moved, "--max", "1").stdout.decode()
        self.assertIn("3 of 3 moved\n      [0] (0.1, 0.2) -> (1, 1), by (0.9, 0.8)\n      ... 2 more moved\n", text)
        report = json.loads(self.diff(SMALL, all_moved, "--json", "--max", "1").stdout)
        points = report["sections"]["lines"]["changed_elements"][0]["points"][0]
        self.assertEqual((points["moved"], len(points["moved_points"])), (3, 1))

    def test_trouble_exits_2_and_says_why_on_standard_error(self):
        chart = self.files.write("chart.txt", SMALL)
        cases = [(os.path.join(self.files.dir.name, "missing.txt"), "No such file or directory"),
                 (self.files.write("not.txt", b"not a chart\n"), "is not a type-14 chart")]
        for other, words in cases:
            for args in [(chart, other), (other, chart), ("-q", chart, other)]:
                with self.subTest(args):
                    result = run("diff", *args)
                    self.assertEqual((result.stdout, result.returncode), (b"", 2))
                    self.assertIn(words.encode(), result.stderr)

    def test_standard_input_is_one_side(self):
        chart = self.files.write("chart.txt", SMALL)
        self.assertEqual(run("diff", "-", chart, stdin=MOVED).returncode, 1)
        self.assertEqual(run("diff", chart, "-", stdin=SMALL).returncode, 0)


if __name__ == "__main__":
    cli_test.CHART14 = sys.argv.pop(1)
    unittest.main()
