"""Writing a chart: :func:`write`, of a read chart, a builder or frames
(see :mod:`readdata14._document` for how a document's file is written)."""

from __future__ import annotations

from typing import Any, Mapping, Optional, Sequence, Union

from ._builder import ChartBuilder, builder_of_frames
from ._chart import Chart
from ._paths import PathLike


def write(path: PathLike, chart: Union[Chart, ChartBuilder, Mapping[str, Any]], *, line_endings: str = "lf",
          encoding: Optional[str] = None, first_token: Optional[str] = None, description: Optional[str] = None,
          header_integers: Optional[Sequence[Optional[int]]] = None) -> None:
    """Writes a chart to `path` as a type-14 file.

    `chart` is a :class:`Chart` (one read, or one a builder finished), a
    :class:`ChartBuilder`, or one GeoDataFrame per layer by layer name
    (see :func:`from_geodataframes`). The options are those of
    :meth:`Chart.write`; for frames, `encoding` is the one their texts are
    written in.
    """
    options = dict(line_endings=line_endings, first_token=first_token, description=description,
                   header_integers=header_integers)
    if isinstance(chart, Chart):
        chart.write(path, encoding=encoding, **options)  # type: ignore[arg-type]
    elif isinstance(chart, ChartBuilder):
        if encoding is not None:  # its texts are bytes already: recode them as a chart's
            chart.finish().write(path, encoding=encoding, **options)  # type: ignore[arg-type]
        else:
            chart.write(path, **options)  # type: ignore[arg-type]
    else:
        builder_of_frames(chart, encoding=encoding).write(path, **options)  # type: ignore[arg-type]
