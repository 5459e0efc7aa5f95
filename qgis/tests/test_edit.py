"""Editing charts in a headless QGIS through the plugin's own functions:
every layer of the sample can be edited and keeps its style; four edits
(an isobar's vertex moved, a cold front drawn, a note's text changed, a
symbol deleted) saved with nothing logged are what `chart14 diff` finds, and
nothing else; a new chart with three elements reads back; the header is
saved with the chart. The pictures before and after stay in ARTIFACTS."""

from __future__ import annotations

import json
import os
import shutil
import subprocess

import pytest

from conftest import ARTIFACTS, SAMPLE

SHOTS = os.environ.get("EDITING_SHOTS")  # a folder to keep the pictures in too


def _diff(a, b):
    result = subprocess.run([os.environ["CHART14"], "diff", str(a), str(b), "--json"], capture_output=True, text=True)
    assert result.returncode in (0, 1), result.stderr
    return json.loads(result.stdout)


# What the reader works out again from the contours' places: a contour added
# moves others in the nesting order.
DERIVED = {"nesting_position", "level_index", "valued_closed"}


def _differing(report):
    """{section: (changed, added, removed)}; contours changed only in what the reader derives do not count."""
    found = {}
    for name, s in report["sections"].items():
        changed = [e for e in s["changed_elements"] if e["points"] or {f["field"] for f in e["fields"]} - DERIVED]
        if (len(changed), s["added"], s["removed"]) != (0, 0, 0) or s["block_differs"]:
            found[name] = (len(changed), s["added"], s["removed"])
    return found


def _render(layers, path):
    from qgis.core import QgsMapRendererParallelJob, QgsMapSettings, QgsRectangle
    from qgis.PyQt.QtCore import QSize
    from qgis.PyQt.QtGui import QColor
    shown = [layers[name] for name in ["notes", "symbols", "line_symbols", "lines", "closed_contours",
                                       "weather_regions", "fill_areas"]]
    extent = QgsRectangle()
    for layer in shown:
        extent.combineExtentWith(layer.extent())
    extent.grow(0.03 * max(extent.width(), extent.height()))
    settings = QgsMapSettings()
    settings.setLayers(shown)
    settings.setOutputSize(QSize(1000, round(1000 * extent.height() / extent.width())))
    settings.setExtent(extent)
    settings.setBackgroundColor(QColor("#ffffff"))
    job = QgsMapRendererParallelJob(settings)
    job.start()
    job.waitForFinished()
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    assert job.renderedImage().save(str(ARTIFACTS / path))
    if SHOTS:
        os.makedirs(SHOTS, exist_ok=True)
        shutil.copy(ARTIFACTS / path, os.path.join(SHOTS, path))


@pytest.fixture
def project(qgis):
    from qgis.core import QgsProject
    project = QgsProject()
    yield project
    project.clear()


def test_the_forecasters_tools_take_their_codes_from_the_table(plugin):
    from weather_chart import editing
    names = [t.name for t in editing.tools()]
    assert names[:4] == ["Cold front", "Warm front", "Occluded front", "Stationary front"]
    assert names[-3:] == ["Isobar", "Wind arrow", "Note"]
    from weather_chart.symbology import symbology
    fronts = {f.kind: f.code for f in symbology().fronts.values()}
    centres = {c.kind: c.type for c in symbology().centres.values()}
    assert editing.tool("cold").values == {"code": fronts["cold"]}
    assert editing.tool("low").values["type"] == centres["low"]
    # A wind arrow dragged towards +x points at 270 degrees, towards +y at 180, as the chart holds it.
    assert [editing.arrow_direction((0, 0), end) for end in [(1, 0), (0, 1), (-1, 0)]] == [270.0, 180.0, 90.0]


def test_four_edits_through_the_plugin_are_all_that_changes(qgis, plugin, project, tmp_path):
    from weather_chart import editing
    chart = tmp_path / "edited.txt"
    shutil.copy(SAMPLE, chart)
    layers = editing.chart_layers(plugin.open_chart(str(chart), project))
    renderers = {name: layer.renderer().dump() for name, layer in layers.items()}
    _render(layers, "edit_before.png")
    assert all(layer.startEditing() for layer in layers.values())
    # The layers stay styled while they are edited.
    assert {name: layer.renderer().dump() for name, layer in layers.items()} == renderers
    contour = next(layers["closed_contours"].getFeatures())
    first = contour.geometry().vertexAt(0)
    editing.move_vertex(layers["closed_contours"], contour.id(), 0, (first.x() + 0.5, first.y() + 0.25))
    editing.draw_front(layers, "cold", [(100, 600), (180, 640), (260, 650)])
    note = next(layers["notes"].getFeatures())
    editing.set_fields(layers["notes"], note.id(), {"first_text": "Gale warning, severe"})
    last = max(f.id() for f in layers["symbols"].getFeatures())
    editing.delete_element(layers["symbols"], last)
    qgis.log.take(qgis)
    assert editing.save(layers) == []
    assert qgis.log.take(qgis) == []
    _render(layers, "edit_after.png")

    report = _diff(SAMPLE, chart)
    print(subprocess.run([os.environ["CHART14"], "diff", str(SAMPLE), str(chart)], capture_output=True,
                         text=True).stdout)
    assert report["header"] == []
    assert _differing(report) == {"closed_contours": (1, 0, 0), "line_symbols": (0, 1, 0), "notes": (1, 0, 0),
                                  "symbols": (0, 0, 1)}
    moved = report["sections"]["closed_contours"]["changed_elements"][0]
    assert moved["fields"] == [] and [p["moved"] for p in moved["points"]] == [1]
    assert report["sections"]["line_symbols"]["added_elements"][0]["code"] == editing.tool("cold").values["code"]
    assert report["sections"]["notes"]["changed_elements"][0]["fields"] == [
        {"field": "first_text", "a": "Gale warning", "b": "Gale warning, severe"}]
    assert subprocess.run([os.environ["CHART14"], "check", str(chart)], capture_output=True).returncode == 0


def test_a_new_chart_with_three_elements_reads_back(qgis, plugin, project, tmp_path, library):
    from weather_chart import editing
    chart = tmp_path / "new.txt"
    layers = editing.chart_layers(editing.new_chart(str(chart), "Evening_analysis", project))
    assert all(layer.isEditable() for layer in layers.values())
    assert set(library.feature_counts(chart).values()) == {0}  # every section there, none holding an element
    editing.draw_isobar(layers, 1008, [(0, 0), (100, 0), (100, 100), (0, 100), (0, 0)])
    editing.place_note(layers, (50, 120), "Fog patches")
    editing.place_wind_arrow(layers, (20, 20), (40, 20))
    assert editing.save(layers) == []
    assert qgis.log.take(qgis) == []
    counts = library.feature_counts(chart)
    assert {k: v for k, v in counts.items() if v} == {"closed_contours": 1, "notes": 1, "symbols": 1}
    header = editing.read_header(str(chart))
    assert header.description == "Evening_analysis"
    # The header, changed and saved; the layers edit on from the saved file.
    editing.save_header(str(chart), editing.Header("readdata14", "Evening_analysis_v2", [18, 1]), layers.values())
    editing.place_note(layers, (60, 130), "Clearing later")
    assert editing.save(layers) == [] and qgis.log.take(qgis) == []
    assert editing.read_header(str(chart)) == editing.Header("readdata14", "Evening_analysis_v2", [18, 1])
    assert library.feature_counts(chart)["notes"] == 2


def test_qgis_add_feature_tool_gets_the_tools_fields(qgis, plugin, project, tmp_path):
    """What QGIS's own Add Feature tool makes on a layer the plugin prepared: the element's code and value."""
    from qgis.core import QgsGeometry, QgsPointXY, QgsVectorLayerUtils
    from weather_chart import editing
    chart = tmp_path / "drawn.txt"
    shutil.copy(SAMPLE, chart)
    layers = editing.chart_layers(plugin.open_chart(str(chart), project))
    line = QgsGeometry.fromPolylineXY([QgsPointXY(0, 0), QgsPointXY(10, 10)])
    for kind, layer, value, expected in [("warm", "line_symbols", None, {"code": 3}),
                                         ("isobar", "closed_contours", 1004,
                                          {"code": 1, "label_kind": "value", "label_value": 1004.0})]:
        editing.prepare_layer(layers[layer], editing.tool(kind), value)
        feature = QgsVectorLayerUtils.createFeature(layers[layer], line)
        assert {name: feature[name] for name in expected} == expected, kind
        assert layers[layer].addFeature(feature)
    assert editing.save(layers) == [] and qgis.log.take(qgis) == []
    report = _diff(SAMPLE, chart)
    assert _differing(report) == {"line_symbols": (0, 1, 0), "closed_contours": (0, 1, 0)}


def test_header_dialog_gives_the_header_it_shows(qgis, plugin):
    from weather_chart import editing
    from weather_chart.editing_gui import HeaderDialog
    dialog = HeaderDialog(editing.Header("readdata14", "Noon", [24, 1, 4]))
    assert dialog.header() == editing.Header("readdata14", "Noon", [24, 1, 4])
    dialog.integers.setText("6, 7")
    dialog.description.setText("Evening")
    assert dialog.header() == editing.Header("readdata14", "Evening", [6, 7])
