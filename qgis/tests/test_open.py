"""open_chart in a headless QGIS: the group, its layers and their order, the
counts the library gives, nothing logged, styles that use only the library's
fields, and the colours chart14 svg draws the same chart in."""

from __future__ import annotations

import os
import subprocess
import xml.etree.ElementTree as ET

import pytest

CHARTS = ["sample_chart", "generated", "generated_many"]
TOP_TO_BOTTOM = ["label_points", "notes", "symbols", "line_symbols", "lines", "closed_contours",
                 "weather_regions", "fill_areas"]


@pytest.fixture
def project(qgis):
    from qgis.core import QgsProject
    project = QgsProject()
    yield project
    project.clear()


@pytest.mark.parametrize("name, label_points", [(name, False) for name in CHARTS] + [("sample_chart", True)])
def test_open_chart_adds_one_styled_group(qgis, plugin, charts, library, project, name, label_points):
    group = plugin.open_chart(str(charts[name]), project, label_points=label_points)
    assert group.name() == charts[name].name
    assert project.layerTreeRoot().children()[0] is group
    nodes = group.findLayers()
    assert [n.layer().name() for n in nodes] == TOP_TO_BOTTOM
    assert [n.name() for n in nodes if not n.isVisible()] == ([] if label_points else ["label_points"])
    counts = library.feature_counts(charts[name])
    for node in nodes:
        layer = node.layer()
        assert layer.isValid() and layer.providerType() == "ogr"
        assert layer.featureCount() == counts[layer.name()], layer.name()
        assert sum(1 for _ in layer.getFeatures()) == counts[layer.name()], layer.name()
    assert qgis.log.take(qgis) == []


def test_styles_use_only_the_library_fields(qgis, plugin, charts, library, project):
    from qgis.core import QgsRenderContext, QgsRuleBasedLabeling
    schema = library.schema()
    context = QgsRenderContext()
    for node in plugin.open_chart(str(charts["sample_chart"]), project).findLayers():
        layer = node.layer()
        used = set(layer.renderer().usedAttributes(context))
        labeling = layer.labeling()
        if labeling is not None:
            if isinstance(labeling, QgsRuleBasedLabeling):
                settings = [r.settings() for r in labeling.rootRule().descendants() if r.settings()]
            else:
                settings = [labeling.settings()]
            for s in settings:
                used |= set(s.referencedFields(context))
        assert used <= set(schema[layer.name()]), layer.name()
    qgis.log.take(qgis)


def test_not_a_chart_is_refused(qgis, plugin, tmp_path, project):
    path = tmp_path / "notes.txt"
    path.write_text("not a chart\n")
    with pytest.raises(plugin.ChartError):
        plugin.open_chart(str(path), project)
    assert project.layerTreeRoot().children() == []


def test_a_dropped_chart_opens(qgis, plugin, charts, tmp_path):
    from qgis.core import QgsProject
    from weather_chart.plugin import ChartDropHandler
    handler = ChartDropHandler(iface=None)
    other = tmp_path / "table.csv"
    other.write_text("a,b\n1,2\n")
    assert not handler.handleFileDrop(str(other))
    root = QgsProject.instance().layerTreeRoot()
    assert handler.handleFileDrop(str(charts["sample_chart"]))
    assert root.children()[0].name() == "sample_chart.txt" and len(root.children()[0].findLayers()) == 8
    QgsProject.instance().clear()
    qgis.log.take(qgis)


# ---- the same colours as chart14 svg -------------------------------------------

SVG = "{http://www.w3.org/2000/svg}"


def _svg_groups(path):
    svg = subprocess.run([os.environ["CHART14"], "svg", "-q", str(path)], check=True, capture_output=True).stdout
    return {g.get("id"): g for g in ET.fromstring(svg).iter(f"{SVG}g") if g.get("id")}


def _plugin_colours(layer):
    """Each feature's colour in the plugin's style (its symbol's first layer that is not a white
    halo), in feature order."""
    from qgis.core import QgsRenderContext
    context = QgsRenderContext()
    renderer = layer.renderer().clone()
    renderer.startRender(context, layer.fields())
    colours = []
    for feature in layer.getFeatures():
        context.expressionContext().setFeature(feature)
        symbols = renderer.symbolsForFeature(feature, context)
        layers = [symbols[0].symbolLayer(i).color().name() for i in range(symbols[0].symbolLayerCount())] if symbols else []
        colours.append(next((c for c in layers if c != "#ffffff"), None))
    renderer.stopRender(context)
    return colours


def _expand(colour):
    """#abc as #aabbcc, as QColor names it."""
    return "#" + "".join(c * 2 for c in colour[1:]) if colour and len(colour) == 4 else colour


@pytest.mark.parametrize("name", CHARTS)
def test_colours_are_those_of_chart14_svg(qgis, plugin, charts, project, name):
    layers = {n.layer().name(): n.layer() for n in plugin.open_chart(str(charts[name]), project).findLayers()}
    groups = _svg_groups(charts[name])
    paths = lambda group: list(group.iter(f"{SVG}path"))
    # One path a contour, in the block's order, which is the layer's.
    assert _plugin_colours(layers["closed_contours"]) == [p.get("stroke") for p in paths(groups["contours"])]
    # A front's own line is its solid stroke; its glyphs and dashes are other paths.
    fronts = [p.get("stroke") for p in paths(groups["fronts"])
              if p.get("stroke") != "none" and not p.get("stroke-dasharray")]
    assert _plugin_colours(layers["line_symbols"]) == fronts
    areas = [p.get("fill") for p in paths(groups["areas"])]  # fill areas, then regions
    assert _plugin_colours(layers["fill_areas"]) + _plugin_colours(layers["weather_regions"]) == areas
    # Arrows and centres; texts of symbols are labels, some of them moved off their point by the SVG.
    text_colour = _expand(plugin.symbology.symbology().text_colour)
    marks = [c for c in _plugin_colours(layers["symbols"]) if c not in (None, text_colour)]
    drawn = [u.get("stroke") for u in groups["winds"].iter(f"{SVG}use")]
    drawn += [_expand(t.get("fill")) for t in groups["texts"].iter(f"{SVG}text") if t.get("class") == "centre"]
    assert sorted(marks) == sorted(drawn)
    qgis.log.take(qgis)


# ---- the same meanings as chart14 svg ------------------------------------------

FRONT_CODES = [-1, 0, 1, 2, 3, 4, 5, 6, 99]
REGION_CODES = [0, 1, 2, 3, 4, 5, 6]


def _chart_of_many_codes(path):
    """Line symbols and regions of the codes above, one of each, and the centres and texts of
    every text type: long horizontal fronts, so that each has glyphs of every kind it draws."""
    fronts = "".join(f"{code} 0 3\n0 {10 * i} 0 50 {10 * i} 0 100 {10 * i} 0\nNoText 0\n"
                     for i, code in enumerate(FRONT_CODES))
    regions = "".join(f"{code} 4\n{14 * i} -30 0 {14 * i + 10} -30 0 {14 * i + 5} -20 0 {14 * i} -30 0\n"
                      for i, code in enumerate(REGION_CODES))
    symbols = ["60 10 100 0 H", "61 90 100 0 L", "62 30 120 0 X", "63 70 120 0 Y", "48 50 130 0 1013",
               "7 50 110 0 1.5"]
    path.write_text(f"readdata14 14 codes\n1 2 3 4 5\nLINES: 0\nLINES_SYMBOL: {len(FRONT_CODES)}\n{fronts}"
                    f"SYMBOLS: {len(symbols)}\n" + "\n".join(symbols) + "\nCLOSED_CONTOURS: 0\n"
                    f"STATION_SITUATION\nWEATHER_REGION: {len(REGION_CODES)}\n{regions}FILLAREA: 0\n"
                    "NOTES_SYMBOL: 0\n")
    return path


def _svg_glyphs(fronts):
    """Each front's marks in chart14 svg, in order: {(triangle or half disc or dashes, colour)}.
    A front starts with its own solid line; a glyph is a closed path of 3 (triangle) or 9 points."""
    marks = []
    for p in fronts.iter(f"{SVG}path"):
        if p.get("stroke") != "none" and not p.get("stroke-dasharray"):
            marks.append(set())
        elif p.get("stroke-dasharray"):
            marks[-1].add(("dashes", p.get("stroke")))
        else:
            for glyph in p.get("d").split("Z")[:-1]:
                marks[-1].add(("triangle" if len(glyph.split()) == 3 else "half disc", p.get("fill")))
    return marks


def _plugin_glyphs(layer):
    """The same of the plugin's style: its dashed lines and the glyphs of its marker lines."""
    from qgis.core import QgsEllipseSymbolLayer, QgsMarkerLineSymbolLayer, QgsRenderContext
    context = QgsRenderContext()
    renderer = layer.renderer().clone()
    renderer.startRender(context, layer.fields())
    marks = []
    for feature in layer.getFeatures():
        symbol = renderer.symbolForFeature(feature, context)
        found = set()
        for part in (symbol.symbolLayer(i) for i in range(symbol.symbolLayerCount())):
            if isinstance(part, QgsMarkerLineSymbolLayer):
                glyph = part.subSymbol().symbolLayer(0)
                shape = "triangle" if glyph.shape() == QgsEllipseSymbolLayer.Triangle else "half disc"
                found.add((shape, glyph.color().name()))
            elif part.useCustomDashPattern():
                found.add(("dashes", part.color().name()))
        marks.append(found)
    renderer.stopRender(context)
    return marks


def _svg_legend(svg_path):
    """{heading: [row texts]} of chart14 svg's legend."""
    svg = subprocess.run([os.environ["CHART14"], "svg", "-q", str(svg_path)], check=True, capture_output=True).stdout
    legend = next(g for g in ET.fromstring(svg).iter(f"{SVG}g") if g.get("id") == "legend")
    rows = {}
    for text in legend.iter(f"{SVG}text"):
        if text.get("class") == "legend legend-head":
            heading = rows.setdefault(text.text, [])
        elif text.get("class") == "legend":
            heading.append(text.text)
    return rows


def test_meanings_are_those_of_chart14_svg(qgis, plugin, project, tmp_path):
    """Which codes are fronts of which kind, which types are centres, and the names the legend
    gives them: the plugin and chart14 svg take them from one table, and must agree."""
    path = _chart_of_many_codes(tmp_path / "codes.txt")
    layers = {n.layer().name(): n.layer() for n in plugin.open_chart(str(path), project).findLayers()}
    assert _plugin_glyphs(layers["line_symbols"]) == _svg_glyphs(_svg_groups(path)["fronts"])
    legend = _svg_legend(path)
    categories = lambda layer: [c.label() for c in layers[layer].renderer().categories()]
    assert categories("line_symbols") == legend["Fronts and line symbols"]
    assert categories("weather_regions") == legend["Weather regions"]
    rules = [r.label() for r in layers["symbols"].renderer().rootRule().children()]
    assert rules == legend["Centres and symbols"]
    qgis.log.take(qgis)
