"""The plugin in QGIS's window: the menu command "Open weather chart…",
charts dropped on the window, the editing tools (editing_gui.py) and the
Processing provider."""

from __future__ import annotations

import os

from qgis.core import QgsApplication, QgsSettings
from qgis.gui import QgsCustomDropHandler
from qgis.PyQt.QtWidgets import QAction, QFileDialog

from .chart import ChartError, is_chart, open_chart
from .editing_gui import EditingTools
from .processing_provider import WeatherChartProvider

MENU = "&Weather chart"
LAST_FOLDER = "weather_chart/last_folder"


class ChartDropHandler(QgsCustomDropHandler):
    """A chart dropped on QGIS opens styled; other files go to QGIS's own handling."""

    def __init__(self, iface):
        super().__init__()
        self.iface = iface

    def customUriProviderKey(self) -> str:  # noqa: N802 (QGIS's name)
        return "weather_chart"

    def handleFileDrop(self, file: str) -> bool:  # noqa: N802
        if not is_chart(file):
            return False
        _open_and_report(self.iface, file)
        return True


def _open_and_report(iface, path: str) -> None:
    try:
        open_chart(path)
    except ChartError as error:
        iface.messageBar().pushCritical("Weather chart", str(error))


class WeatherChartPlugin:
    def __init__(self, iface):
        self.iface = iface
        self.provider = None
        self.action = None
        self.drop_handler = None
        self.editing = None

    def initProcessing(self) -> None:  # noqa: N802 (called by QGIS, qgis_process too)
        if self.provider is None:
            self.provider = WeatherChartProvider()
            QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self) -> None:  # noqa: N802
        self.initProcessing()
        self.action = QAction("Open weather chart…", self.iface.mainWindow())
        self.action.setToolTip("Open type-14 weather charts, styled as forecasters draw them")
        self.action.triggered.connect(self.open_charts)
        self.iface.addPluginToVectorMenu(MENU, self.action)
        self.drop_handler = ChartDropHandler(self.iface)
        self.iface.registerCustomDropHandler(self.drop_handler)
        self.editing = EditingTools(self.iface, MENU)
        self.editing.add()

    def unload(self) -> None:
        if self.editing is not None:
            self.editing.remove()
            self.editing = None
        if self.action is not None:
            self.iface.removePluginVectorMenu(MENU, self.action)
            self.action = None
        if self.drop_handler is not None:
            self.iface.unregisterCustomDropHandler(self.drop_handler)
            self.drop_handler = None
        if self.provider is not None:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None

    def open_charts(self) -> None:
        settings = QgsSettings()
        paths, _ = QFileDialog.getOpenFileNames(self.iface.mainWindow(), "Open weather chart",
                                                settings.value(LAST_FOLDER, ""),
                                                "Weather charts (*.txt);;All files (*)")
        for path in paths:
            _open_and_report(self.iface, path)
        if paths:
            settings.setValue(LAST_FOLDER, os.path.dirname(paths[0]))
