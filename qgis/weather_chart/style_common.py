"""The pieces every layer's style is made of: sizes, texts, plain lines and
the expressions that pick features.

Sizes, widths and dashes come from the drawing table chart14 svg draws with
(symbology.json), in pixels of a 96 dpi picture, given to QGIS in millimetres
and points, so that a map at 96 dpi matches the SVG and a print keeps the
proportions."""

from __future__ import annotations

import math
from typing import Iterable, List, Optional, Sequence

from qgis.core import (QgsFeatureRequest, QgsLineSymbol, QgsPalLayerSettings, QgsProperty, QgsPropertyCollection,
                       QgsRuleBasedRenderer, QgsSimpleLineSymbolLayer, QgsTextBufferSettings, QgsTextFormat,
                       QgsUnitTypes, QgsVectorLayer)
from qgis.PyQt.QtCore import Qt, QVariant
from qgis.PyQt.QtGui import QColor, QFont

from .symbology import Symbology, symbology

FONT_FAMILY = "DejaVu Sans"

MM = QgsUnitTypes.RenderMillimeters
POINTS = QgsUnitTypes.RenderPoints


def mm(pixels: float) -> float:
    """Millimetres of a pixel length at 96 dpi."""
    return pixels * 25.4 / 96.0


def pt(pixels: float) -> float:
    """Points of a pixel length at 96 dpi."""
    return pixels * 72.0 / 96.0


def colour(hex_colour: str, opacity: float = 1.0) -> QColor:
    c = QColor(hex_colour)
    c.setAlphaF(opacity)
    return c


def literal(value: float) -> str:
    """A number written so that QGIS reads back the same double."""
    return repr(float(value))


def level_text(level: float, table: Optional[Symbology] = None) -> str:
    """A level as the legend and the labels write it."""
    return (table or symbology()).label_number(level)


def quoted(text: str) -> str:
    """A string literal of QGIS's expressions."""
    return "'" + text.replace("\\", "\\\\").replace("'", "''") + "'"


def case_colour(field: str, colours: Sequence[tuple], otherwise: str) -> str:
    """CASE WHEN "field" = value THEN 'colour' … ELSE 'otherwise' END."""
    whens = " ".join(f'WHEN "{field}" = {literal(v)} THEN {quoted(c)}' for v, c in colours)
    return f"CASE {whens} ELSE {quoted(otherwise)} END" if whens else quoted(otherwise)


# A label's number: its code when it is a code, its value when it is one.
LABEL_FIELDS = ["label_code", "label_value"]
_LABEL = 'coalesce("label_code", "label_value")'


def label_text(table: Symbology, numbers: Iterable[Optional[float]]) -> str:
    """The expression of a label's text as chart14 writes it, for a layer whose labels have these
    numbers: a whole number without decimals; any other, few on a chart, as the table writes it,
    looked up (a number added later to seven significant digits)."""
    bound = table.label_whole_below
    others = sorted({n for n in numbers if n is not None and math.isfinite(n)
                     and not (abs(n) < bound and n == math.floor(n))})
    whens = "".join(f"\n WHEN {_LABEL} = {literal(n)} THEN {quoted(table.label_number(n))}" for n in others)
    return f"""CASE
 WHEN {_LABEL} IS NULL THEN NULL
 WHEN abs({_LABEL}) < {literal(bound)} AND {_LABEL} = floor({_LABEL}) THEN to_string(to_int({_LABEL})){whens}
 ELSE to_string(round({_LABEL}, 6 - floor(log10(abs({_LABEL})))))
END"""


def simple_line(hex_colour: str, width_px: float, dash_px: Optional[Sequence[float]] = None,
                opacity: float = 1.0) -> QgsSimpleLineSymbolLayer:
    line = QgsSimpleLineSymbolLayer(colour(hex_colour, opacity), mm(width_px))
    line.setWidthUnit(MM)
    line.setPenJoinStyle(Qt.RoundJoin)
    line.setPenCapStyle(Qt.RoundCap)
    if dash_px:
        # An odd list repeats to an even one, as SVG and the canvas take it.
        dash_px = list(dash_px) * (2 if len(dash_px) % 2 else 1)
        line.setUseCustomDashPattern(True)
        line.setCustomDashVector([mm(d) for d in dash_px])
        line.setCustomDashPatternUnit(MM)
        line.setPenCapStyle(Qt.FlatCap)
    return line


def symbol_of(kind, *layers):
    """A symbol of the kind (QgsLineSymbol, QgsFillSymbol, QgsMarkerSymbol) made of these layers, which it takes."""
    symbol = kind()
    symbol.deleteSymbolLayer(0)
    for layer in layers:
        symbol.appendSymbolLayer(layer)
    return symbol


def line_symbol(*layers) -> QgsLineSymbol:
    return symbol_of(QgsLineSymbol, *layers)


def text_format(size_px: float, hex_colour: str, bold: bool = False, halo_px: float = 0) -> QgsTextFormat:
    """A text of the size in the colour, with a white halo of halo_px around it (none at 0)."""
    font = QFont(FONT_FAMILY)
    font.setBold(bold)
    fmt = QgsTextFormat()
    fmt.setFont(font)
    fmt.setSize(pt(size_px))
    fmt.setSizeUnit(POINTS)
    fmt.setColor(QColor(hex_colour))
    if halo_px:
        buffer = QgsTextBufferSettings()
        buffer.setEnabled(True)
        buffer.setSize(mm(halo_px))
        buffer.setSizeUnit(MM)
        buffer.setColor(QColor("#ffffff"))
        fmt.setBuffer(buffer)
    return fmt


def label_settings(expression: str, fmt: QgsTextFormat, placement: int, priority: int,
                   colour_expression: Optional[str] = None) -> QgsPalLayerSettings:
    settings = QgsPalLayerSettings()
    settings.fieldName = expression
    settings.isExpression = True
    settings.setFormat(fmt)
    settings.placement = placement
    settings.priority = priority
    if colour_expression:
        properties = QgsPropertyCollection()
        properties.setProperty(QgsPalLayerSettings.Color, QgsProperty.fromExpression(colour_expression))
        settings.setDataDefinedProperties(properties)
    return settings


def attributes(layer: QgsVectorLayer, fields: List[str]) -> Iterable[list]:
    """Each feature's values of `fields`, a null as None: what a style looks at to name in its
    legend only what the chart shows."""
    request = QgsFeatureRequest().setFlags(QgsFeatureRequest.NoGeometry)
    request.setSubsetOfAttributes(fields, layer.fields())
    for feature in layer.getFeatures(request):
        yield [None if isinstance(v, QVariant) and v.isNull() else v for v in (feature[f] for f in fields)]


def rule(filter_expression: Optional[str], label: str, symbol=None) -> QgsRuleBasedRenderer.Rule:
    """A rule of a rule-based renderer, at every scale."""
    return QgsRuleBasedRenderer.Rule(symbol, 0, 0, filter_expression or "", label)
