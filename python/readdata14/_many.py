"""Many charts at once, in threads.

The library keeps no state between reads and ctypes lets go of the GIL for
the length of each C call, so threads read on every core; what Python does
around the call (wrapping the arrays) is short.
"""

from __future__ import annotations

import os
from concurrent.futures import ThreadPoolExecutor
from typing import Iterable, List, Optional, Union

from ._chart import Chart, PathLike, read
from ._texts import check_encoding


def _read_or_error(path: PathLike, encoding: Optional[str]) -> Union[Chart, Exception]:
    try:
        return read(path, encoding)
    except Exception as error:  # noqa: BLE001 - the caller gets it in the file's slot
        return error


def read_many(paths: Iterable[PathLike], workers: Optional[int] = None,
              encoding: Optional[str] = None) -> List[Union[Chart, Exception]]:
    """Reads every chart of `paths` in `workers` threads (default: one per core).

    Returns a list in the order of `paths`: a :class:`Chart` for each file
    that read, and the exception object (FileNotFoundError, NotAChartError,
    MemoryError, ...) for one that did not, so that one bad file does not
    lose the batch. For archives too large to hold every chart at once, read
    in batches, or see python/examples/dask_archive.py.
    """
    if isinstance(paths, (str, bytes, os.PathLike)):
        raise TypeError(f"read_many takes an iterable of paths, not one path ({paths!r}); use read() for one")
    paths = list(paths)
    encoding = check_encoding(encoding)  # an unknown name fails once, here
    if workers is None:
        workers = len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else (os.cpu_count() or 1)
    if workers < 1:
        raise ValueError(f"workers must be at least 1, not {workers}")
    if workers == 1 or len(paths) <= 1:
        return [_read_or_error(p, encoding) for p in paths]
    with ThreadPoolExecutor(max_workers=min(workers, len(paths)), thread_name_prefix="readdata14") as pool:
        return list(pool.map(lambda p: _read_or_error(p, encoding), paths))
