"""Processing: "Convert charts", a folder of charts into GeoPackages, one per
chart or one for all, every layer of each chart as the driver gives it."""

from __future__ import annotations

import os
from pathlib import Path
from typing import Dict, List

from osgeo import gdal
from qgis.core import (QgsProcessingAlgorithm, QgsProcessingException, QgsProcessingOutputNumber,
                       QgsProcessingParameterBoolean, QgsProcessingParameterFile,
                       QgsProcessingParameterFolderDestination)

from .chart import ChartError, is_chart, read_chart_info

ONE_GEOPACKAGE_NAME = "charts.gpkg"


def charts_in(folder: str) -> List[str]:
    """The files of the folder (not of its subfolders) that are charts, by name."""
    return [str(p) for p in sorted(Path(folder).iterdir()) if p.is_file() and is_chart(str(p))]


def geopackage_names(charts: List[str]) -> Dict[str, str]:
    """{chart: name}: each chart's file name without its extension, or with it when two would clash."""
    stems = [Path(c).stem for c in charts]
    return {c: Path(c).name.replace(".", "_") if stems.count(s) > 1 else s for c, s in zip(charts, stems)}


class ConvertCharts(QgsProcessingAlgorithm):
    INPUT = "INPUT"
    ONE_GEOPACKAGE = "ONE_GEOPACKAGE"
    OUTPUT = "OUTPUT"
    CHARTS = "CHARTS"

    def name(self) -> str:
        return "convert_charts"

    def displayName(self) -> str:  # noqa: N802 (QGIS's names from here on)
        return "Convert charts"

    def shortHelpString(self) -> str:  # noqa: N802
        return ("Writes every chart of a folder into GeoPackages: one per chart, named after it, or one "
                f"({ONE_GEOPACKAGE_NAME}) whose layers are named <chart>_<layer>. Each chart gives all its "
                "layers with their fields as the Chart14 GDAL driver reads them, written as ogr2ogr writes them.")

    def createInstance(self) -> "ConvertCharts":  # noqa: N802
        return ConvertCharts()

    def initAlgorithm(self, config=None) -> None:  # noqa: N802
        self.addParameter(QgsProcessingParameterFile(self.INPUT, "Folder of charts",
                                                     behavior=QgsProcessingParameterFile.Folder))
        self.addParameter(QgsProcessingParameterBoolean(
            self.ONE_GEOPACKAGE, f"One GeoPackage for all charts ({ONE_GEOPACKAGE_NAME})", defaultValue=False))
        self.addParameter(QgsProcessingParameterFolderDestination(self.OUTPUT, "Folder of the GeoPackages"))
        self.addOutput(QgsProcessingOutputNumber(self.CHARTS, "Charts converted"))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        folder = self.parameterAsFile(parameters, self.INPUT, context)
        one = self.parameterAsBoolean(parameters, self.ONE_GEOPACKAGE, context)
        output = self.parameterAsString(parameters, self.OUTPUT, context)
        if not folder or not os.path.isdir(folder):
            raise QgsProcessingException(f"{folder} is not a folder")
        charts = charts_in(folder)
        if not charts:
            raise QgsProcessingException(f"{folder} holds no weather chart (or the Chart14 GDAL driver is not loaded)")
        os.makedirs(output, exist_ok=True)
        names = geopackage_names(charts)
        for done, chart in enumerate(charts):
            if feedback.isCanceled():
                break
            feedback.pushInfo(f"{chart}")
            if one:
                self._write(chart, os.path.join(output, ONE_GEOPACKAGE_NAME), names[chart] + "_", done > 0, feedback)
            else:
                self._write(chart, os.path.join(output, names[chart] + ".gpkg"), "", False, feedback)
            feedback.setProgress(100.0 * (done + 1) / len(charts))
        return {self.OUTPUT: output, self.CHARTS: len(charts)}

    @staticmethod
    def _write(chart: str, geopackage: str, prefix: str, append: bool, feedback) -> None:
        """Every layer of the chart into the GeoPackage, named prefix + layer; a new file unless
        `append`. GDAL's own translation (ogr2ogr's) keeps each field's type, subtype and NOT NULL."""
        try:
            layer_names = read_chart_info(chart).layer_names
        except ChartError as error:
            raise QgsProcessingException(str(error)) from error
        if not append and os.path.exists(geopackage):
            os.remove(geopackage)  # a destination of Processing is made anew
        messages: List[str] = []
        gdal.PushErrorHandler(lambda level, number, message: messages.append(message))
        try:
            for i, name in enumerate(layer_names):
                done = gdal.VectorTranslate(
                    geopackage, chart, format="GPKG", layers=[name], layerName=prefix + name,
                    accessMode="update" if append or i > 0 else None,
                    callback=lambda *_: 0 if feedback.isCanceled() else 1)
                if done is None:
                    raise QgsProcessingException(f"{chart}: the layer {name} could not be written to "
                                                 f"{geopackage}: {'; '.join(messages)}")
                done = None  # closes the GeoPackage
        finally:
            gdal.PopErrorHandler()
        for message in messages:
            feedback.reportError(message, fatalError=False)
