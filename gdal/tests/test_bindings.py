"""The driver through GDAL's Python bindings against the library's own tables:
every feature and field (nulls included) of the project's charts, generated
charts of every shape, broken files and charts with non-finite values;
identification and its reasons; streams and virtual files; the open options;
random reads and filters; opens for update."""
import concurrent.futures
import gzip
import os
import re
import shutil
import struct
import subprocess
import zipfile

import pytest
from osgeo import gdal, ogr

import library
from conftest import CHART14, MAKE_CHART, PROJECT_CHARTS, SAMPLE

gdal.UseExceptions()


def open_chart(path, **options):
    return gdal.OpenEx(str(path), gdal.OF_VECTOR, allowed_drivers=["Chart14"],
                       open_options=[f"{k}={v}" for k, v in options.items()])


def reported(action):
    """What `action` returned (None when it raised), and what GDAL reported meanwhile."""
    messages = []
    gdal.PushErrorHandler(lambda cls, num, msg: messages.append(msg))
    try:
        return action(), messages
    except RuntimeError:
        return None, messages
    finally:
        gdal.PopErrorHandler()


def exact(value):
    """A value to compare: floats by their bits, so that -0.0 is not 0.0."""
    return struct.pack("<d", value) if isinstance(value, float) else value


def flat(points):
    return None if points is None else [exact(c) for p in points for c in p]


def points_of(geometry):
    if geometry is None:
        return None
    return flat((geometry.GetGeometryRef(0) if geometry.GetGeometryType() == ogr.wkbPolygon else geometry).GetPoints())


def check_against_library(path, dataset=None):
    want, dataset = library.read(path), dataset or open_chart(path)
    metadata = dataset.GetMetadata()
    header = want["header"]
    assert [metadata[k] for k in ("FIRST_TOKEN", "DESCRIPTION", "ERRORS", "WARNINGS", "FILL_AREAS_READ")] == \
           [header["FIRST_TOKEN"], header["DESCRIPTION"], str(header["ERRORS"]), str(header["WARNINGS"]),
            "YES" if header["FILL_AREAS_READ"] else "NO"]
    assert metadata["HEADER_INTEGERS"] == ",".join(map(str, header["HEADER_INTEGERS"]))
    levels = [float(v) for v in metadata["LEVELS"].split(",") if v]
    assert [struct.unpack("f", struct.pack("f", v))[0] for v in levels] == header["LEVELS"]
    assert [dataset.GetLayer(i).GetName() for i in range(dataset.GetLayerCount())] == list(want["layers"])
    for name, table in want["layers"].items():
        layer = dataset.GetLayerByName(name)
        assert layer.GetMetadataItem("SECTION_PRESENT") == ("YES" if table["present"] else "NO"), name
        assert layer.GetFeatureCount() == len(table["features"]), name
        if table["extent"][0] == table["extent"][0]:  # NaN: no geometry at all
            x0, y0, x1, y1 = table["extent"]
            assert layer.GetExtent() == (x0, x1, y0, y1), name
        got = [(f.GetFID(), points_of(f.GetGeometryRef()), [exact(v) for v in f.items().values()]) for f in layer]
        assert [fid for fid, _, _ in got] == list(range(len(table["features"]))), name
        for (fid, points, values), (want_points, want_values) in zip(got, table["features"]):
            assert points == flat(want_points), (name, fid)
            assert values == [exact(v) for v in want_values], (name, fid)


@pytest.mark.parametrize("chart", PROJECT_CHARTS, ids=lambda p: p.name)
def test_project_charts_match_the_library(chart):
    check_against_library(chart)


def test_generated_and_non_finite_charts_match_the_library(generated, spoiled):
    for path in [*generated.values(), *spoiled]:
        check_against_library(path)


# Broken files: the sample cut short, and with bytes spoiled, after its header.
CUTS = [0.03, 0.2, 0.37, 0.5, 0.61, 0.78, 0.9, 0.999]
SPOILS = [(0.1, b"x"), (0.25, b"\0"), (0.4, b"\xff\xfe"), (0.55, b"-"), (0.7, b"\n\n"), (0.85, b"9e99"), (0.95, b"#")]


def test_broken_files_match_the_library(tmp_path):
    data = SAMPLE.read_bytes()
    for i, cut in enumerate(CUTS):
        (tmp_path / f"cut{i}.txt").write_bytes(data[:int(len(data) * cut)])
        check_against_library(tmp_path / f"cut{i}.txt")
    for i, (at, bytes_) in enumerate(SPOILS):
        offset = int(len(data) * at)
        (tmp_path / f"spoiled{i}.txt").write_bytes(data[:offset] + bytes_ + data[offset + len(bytes_):])
        check_against_library(tmp_path / f"spoiled{i}.txt")


def test_streams_and_virtual_files_read_as_the_file_does(tmp_path):
    big = tmp_path / "big.txt"  # beyond the megabyte GDAL keeps of /vsistdin/
    subprocess.run([MAKE_CHART, "--seed", "7", "--size-mb", "3", "-o", str(big)], check=True)
    with zipfile.ZipFile(tmp_path / "charts.zip", "w", zipfile.ZIP_DEFLATED) as archive:
        archive.write(big, "inside/big")
    gdal.FileFromMemBuffer("/vsimem/big", big.read_bytes())
    for name in [f"/vsizip/{tmp_path / 'charts.zip'}/inside/big", "/vsimem/big"]:
        check_against_library(big, open_chart(name))
    gdal.Unlink("/vsimem/big")
    with open(big, "rb") as stdin:
        out = subprocess.run(["ogrinfo", "-ro", "-so", "-al", "/vsistdin/"], stdin=stdin, capture_output=True, text=True)
    assert re.findall(r"Feature Count: (\d+)", out.stdout) == [str(len(t["features"])) for t in
                                                              library.read(big)["layers"].values()]


def test_findings_become_warnings_with_their_place(tmp_path):
    (tmp_path / "bad.txt").write_text("x 14 bad_labels\n1 2 3 4 5\nLINES: 15\n" + "1 2\n0 0 0 1 1 0\nBad 0\n" * 15)
    _, messages = reported(lambda: open_chart(tmp_path / "bad.txt"))
    findings = subprocess.run([CHART14, "check", str(tmp_path / "bad.txt")], capture_output=True,
                              text=True).stdout.splitlines()
    assert len(findings) > 11
    assert messages == ["Chart14: " + f for f in findings[:10]] + [
        f"Chart14: {tmp_path / 'bad.txt'}: {len(findings) - 10} more findings not shown (chart14 check lists them all)"]


SAMPLE_TEXT = SAMPLE.read_text()
IDENTIFY = [  # (file content, claimed by the library and the driver)
    (SAMPLE_TEXT.replace("\n", "\r\n"), True),
    ("\n\n  " + SAMPLE_TEXT, True),
    ("x 14 d\x01e\n1 2 3 4 5\nLINES: 0\n", True),               # a control byte in the description
    ("x 14 d\nLINES: 0\n", True),                               # no header integers
    ("x 14 d\n1 +2 3\nLINES: 0\n", True),                       # fewer, signed
    ("x 14 " + "d" * 5000 + "\n1 2 3 4 5\nLINES: 0\n", True),   # beyond the first kilobyte
    ("x 14 d\n" + "1 " * 200000 + "\nLINES: 0\n", True),        # the tag beyond 64 kB
    ("x 14 d\n1 2 3 4 5\nSTATION_SITUATION\nWEATHER_REGION: 0\n\x1a junk", True),
    (SAMPLE_TEXT.replace(" 14 ", " 13 ", 1), False),
    (SAMPLE_TEXT.replace(" 14 ", " 15 ", 1), False),
    ("X -14 d\n1 2 3 4 5\nLINES: 0\n", False),
    ("a 14 b 1 2 3 4 5\nc 14 d 6 7 8 9 10\n", False),           # a whitespace table
    ("a 14 b 1 2 3 4 5\n" * 90000, False),                      # ... of 1.5 MB
    ("id,x,y\n1,2,3\n", False),
    ("1.0 2.0 3.0\n4.0 5.0 6.0\n", False),                      # XYZ
    ("Hello, world: 14 lines of text\n", False),
    ("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", False),
    ("", False),
    (" \n\t\n", False),
]


@pytest.mark.parametrize("text,claimed", IDENTIFY, ids=range(len(IDENTIFY)))
def test_identification_is_the_librarys_and_refusals_say_why(tmp_path, text, claimed):
    path = tmp_path / "chart.dat"
    path.write_bytes(text.encode("latin-1"))
    library_claims, why = library.identify(path.read_bytes())
    assert library_claims == claimed
    assert (gdal.IdentifyDriverEx(str(path), allowed_drivers=["Chart14"]) is not None) == claimed
    if len(text) > 1 << 20:  # read no further than the first megabyte
        why = "no section tag (LINES:, STATION_SITUATION, ...) follows a type-14 header in the first 1 MB"
    dataset, messages = reported(lambda: open_chart(path))
    assert (dataset is not None) == claimed
    assert claimed or f"Chart14: {path}: not read as a type-14 chart: {why}" in messages


def test_every_readable_chart_is_claimed(generated, spoiled):
    for path in [*PROJECT_CHARTS, *generated.values(), *spoiled]:
        assert library.read(path)["status"] == library.READ, path
        assert gdal.IdentifyDriverEx(str(path)).ShortName == "Chart14", path


@pytest.mark.parametrize("extension", ["csv", "tsv", "psv", "xyz", "gmt", "map", "csv.gz", "txt", "dat", ""])
def test_names_of_gdals_text_drivers_stay_theirs(tmp_path, extension):
    path = tmp_path / ("chart." + extension).rstrip(".")
    path.write_bytes(gzip.compress(SAMPLE.read_bytes()) if extension.endswith(".gz") else SAMPLE.read_bytes())
    name = f"/vsigzip/{path}" if extension.endswith(".gz") else str(path)
    others = [gdal.GetDriver(i).ShortName for i in range(gdal.GetDriverCount()) if gdal.GetDriver(i).ShortName != "Chart14"]
    before, _ = reported(lambda: gdal.OpenEx(name, gdal.OF_VECTOR, allowed_drivers=others).GetDriver().ShortName)
    now, _ = reported(lambda: gdal.OpenEx(name, gdal.OF_VECTOR).GetDriver().ShortName)
    if extension in ("txt", "dat", ""):
        assert (before, now) == (None, "Chart14")
    else:
        assert now == before  # theirs, or no one's
    check_against_library(SAMPLE, open_chart(name))  # named alone
    check_against_library(SAMPLE, gdal.OpenEx("CHART14:" + name, gdal.OF_VECTOR))  # or by the prefix


def test_ogrinfo_says_why_of_a_file_with_a_charts_marks_or_named_by_prefix(tmp_path):
    path = tmp_path / "t13.txt"
    path.write_text(SAMPLE_TEXT.replace(" 14 ", " 13 ", 1))
    for name, verdict in [(path, "not a type-14 chart"), (f"CHART14:{path}", "not read as a type-14 chart")]:
        result = subprocess.run(["ogrinfo", "-ro", "-so", str(name)], capture_output=True, text=True)
        assert result.returncode != 0
        assert f"Chart14: {path}: {verdict}: the second header token is 13, not 14" in result.stderr


def test_read_only_opens_refuse_edits_and_update_opens_take_them(tmp_path):
    dataset, messages = reported(lambda: ogr.Open(str(SAMPLE), 0))
    assert dataset.GetDriver().GetName() == "Chart14" and messages == []
    layer = dataset.GetLayer(0)
    assert not any(dataset.TestCapability(c) for c in ["CreateLayer", "DeleteLayer"])
    assert not any(layer.TestCapability(c) for c in ["SequentialWrite", "RandomWrite", "CreateField", "DeleteFeature"])
    # An edit that is tried anyway says how charts are edited.
    for edit in [lambda: layer.CreateField(ogr.FieldDefn("x")), lambda: layer.DeleteFeature(0),
                 lambda: layer.CreateFeature(ogr.Feature(layer.GetLayerDefn())), lambda: dataset.CreateLayer("x")]:
        _, messages = reported(edit)
        assert len(messages) == 1 and "opened for update" in messages[0]
    # Opened for update (as QGIS asks first): the features can be written, never the fields.
    chart = tmp_path / "chart.txt"
    chart.write_bytes(SAMPLE.read_bytes())
    dataset, messages = reported(lambda: ogr.Open(str(chart), 1))
    assert dataset.GetDriver().GetName() == "Chart14" and messages == []
    layer = dataset.GetLayer(0)
    assert all(layer.TestCapability(c) for c in ["SequentialWrite", "RandomWrite", "DeleteFeature"])
    _, messages = reported(lambda: layer.CreateField(ogr.FieldDefn("x")))
    assert len(messages) == 1 and "layers and fields are the format's" in messages[0]


def test_encoding_option(tmp_path):
    chart = ("x 14 Caf\xe9\n1 2 3 4 5\nLINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 1\n48 1 2 0 \xb0C\nCLOSED_CONTOURS: 0\n"
             "STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 1\n48 5 6 0 4\nN\xe4he\n1.5 3\nFog\n"
             "1 2 3 4 5 6\n")
    (tmp_path / "cp1252.txt").write_bytes(chart.encode("latin-1"))
    raw, messages = reported(lambda: open_chart(tmp_path / "cp1252.txt"))
    assert len(messages) == 1 and "ENCODING" in messages[0]
    decoded = open_chart(tmp_path / "cp1252.txt", ENCODING="CP1252")
    for dataset, texts in [(raw, ["Caf\\xE9", "\\xB0C", "N\\xE4he"]), (decoded, ["Café", "°C", "Nähe"])]:
        assert dataset.GetMetadataItem("DESCRIPTION") == texts[0]
        assert dataset.GetLayerByName("symbols").GetFeature(0)["text"] == texts[1]
        assert dataset.GetLayerByName("notes").GetFeature(0)["first_text"] == texts[2]
    with pytest.raises(RuntimeError, match="ENCODING=no-such-code-page"):
        open_chart(tmp_path / "cp1252.txt", ENCODING="no-such-code-page")


def test_srs_option():
    plain = open_chart(SAMPLE)
    assert plain.GetLayer(0).GetSpatialRef() is None
    dataset = open_chart(SAMPLE, SRS="EPSG:4326")
    layer = dataset.GetLayerByName("symbols")
    assert layer.GetSpatialRef().GetAuthorityCode(None) == "4326"
    # x stays x, whatever order the reference's own axes have.
    feature = layer.GetFeature(0)
    point = feature.GetGeometryRef()
    assert [(point.GetX(), point.GetY())] == library.read(SAMPLE)["layers"]["symbols"]["features"][0][0]
    with pytest.raises(RuntimeError, match="SRS=no such reference"):
        open_chart(SAMPLE, SRS="no such reference")


def test_random_reads_and_filters(spoiled):
    x0, x1, y0, y1 = 300, 600, 100, 500
    box = ogr.CreateGeometryFromWkt(f"POLYGON(({x0} {y0},{x1} {y0},{x1} {y1},{x0} {y1},{x0} {y0}))")
    for path in [SAMPLE, spoiled[0]]:
        dataset = open_chart(path)
        for (name, _, fields), table in zip(library.schema(), library.read(path)["layers"].values()):
            layer, features = dataset.GetLayerByName(name), table["features"]
            for fid in reversed(range(len(features))):
                feature = layer.GetFeature(fid)
                assert points_of(feature.GetGeometryRef()) == flat(features[fid][0])
                assert [exact(v) for v in feature.items().values()] == [exact(v) for v in features[fid][1]]
            assert layer.GetFeature(len(features)) is None and layer.GetFeature(-1) is None
            # The generic filters, with the envelope pre-check in front.
            hits = [f.GetFID() for f in layer if f.GetGeometryRef() and f.GetGeometryRef().Intersects(box)]
            layer.SetSpatialFilterRect(x0, y0, x1, y1)
            assert not layer.TestCapability(ogr.OLCFastFeatureCount)
            assert [f.GetFID() for f in layer] == hits and layer.GetFeatureCount() == len(hits)
            layer.SetSpatialFilter(None)
            if features:
                layer.SetAttributeFilter(f"{fields[0][0]} = {features[0][1][0]!r}")
                assert layer.GetFeatureCount() == sum(1 for _, values in features if values[0] == features[0][1][0])
                layer.SetAttributeFilter(None)


def test_separate_datasets_in_threads(generated):
    def read(path):
        dataset = open_chart(path, ENCODING="UTF-8")
        return [(f.GetFID(), f.items(), f.GetGeometryRef() and f.GetGeometryRef().ExportToWkt())
                for i in range(dataset.GetLayerCount()) for f in dataset.GetLayer(i)]
    paths = list(generated.values()) * 2
    alone = [read(path) for path in paths]
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        assert list(pool.map(read, paths)) == alone


def test_file_gone_or_a_directory(tmp_path):
    shutil.copy(SAMPLE, tmp_path / "chart.txt")
    dataset = open_chart(tmp_path / "chart.txt")
    os.remove(tmp_path / "chart.txt")
    # One read per open: the features outlive the file.
    assert dataset.GetLayerByName("lines").GetFeature(5) is not None
    for path in [tmp_path / "chart.txt", tmp_path]:
        with pytest.raises(RuntimeError):
            open_chart(path)
