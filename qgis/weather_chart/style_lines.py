"""Styles of the chart's lines: contours coloured by level with their values
on them, labelled lines, and fronts with their triangles and half discs.

Each style names in its legend only what the chart shows, as chart14 svg's
legend does, so it is made for one chart from that chart's features."""

from __future__ import annotations

from typing import Dict, List, Set

from qgis.core import (QgsCategorizedSymbolRenderer, QgsEllipseSymbolLayer, QgsMarkerLineSymbolLayer,
                       QgsMarkerSymbol, QgsPalLayerSettings, QgsRendererCategory, QgsRuleBasedRenderer,
                       QgsTemplatedLineSymbolLayerBase, QgsVectorLayer, QgsVectorLayerSimpleLabeling)
from qgis.PyQt.QtCore import QPointF, Qt

from .style_common import (LABEL_FIELDS, MM, attributes, case_colour, colour, label_settings, label_text, level_text,
                           line_symbol, literal, mm, rule, simple_line, symbol_of, text_format)
from .symbology import Symbology

NO_LEVEL = None  # the key of contours whose value is no level


def _level_rules(parent, values: Set, colours: Dict[float, str], table: Symbology, condition: str,
                 dash) -> None:
    """One rule per level among `values`, high to low, then one for contours of no level."""
    for level in sorted((v for v in values if v is not NO_LEVEL), reverse=True):
        symbol = line_symbol(simple_line(colours[level], table.contour_width, dash))
        parent.appendChild(rule(f'{condition} AND "label_value" = {literal(level)}', level_text(level, table),
                                symbol))
    if NO_LEVEL in values:
        levels = ", ".join(literal(v) for v in colours)
        no_level = f' AND ("label_value" IS NULL OR "label_value" NOT IN ({levels}))' if levels else ""
        parent.appendChild(rule(condition + no_level, table.no_level_name,
                                 line_symbol(simple_line(table.no_level, table.contour_width, dash))))


def style_contours(layer: QgsVectorLayer, levels: List[float], table: Symbology) -> None:
    """Contours in the colour of their level, open ones dashed, values along the lines."""
    colours = table.level_colours(levels)
    closed: Set = set()
    opened: Set = set()
    for value, is_closed in attributes(layer, ["label_value", "closed"]):
        (closed if is_closed else opened).add(value if value in colours else NO_LEVEL)
    root = rule(None, "")
    _level_rules(root, closed, colours, table, '"closed"', None)
    if opened:
        group = rule(None, table.open_contour_name)
        _level_rules(group, opened, colours, table, 'NOT "closed"', table.open_contour_dash)
        root.appendChild(group)
    layer.setRenderer(QgsRuleBasedRenderer(root))

    label_colours = [(v, table.label_colour(c)) for v, c in colours.items()]
    text = label_text(table, (c if c is not None else v for c, v in attributes(layer, LABEL_FIELDS)))
    fmt = text_format(table.fonts["label"], "#000", bold=True, halo_px=table.halo)
    labels = label_settings(text, fmt, QgsPalLayerSettings.Horizontal, priority=7,
                            colour_expression=case_colour("label_value", label_colours,
                                                          table.label_colour(table.no_level)))
    _along_the_line(labels)
    layer.setLabeling(QgsVectorLayerSimpleLabeling(labels))
    layer.setLabelsEnabled(True)


def _along_the_line(labels: QgsPalLayerSettings) -> None:
    # On the line, breaking it, repeated along long lines; a short ring takes
    # its value all the same.
    labels.placementFlags = QgsPalLayerSettings.OnLine
    labels.repeatDistance = mm(300)
    labels.repeatDistanceUnit = MM
    labels.overrunDistance = mm(20)
    labels.overrunDistanceUnit = MM
    labels.labelPerPart = True


def style_lines(layer: QgsVectorLayer, table: Symbology) -> None:
    """Lines in one grey, dashed where their label is a code, values along them."""
    kinds = {kind for kind, in attributes(layer, ["label_kind"])}
    root = rule(None, "")
    if kinds - {"code"}:
        root.appendChild(rule("\"label_kind\" <> 'code'", "Line",
                               line_symbol(simple_line(table.line_colour, table.line_width))))
    if "code" in kinds:
        root.appendChild(rule("\"label_kind\" = 'code'", "Line with a coded label",
                               line_symbol(simple_line(table.line_colour, table.line_width, table.coded_line_dash))))
    layer.setRenderer(QgsRuleBasedRenderer(root))
    text = label_text(table, (c if c is not None else v for c, v in attributes(layer, LABEL_FIELDS)))
    fmt = text_format(table.fonts["label"], table.line_label_colour, bold=True, halo_px=table.halo)
    labels = label_settings(text, fmt, QgsPalLayerSettings.Horizontal, priority=6)
    _along_the_line(labels)
    layer.setLabeling(QgsVectorLayerSimpleLabeling(labels))
    layer.setLabelsEnabled(True)


def _glyphs(shape: int, hex_colour: str, size: float, every: float, first: float,
            side: int) -> QgsMarkerLineSymbolLayer:
    """Glyphs `size` across along the line, every `every` pixels from `first` on, on its left (side 1) or
    right (-1)."""
    glyph = QgsEllipseSymbolLayer()
    glyph.setShape(shape)
    glyph.setSymbolWidth(mm(size))
    glyph.setSymbolWidthUnit(MM)
    glyph.setColor(colour(hex_colour))
    glyph.setStrokeStyle(Qt.NoPen)
    if shape == QgsEllipseSymbolLayer.Triangle:
        # A triangle 0.85 as high as its base, the base on the line.
        glyph.setSymbolHeight(mm(size * 0.85))
        glyph.setOffset(QPointF(0, -mm(size * 0.85 / 2)))
        glyph.setOffsetUnit(MM)
    else:
        # A half disc of the glyph's width: its flat side on the line.
        glyph.setSymbolHeight(mm(size))
    glyph.setSymbolHeightUnit(MM)
    marker = symbol_of(QgsMarkerSymbol, glyph)
    # Markers turn with the line, their top towards its left.
    marker.setAngle(0 if side > 0 else 180)
    line = QgsMarkerLineSymbolLayer(True, mm(every))
    line.setIntervalUnit(MM)
    line.setPlacement(QgsTemplatedLineSymbolLayerBase.Interval)
    line.setOffsetAlongLine(mm(first))
    line.setOffsetAlongLineUnit(MM)
    line.setSubSymbol(marker)
    return line


def front_symbol(code: int, table: Symbology):
    """A front as forecasters draw it: the glyphs of its kind on the side it moves towards."""
    front = table.fronts.get(code)
    base = simple_line(table.front_colour(code), table.front_width)
    if front is None:
        return line_symbol(base)
    triangle, half_disc = QgsEllipseSymbolLayer.Triangle, QgsEllipseSymbolLayer.SemiCircle
    size, spacing = table.front_glyph, table.front_spacing
    half = spacing / 2
    if front.kind == "cold":
        return line_symbol(base, _glyphs(triangle, front.colour, size, spacing, half, 1))
    if front.kind == "warm":
        return line_symbol(base, _glyphs(half_disc, front.colour, size, spacing, half, 1))
    if front.kind == "occluded":
        return line_symbol(base, _glyphs(triangle, front.colour, size, 2 * spacing, half, 1),
                           _glyphs(half_disc, front.colour, size, 2 * spacing, 3 * half, 1))
    # Stationary: dashes of the second colour over the line, triangles on the
    # left and half discs of the second colour on the right, in turn.
    second = front.second_colour or front.colour
    return line_symbol(base, simple_line(second, table.front_width, table.stationary_dash),
                       _glyphs(triangle, front.colour, size, 2 * spacing, half, 1),
                       _glyphs(half_disc, second, size, 2 * spacing, 3 * half, -1))


def style_fronts(layer: QgsVectorLayer, table: Symbology) -> None:
    """Line symbols by code: fronts with their glyphs, other codes as plain lines."""
    codes = sorted({code for code, in attributes(layer, ["code"])})
    categories = [QgsRendererCategory(code, front_symbol(code, table), table.front_name(code)) for code in codes]
    layer.setRenderer(QgsCategorizedSymbolRenderer("code", categories))
