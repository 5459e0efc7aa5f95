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
