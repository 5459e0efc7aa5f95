"""The charts rendered by QGIS's parallel renderer: isobars in their level's
colour and a cold front's triangles on its left, found at the pixels the map
settings put the chart's coordinates at; every isobar value of the sample
labelled, no label over another. The pictures stay in ARTIFACTS."""

from __future__ import annotations

import math

import pytest

from conftest import ARTIFACTS

WIDTH = 1400


def _render(project, group, path):
    from qgis.core import QgsMapRendererParallelJob, QgsMapSettings, QgsRectangle
    from qgis.PyQt.QtCore import QSize
    from qgis.PyQt.QtGui import QColor
    layers = [n.layer() for n in group.findLayers() if n.isVisible()]
    extent = QgsRectangle()
    for layer in layers:
        extent.combineExtentWith(layer.extent())
    extent.grow(0.03 * max(extent.width(), extent.height()))
    settings = QgsMapSettings()
    settings.setLayers(layers)
    settings.setOutputSize(QSize(WIDTH, round(WIDTH * extent.height() / extent.width())))
    settings.setExtent(extent)
    settings.setOutputDpi(96)
    settings.setBackgroundColor(QColor("#ffffff"))
    job = QgsMapRendererParallelJob(settings)
    job.start()
    job.waitForFinished()
    image = job.renderedImage()
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    assert image.save(str(ARTIFACTS / path))
    return settings, image, job.takeLabelingResults().allLabels()


@pytest.fixture(scope="module")
def rendered(qgis, plugin, charts):
    """{chart: (layers by name, map settings, image, labels)}, each chart in a project of its own."""
    from qgis.core import QgsProject
    out = {}
    projects = []
    for name in ("sample_chart", "generated"):
        project = QgsProject()
        projects.append(project)
        group = plugin.open_chart(str(charts[name]), project)
        layers = {n.layer().name(): n.layer() for n in group.findLayers()}
        out[name] = (layers, *_render(project, group, f"{name}.png"))
    yield out
    for project in projects:
        project.clear()


def _pixel(settings, x, y):
    p = settings.mapToPixel().transform(x, y)
    return p.x(), p.y()


def _drawn_in(image, px, py, colour, radius=1):
    """Whether a pixel within `radius` of (px, py) is `colour` laid on the white background, wholly
    or in part (an antialiased edge): pixel = a colour + (1 - a) white, with a at least a half."""
    from qgis.PyQt.QtGui import QColor
    want = QColor(colour)
    c = [255 - want.red(), 255 - want.green(), 255 - want.blue()]
    for dx in range(-radius, radius + 1):
        for dy in range(-radius, radius + 1):
            got = QColor(image.pixel(round(px) + dx, round(py) + dy))
            p = [255 - got.red(), 255 - got.green(), 255 - got.blue()]
            a = sum(x * y for x, y in zip(p, c)) / max(sum(y * y for y in c), 1)
            if a >= 0.5 and max(abs(x - a * y) for x, y in zip(p, c)) <= 12:
                return True
    return False


def _free(settings, labels, others, x, y, margin_px):
    """Whether nothing but the feature itself is drawn within margin_px of (x, y), thrice that of a
    point (a centre's letter, an arrow): no label, no other line, area or mark."""
    from qgis.core import QgsGeometry, QgsPointXY
    margin = margin_px * settings.mapUnitsPerPixel()
    point = QgsGeometry.fromPointXY(QgsPointXY(x, y))
    if any(label.labelGeometry.buffer(margin, 2).intersects(point) for label in labels):
        return False
    return all(other.distance(point) > (3 if other.type() == 0 else 1) * margin for other in others)


def _geometries(layers, skip):
    return [f.geometry() for name in ("closed_contours", "lines", "line_symbols", "weather_regions", "fill_areas",
                                      "symbols")
            for f in layers[name].getFeatures() if not f.geometry().isNull() and f.id() not in skip.get(name, ())]


@pytest.mark.parametrize("name", ["sample_chart", "generated"])
def test_isobars_in_their_level_colour(rendered, plugin, name):
    layers, settings, image, labels = rendered[name]
    contours = layers["closed_contours"]
    levels = plugin.chart.read_chart_info(contours.source().split("|")[0]).levels
    colours = plugin.symbology.symbology().level_colours(levels)
    checked = set()
    for feature in contours.getFeatures():
        value = feature["label_value"]
        if value not in colours or value in checked or feature.geometry().isNull():
            continue
        others = _geometries(layers, {"closed_contours": {feature.id()}})
        for vertex in feature.geometry().vertices():
            if _free(settings, labels, others, vertex.x(), vertex.y(), 8):
                assert _drawn_in(image, *_pixel(settings, vertex.x(), vertex.y()), colours[value]), value
                checked.add(value)
                break
    assert checked == set(colours), f"levels checked: {sorted(checked)} of {sorted(colours)}"


def _along(points, distance):
    """The point `distance` along a polyline of pixels and the unit direction there."""
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        length = math.hypot(x1 - x0, y1 - y0)
        if length and distance <= length:
            t = distance / length
            return (x0 + t * (x1 - x0), y0 + t * (y1 - y0)), ((x1 - x0) / length, (y1 - y0) / length)
        distance -= length
    return None


@pytest.mark.parametrize("name", ["sample_chart", "generated"])
def test_cold_front_triangles_stand_on_its_left(rendered, plugin, name):
    table = plugin.symbology.symbology()
    cold = next(f for f in table.fronts.values() if f.kind == "cold")
    layers, settings, image, labels = rendered[name]
    checked = 0
    for front in layers["line_symbols"].getFeatures():
        if front["code"] != cold.code or front.geometry().isNull():
            continue
        others = _geometries(layers, {"line_symbols": {front.id()}})
        pixels = [_pixel(settings, v.x(), v.y()) for v in front.geometry().vertices()]
        # The glyphs: every spacing along the line, the first half a spacing in.
        for k in range(20):
            place = _along(pixels, table.front_spacing * (k + 0.5))
            if place is None:
                break
            (x, y), direction = place
            # On the left of the drawing direction as the map shows it (y down).
            left = (direction[1], -direction[0])
            inside = (x + 4 * left[0], y + 4 * left[1])
            across = (x - 4 * left[0], y - 4 * left[1])
            at = settings.mapToPixel().toMapCoordinates(round(x), round(y))
            if not _free(settings, labels, others, at.x(), at.y(), 14):
                continue
            assert _drawn_in(image, *inside, cold.colour, radius=0), (name, k)
            assert not _drawn_in(image, *across, cold.colour, radius=0), (name, k)
            checked += 1
    assert checked >= 2


def test_every_isobar_value_of_the_sample_is_labelled_once_at_least(rendered, plugin):
    layers, settings, image, labels = rendered["sample_chart"]
    contours = layers["closed_contours"].id()
    written = {label.labelText for label in labels if label.layerID == contours}
    levels = plugin.chart.read_chart_info(str(layers["closed_contours"].source().split("|")[0])).levels
    assert levels and {plugin.style_common.level_text(v) for v in levels} <= written


@pytest.mark.parametrize("name", ["sample_chart", "generated"])
def test_no_label_covers_another(rendered, name):
    labels = rendered[name][3]
    assert len(labels) > 10
    shapes = [label.labelGeometry for label in labels]
    for i, a in enumerate(shapes):
        for b in shapes[i + 1:]:
            assert a.intersection(b).area() < 1e-9 * a.area(), (labels[i].labelText)


def test_rendering_logged_nothing(rendered, qgis):
    assert qgis.log.take(qgis) == []
