"""Styles of the chart's areas: weather regions and fill areas, shaded by
their code."""

from __future__ import annotations

from typing import Callable

from qgis.core import (QgsCategorizedSymbolRenderer, QgsFillSymbol, QgsRendererCategory, QgsSimpleFillSymbolLayer,
                       QgsVectorLayer)
from qgis.PyQt.QtCore import Qt

from .style_common import attributes, colour, simple_line, symbol_of
from .symbology import Symbology


def _area_symbol(hex_colour: str, opacity: float, outline_px: float, dash_px=None) -> QgsFillSymbol:
    """A shaded area in its colour, with an outline of the colour, dashed when asked."""
    fill = QgsSimpleFillSymbolLayer(colour(hex_colour, opacity), Qt.SolidPattern, colour(hex_colour), Qt.NoPen)
    outline = simple_line(hex_colour, outline_px, dash_px)
    outline.setPenCapStyle(Qt.FlatCap)
    return symbol_of(QgsFillSymbol, fill, outline)


def _by_code(layer: QgsVectorLayer, symbol: Callable[[int], QgsFillSymbol], name: Callable[[int], str]) -> None:
    codes = sorted({code for code, in attributes(layer, ["code"])})
    layer.setRenderer(QgsCategorizedSymbolRenderer(
        "code", [QgsRendererCategory(code, symbol(code), name(code)) for code in codes]))


def style_weather_regions(layer: QgsVectorLayer, table: Symbology) -> None:
    _by_code(layer, lambda code: _area_symbol(table.region_colour(code), table.region_opacity,
                                              table.region_outline_width), table.region_name)


def style_fill_areas(layer: QgsVectorLayer, table: Symbology) -> None:
    _by_code(layer, lambda code: _area_symbol(table.fill_area_colour(code), table.fill_opacity,
                                              table.fill_outline_width, table.fill_outline_dash),
             table.fill_area_name)
