"""What the driver's tests share: the charts they read and what each chart
should give, worked out from `chart14 json` (the tool's dump of the blocks)
by the shared layer schema, not from the driver's code.

CTest sets GDAL_DRIVER_PATH to the plugin's folder and names the tools in
CHART14 and MAKE_CHART, the source tree in SOURCE_DIR.
"""
import json
import math
import os
import pathlib
import struct
import subprocess

import pytest

CHART14, MAKE_CHART = os.environ["CHART14"], os.environ["MAKE_CHART"]
SOURCE = pathlib.Path(os.environ["SOURCE_DIR"])
SAMPLE = SOURCE / "examples" / "sample_chart.txt"
PROJECT_CHARTS = [SAMPLE, *sorted((SOURCE / "tests" / "data").glob("*.txt")),
                  *sorted((SOURCE / "fuzz" / "corpus").glob("*.txt"))]
# make_chart arguments: charts of every shape.
GENERATED = {
    "default": ["--seed", "1"],
    "two_point_lines": ["--seed", "2", "--points", "2"],
    "thinned_fronts": ["--seed", "3", "--points", "300", "--contours", "4"],
    "many_contours": ["--seed", "4", "--points", "6", "--contours", "150"],
    "contours_only": ["--seed", "5", "--lines", "0", "--line-symbols", "0", "--symbols", "0",
                      "--regions", "0", "--fill-areas", "0", "--notes", "0"],
    "no_contours": ["--seed", "6", "--contours", "0", "--notes", "0"],
}
LAYERS = {  # the shared schema: layer → (geometry, [(field, type, nullable)])
    "lines": ("LineString", [("code", "Integer", 0), ("label_kind", "String", 0), ("label_value", "Real", 1),
                             ("label_code", "Real", 1), ("label_point_count", "Integer", 0)]),
    "line_symbols": ("LineString", [("code", "Integer", 0)]),
    "symbols": ("Point", [("type", "Integer", 0), ("direction", "Real", 1), ("text", "String", 1)]),
    "closed_contours": ("LineString", [
        ("code", "Integer", 0), ("label_kind", "String", 0), ("label_value", "Real", 1), ("label_code", "Real", 1),
        ("closed", "Boolean", 0), ("valued_closed", "Boolean", 0), ("level_index", "Integer", 1),
        ("nesting_position", "Integer", 0), ("label_point_count", "Integer", 0)]),
    "weather_regions": ("Polygon", [("code", "Integer", 0)]),
    "fill_areas": ("Polygon", [("code", "Integer", 0)] + [
        (f"value_{i}", "Real" if i == 14 else "Integer", 0) for i in range(1, 17)]),
    "notes": ("Point", [("type", "Integer", 0), ("value", "Real", 0)]
              + [(f"value_{i}", "Real", 0) for i in range(1, 7)]
              + [("first_text", "String", 0), ("second_text", "String", 0)]),
    "label_points": ("Point", [("parent_layer", "String", 0), ("parent_fid", "Integer", 0), ("index", "Integer", 0),
                               ("label_kind", "String", 0), ("label_value", "Real", 1), ("label_code", "Real", 1)]),
}


def f32(x):
    """A JSON float of the dump (the shortest text of a float32) as that float32, widened; null → NaN."""
    return float("nan") if x is None else struct.unpack("f", struct.pack("f", x))[0]


def same(got, want):
    """Equal; the dump writes NaN and infinities as null, which f32 makes NaN."""
    return got == want or (isinstance(got, float) and isinstance(want, float) and want != want
                           and not math.isfinite(got))


@pytest.fixture(scope="session")
def generated(tmp_path_factory):
    folder = tmp_path_factory.mktemp("generated")
    charts = {}
    for name, args in GENERATED.items():
        charts[name] = folder / f"{name}.chart"  # any extension: charts are known by content
        subprocess.run([MAKE_CHART, *args, "-o", str(charts[name])], check=True)
    return charts


def dump(path):
    # Exit 1 says the file has errors; what was read is written all the same.
    result = subprocess.run([CHART14, "json", str(path)], capture_output=True)
    assert result.returncode in (0, 1), result.stderr
    return json.loads(result.stdout)


def label(value, kind):
    kind = {"number": "value"}.get(kind, kind)
    return {"label_kind": kind, "label_value": f32(value) if kind == "value" else None,
            "label_code": f32(value) - 3200000.0 if kind == "code" else None}


def line(points):
    return points if len(points) >= 2 else None


def ring(points):
    closed = points + ([points[0]] if points and points[-1] != points[0] else [])
    return closed if len(closed) >= 4 else None


def expected(doc):
    """{layer: [(geometry points or None, {field: value})]} from chart14 json's dump."""
    pts = lambda ps: [tuple(map(f32, p)) for p in ps]
    contours = (doc["closedContours"] or {}).get("contours", [])
    layers = {name: [] for name in LAYERS}
    for l in doc["lines"] or []:
        layers["lines"].append((line(pts(l["points"])), {"code": l["code"], "label_point_count": len(l["labelPoints"]),
                                                         **label(l["labelValue"], l["labelKind"])}))
    for symbol in doc["lineSymbols"] or []:
        layers["line_symbols"].append((line(pts(symbol["points"])), {"code": symbol["code"]}))
    for s in doc["symbols"] or []:
        text = s["type"] in (48, 60, 61, 62, 63)
        layers["symbols"].append((pts([s["position"]]), {"type": s["type"], "direction": None if text else f32(s["direction"]),
                                                         "text": s["text"] if text else None}))
    for i, c in enumerate(contours):
        kind = "none" if c["value"] == 999999 else "code" if 3200000 <= c["value"] <= 3200100 else "number"
        layers["closed_contours"].append((line(pts(c["points"])), {
            "code": c["code"], **label(c["value"], kind), "closed": c["closed"], "valued_closed": c["valuedClosed"],
            "level_index": None if c["levelIndex"] == 999999 else c["levelIndex"], "nesting_position": i,
            "label_point_count": len(c["labelPoints"])}))
    for region in doc["weatherRegions"] or []:
        layers["weather_regions"].append((ring(pts(region["points"])), {"code": region["code"]}))
    for area in doc["fillAreas"] or []:
        values = {f"value_{i + 1}": f32(v) if i == 13 else min(int(v), 2**31 - 1) for i, v in enumerate(area["values"])}
        layers["fill_areas"].append((ring(pts(area["points"])), {"code": area["code"], **values}))
    for n in doc["notes"] or []:
        layers["notes"].append((pts([n["position"]]), {
            "type": n["type"], "value": f32(n["value"]), **{f"value_{i + 1}": f32(v) for i, v in enumerate(n["values"])},
            "first_text": n["firstText"], "second_text": n["secondText"]}))
    parents = [("lines", i, l, label(l["labelValue"], l["labelKind"])) for i, l in enumerate(doc["lines"] or [])]
    parents += [("closed_contours", i, c, layers["closed_contours"][i][1]) for i, c in enumerate(contours)]
    for layer, fid, parent, fields in parents:
        for index, point in enumerate(parent["labelPoints"]):
            layers["label_points"].append((pts([point]), {
                "parent_layer": layer, "parent_fid": fid, "index": index,
                **{k: fields[k] for k in ("label_kind", "label_value", "label_code")}}))
    # A C string holds no NUL: the driver writes it \x00.
    for features in layers.values():
        for _, fields in features:
            for k, v in fields.items():
                if isinstance(v, str):
                    fields[k] = v.replace("\0", "\\x00")
    return layers
