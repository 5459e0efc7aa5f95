"""Editing a chart in QGIS in the forecaster's words: the elements a
forecaster draws (fronts, isobars, centres, wind arrows, notes), each put on
its layer with its code and value, so that nobody types codes; a new, empty
chart; and the chart's header. The layers are edited through QGIS's own edit
buffer (undo, redo, save), which the Chart14 driver saves in update mode.

The codes and names of fronts and centres come from symbology.json; an
element it does not name (an isobar, a wind arrow, a note) takes the code the
project's charts give it."""

from __future__ import annotations

import math
import os
import struct
from dataclasses import dataclass
from typing import Dict, Iterable, List, Optional, Sequence, Tuple

from osgeo import gdal
from qgis.core import (QgsDataProvider, QgsDefaultValue, QgsFeature, QgsGeometry, QgsLayerTreeGroup, QgsMapLayerStyle,
                       QgsPointXY, QgsProject, QgsVectorLayer)

from .chart import DRIVER, ChartError, open_chart
from .symbology import Symbology, symbology

# What symbology.json does not name: an isobar is a closed contour of code 1,
# a note has texts (type 48), a wind arrow is a symbol with a direction, and
# a centre's value is written beside its letter as a text symbol.
ISOBAR_CODE = 1
NOTE_TYPE = 48
VALUE_TEXT_TYPE = 48
WIND_ARROW_TYPE = 7
CENTRE_LETTERS = {"high": "H", "low": "L"}
# Where a centre's value stands below its letter, in chart units.
VALUE_OFFSET = 12.0

Point = Tuple[float, float]


@dataclass(frozen=True)
class Tool:
    """One of the forecaster's actions: its name, the layer it draws on and
    the fields it sets."""

    name: str
    layer: str
    values: Dict[str, object]


def tools(table: Optional[Symbology] = None) -> List[Tool]:
    """The actions, in the order a forecaster looks for them: the fronts and
    centres of the table, then the isobar, the wind arrow and the note."""
    table = table or symbology()
    found = [Tool(front.name, "line_symbols", {"code": front.code})
             for kind in ("cold", "warm", "occluded", "stationary")
             for front in table.fronts.values() if front.kind == kind]
    for kind in ("high", "low"):
        for centre in table.centres.values():
            if centre.kind == kind:
                found.append(Tool(centre.name, "symbols", {"type": centre.type, "text": CENTRE_LETTERS[kind]}))
    found.append(Tool("Isobar", "closed_contours", {"code": ISOBAR_CODE, "label_kind": "value"}))
    found.append(Tool("Wind arrow", "symbols", {"type": WIND_ARROW_TYPE}))
    found.append(Tool("Note", "notes", {"type": NOTE_TYPE}))
    return found


def tool(kind: str, table: Optional[Symbology] = None) -> Tool:
    """The action of a front kind (cold, warm, occluded, stationary), a centre
    kind (high, low), or "isobar", "wind", "note"."""
    table = table or symbology()
    for front in table.fronts.values():
        if front.kind == kind:
            return Tool(front.name, "line_symbols", {"code": front.code})
    for centre in table.centres.values():
        if centre.kind == kind:
            return Tool(centre.name, "symbols", {"type": centre.type, "text": CENTRE_LETTERS[kind]})
    named = {t.name.split()[0].lower(): t for t in tools(table)}
    if kind in named:
        return named[kind]
    raise KeyError(f"no weather-chart tool {kind!r}")


# ---- the chart's layers --------------------------------------------------------

def chart_layers(group: QgsLayerTreeGroup) -> Dict[str, QgsVectorLayer]:
    """The chart's layers in its group, by name."""
    return {node.layer().name(): node.layer() for node in group.findLayers()}


def editable(layer: QgsVectorLayer) -> QgsVectorLayer:
    """The layer, in editing mode (started when it was not)."""
    if not layer.isEditable() and not layer.startEditing():
        raise ChartError(f"{layer.name()} cannot be edited: {layer.dataProvider().error().summary()}")
    return layer


def _add(layer: QgsVectorLayer, geometry: QgsGeometry, values: Dict[str, object]) -> QgsFeature:
    editable(layer)
    feature = QgsFeature(layer.fields())
    feature.setGeometry(geometry)
    for name, value in values.items():
        feature[name] = value
    if not layer.addFeature(feature):
        raise ChartError(f"{layer.name()}: the element was not added")
    return feature


def _line(points: Sequence[Point]) -> QgsGeometry:
    return QgsGeometry.fromPolylineXY([QgsPointXY(x, y) for x, y in points])


def draw_front(layers: Dict[str, QgsVectorLayer], kind: str, points: Sequence[Point]) -> QgsFeature:
    """A front of `kind` (cold, warm, occluded, stationary) along `points`, in
    its drawing direction: its triangles and half discs stand on its left."""
    return _add(layers["line_symbols"], _line(points), tool(kind).values)


def draw_isobar(layers: Dict[str, QgsVectorLayer], value: float, points: Sequence[Point]) -> QgsFeature:
    """An isobar of `value` (hPa) along `points`; the reader nests and levels it
    with the others when the chart is read again."""
    values = dict(tool("isobar").values, label_value=float(value))
    return _add(layers["closed_contours"], _line(points), values)


def place_centre(layers: Dict[str, QgsVectorLayer], kind: str, at: Point,
                 value: Optional[float] = None) -> List[QgsFeature]:
    """A high or low centre at `at`: its letter, and its value below it when given."""
    x, y = at
    added = [_add(layers["symbols"], QgsGeometry.fromPointXY(QgsPointXY(x, y)), tool(kind).values)]
    if value is not None:
        text = f"{value:g}"
        added.append(_add(layers["symbols"], QgsGeometry.fromPointXY(QgsPointXY(x, y + VALUE_OFFSET)),
                          {"type": VALUE_TEXT_TYPE, "text": text}))
    return added


def arrow_direction(start: Point, end: Point) -> float:
    """The direction a symbol's field holds for an arrow dragged from `start`
    to `end`: 270 less the drag's angle in degrees, formed in double and
    rounded to a 32-bit float, as the chart holds it."""
    angle = math.atan2(end[1] - start[1], end[0] - start[0])
    return struct.unpack("f", struct.pack("f", 270.0 - angle * 180.0 / 3.14159265))[0]


def place_wind_arrow(layers: Dict[str, QgsVectorLayer], start: Point, end: Point) -> QgsFeature:
    """A wind arrow at `start`, pointing the way of the drag to `end`."""
    values = dict(tool("wind").values, direction=arrow_direction(start, end))
    return _add(layers["symbols"], QgsGeometry.fromPointXY(QgsPointXY(*start)), values)


def place_note(layers: Dict[str, QgsVectorLayer], at: Point, first_text: str, second_text: str = "") -> QgsFeature:
    values = dict(tool("note").values, first_text=first_text, second_text=second_text)
    return _add(layers["notes"], QgsGeometry.fromPointXY(QgsPointXY(*at)), values)


def move_vertex(layer: QgsVectorLayer, fid: int, index: int, to: Point) -> None:
    if not editable(layer).moveVertex(to[0], to[1], fid, index):
        raise ChartError(f"{layer.name()}: feature {fid} has no vertex {index}")


def set_fields(layer: QgsVectorLayer, fid: int, values: Dict[str, object]) -> None:
    editable(layer)
    for name, value in values.items():
        if not layer.changeAttributeValue(fid, layer.fields().indexOf(name), value):
            raise ChartError(f"{layer.name()}: feature {fid}: {name} was not changed")


def delete_element(layer: QgsVectorLayer, fid: int) -> None:
    if not editable(layer).deleteFeature(fid):
        raise ChartError(f"{layer.name()}: feature {fid} was not deleted")


def save(layers: Dict[str, QgsVectorLayer]) -> List[str]:
    """Commits every layer that is being edited; the errors, none when saved."""
    errors: List[str] = []
    for layer in layers.values():
        if layer.isEditable() and not layer.commitChanges():
            errors += [f"{layer.name()}: {e}" for e in layer.commitErrors()]
    return errors


# ---- the tools' fields as QGIS's own tools fill them ---------------------------

def prepare_layer(layer: QgsVectorLayer, chosen: Tool, value: Optional[float] = None) -> None:
    """Sets the tool's fields as the layer's default values, so that QGIS's
    Add Feature tool draws the tool's element."""
    values = dict(chosen.values)
    if value is not None:
        values["label_value" if chosen.layer == "closed_contours" else "text"] = (
            float(value) if chosen.layer == "closed_contours" else f"{value:g}")
    for index in range(layer.fields().count()):
        name = layer.fields().at(index).name()
        if name in values:
            layer.setDefaultValueDefinition(index, QgsDefaultValue(_expression(values[name])))
        elif layer.defaultValueDefinition(index).isValid():
            layer.setDefaultValueDefinition(index, QgsDefaultValue())
    editable(layer)


def _expression(value: object) -> str:
    if isinstance(value, str):
        return "'" + value.replace("'", "''") + "'"
    return repr(value)


# ---- a new chart, and the header -----------------------------------------------

HEADER_KEYS = ("FIRST_TOKEN", "DESCRIPTION", "HEADER_INTEGERS")


@dataclass
class Header:
    first_token: str
    description: str
    integers: List[int]


def _failures(action):
    messages: List[str] = []
    gdal.PushErrorHandler(lambda level, number, message: messages.append((level, message)))
    try:
        result = action()
    except RuntimeError as error:  # with gdal.UseExceptions() set by another plugin
        result, messages = None, messages + [(gdal.CE_Failure, str(error))]
    finally:
        gdal.PopErrorHandler()
    return result, [m for level, m in messages if level >= gdal.CE_Failure]


def new_chart(path: str, description: str, project: Optional[QgsProject] = None) -> QgsLayerTreeGroup:
    """Writes an empty chart (every section present, none holding an element)
    with `description` at `path`, and opens it styled, every layer ready to
    draw on."""
    driver = gdal.GetDriverByName(DRIVER)
    if driver is None:
        raise ChartError("The Chart14 GDAL driver is not loaded")
    dataset, failures = _failures(lambda: driver.Create(path, 0, 0, 0, gdal.GDT_Unknown, [f"DESCRIPTION={description}"]))
    if dataset is None:
        raise ChartError("; ".join(failures) or f"{path}: the chart was not written")
    _, failures = _failures(lambda: dataset.FlushCache())
    dataset = None  # written as it closes
    if failures:
        raise ChartError("; ".join(failures))
    group = open_chart(path, project)
    for layer in chart_layers(group).values():
        editable(layer)
    return group


def read_header(path: str) -> Header:
    dataset, failures = _failures(lambda: gdal.OpenEx(path, gdal.OF_VECTOR | gdal.OF_READONLY, allowed_drivers=[DRIVER]))
    if dataset is None:
        raise ChartError("; ".join(failures) or f"{path} is not a weather chart")
    integers = [int(v) for v in (dataset.GetMetadataItem("HEADER_INTEGERS") or "").split(",") if v.strip()]
    return Header(dataset.GetMetadataItem("FIRST_TOKEN") or "", dataset.GetMetadataItem("DESCRIPTION") or "", integers)


def save_header(path: str, header: Header, layers: Iterable[QgsVectorLayer] = ()) -> None:
    """Writes `header` into the chart at `path`. The chart's layers must have
    no edits left to save: their datasets are opened again afterwards, so
    that their next save starts from the file with this header."""
    layers = list(layers)
    if any(layer.isEditable() and layer.isModified() for layer in layers):
        raise ChartError("Save or discard the chart's edits before changing its header")
    dataset, failures = _failures(lambda: gdal.OpenEx(path, gdal.OF_VECTOR | gdal.OF_UPDATE, allowed_drivers=[DRIVER]))
    if dataset is None:
        raise ChartError("; ".join(failures) or f"{path}: not opened for update")
    items = {"FIRST_TOKEN": header.first_token, "DESCRIPTION": header.description,
             "HEADER_INTEGERS": ",".join(str(i) for i in header.integers)}
    for key, value in items.items():
        if dataset.GetMetadataItem(key) != value:
            _, failures = _failures(lambda: dataset.SetMetadataItem(key, value))
            if failures:
                raise ChartError("; ".join(failures))
    _, failures = _failures(lambda: dataset.FlushCache())
    dataset = None
    if failures:
        raise ChartError("; ".join(failures))
    _reopen(layers)


def _reopen(layers: List[QgsVectorLayer]) -> None:
    """Each layer's provider made again, its style kept: QGIS shares one
    dataset between the layers of a file and closes it only once none of them
    holds it, so every layer lets go of it before any opens it again."""
    editing = [layer for layer in layers if layer.isEditable()]
    for layer in editing:
        layer.rollBack()
    kept = []
    for layer in layers:
        style = QgsMapLayerStyle()
        style.readFromLayer(layer)
        kept.append((layer, layer.source(), style))
    options = QgsDataProvider.ProviderOptions()
    for layer, _, _ in kept:
        layer.setDataSource("none", layer.name(), "memory", options)
    for layer, source, style in kept:
        layer.setDataSource(source, layer.name(), "ogr", options)
        style.writeToLayer(layer)
    for layer in editing:
        layer.startEditing()


def chart_path(layer: QgsVectorLayer) -> str:
    """The chart file a layer reads."""
    return layer.source().split("|")[0]


def is_chart_layer(layer) -> bool:
    """Whether the layer is a chart's, read through the Chart14 driver."""
    return isinstance(layer, QgsVectorLayer) and layer.providerType() == "ogr" and layer.isValid() and \
        layer.dataProvider().storageType() == DRIVER
