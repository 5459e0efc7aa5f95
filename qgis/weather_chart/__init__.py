"""The Weather chart plugin: type-14 weather charts in QGIS, styled as
forecasters draw them.

Without the GUI (tests, scripts, the Python console):

    from weather_chart import open_chart
    group = open_chart("analysis.txt")          # into QgsProject.instance()
"""

from .chart import ChartError, open_chart  # noqa: F401


def classFactory(iface):  # noqa: N802 (the name QGIS calls)
    from .plugin import WeatherChartPlugin
    return WeatherChartPlugin(iface)
