"""The driver through GDAL's Python bindings: every coordinate and every field
of every feature against chart14 json's dump of the same file, for generated
charts, the project's own charts and broken files; identification, the open
options, random reads, filters and files that are not there."""
import concurrent.futures
import os
import shutil
import subprocess
import zipfile

import pytest
from osgeo import gdal, ogr

from conftest import CHART14, LAYERS, PROJECT_CHARTS, SAMPLE, dump, expected, f32, same

gdal.UseExceptions()
NO_LEVEL = 999999


def open_chart(path, **options):
    return gdal.OpenEx(str(path), gdal.OF_VECTOR, allowed_drivers=["Chart14"],
                       open_options=[f"{k}={v}" for k, v in options.items()])


def open_with_warnings(path, **options):
    messages = []
    gdal.PushErrorHandler(lambda cls, num, msg: messages.append(msg))
    try:
        return open_chart(path, **options), messages
    finally:
        gdal.PopErrorHandler()


def points_of(geometry):
    if geometry is None:
        return None
    if geometry.GetGeometryType() == ogr.wkbPolygon:
        geometry = geometry.GetGeometryRef(0)
    return [(p[0], p[1]) for p in geometry.GetPoints() or []]


def check_against_dump(path):
    doc, dataset = dump(path), open_chart(path)
    want = expected(doc)
    assert [dataset.GetLayer(i).GetName() for i in range(dataset.GetLayerCount())] == list(LAYERS)
    metadata = dataset.GetMetadata()
    assert metadata["DESCRIPTION"] == doc["description"].replace("\0", "\\x00")
    levels = (doc["closedContours"] or {}).get("levels", [])
    assert [f32(float(v)) for v in filter(None, metadata["LEVELS"].split(","))] == [f32(v) for v in levels]
    assert metadata["FILL_AREAS_READ"] == ("YES" if doc["fillAreas"] is not None else "NO")
    check = subprocess.run([CHART14, "check", str(path)], capture_output=True, text=True).stdout
    assert int(metadata["ERRORS"]) == check.count(": error: ")
    for name, features in want.items():
        layer = dataset.GetLayerByName(name)
        assert layer.GetFeatureCount() == len(features), name
        got = [(f.GetFID(), points_of(f.GetGeometryRef()), f.items()) for f in layer]
        assert [fid for fid, _, _ in got] == list(range(len(features)))
        for (fid, points, fields), (want_points, want_fields) in zip(got, features):
            assert (points is None) == (want_points is None), (name, fid)
            assert all(same(u, v) for a, b in zip(points or [], want_points or []) for u, v in zip(a, b)), (name, fid)
            assert len(points or []) == len(want_points or []), (name, fid)
            # Booleans come out of the bindings as 0/1.
            assert all(same(fields[k], int(v) if isinstance(v, bool) else v) for k, v in want_fields.items()), \
                (name, fid, fields, want_fields)


@pytest.mark.parametrize("chart", PROJECT_CHARTS, ids=lambda p: p.name)
def test_project_charts_match_the_dump(chart):
    check_against_dump(chart)


def test_generated_charts_match_the_dump(generated):
    for path in generated.values():
        check_against_dump(path)


# Broken files: the sample cut short, and with bytes spoiled, after its header.
CUTS = [0.03, 0.2, 0.37, 0.5, 0.61, 0.78, 0.9, 0.999]
SPOILS = [(0.1, b"x"), (0.25, b"\0"), (0.4, b"\xff\xfe"), (0.55, b"-"), (0.7, b"\n\n"), (0.85, b"9e99"), (0.95, b"#")]


@pytest.mark.parametrize("cut", CUTS)
def test_truncated_files_give_exactly_the_records_read(tmp_path, cut):
    data = SAMPLE.read_bytes()
    (tmp_path / "cut.txt").write_bytes(data[:int(len(data) * cut)])
    check_against_dump(tmp_path / "cut.txt")


@pytest.mark.parametrize("at,spoil", SPOILS)
def test_spoiled_files_give_exactly_the_records_read(tmp_path, at, spoil):
    data, offset = SAMPLE.read_bytes(), int(len(SAMPLE.read_bytes()) * at)
    (tmp_path / "spoiled.txt").write_bytes(data[:offset] + spoil + data[offset + len(spoil):])
    check_against_dump(tmp_path / "spoiled.txt")


def test_findings_become_warnings_with_their_place(tmp_path):
    chart = "x 14 bad_labels\n1 2 3 4 5\nLINES: 15\n" + "1 2\n0 0 0 1 1 0\nBad 0\n" * 15
    (tmp_path / "bad.txt").write_text(chart)
    _, messages = open_with_warnings(tmp_path / "bad.txt")
    check = subprocess.run([CHART14, "check", str(tmp_path / "bad.txt")], capture_output=True, text=True).stdout
    findings = check.splitlines()
    assert len(findings) > 11
    assert messages == ["Chart14: " + f for f in findings[:10]] + [
        f"Chart14: {tmp_path / 'bad.txt'}: {len(findings) - 10} more findings not shown (chart14 check lists them all)"]


@pytest.mark.parametrize("text,claimed", [
    (SAMPLE.read_text(), True),
    (SAMPLE.read_text().replace("\n", "\r\n"), True),
    ("\n\n  " + SAMPLE.read_text(), True),
    ("a 14 b\n1 2 3 4 5\n", True),
    (SAMPLE.read_text().replace(" 14 ", " 13 ", 1), False),
    (SAMPLE.read_text().replace(" 14 ", " 15 ", 1), False),
    ("a 14 b\n1 2 3 4\nLINES: 0\n", False),
    ("Hello, world: 14 lines of text\n", False),
    ("id,x,y\n1,2,3\n", False),
    ("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", False),
    ("a\x01 14 b\n1 2 3 4 5\n", False),
])
def test_identification_is_by_content(tmp_path, text, claimed):
    path = tmp_path / "chart.dat"
    path.write_bytes(text.encode("latin-1"))
    assert (gdal.IdentifyDriverEx(str(path), allowed_drivers=["Chart14"]) is not None) == claimed


def test_virtual_files(tmp_path):
    with zipfile.ZipFile(tmp_path / "charts.zip", "w", zipfile.ZIP_DEFLATED) as archive:
        archive.write(SAMPLE, "inside/sample")
    zipped = open_chart(f"/vsizip/{tmp_path / 'charts.zip'}/inside/sample")
    direct = open_chart(SAMPLE)
    for name in LAYERS:
        assert zipped.GetLayerByName(name).GetFeatureCount() == direct.GetLayerByName(name).GetFeatureCount()


def test_encoding_option(tmp_path):
    chart = ("x 14 Caf\xe9\n1 2 3 4 5\nLINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 1\n48 1 2 0 \xb0C\nCLOSED_CONTOURS: 0\n"
             "STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 1\n48 5 6 0 4\nN\xe4he\n1.5 3\nFog\n"
             "1 2 3 4 5 6\n")
    (tmp_path / "cp1252.txt").write_bytes(chart.encode("latin-1"))
    raw, messages = open_with_warnings(tmp_path / "cp1252.txt")
    assert len(messages) == 1 and "ENCODING" in messages[0]
    decoded = open_chart(tmp_path / "cp1252.txt", ENCODING="CP1252")
    for dataset, texts in [(raw, ["Caf\\xE9", "\\xB0C", "N\\xE4he"]), (decoded, ["Café", "°C", "Nähe"])]:
        assert dataset.GetMetadataItem("DESCRIPTION") == texts[0]
        assert dataset.GetLayerByName("symbols").GetFeature(0)["text"] == texts[1]
        assert dataset.GetLayerByName("notes").GetFeature(0)["first_text"] == texts[2]
    with pytest.raises(RuntimeError, match="ENCODING=no-such-code-page"):
        open_chart(tmp_path / "cp1252.txt", ENCODING="no-such-code-page")


def test_srs_option():
    assert open_chart(SAMPLE).GetLayer(0).GetSpatialRef() is None
    dataset = open_chart(SAMPLE, SRS="EPSG:4326")
    layer = dataset.GetLayerByName("symbols")
    assert layer.GetSpatialRef().GetAuthorityCode(None) == "4326"
    # x stays x, whatever order the reference's own axes have.
    first, feature = dump(SAMPLE)["symbols"][0]["position"], layer.GetFeature(0)
    point = feature.GetGeometryRef()
    assert (point.GetX(), point.GetY()) == (f32(first[0]), f32(first[1]))
    with pytest.raises(RuntimeError, match="SRS=no such reference"):
        open_chart(SAMPLE, SRS="no such reference")


def test_random_reads_counts_extents_and_filters():
    dataset = open_chart(SAMPLE)
    for name, features in expected(dump(SAMPLE)).items():
        layer = dataset.GetLayerByName(name)
        capabilities = ["RandomRead", "FastFeatureCount", "FastGetExtent", "StringsAsUTF8", "SequentialWrite",
                        "RandomWrite", "CreateField", "DeleteFeature"]
        assert [bool(layer.TestCapability(c)) for c in capabilities] == [True] * 4 + [False] * 4
        xs = [p[0] for g, _ in features for p in g or []]
        ys = [p[1] for g, _ in features for p in g or []]
        assert layer.GetExtent() == (min(xs), max(xs), min(ys), max(ys))
        for fid in reversed(range(len(features))):
            feature = layer.GetFeature(fid)
            assert points_of(feature.GetGeometryRef()) == features[fid][0]
        assert layer.GetFeature(len(features)) is None and layer.GetFeature(-1) is None
        # Filters: the generic ones, with the envelope pre-check in front.
        x0, x1, y0, y1 = 300, 600, 100, 500
        box = ogr.CreateGeometryFromWkt(f"POLYGON(({x0} {y0},{x1} {y0},{x1} {y1},{x0} {y1},{x0} {y0}))")
        hits = [f.GetFID() for f in layer if f.GetGeometryRef() and f.GetGeometryRef().Intersects(box)]
        layer.SetSpatialFilterRect(x0, y0, x1, y1)
        assert not layer.TestCapability(ogr.OLCFastFeatureCount)
        assert [f.GetFID() for f in layer] == hits and layer.GetFeatureCount() == len(hits)
        layer.SetSpatialFilter(None)
        field = LAYERS[name][1][0][0]
        layer.SetAttributeFilter(f"{field} = {features[0][1][field]!r}" if features else None)
        assert layer.GetFeatureCount() == sum(1 for _, f in features if f[field] == features[0][1][field])


def test_separate_datasets_in_threads(generated):
    def read(path):
        dataset = open_chart(path, ENCODING="UTF-8")
        return [(f.GetFID(), f.items(), f.GetGeometryRef() and f.GetGeometryRef().ExportToWkt())
                for name in LAYERS for f in dataset.GetLayerByName(name)]
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
        assert ogr.GetDriverByName("Chart14").Open(str(path)) is None
