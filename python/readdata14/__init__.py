"""Type-14 weather charts for Python: NumPy arrays, typed records, GeoDataFrames.

    >>> import readdata14
    >>> chart = readdata14.read("examples/sample_chart.txt")
    >>> print(chart)                      # description and elements per section
    >>> for line in chart.lines:          # code, points (n, 2) float32, label ...
    ...     line.code, line.points, line.label_kind
    >>> chart.closed_contours[0].level_index, chart.levels
    >>> frame = chart.to_geodataframe("closed_contours")   # with geopandas
    >>> charts = readdata14.read_many(paths)               # threads, input order

:func:`read` reads a file through the library's C API in one call and
raises Python's own exceptions (FileNotFoundError, PermissionError,
IsADirectoryError, :class:`NotAChartError`, MemoryError); it never takes the
interpreter down. The arrays view the library's memory without copying; it
is released when the chart and the last array taken from it are gone.
A broken chart reads as far as it goes; ``chart.findings`` says where it
departs from the format.
"""

from ._capi import LIBRARY_PATH, LIBRARY_VERSION, Finding
from ._chart import LAYERS, Blocks, Chart, NotAChartError, TextBlock, read, read_bytes
from ._format import LABEL_CODE_OFFSET, NO_LABEL_VALUE, NO_LEVEL_INDEX
from ._many import read_many
from ._sections import (ClosedContour, ClosedContours, Element, FillArea, FillAreas, LabelPoint, LabelPoints,
                        Line, Lines, LineSymbol, LineSymbols, Note, Notes, Section, Symbol, Symbols,
                        WeatherRegion, WeatherRegions)
from ._texts import TextEncodingWarning

__version__ = LIBRARY_VERSION

__all__ = [
    "read", "read_bytes", "read_many", "Chart", "NotAChartError", "TextEncodingWarning", "Finding",
    "Blocks", "TextBlock", "LAYERS", "NO_LABEL_VALUE", "LABEL_CODE_OFFSET", "NO_LEVEL_INDEX",
    "Element", "Line", "LineSymbol", "Symbol", "ClosedContour", "WeatherRegion", "FillArea", "Note",
    "LabelPoint", "Section", "Lines", "LineSymbols", "Symbols", "ClosedContours", "WeatherRegions",
    "FillAreas", "Notes", "LabelPoints", "LIBRARY_PATH", "LIBRARY_VERSION",
]
