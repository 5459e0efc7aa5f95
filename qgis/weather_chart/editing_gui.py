"""The editing side of the plugin in QGIS's window: the forecaster's toolbar,
"New weather chart…" and the header dialog. The work is editing.py's; this
module asks the questions (a value, a text, a description) and hands the
clicks on."""

from __future__ import annotations

from typing import Callable, Dict, Optional

from qgis.core import QgsProject, QgsVectorLayer
from qgis.gui import QgsMapTool, QgsMapToolEmitPoint
from qgis.PyQt.QtCore import Qt
from qgis.PyQt.QtWidgets import (QAction, QDialog, QDialogButtonBox, QFileDialog, QFormLayout, QInputDialog,
                                 QLineEdit, QToolBar)

from . import editing
from .chart import ChartError

TITLE = "Weather chart"


class HeaderDialog(QDialog):
    """The chart's header: first token, description, up to five integers."""

    def __init__(self, header: editing.Header, parent=None):
        super().__init__(parent)
        self.setWindowTitle("Chart header")
        form = QFormLayout(self)
        self.first_token = QLineEdit(header.first_token)
        self.description = QLineEdit(header.description)
        self.integers = QLineEdit(", ".join(str(i) for i in header.integers))
        self.integers.setToolTip("Up to five whole numbers, comma-separated")
        form.addRow("First token", self.first_token)
        form.addRow("Description", self.description)
        form.addRow("Integers", self.integers)
        buttons = QDialogButtonBox(QDialogButtonBox.Ok | QDialogButtonBox.Cancel)
        buttons.accepted.connect(self.accept)
        buttons.rejected.connect(self.reject)
        form.addRow(buttons)

    def header(self) -> editing.Header:
        integers = [int(v) for v in self.integers.text().replace(",", " ").split()]
        return editing.Header(self.first_token.text(), self.description.text(), integers)


class DragTool(QgsMapTool):
    """Press and release: the two points, in the layer's coordinates."""

    def __init__(self, canvas, layer: QgsVectorLayer, done: Callable):
        super().__init__(canvas)
        self.layer, self.done, self.start = layer, done, None

    def canvasPressEvent(self, event):  # noqa: N802 (QGIS's name)
        self.start = self.toLayerCoordinates(self.layer, event.mapPoint())

    def canvasReleaseEvent(self, event):  # noqa: N802
        if self.start is not None:
            end = self.toLayerCoordinates(self.layer, event.mapPoint())
            self.done((self.start.x(), self.start.y()), (end.x(), end.y()))
            self.start = None


class EditingTools:
    """The toolbar and menu entries; `iface` is QGIS's."""

    def __init__(self, iface, menu: str):
        self.iface, self.menu = iface, menu
        self.toolbar: Optional[QToolBar] = None
        self.actions = []
        self.map_tool = None

    def add(self) -> None:
        window = self.iface.mainWindow()
        for text, slot in [("New weather chart…", self.new_chart), ("Chart header…", self.edit_header)]:
            action = QAction(text, window)
            action.triggered.connect(slot)
            self.iface.addPluginToVectorMenu(self.menu, action)
            self.actions.append(action)
        self.toolbar = self.iface.addToolBar("Weather chart")
        self.toolbar.setObjectName("WeatherChartTools")
        for chosen in editing.tools():
            action = QAction(chosen.name + ("…" if chosen.name == "Isobar" else ""), window)
            action.triggered.connect(lambda _=False, t=chosen: self.draw(t))
            self.toolbar.addAction(action)

    def remove(self) -> None:
        for action in self.actions:
            self.iface.removePluginVectorMenu(self.menu, action)
        self.actions = []
        if self.toolbar is not None:
            self.toolbar.deleteLater()
            self.toolbar = None

    def _chart(self) -> Optional[Dict[str, QgsVectorLayer]]:
        """The layers of the chart the active layer belongs to."""
        active = self.iface.activeLayer()
        if not editing.is_chart_layer(active):
            self.iface.messageBar().pushWarning(TITLE, "Select a layer of a weather chart first")
            return None
        path = editing.chart_path(active)
        return {layer.name(): layer for layer in QgsProject.instance().mapLayers().values()
                if editing.is_chart_layer(layer) and editing.chart_path(layer) == path}

    def _report(self, action: Callable) -> None:
        try:
            action()
        except (ChartError, ValueError) as error:  # ValueError: integers that are not
            self.iface.messageBar().pushCritical(TITLE, str(error))

    def draw(self, chosen: editing.Tool) -> None:
        layers = self._chart()
        if layers is None:
            return
        layer = layers[chosen.layer]
        canvas = self.iface.mapCanvas()
        if chosen.layer in ("line_symbols", "closed_contours"):
            value = None
            if chosen.layer == "closed_contours":
                value, ok = QInputDialog.getDouble(self.iface.mainWindow(), "Isobar", "Value (hPa)", 1012, 800, 1100, 1)
                if not ok:
                    return
            # QGIS's own Add Line tool, with the element's fields filled in.
            self._report(lambda: editing.prepare_layer(layer, chosen, value))
            self.iface.setActiveLayer(layer)
            self.iface.actionAddFeature().trigger()
            return
        if chosen.name == "Wind arrow":
            self.map_tool = DragTool(canvas, layer, lambda start, end: self._report(
                lambda: editing.place_wind_arrow(layers, start, end)))
        else:
            self.map_tool = QgsMapToolEmitPoint(canvas)
            self.map_tool.canvasClicked.connect(lambda point, _button: self._place(chosen, layers, layer, point))
        canvas.setMapTool(self.map_tool)

    def _place(self, chosen: editing.Tool, layers, layer, point) -> None:
        at = self.map_tool.toLayerCoordinates(layer, point)
        xy = (at.x(), at.y())
        window = self.iface.mainWindow()
        if chosen.layer == "notes":
            text, ok = QInputDialog.getText(window, "Note", "Text")
            if ok:
                self._report(lambda: editing.place_note(layers, xy, text))
            return
        kind = "high" if chosen.values.get("text") == "H" else "low"
        value, ok = QInputDialog.getInt(window, chosen.name, "Value (hPa), 0 for none", 0, 0, 1100)
        if ok:
            self._report(lambda: editing.place_centre(layers, kind, xy, value or None))

    def new_chart(self) -> None:
        window = self.iface.mainWindow()
        path, _ = QFileDialog.getSaveFileName(window, "New weather chart", "", "Weather charts (*.txt)")
        if not path:
            return
        description, ok = QInputDialog.getText(window, "New weather chart", "Description (one word, no blanks)",
                                               text="Surface_analysis")
        if ok:
            self._report(lambda: editing.new_chart(path, description))

    def edit_header(self) -> None:
        layers = self._chart()
        if layers is None:
            return
        path = editing.chart_path(next(iter(layers.values())))
        try:
            dialog = HeaderDialog(editing.read_header(path), self.iface.mainWindow())
        except ChartError as error:
            self.iface.messageBar().pushCritical(TITLE, str(error))
            return
        dialog.setWindowModality(Qt.ApplicationModal)
        if dialog.exec_() == QDialog.Accepted:
            self._report(lambda: editing.save_header(path, dialog.header(), layers.values()))
