"""The plugin's Processing provider: its algorithms in the toolbox and in
qgis_process."""

from __future__ import annotations

from qgis.core import QgsProcessingProvider

from .convert_charts import ConvertCharts


class WeatherChartProvider(QgsProcessingProvider):
    def id(self) -> str:
        return "weather_chart"

    def name(self) -> str:
        return "Weather chart"

    def loadAlgorithms(self) -> None:  # noqa: N802 (QGIS's name)
        self.addAlgorithm(ConvertCharts())
