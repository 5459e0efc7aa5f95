"""Styles of the chart's points: pressure centres as their letters, arrows
turned by their direction, texts of symbols and notes as labels, and the
label points (hidden unless asked for)."""

from __future__ import annotations

from typing import Dict, Optional

from qgis.core import (QgsFontMarkerSymbolLayer, QgsMarkerLineSymbolLayer, QgsMarkerSymbol, QgsNullSymbolRenderer,
                       QgsPalLayerSettings, QgsProperty, QgsRuleBasedLabeling, QgsRuleBasedRenderer,
                       QgsSimpleLineCallout, QgsSimpleMarkerSymbolLayer, QgsSimpleMarkerSymbolLayerBase,
                       QgsSingleSymbolRenderer, QgsSymbolLayer, QgsTemplatedLineSymbolLayerBase,
                       QgsTextBackgroundSettings, QgsVectorLayer, QgsVectorLayerSimpleLabeling)
from qgis.PyQt.QtCore import QPointF, QSizeF, Qt
from qgis.PyQt.QtGui import QColor

from .style_common import (FONT_FAMILY, MM, attributes, colour, label_settings, line_symbol, mm, rule, simple_line,
                           symbol_of, text_format)
from .symbology import Symbology

WIND_HEAD = 10      # the arrow head's arms reach half this far back and aside, in pixels
SHORT_TEXT = 6      # characters: a longer text of a symbol is led to its point as a note is


def _centre_filter(symbol_type: int) -> str:
    # A centre is written as its letter (or two); a longer text of a centre's
    # type is a text like any other.
    return f'"type" = {symbol_type} AND length("text") >= 1 AND length("text") <= 2'


def _text_glyph(text: str, size_px: float, fill: str, halo_px: float, bold: bool) -> QgsFontMarkerSymbolLayer:
    glyph = QgsFontMarkerSymbolLayer(FONT_FAMILY, text, mm(size_px), colour(fill))
    glyph.setSizeUnit(MM)
    if bold:
        glyph.setFontStyle("Bold")
    glyph.setStrokeColor(QColor("#ffffff"))
    glyph.setStrokeWidth(mm(halo_px))
    glyph.setStrokeWidthUnit(MM)
    return glyph


def _centre_symbol(letter: str, hex_colour: str, table: Symbology) -> QgsMarkerSymbol:
    """The centre's letter, taken from its text, over a white halo (`letter` shows in the legend)."""
    # The stroke goes over the fill: the halo is a white letter of its own below.
    size = table.fonts["centre"]
    layers = [_text_glyph(letter, size, "#ffffff", 2 * table.halo, True), _text_glyph(letter, size, hex_colour, 0, True)]
    for layer in layers:
        layer.setDataDefinedProperty(QgsSymbolLayer.PropertyCharacter, QgsProperty.fromField("text"))
    return symbol_of(QgsMarkerSymbol, *layers)


def _legend_only(sample: str, hex_colour: str, size_px: float) -> QgsMarkerSymbol:
    """A sample of a text for the legend, drawn nowhere on the map: the texts are labels, and a
    feature is labelled only when its rule has a symbol."""
    glyph = _text_glyph(sample, size_px, hex_colour, 0, False)
    glyph.setDataDefinedProperty(QgsSymbolLayer.PropertyLayerEnabled, QgsProperty.fromValue(False))
    return symbol_of(QgsMarkerSymbol, glyph)


def _arrow_symbol(hex_colour: str, table: Symbology) -> QgsMarkerSymbol:
    """An arrow of the table's length about its point, pointing north before it is turned."""
    length = table.arrow_length
    shaft = QgsSimpleMarkerSymbolLayer(QgsSimpleMarkerSymbolLayerBase.Line, mm(length))
    # QGIS draws an arrow head pointing east: moved to the shaft's end and
    # turned with it a quarter left, it points north.
    head = QgsSimpleMarkerSymbolLayer(QgsSimpleMarkerSymbolLayerBase.ArrowHead, mm(WIND_HEAD), -90)
    head.setOffset(QPointF(mm(length / 2), 0))
    head.setOffsetUnit(MM)
    for part in (shaft, head):
        part.setSizeUnit(MM)
        part.setStrokeColor(colour(hex_colour))
        part.setStrokeWidth(mm(table.arrow_width))
        part.setStrokeWidthUnit(MM)
        part.setPenCapStyle(Qt.RoundCap)
    symbol = symbol_of(QgsMarkerSymbol, shaft, head)
    # The direction is 270 less the heading counted anticlockwise from east,
    # so the heading clockwise from north is the direction less 180.
    symbol.setDataDefinedAngle(QgsProperty.fromExpression('"direction" - 180'))
    return symbol


def _leader(table: Symbology) -> QgsSimpleLineCallout:
    """A thin line from a moved text to its point, with a dot on the point."""
    dot = QgsSimpleMarkerSymbolLayer(QgsSimpleMarkerSymbolLayerBase.Circle, mm(4))
    dot.setSizeUnit(MM)
    dot.setColor(QColor(table.leader_colour))
    dot.setStrokeStyle(Qt.NoPen)
    ends = QgsMarkerLineSymbolLayer()
    ends.setPlacement(QgsTemplatedLineSymbolLayerBase.FirstVertex)
    ends.setSubSymbol(symbol_of(QgsMarkerSymbol, dot))
    leader = QgsSimpleLineCallout()
    leader.setEnabled(True)
    leader.setLineSymbol(line_symbol(simple_line(table.leader_colour, table.leader_width), ends))
    return leader


def _moved_aside(labels: QgsPalLayerSettings, table: Symbology) -> QgsPalLayerSettings:
    labels.dist = mm(6)
    labels.distUnits = MM
    labels.setCallout(_leader(table))
    return labels


def style_symbols(layer: QgsVectorLayer, table: Symbology) -> None:
    """Centres as their letters, arrows turned by their direction, other texts as labels."""
    first_letters: Dict[int, str] = {}
    arrow_types = set()
    sample: Optional[str] = None
    for symbol_type, direction, text in attributes(layer, ["type", "direction", "text"]):
        if symbol_type in table.centres and text and len(text) <= 2:
            first_letters.setdefault(symbol_type, text)
        elif text:
            sample = sample or text
        elif text is None and direction is not None:
            arrow_types.add(symbol_type)
    root = rule(None, "")
    for symbol_type, centre in table.centres.items():
        if symbol_type in first_letters:
            root.appendChild(rule(_centre_filter(symbol_type), centre.name,
                                   _centre_symbol(first_letters[symbol_type], centre.colour, table)))
    for symbol_type in sorted(arrow_types):
        root.appendChild(rule(f'"text" IS NULL AND "direction" IS NOT NULL AND "type" = {symbol_type}',
                               f"Arrow of symbol type {symbol_type}",
                               _arrow_symbol(table.palette_colour(symbol_type), table)))
    texts = " AND ".join([f"NOT ({_centre_filter(t)})" for t in table.centres] + ["\"text\" <> ''"])
    if sample:
        root.appendChild(rule(texts, "Text of a symbol", _legend_only(sample, table.text_colour, table.fonts["symbol"])))
    layer.setRenderer(QgsRuleBasedRenderer(root))

    # Short texts (a central pressure) on their point; longer ones beside it, led to it.
    fmt = text_format(table.fonts["symbol"], table.text_colour, halo_px=table.halo)
    short = label_settings('"text"', fmt, QgsPalLayerSettings.OverPoint, priority=9)
    long = _moved_aside(label_settings('"text"', fmt, QgsPalLayerSettings.AroundPoint, priority=8), table)
    # Centres and arrows are not labelled, but labels keep off them.
    marks = label_settings("''", fmt, QgsPalLayerSettings.OverPoint, priority=0)
    marks.drawLabels = False
    labeling = QgsRuleBasedLabeling(QgsRuleBasedLabeling.Rule(None))
    labeling.rootRule().appendChild(QgsRuleBasedLabeling.Rule(
        short, 0, 0, f'{texts} AND length("text") <= {SHORT_TEXT}', "Text of a symbol"))
    labeling.rootRule().appendChild(QgsRuleBasedLabeling.Rule(
        long, 0, 0, f'{texts} AND length("text") > {SHORT_TEXT}', "Longer text of a symbol"))
    labeling.rootRule().appendChild(QgsRuleBasedLabeling.Rule(marks, 0, 0, f"NOT ({texts})", "Centres and arrows"))
    layer.setLabeling(labeling)
    layer.setLabelsEnabled(True)


def _one_line(field: str) -> str:
    """A text as one line: the control characters a text of the file may hold (a line break at
    its end) as blanks."""
    return f"trim(regexp_replace(\"{field}\", '[\\\\x00-\\\\x1f\\\\x7f]', ' '))"


def style_notes(layer: QgsVectorLayer, table: Symbology) -> None:
    """Notes as framed boxes, the first text over the second, led to their point."""
    layer.setRenderer(QgsNullSymbolRenderer())
    # QGIS 3.22 labels take a few HTML tags but lose lines with them: plain lines.
    second = _one_line("second_text")
    text = f"{_one_line('first_text')} || if({second} = '', '', '\\n' || {second})"
    fmt = text_format(table.fonts["note"], table.text_colour)
    frame = QgsTextBackgroundSettings()
    frame.setEnabled(True)
    frame.setType(QgsTextBackgroundSettings.ShapeRectangle)
    frame.setSizeType(QgsTextBackgroundSettings.SizeBuffer)
    frame.setSize(QSizeF(mm(4), mm(2)))
    frame.setSizeUnit(MM)
    frame.setFillColor(colour("#ffffff", table.frame_opacity))
    frame.setStrokeColor(QColor(table.leader_colour))
    frame.setStrokeWidth(mm(table.leader_width))
    frame.setStrokeWidthUnit(MM)
    fmt.setBackground(frame)
    labels = _moved_aside(label_settings(text, fmt, QgsPalLayerSettings.AroundPoint, priority=8), table)
    layer.setLabeling(QgsVectorLayerSimpleLabeling(labels))
    layer.setLabelsEnabled(True)


def style_label_points(layer: QgsVectorLayer) -> None:
    """Where the file asks for a line's or contour's label: small open circles."""
    circle = QgsSimpleMarkerSymbolLayer(QgsSimpleMarkerSymbolLayerBase.Circle, mm(6))
    circle.setSizeUnit(MM)
    circle.setColor(QColor(0, 0, 0, 0))
    circle.setStrokeColor(QColor("#d2691e"))
    circle.setStrokeWidth(mm(1.2))
    circle.setStrokeWidthUnit(MM)
    layer.setRenderer(QgsSingleSymbolRenderer(symbol_of(QgsMarkerSymbol, circle)))
