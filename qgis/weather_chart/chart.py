"""Opening a chart in a project: its layers through the Chart14 GDAL driver,
each styled as chart14 svg draws it, in one group, in drawing order."""

from __future__ import annotations

import math
import os
from dataclasses import dataclass, field
from typing import Callable, Dict, List, Optional

from osgeo import gdal
from qgis.core import (QgsLayerTreeGroup, QgsMessageLog, QgsProject, QgsProviderRegistry, QgsVectorLayer, Qgis)

from .style_areas import style_fill_areas, style_weather_regions
from .style_lines import style_contours, style_fronts, style_lines
from .style_points import style_label_points, style_notes, style_symbols
from .symbology import Symbology, float32, symbology

DRIVER = "Chart14"
LOG_TAG = "Weather chart"
# Hidden unless asked for.
LABEL_POINTS = "label_points"


class ChartError(Exception):
    """The file cannot be opened as a chart."""


@dataclass
class ChartInfo:
    """What a chart's dataset says of the whole chart."""

    path: str
    description: str
    layer_names: List[str]
    levels: List[float]
    warnings: List[str] = field(default_factory=list)


def driver_loaded() -> bool:
    return gdal.GetDriverByName(DRIVER) is not None


def _missing_driver() -> ChartError:
    return ChartError(
        "The Chart14 GDAL driver is not loaded: name the folder of ogr_Chart14.so in GDAL_DRIVER_PATH "
        "(Settings ▸ Options ▸ System ▸ Environment) or install it into GDAL's plugin folder, then restart QGIS")


def is_chart(path: str) -> bool:
    """Whether the Chart14 driver knows the file for a chart (by its content)."""
    if not driver_loaded() or not os.path.isfile(path):
        return False
    return gdal.IdentifyDriverEx(path, gdal.OF_VECTOR, allowed_drivers=[DRIVER]) is not None


def read_chart_info(path: str) -> ChartInfo:
    """The chart's layers and levels, from one read-only open of the dataset."""
    if not driver_loaded():
        raise _missing_driver()
    messages: List[str] = []
    gdal.PushErrorHandler(lambda level, number, message: messages.append((level, message)))
    try:
        dataset = gdal.OpenEx(path, gdal.OF_VECTOR | gdal.OF_READONLY, allowed_drivers=[DRIVER])
    finally:
        gdal.PopErrorHandler()
    failures = [m for level, m in messages if level >= gdal.CE_Failure]
    if dataset is None:
        raise ChartError("; ".join(failures) or f"{path} is not a weather chart of type 14")
    levels = [float32(float(v)) for v in (dataset.GetMetadataItem("LEVELS") or "").split(",") if v]
    info = ChartInfo(path=path, description=dataset.GetMetadataItem("DESCRIPTION") or "",
                     layer_names=[dataset.GetLayer(i).GetName() for i in range(dataset.GetLayerCount())],
                     levels=[v for v in levels if math.isfinite(v)],
                     warnings=[m for level, m in messages if level < gdal.CE_Failure])
    dataset = None  # closes it
    return info


def _stylers(info: ChartInfo, table: Symbology) -> Dict[str, Callable[[QgsVectorLayer], None]]:
    return {
        "fill_areas": lambda layer: style_fill_areas(layer, table),
        "weather_regions": lambda layer: style_weather_regions(layer, table),
        "closed_contours": lambda layer: style_contours(layer, info.levels, table),
        "lines": lambda layer: style_lines(layer, table),
        "line_symbols": lambda layer: style_fronts(layer, table),
        "symbols": lambda layer: style_symbols(layer, table),
        "notes": lambda layer: style_notes(layer, table),
        LABEL_POINTS: style_label_points,
    }


def open_layer(path: str, name: str) -> QgsVectorLayer:
    """One layer of a chart through the OGR provider."""
    uri = QgsProviderRegistry.instance().encodeUri("ogr", {"path": path, "layerName": name})
    options = QgsVectorLayer.LayerOptions()
    # A chart's coordinates are its own: no system to ask the user for.
    options.skipCrsValidation = True
    return QgsVectorLayer(uri, name, "ogr", options)


def open_chart(path: str, project: Optional[QgsProject] = None, label_points: bool = False,
               table: Optional[Symbology] = None) -> QgsLayerTreeGroup:
    """Adds the chart at `path` to `project` (the current project by default)
    as a group of its layers, styled and in drawing order, at the top of the
    layer tree, and returns the group. The label points are added hidden
    unless `label_points` is true. Raises ChartError when the file is not a
    chart or the driver is not loaded."""
    path = os.path.abspath(path)
    project = project or QgsProject.instance()
    table = table or symbology()
    info = read_chart_info(path)
    for warning in info.warnings:
        QgsMessageLog.logMessage(warning, LOG_TAG, Qgis.Warning)
    stylers = _stylers(info, table)
    # Layers of the table's drawing order (bottom to top) first, any other the driver has below them.
    known = [n for n in table.drawing_order if n in info.layer_names]
    ordered = [n for n in info.layer_names if n not in known] + known
    layers = []
    for name in reversed(ordered):  # the tree lists the top of the drawing first
        layer = open_layer(path, name)
        if not layer.isValid():
            raise ChartError(f"{path}: the layer {name} did not open: {layer.error().summary()}")
        if name in stylers:
            stylers[name](layer)
        layers.append(layer)
    group = project.layerTreeRoot().insertGroup(0, os.path.basename(path))
    group.setCustomProperty("weather_chart/description", info.description)
    for layer in layers:
        project.addMapLayer(layer, False)
        node = group.addLayer(layer)
        node.setExpanded(False)
        if layer.name() == LABEL_POINTS:
            node.setItemVisibilityChecked(label_points)
    return group
