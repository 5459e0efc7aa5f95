"""Update mode through GDAL's Python bindings: edits of every layer saved and
compared with `chart14 diff`, FIDs, reading while setting, and the saves
that must be refused or must leave the chart whole."""
import json
import os
import signal
import subprocess
import sys
import time

import pytest
from osgeo import gdal, ogr

import library
from conftest import CHART14, MAKE_CHART, PROJECT_CHARTS, SAMPLE

gdal.UseExceptions()
LATIN1 = "ISO-8859-1"  # every byte a character: texts come back as the same bytes


def open_update(path):
    return gdal.OpenEx(str(path), gdal.OF_VECTOR | gdal.OF_UPDATE, allowed_drivers=["Chart14"],
                       open_options=[f"ENCODING={LATIN1}"])


def reported(action):
    messages = []
    gdal.PushErrorHandler(lambda cls, num, msg: messages.append((cls, msg)))
    try:
        return action(), messages
    except RuntimeError:
        return None, messages
    finally:
        gdal.PopErrorHandler()


def closed_quietly(dataset):
    """Closes the dataset, whose close reports a save refused again, without raising from a destructor."""
    gdal.DontUseExceptions()
    gdal.PushErrorHandler("CPLQuietErrorHandler")
    try:
        dataset.__swig_destroy__(dataset)
        dataset.this = None
    finally:
        gdal.PopErrorHandler()
        gdal.UseExceptions()


def diff(a, b):
    result = subprocess.run([CHART14, "diff", str(a), str(b), "--json"], capture_output=True, text=True)
    assert result.returncode in (0, 1), result.stderr
    return json.loads(result.stdout)


# What the reader works out again from the contours' places: a contour added
# or removed moves others in the nesting order and among the levels.
DERIVED = {"nesting_position", "level_index", "valued_closed"}


def summary(report):
    """{section: (changed, added, removed)} of the sections that differ, and the header's fields; contours
    changed only in what the reader derives do not count."""
    sections = {}
    for name, s in report["sections"].items():
        changed = [e for e in s["changed_elements"] if e["points"] or {f["field"] for f in e["fields"]} - DERIVED]
        counts = (len(changed), s["added"], s["removed"])
        if counts != (0, 0, 0) or s["block_differs"]:
            sections[name] = counts
    return sections, [h["field"] for h in report["header"]]


def moved(feature, dx=1.0):
    geometry = feature.GetGeometryRef().Clone()
    part = geometry.GetGeometryRef(0) if geometry.GetGeometryType() == ogr.wkbPolygon else geometry
    part.SetPoint_2D(0, part.GetX(0) + dx, part.GetY(0))
    if geometry.GetGeometryType() == ogr.wkbPolygon:  # the ring stays closed
        part.SetPoint_2D(part.GetPointCount() - 1, part.GetX(0), part.GetY(0))
    feature.SetGeometry(geometry)


def last_in_file(layer):
    if layer.GetName() != "closed_contours":
        return layer.GetFeatureCount() - 1
    return max((f.GetFID() for f in layer), key=lambda fid: layer.GetFeature(fid)["file_position"])


def set_geometry(layer):
    feature = layer.GetFeature(0)
    moved(feature)
    assert layer.SetFeature(feature) == ogr.OGRERR_NONE


def set_field(layer):
    feature = layer.GetFeature(0)
    name = {"symbols": "type", "notes": "first_text"}.get(layer.GetName(), "code")
    if layer.GetName() == "fill_areas":
        name = "value_1"
    feature[name] = "Edited" if name == "first_text" else feature[name] + 1
    assert layer.SetFeature(feature) == ogr.OGRERR_NONE


def create(layer):
    feature = ogr.Feature(layer.GetLayerDefn())
    wkt = {"lines": "LINESTRING (1 1,5 5,9 2)", "line_symbols": "LINESTRING (1 1,5 5,9 2)",
           "closed_contours": "LINESTRING (900 900,905 900,905 905,900 900)",
           "weather_regions": "POLYGON ((1 1,5 1,5 5,1 1))", "fill_areas": "POLYGON ((1 1,5 1,5 5,1 1))"}
    feature.SetGeometry(ogr.CreateGeometryFromWkt(wkt.get(layer.GetName(), "POINT (3 4)")))
    if layer.GetName() == "symbols":
        feature["type"], feature["direction"] = 2, 90
    elif layer.GetName() == "notes":
        feature["type"], feature["first_text"], feature["second_text"] = 48, "Fog", "Later"
    elif layer.GetName() == "closed_contours":
        feature["code"], feature["label_kind"], feature["label_value"] = 1, "value", 1036
    else:
        feature["code"] = 7
    before = layer.GetFeatureCount()
    assert layer.CreateFeature(feature) == ogr.OGRERR_NONE
    # The FID is set on the caller's feature, and fetches it.
    assert feature.GetFID() >= before and layer.GetFeature(feature.GetFID()) is not None


def delete(layer):
    assert layer.DeleteFeature(last_in_file(layer)) == ogr.OGRERR_NONE


EDITS = {"set_geometry": set_geometry, "set_field": set_field, "create": create, "delete": delete}
LAYERS = ["lines", "line_symbols", "symbols", "closed_contours", "weather_regions", "fill_areas", "notes"]
EXPECTED = {"set_geometry": (1, 0, 0), "set_field": (1, 0, 0), "create": (0, 1, 0), "delete": (0, 0, 1)}


@pytest.mark.parametrize("layer", LAYERS)
@pytest.mark.parametrize("edit", list(EDITS))
def test_each_edit_of_each_layer_is_all_that_changes(tmp_path, layer, edit):
    chart = tmp_path / "chart.txt"
    chart.write_bytes(SAMPLE.read_bytes())
    dataset = open_update(chart)
    EDITS[edit](dataset.GetLayerByName(layer))
    dataset = None
    assert summary(diff(SAMPLE, chart)) == ({layer: EXPECTED[edit]}, [])


def test_label_points_move_and_go_with_their_parent(tmp_path):
    chart = tmp_path / "chart.txt"
    chart.write_bytes(SAMPLE.read_bytes())
    dataset = open_update(chart)
    points = dataset.GetLayerByName("label_points")
    point = next(p for p in points if p["parent_layer"] == "closed_contours")
    parent = point["parent_fid"]
    moved(point)
    assert points.SetFeature(point) == ogr.OGRERR_NONE
    # Moving the contour keeps its label points.
    contours = dataset.GetLayerByName("closed_contours")
    contour = contours.GetFeature(parent)
    moved(contour, dx=0.5)
    assert contours.SetFeature(contour) == ogr.OGRERR_NONE
    dataset = None
    report = diff(SAMPLE, chart)
    assert summary(report) == ({"closed_contours": (1, 0, 0)}, [])
    lists = {p["list"]: p["moved"] for p in report["sections"]["closed_contours"]["changed_elements"][0]["points"]}
    assert lists == {"points": 1, "label_points": 1}


def test_several_edits_and_the_header_go_in_one_save(tmp_path):
    chart = tmp_path / "chart.txt"
    chart.write_bytes(SAMPLE.read_bytes().replace(b"\n", b"\r\n"))
    dataset = open_update(chart)
    set_geometry(dataset.GetLayerByName("lines"))
    set_field(dataset.GetLayerByName("notes"))
    create(dataset.GetLayerByName("symbols"))
    delete(dataset.GetLayerByName("fill_areas"))
    dataset.SetMetadataItem("DESCRIPTION", "Edited_analysis")
    assert dataset.GetLayerByName("lines").SyncToDisk() == ogr.OGRERR_NONE
    saved = chart.read_bytes()
    assert saved.count(b"\r\n") == saved.count(b"\n")  # the line ends kept
    dataset = None
    assert chart.read_bytes() == saved  # nothing left to save at close
    assert summary(diff(SAMPLE, chart)) == (
        {"lines": (1, 0, 0), "notes": (1, 0, 0), "symbols": (0, 1, 0), "fill_areas": (0, 0, 1)}, ["description"])


def test_a_chart_saved_unchanged_gives_every_block_back(tmp_path, generated, spoiled):
    """Every element goes through the save, the untouched ones as they were read."""
    unsaved = []
    for i, source in enumerate([*PROJECT_CHARTS, *generated.values(), *spoiled[:4]]):
        chart = tmp_path / f"{i}.txt"
        chart.write_bytes(source.read_bytes())
        dataset, _ = reported(lambda: open_update(chart))
        dataset.SetMetadataItem("DESCRIPTION", dataset.GetMetadataItem("DESCRIPTION"))  # edited: saved
        inode = chart.stat().st_ino  # a save renames a new file over the chart
        _, messages = reported(lambda: dataset.GetLayer(0).SyncToDisk())
        closed_quietly(dataset)
        dataset = None
        if messages:
            unsaved.append((source.name, messages))
            continue
        assert chart.stat().st_ino != inode, source
        before, after = library.blocks(source), library.blocks(chart)
        # Untouched layers are copied as they were read: the degenerate elements (a contour without points, a
        # line of one point, a symbol at nan) come back too.
        assert {k for k in before if before[k] != after[k]} == set(), source
    assert unsaved == []


def test_fids_stay_and_reading_while_editing_ends(tmp_path):
    chart = tmp_path / "chart.txt"
    chart.write_bytes(SAMPLE.read_bytes())
    dataset = open_update(chart)
    layer = dataset.GetLayerByName("symbols")
    count = layer.GetFeatureCount()
    assert all(layer.TestCapability(c) for c in ["SequentialWrite", "RandomWrite", "DeleteFeature"])
    assert not layer.TestCapability("CreateField")
    assert layer.DeleteFeature(3) == ogr.OGRERR_NONE and layer.GetFeature(3) is None
    seen = 0
    for feature in layer:  # setting, deleting and creating as it reads: the reading ends
        seen += 1
        layer.SetFeature(feature)
        new = ogr.Feature(layer.GetLayerDefn())
        new.SetGeometry(ogr.CreateGeometryFromWkt("POINT (1 2)"))
        new["type"] = 2
        layer.CreateFeature(new)
        assert seen <= count
    assert seen == count - 1
    assert layer.GetFeatureCount() == 2 * (count - 1)
    assert layer.GetFeature(count)["type"] == 2  # the first created took the next FID, none reused
    assert layer.DeleteFeature(3) == ogr.OGRERR_NON_EXISTING_FEATURE
    layer.SetNextByIndex(0)  # a reading that starts without ResetReading sees every feature created
    assert sum(1 for _ in iter(layer.GetNextFeature, None)) == 2 * (count - 1)


def test_what_the_format_cannot_carry_is_refused_at_once(tmp_path):
    chart = tmp_path / "chart.txt"
    chart.write_bytes(SAMPLE.read_bytes())
    dataset = open_update(chart)
    lines = dataset.GetLayerByName("lines")
    feature = lines.GetFeature(0)
    feature.SetGeometry(ogr.CreateGeometryFromWkt("POINT (1 2)"))
    result, messages = reported(lambda: lines.SetFeature(feature))
    assert result == ogr.OGRERR_FAILURE or result is None
    assert len(messages) == 1 and "layer lines, feature 0: it is a Point; the layer takes a Line String" in messages[0][1]
    symbols = dataset.GetLayerByName("symbols")
    text = ogr.Feature(symbols.GetLayerDefn())
    text.SetGeometry(ogr.CreateGeometryFromWkt("POINT (1 2)"))
    text["type"] = 48
    _, messages = reported(lambda: symbols.CreateFeature(text))
    assert len(messages) == 1 and "layer symbols, feature 29" in messages[0][1] and "carries a text" in messages[0][1]
    # A line's record holds 48 label points: with its two, the 47th created is refused as it is created.
    points = dataset.GetLayerByName("label_points")
    refusals = []
    for index in range(47):
        point = ogr.Feature(points.GetLayerDefn())
        point.SetGeometry(ogr.CreateGeometryFromWkt(f"POINT ({index} 5)"))
        point["parent_layer"], point["parent_fid"], point["index"] = "lines", 1, 100 + index
        result, messages = reported(lambda: points.CreateFeature(point))
        refusals += [m for _, m in messages]
    assert len(refusals) == 1 and "as many as its record holds" in refusals[0]
    dataset = None  # saved: the line with its 48 label points, nothing refused taken
    assert summary(diff(SAMPLE, chart)) == ({"lines": (1, 0, 0)}, [])


def test_a_file_changed_behind_the_editor_is_not_overwritten(tmp_path):
    chart = tmp_path / "chart.txt"
    chart.write_bytes(SAMPLE.read_bytes())
    dataset = open_update(chart)
    set_field(dataset.GetLayerByName("lines"))
    stat = chart.stat()
    other = SAMPLE.read_bytes().replace(b"Synthetic", b"Synthetiq")  # same size; the time put back
    chart.write_bytes(other)
    os.utime(chart, ns=(stat.st_atime_ns, stat.st_mtime_ns))
    result, messages = reported(lambda: dataset.GetLayer(0).SyncToDisk())
    assert result != ogr.OGRERR_NONE
    assert any("changed on disk since it was opened (its content)" in m for _, m in messages)
    closed_quietly(dataset)  # the close tries again, and says so again
    dataset = None
    assert chart.read_bytes() == other
    assert sorted(p.name for p in tmp_path.iterdir()) == ["chart.txt"]


KILLED_SAVE = """
import sys
from osgeo import gdal
dataset = gdal.OpenEx(sys.argv[1], gdal.OF_VECTOR | gdal.OF_UPDATE)
layer = dataset.GetLayerByName("lines")
feature = layer.GetFeature(0)
feature["code"] = 99
layer.SetFeature(feature)
print("saving", flush=True)
layer.SyncToDisk()
print("saved", flush=True)
"""


def test_a_process_killed_while_saving_leaves_a_whole_chart(tmp_path):
    chart = tmp_path / "big.txt"
    subprocess.run([MAKE_CHART, "--seed", "7", "--size-mb", "5", "-o", str(chart)], check=True)
    original = chart.read_bytes()
    outcomes = set()
    for delay in [0.0, 0.05, 0.1, 0.2, 0.4]:
        chart.write_bytes(original)
        process = subprocess.Popen([sys.executable, "-c", KILLED_SAVE, str(chart)], stdout=subprocess.PIPE, text=True)
        assert process.stdout.readline() == "saving\n"
        time.sleep(delay)
        process.send_signal(signal.SIGKILL)
        process.wait()
        # The chart's name holds the chart as it was or as saved, never a part; no temporary is left.
        saved = chart.read_bytes()
        outcomes.add("kept" if saved == original else "saved")
        if saved != original:
            assert summary(diff(_original(tmp_path, original), chart)) == ({"lines": (1, 0, 0)}, [])
        assert sorted(p.name for p in tmp_path.iterdir() if p.name != "original.txt") == ["big.txt"]
    assert "kept" in outcomes


def _original(folder, data):
    path = folder / "original.txt"
    if not path.exists():
        path.write_bytes(data)
    return path


def test_a_read_only_folder_or_a_stream_is_refused_for_update(tmp_path):
    folder = tmp_path / "locked"
    folder.mkdir()
    chart = folder / "chart.txt"
    chart.write_bytes(SAMPLE.read_bytes())
    # Root writes through permission bits: an immutable folder refuses root too.
    if subprocess.run(["chattr", "+i", str(folder)], capture_output=True).returncode != 0:
        pytest.skip("chattr +i is not allowed here (no CAP_LINUX_IMMUTABLE, or a file system without it)")
    try:
        dataset, messages = reported(lambda: open_update(chart))
        assert dataset is None
        assert any("not opened for update: a save could not replace it: its folder" in m and
                   "Operation not permitted" in m for _, m in messages), messages
    finally:
        subprocess.run(["chattr", "-i", str(folder)], check=True)
    dataset, messages = reported(lambda: open_update(f"/vsigzip/{chart}"))
    assert dataset is None


def test_a_chart_with_errors_opens_for_update_with_a_warning(tmp_path):
    chart = tmp_path / "broken.txt"
    chart.write_bytes(SAMPLE.read_bytes().replace(b"NOTES_SYMBOL: 2", b"NOTES_SYMBOL: 5"))
    dataset, messages = reported(lambda: open_update(chart))
    assert dataset is not None
    assert any("opened for update with" in m and "a save writes the chart as it was read" in m for _, m in messages)


# A chart whose every layer holds elements GIS has no geometry for: NaN, inf, -inf and -0 coordinates and values,
# lines and line symbols of one point, contours of two points and of none, rings of one point, a contour nested in
# one after it in the file (its FID is not its file position), label points at inf and NaN.
DEGENERATE = """\
readdata14 14 Degenerate_chart
24 1 4 0 0
LINES: 5
1 3
10.0 20.0 0 30.0 40.0 0 50.0 60.0 0
1012 1
30.0 40.0 0
2 1
15.5 25.5 0
1008 1
15.5 25.5 0
3 3
nan 1.0 0 2.0 inf 0 -0 -0.0 0
1016 1
inf -inf 0
4 0
NoLabel 0
5 3
100.0 100.0 0 110.0 -0 0 120.0 130.0 0
NoLabel 0
LINES_SYMBOL: 3
7 0 2
1.0 2.0 0 3.0 4.0 0
NoText 0
8 0 1
5.0 6.0 0
NoText 0
9 0 2
nan 7.0 0 8.0 -inf 0
NoText 0
SYMBOLS: 4
7 10.0 20.0 0.0 1.5
48 nan 1.0 0.0 Low
2 inf -0 0 -0.0
61 30.0 40.0 0.0 H
CLOSED_CONTOURS: 6
1 5
0 0 0 10 0 0 10 10 0 0 10 0 0 0 0
1000 1
5 5 0
1 2
20 20 0 30 30 0
1004 1
25 25 0
1 0
1008 0
1 4
nan 0 0 40 0 0 40 inf 0 nan 0 0
996 0
1 5
120 120 0 180 120 0 180 180 0 120 180 0 120 120 0
1016 1
nan 150 0
1 5
100 100 0 200 100 0 200 200 0 100 200 0 100 100 0
1012 2
150 150 0 -0 160 0
STATION_SITUATION
WEATHER_REGION: 3
3 3
60.0 60.0 0.0 70.0 60.0 0.0 70.0 70.0 0.0
4 1
1 1 0
5 3
nan 1 0 2 2 0 3 inf 0
FILLAREA: 2
5 3
10.0 10.0 0.0 20.0 10.0 0.0 15.0 18.0 0.0
1 2 3 4 5 6 7 8 9 10 11 12 13 nan -1 16
6 2
1 1 0 2 2 0
0 0 0 0 0 0 0 0 0 0 0 0 0 -0 0 1
NOTES_SYMBOL: 3
48 50.0 50.0 0.0 5
Hello
1.5 11
Cold winter
1 2 3 4 5 6
48 nan inf 0.0 3
Fog
-0 0
nan inf -inf -0 0 1
48 60 61 0 0
inf 0
0 0 0 0 0 0
"""


def field(layer, fid, name, value):
    def edit(dataset):
        feature = dataset.GetLayerByName(layer).GetFeature(fid)
        feature[name] = value
        return dataset.GetLayerByName(layer).SetFeature(feature)
    return edit


def geometry(layer, fid, wkt):
    def edit(dataset):
        feature = dataset.GetLayerByName(layer).GetFeature(fid)
        feature.SetGeometry(ogr.CreateGeometryFromWkt(wkt))
        return dataset.GetLayerByName(layer).SetFeature(feature)
    return edit


def deleted(layer, fid):
    return lambda dataset: dataset.GetLayerByName(layer).DeleteFeature(fid)


def created(layer, wkt, **fields):
    def edit(dataset):
        feature = ogr.Feature(dataset.GetLayerByName(layer).GetLayerDefn())
        feature.SetGeometry(ogr.CreateGeometryFromWkt(wkt))
        for name, value in fields.items():
            feature[name] = value
        return dataset.GetLayerByName(layer).CreateFeature(feature)
    return edit


# chart14 diff's words for each edit below (the derived nesting and levels included where a contour goes).
DIFF_LINE_CODE = "lines: 5 elements: 1 changed, 4 identical\n  ~ [0] code 1 -> 9\n"
DIFF_LINE_SYMBOL = ("line_symbols: 3 elements: 1 changed, 2 identical\n  ~ [0] points: 1 of 2 moved\n"
                    "      [1] (3, 4) -> (3, 5), by (0, 1)\n")
DIFF_SYMBOL = "symbols: 4 elements: 1 changed, 3 identical\n  ~ [0] direction 184.05634 -> 180\n"
DIFF_CONTOUR = ("closed_contours (in file order): 6 elements: 1 changed, 5 identical\n  ~ [0] points: 1 of 5 moved\n"
                "      [1] (10, 0) -> (11, 0), by (1, 0)\n")
DIFF_REGION = "weather_regions: 3 elements: 1 changed, 2 identical\n  ~ [0] code 3 -> 9\n"
DIFF_FILL = "fill_areas: 2 elements: 1 changed, 1 identical\n  ~ [0] value_1 1 -> 42\n"
DIFF_NOTE = 'notes: 3 elements: 1 changed, 2 identical\n  ~ [0] first_text "Hello" -> "Edited"\n'
DIFF_LINE_SYMBOL_DELETED = "line_symbols: 3 -> 2 elements: 1 removed, 2 identical\n  - [2] code 9, points 2 from (nan, 7)\n"
DIFF_CONTOUR_DELETED = (
    "closed_contours (in file order): 6 -> 5 elements: 1 changed, 1 removed, 4 identical\n"
    "  ~ [4] level_index 6 -> 5; nesting_position 5 -> 4\n"
    "  - [5] code 1, label 1012, valued_closed true, level_index 5, nesting_position 4, points 5 from (100, 100), "
    "label_points 2 from (150, 150)\nlevels: 996 1000 1004 1008 1012 1016 -> 996 1000 1004 1008 1016\n")
DIFF_DEGENERATE_FIELD = "weather_regions: 3 elements: 1 changed, 2 identical\n  ~ [1] code 4 -> 9\n"
DIFF_CONTOUR_CREATED = (
    "closed_contours (in file order): 6 -> 7 elements: 1 added, 6 identical\n"
    "  + [6] code 2, label NoLabel, valued_closed false, level_index 999999, nesting_position 6, "
    "points 4 from (300, 300), label_points 0\n")
DIFF_SYMBOL_CREATED = ('symbols: 4 -> 5 elements: 1 added, 4 identical\n'
                       '  + [4] type 7, direction 89.99999, text "", position (3, 4)\n')
DIFF_LABEL_MOVED = ("lines: 5 elements: 1 changed, 4 identical\n  ~ [1] label_points: 1 of 1 moved\n"
                    "      [0] (15.5, 25.5) -> (1, 2), by (-14.5, -23.5)\n")
DIFF_LABEL_CREATED = ("closed_contours (in file order): 6 elements: 1 changed, 5 identical\n"
                      "  ~ [4] label_points: 1 -> 2 points, 0 of 1 moved\n")
DIFF_LABEL_DELETED = "lines: 5 elements: 1 changed, 4 identical\n  ~ [2] label_points: 1 -> 0 points\n"
DIFF_CONTOURS_REORDERED = (
    "closed_contours (in file order): 6 -> 7 elements: 3 changed, 1 added, 3 identical\n"
    "  ~ [0] code 1 -> 10\n  ~ [2] code 1 -> 12\n  ~ [5] code 1 -> 14\n" + DIFF_CONTOUR_CREATED.split("\n", 1)[1])
DIFF_CONTOUR_WITH_NAN_LABEL = "closed_contours (in file order): 6 elements: 1 changed, 5 identical\n  ~ [4] code 1 -> 9\n"
DIFF_NOTE_AT_INF = 'notes: 3 elements: 1 changed, 2 identical\n  ~ [2] first_text "" -> "Gale"\n'
# A field set on an element whose points GIS cannot carry (NaN, inf) is refused, the chart left as it was.
REFUSED = ""

# Each edit, and what `chart14 diff` says of the chart before and after: exactly the edit. A field set on an
# element GIS shows without a geometry keeps its points; every element beside it is as it was.
DEGENERATE_EDITS = {
    "a line beside degenerate ones keeps its label point": (field("lines", 0, "code", 9), DIFF_LINE_CODE),
    "a line symbol moved": (geometry("line_symbols", 0, "LINESTRING (1 2,3 5)"), DIFF_LINE_SYMBOL),
    "a symbol turned": (field("symbols", 0, "direction", 180.0), DIFF_SYMBOL),
    "a contour moved keeps its label point": (geometry("closed_contours", 0, "LINESTRING (0 0,11 0,10 10,0 10,0 0)"),
                                               DIFF_CONTOUR),
    "a region's code": (field("weather_regions", 0, "code", 9), DIFF_REGION),
    "a fill area's value": (field("fill_areas", 0, "value_1", 42), DIFF_FILL),
    "a note's text": (field("notes", 0, "first_text", "Edited"), DIFF_NOTE),
    "the last line symbol, of NaN and -inf, deleted": (deleted("line_symbols", 2), DIFF_LINE_SYMBOL_DELETED),
    "the last contour in the file deleted with its label points": (deleted("closed_contours", 4), DIFF_CONTOUR_DELETED),
    "a degenerate element's field": (field("weather_regions", 1, "code", 9), DIFF_DEGENERATE_FIELD),
    "a contour created goes last in the file": (
        created("closed_contours", "LINESTRING (300 300,310 300,310 310,300 300)", code=2), DIFF_CONTOUR_CREATED),
    "a symbol created goes last": (created("symbols", "POINT (3 4)", type=7, direction=90.0), DIFF_SYMBOL_CREATED),
    "the label point of a line of one point moved": (geometry("label_points", 1, "POINT (1 2)"), DIFF_LABEL_MOVED),
    "a label point given to the contour with a NaN one": (
        created("label_points", "POINT (7 8)", parent_layer="closed_contours", parent_fid=5, index=1),
        DIFF_LABEL_CREATED),
    "the label point at inf of a NaN line deleted": (deleted("label_points", 2), DIFF_LABEL_DELETED),
    "a contour set keeps its label point at (nan, 150)": (field("closed_contours", 5, "code", 9),
                                                         DIFF_CONTOUR_WITH_NAN_LABEL),
    "a line of NaN and inf set without a geometry is refused": (field("lines", 2, "code", 9), REFUSED),
    "a symbol at (nan, 1) set without a geometry is refused": (field("symbols", 1, "type", 9), REFUSED),
    "a note's text set keeps its value at inf": (field("notes", 2, "first_text", "Gale"), DIFF_NOTE_AT_INF),
    "three contours set and one created keep the file's order": (lambda dataset: max(edit(dataset) for edit in [
        field("closed_contours", 4, "code", 14), field("closed_contours", 0, "code", 10),
        field("closed_contours", 2, "code", 12),
        created("closed_contours", "LINESTRING (300 300,310 300,310 310,300 300)", code=2)]), DIFF_CONTOURS_REORDERED),
    "several in one save": (lambda dataset: max(edit(dataset) for edit in [
        field("lines", 0, "code", 9), geometry("label_points", 1, "POINT (1 2)"), deleted("line_symbols", 2),
        created("symbols", "POINT (3 4)", type=7, direction=90.0), field("notes", 0, "first_text", "Edited")]),
        DIFF_LINE_CODE.replace("1 changed, 4", "2 changed, 3") + DIFF_LABEL_MOVED.split("\n", 1)[1] +
        DIFF_LINE_SYMBOL_DELETED + DIFF_SYMBOL_CREATED + DIFF_NOTE),
}


@pytest.mark.parametrize("case", list(DEGENERATE_EDITS))
def test_an_edit_beside_degenerate_elements_changes_only_itself(tmp_path, case):
    edit, expected = DEGENERATE_EDITS[case]
    before, chart = tmp_path / "before.txt", tmp_path / "chart.txt"
    before.write_text(DEGENERATE)
    chart.write_text(DEGENERATE)
    dataset, _ = reported(lambda: open_update(chart))
    result, messages = reported(lambda: edit(dataset))
    if expected == REFUSED:
        assert result == ogr.OGRERR_FAILURE and "not finite" in messages[0][1]
    else:
        assert result == ogr.OGRERR_NONE
    _, messages = reported(lambda: dataset.GetLayer(0).SyncToDisk())
    assert [m for cls, m in messages if cls >= gdal.CE_Failure] == []
    dataset = None
    result = subprocess.run([CHART14, "diff", str(before), str(chart)], capture_output=True, text=True)
    assert (result.returncode, result.stdout) == (1 if expected else 0, expected), result.stdout


def test_one_field_set_in_each_layer_of_spoiled_charts_is_all_that_changes(tmp_path, spoiled):
    """Charts with non-finite values spoiled in everywhere: a value set on one element changes that element
    alone, its label points included, or the set is refused for points GIS cannot carry and nothing changes."""
    saved = refusals = 0
    for source in spoiled:
        for layer_name in LAYERS:
            chart = tmp_path / f"{source.stem}_{layer_name}.txt"
            chart.write_bytes(source.read_bytes())
            dataset, _ = reported(lambda: open_update(chart))
            layer = dataset.GetLayerByName(layer_name)
            if layer.GetFeatureCount() == 0:
                continue
            name = {"symbols": "geometry", "notes": "value_1"}.get(layer_name, "code")
            edit = (geometry(layer_name, 0, "POINT (1 2)") if name == "geometry" else
                    field(layer_name, 0, name, (layer.GetFeature(0)[name] or 0) + 1))
            result, messages = reported(lambda: edit(dataset))
            refused = result == ogr.OGRERR_FAILURE
            assert (result, messages) == (ogr.OGRERR_NONE, []) or (
                refused and "not finite" in messages[0][1]), (source.name, layer_name)
            assert reported(lambda: dataset.GetLayer(0).SyncToDisk()) == (ogr.OGRERR_NONE, [])
            dataset = None
            changed = {} if refused else {layer_name: (1, 0, 0)}
            assert summary(diff(source, chart)) == (changed, []), (source.name, layer_name)
            saved += not refused
            refusals += refused
    assert saved + refusals >= len(spoiled) * 5 and saved >= len(spoiled) * 2  # the layers that hold an element
