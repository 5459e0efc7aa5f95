"""chart14 svg and the plugin draw from one table: the same layers in the same order, bottom to
top, and the same widths, dashes and colours for each kind of element. Both pictures of a line
crossing a contour show the line on top. The pictures stay in ARTIFACTS."""

from __future__ import annotations

import os
import re
import shutil
import subprocess
import xml.etree.ElementTree as ET

import pytest

from conftest import ARTIFACTS
from test_render import _render

SVG = "{http://www.w3.org/2000/svg}"
# The groups of chart14 svg that draw layers, and the layers each draws, in its order.
SVG_GROUPS = {"areas": ["fill_areas", "weather_regions"], "contours": ["closed_contours"], "lines": ["lines"],
              "fronts": ["line_symbols"], "winds": ["symbols"]}
PX_PER_MM = 96 / 25.4


def _svg(path, out=None):
    args = [os.environ["CHART14"], "svg", "-q", str(path)] + (["-o", str(out)] if out else [])
    result = subprocess.run(args, check=True, capture_output=True)
    return ET.parse(out).getroot() if out else ET.fromstring(result.stdout)


def _svg_scale(root):
    """Pixels per chart unit: the scale of the transform that puts the chart on the map."""
    geometry = next(g for g in root.iter(f"{SVG}g") if g.get("id") == "geometry")
    return float(re.search(r"scale\(([^,]+),", geometry.get("transform")).group(1))


def _svg_order(root):
    """The layers chart14 svg draws, bottom to top, by the order of its groups."""
    return [name for g in root.iter(f"{SVG}g") for name in SVG_GROUPS.get(g.get("id"), [])]


@pytest.fixture
def project(qgis):
    from qgis.core import QgsProject
    project = QgsProject()
    yield project
    project.clear()


def _plugin_order(group):
    """The layers the plugin draws, bottom to top: the tree lists the top first."""
    return [node.layer().name() for node in reversed(group.findLayers())]


@pytest.mark.parametrize("name", ["sample_chart", "generated"])
def test_both_draw_the_layers_in_the_tables_order(qgis, plugin, charts, project, name):
    svg = _svg_order(_svg(charts[name]))
    drawn = set(svg)
    plugin_order = _plugin_order(plugin.open_chart(str(charts[name]), project))
    table_order = plugin.symbology.symbology().drawing_order
    assert svg == [n for n in plugin_order if n in drawn] == [n for n in table_order if n in drawn]
    # Contours lie under the lines, in both.
    assert svg.index("closed_contours") < svg.index("lines")
    qgis.log.take(qgis)


def _svg_styles(root):
    """{kind: (colour, width px, dashes px)} of chart14 svg's first element of each kind."""
    scale = _svg_scale(root)
    groups = {g.get("id"): g for g in root.iter(f"{SVG}g") if g.get("id")}
    px = lambda units: round(float(units) * scale, 3)
    dashes = lambda p: tuple(px(d) for d in p.get("stroke-dasharray", "").split())
    found = {}
    for group, kinds in (("contours", ("closed contour", "open contour")), ("lines", ("line", "coded line"))):
        width = px(groups[group].get("stroke-width"))
        for p in groups[group].iter(f"{SVG}path"):
            kind = kinds[1] if p.get("stroke-dasharray") else kinds[0]
            found.setdefault(kind, (p.get("stroke"), width, dashes(p)))
    front = next(p for p in groups["fronts"].iter(f"{SVG}path") if p.get("stroke") not in (None, "none"))
    found["front"] = (front.get("stroke"), px(groups["fronts"].get("stroke-width")), dashes(front))
    for p in groups["areas"].iter(f"{SVG}path"):
        kind = "fill area" if p.get("stroke-dasharray") else "weather region"
        found.setdefault(kind, (p.get("stroke"), px(groups["areas"].get("stroke-width")), dashes(p),
                                float(p.get("fill-opacity"))))
    return found


def _line_style(symbol_layer):
    """(colour, width px, dashes px) of a QGIS line, its widths and dashes in millimetres."""
    dashes = tuple(round(d * PX_PER_MM, 3) for d in symbol_layer.customDashVector()) \
        if symbol_layer.useCustomDashPattern() else ()
    return symbol_layer.color().name(), round(symbol_layer.width() * PX_PER_MM, 3), dashes


def _plugin_styles(layers):
    """The same of the plugin: each kind's first feature's symbol."""
    from qgis.core import QgsRenderContext
    found = {}
    for name, kind_of in (("closed_contours", lambda f: "closed contour" if f["closed"] else "open contour"),
                          ("lines", lambda f: "coded line" if f["label_kind"] == "code" else "line"),
                          ("line_symbols", lambda f: "front"), ("weather_regions", lambda f: "weather region"),
                          ("fill_areas", lambda f: "fill area")):
        layer = layers[name]
        context = QgsRenderContext()
        renderer = layer.renderer().clone()
        renderer.startRender(context, layer.fields())
        for feature in layer.getFeatures():
            context.expressionContext().setFeature(feature)
            symbols = renderer.symbolsForFeature(feature, context)
            if not symbols or kind_of(feature) in found:
                continue
            symbol = symbols[0]
            if name in ("weather_regions", "fill_areas"):  # the shade, then the outline
                found[kind_of(feature)] = _line_style(symbol.symbolLayer(1)) + (
                    round(symbol.symbolLayer(0).color().alphaF(), 2),)
            else:
                found[kind_of(feature)] = _line_style(symbol.symbolLayer(0))
        renderer.stopRender(context)
    return found


def _expand(colour):
    """#abc as #aabbcc, as QColor names it."""
    return "#" + "".join(c * 2 for c in colour[1:]) if colour and len(colour) == 4 else colour


@pytest.mark.parametrize("name", ["sample_chart", "generated_many"])
def test_both_draw_each_kind_alike(qgis, plugin, charts, project, name):
    svg = _svg_styles(_svg(charts[name]))
    layers = {n.layer().name(): n.layer() for n in plugin.open_chart(str(charts[name]), project).findLayers()}
    drawn = _plugin_styles(layers)
    # Only the kinds this chart has; the sample has every kind but coded lines and open contours.
    assert {"closed contour", "line", "front", "weather region", "fill area"} <= set(svg)
    assert set(drawn) == set(svg)
    for kind, (colour, width, dashes, *opacity) in svg.items():
        got_colour, got_width, got_dashes, *got_opacity = drawn[kind]
        assert (got_colour, got_width, got_dashes) == (_expand(colour), width, dashes), kind
        assert [round(o, 2) for o in opacity] == got_opacity, kind
    qgis.log.take(qgis)


# A line from below to above a square contour, crossing its lower and upper sides.
CROSSING = (b"readdata14 14 crossing\n1 2 3 4 5\n"
            b"LINES: 1\n1 2\n50 -40 0 50 140 0\n1016 0\n"
            b"LINES_SYMBOL: 0\nSYMBOLS: 0\n"
            b"CLOSED_CONTOURS: 1\n1 5\n0 0 0 100 0 0 100 100 0 0 100 0 0 0 0\n1012 0\n"
            b"STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n")


def _rgb(image, x, y):
    from qgis.PyQt.QtGui import QColor
    return QColor(image.pixel(x, y)).getRgb()[:3]


def _cover(pixel, colour):
    """How much of a pixel a line of `colour` over white covers, from 0 to 1."""
    from qgis.PyQt.QtGui import QColor
    want = QColor(colour).getRgb()[:3]
    k = max(range(3), key=lambda i: 255 - want[i])
    return (255 - pixel[k]) / max(255 - want[k], 1)


def _line_on_top(image, x, y, line, contour):
    """Whether at the crossing of a vertical line and a horizontal contour near pixel (x, y) the line
    is drawn over the contour. Each covers its pixels in part (antialiased): the column of the
    line and the row of the contour that each covers most are found beside the crossing, and the
    crossing's pixel is nearer to the line laid over the contour than to the other way round."""
    column = max(range(round(x) - 1, round(x) + 2), key=lambda c: _cover(_rgb(image, c, round(y) + 6), line))
    row = max(range(round(y) - 1, round(y) + 2), key=lambda r: _cover(_rgb(image, round(x) + 10, r), contour))
    line_only, contour_only = _rgb(image, column, row + 6), _rgb(image, column + 10, row)
    a, b = _cover(line_only, line), _cover(contour_only, contour)
    assert a > 0.3 and b > 0.3, (a, b)  # else both orders look alike
    from qgis.PyQt.QtGui import QColor
    mix = lambda t, top, under: [t * u + (1 - t) * v for u, v in zip(QColor(top).getRgb()[:3], under)]
    got = _rgb(image, column, row)
    distance = lambda p: sum((u - v) ** 2 for u, v in zip(got, p))
    return distance(mix(a, line, contour_only)) < distance(mix(b, contour, line_only))


@pytest.mark.skipif(shutil.which("rsvg-convert") is None, reason="rsvg-convert (Debian: librsvg2-bin) is missing")
def test_a_line_crossing_a_contour_shows_on_top_in_both(qgis, plugin, project, tmp_path):
    from qgis.PyQt.QtGui import QImage
    chart = tmp_path / "crossing.txt"
    chart.write_bytes(CROSSING)
    crossings = [(50, 0), (50, 100)]
    root = _svg(chart, tmp_path / "crossing.svg")
    groups = {g.get("id"): g for g in root.iter(f"{SVG}g") if g.get("id")}
    line, contour = (next(groups[g].iter(f"{SVG}path")).get("stroke") for g in ("lines", "contours"))
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    png = ARTIFACTS / "crossing_chart14.png"
    subprocess.run(["rsvg-convert", "-f", "png", "-o", str(png), str(tmp_path / "crossing.svg")], check=True)
    image = QImage(str(png))
    tx, ty, s = map(float, re.search(r"translate\(([^,]+),([^)]+)\) scale\(([^,]+),",
                                     groups["geometry"].get("transform")).groups())
    for x, y in crossings:
        assert _line_on_top(image, tx + s * x, ty - s * y, line, contour), ("chart14", x, y)

    group = plugin.open_chart(str(chart), project)
    for node in group.findLayers():  # the geometry alone: a value written on the line could hide it
        node.layer().setLabelsEnabled(False)
    settings, image, _ = _render(project, group, "crossing_qgis.png")
    for x, y in crossings:
        p = settings.mapToPixel().transform(x, y)
        assert _line_on_top(image, p.x(), p.y(), line, contour), ("QGIS", x, y)
    qgis.log.take(qgis)


# Lines labelled with numbers that are not whole, and one too large to be written whole: long
# horizontal lines far apart, one label point each.
LABELS = ["1013.25", "0.0001", "499999.75", "0.00001", "12.125", "-2.5", "1234567936", "1016"]


def _labelled_lines(path):
    lines = "".join(f"1 2\n0 {40 * i} 0 400 {40 * i} 0\n{v} 1\n200 {40 * i} 0\n" for i, v in enumerate(LABELS))
    path.write_text(f"readdata14 14 labels\n1 2 3 4 5\nLINES: {len(LABELS)}\n{lines}LINES_SYMBOL: 0\nSYMBOLS: 0\n"
                    "CLOSED_CONTOURS: 0\nSTATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n")
    return path


def test_both_write_label_numbers_alike(qgis, plugin, project, tmp_path):
    chart = _labelled_lines(tmp_path / "labels.txt")
    svg = {t.text for t in _svg(chart).iter(f"{SVG}text") if t.get("class") == "label"}
    assert len(svg) == len(LABELS)
    group = plugin.open_chart(str(chart), project)
    _, _, labels = _render(project, group, "labels_qgis.png")
    assert {label.labelText for label in labels} == svg
    qgis.log.take(qgis)
