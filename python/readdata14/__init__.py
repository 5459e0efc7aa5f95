"""Type-14 weather charts for Python: NumPy arrays, typed records, GeoDataFrames.

    >>> import readdata14
    >>> chart = readdata14.read("examples/sample_chart.txt")
    >>> print(chart)                      # description and elements per section
    >>> for line in chart.lines:          # code, points (n, 2) float32, label ...
    ...     line.code, line.points, line.label_kind
    >>> chart.closed_contours[0].level_index, chart.levels
    >>> chart.header_integers             # the header's own fields
    >>> frame = chart.to_geodataframe("closed_contours")   # with geopandas
    >>> charts = readdata14.read_many(paths)               # threads, input order
    >>> readdata14.read_header(path)                       # the header alone
    >>> chart.write("out.txt", line_endings="crlf")        # reads back bit for bit
    >>> frames = chart.to_geodataframes()                  # edit, then
    >>> readdata14.write("edited.txt", frames)
    >>> builder = readdata14.ChartBuilder()                # or build from arrays
    >>> builder.add_closed_contours([ring], codes=[1], labels=[1012]).write("new.txt")

:func:`read` reads a file through the library's C API in one call and
raises Python's own exceptions (FileNotFoundError, PermissionError,
IsADirectoryError, :class:`NotAChartError`, MemoryError); it never takes the
interpreter down. The layers, their fields and the mapping from records to
features are the library's (:data:`SCHEMA`); the sections, elements and
GeoDataFrames are built from its tables in bulk. The arrays view the
library's memory without copying; it is released when the chart and the
last array taken from it are gone. A broken chart reads as far as it goes;
``chart.findings`` says where it departs from the format.

When fiona is installed, importing this package tells it of the GDAL
driver Chart14, so that ``geopandas.read_file(chart_path)`` works where the
driver is installed (or named in GDAL_DRIVER_PATH).
"""

from ._capi import LIBRARY_PATH, LIBRARY_VERSION, FieldDefinition, Finding, LayerDefinition
from ._builder import ChartBuilder, from_geodataframes
from ._chart import Blocks, Chart, Header, NotAChartError, TextBlock, read, read_bytes, read_header
from ._layers import LAYERS, SCHEMA
from ._many import read_many
from ._sections import (LABEL_CODE_OFFSET, NO_LABEL_VALUE, NO_LEVEL_INDEX, ClosedContour, ClosedContours,
                        Element, FillArea, FillAreas, LabelPoint, LabelPoints, Line, Lines, LineSymbol,
                        LineSymbols, Note, Notes, Section, Symbol, Symbols, WeatherRegion, WeatherRegions)
from ._texts import TextEncodingWarning
from ._write import write

__version__ = LIBRARY_VERSION

try:  # fiona reads only the drivers it is told of
    import fiona as _fiona
    _fiona.supported_drivers.setdefault("Chart14", "r")
except Exception:  # noqa: BLE001 - no fiona, or one that cannot load: nothing to tell
    pass

__all__ = [
    "read", "read_bytes", "read_header", "read_many", "write", "ChartBuilder", "from_geodataframes", "Chart",
    "Header", "NotAChartError", "TextEncodingWarning",
    "Finding", "Blocks", "TextBlock", "LAYERS", "SCHEMA", "LayerDefinition", "FieldDefinition", "NO_LABEL_VALUE",
    "LABEL_CODE_OFFSET", "NO_LEVEL_INDEX", "Element", "Line", "LineSymbol", "Symbol", "ClosedContour",
    "WeatherRegion", "FillArea", "Note", "LabelPoint", "Section", "Lines", "LineSymbols", "Symbols",
    "ClosedContours", "WeatherRegions", "FillAreas", "Notes", "LabelPoints", "LIBRARY_PATH", "LIBRARY_VERSION",
]
