"""Summarise an archive of many thousands of charts with Dask.

A Chart holds the library's memory and does not travel between processes,
so each task reads its charts where it runs and sends back only what is
small: one row per chart (elements per section, extent, levels, findings).
The same code runs on one machine (a LocalCluster, as below) and on a
cluster (pass --scheduler host:8786).

    python3 python/examples/dask_archive.py --workers 2 'archive/**/*.txt' > summary.csv

Needs dask and distributed (Debian: python3-dask, python3-distributed).
"""

from __future__ import annotations

import argparse
import glob
import sys
from typing import Any, Dict, List, Optional, Sequence

import numpy as np

import readdata14


def summarize(path: str) -> Dict[str, Any]:
    """One chart as one row; a file that does not read gives its error."""
    row: Dict[str, Any] = {"path": path}
    try:
        chart = readdata14.read(path)
    except (OSError, ValueError, MemoryError) as error:
        row["error"] = f"{type(error).__name__}: {error}"
        return row
    row["description"] = chart.description
    row.update(chart.counts())
    outlines = [e.points for section in (chart.lines, chart.closed_contours, chart.weather_regions)
                for e in section]
    points = np.concatenate(outlines) if outlines else np.empty((0, 2), np.float32)
    finite = points[np.isfinite(points).all(axis=1)]
    if len(finite):
        (row["xmin"], row["ymin"]), (row["xmax"], row["ymax"]) = finite.min(0).tolist(), finite.max(0).tolist()
    row["levels"] = len(chart.levels)
    row["errors"], row["warnings"] = chart.errors, chart.warnings
    row["error"] = None
    return row


def summarize_batch(paths: Sequence[str]) -> List[Dict[str, Any]]:
    """A task: a batch of charts read by the worker's own threads."""
    return [summarize(path) for path in paths]


def summarize_archive(paths: Sequence[str], client: Any, batch: int = 256) -> Any:
    """Every chart of `paths` summarised on `client`'s workers; a pandas
    DataFrame in the order of `paths`. Batches keep the task count (and the
    scheduler's overhead) small for archives of many thousands of files."""
    import pandas as pd

    batches = [list(paths[i:i + batch]) for i in range(0, len(paths), batch)]
    futures = client.map(summarize_batch, batches, pure=False)
    frame = pd.DataFrame([row for result in client.gather(futures) for row in result])
    for column in (*readdata14.LAYERS, "levels", "errors", "warnings"):
        if column in frame:  # whole numbers, with gaps where a file did not read
            frame[column] = frame[column].astype("Int64")
    return frame


def main(argv: Optional[Sequence[str]] = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("patterns", nargs="+", help="chart files or glob patterns ('**' searches folders)")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler; default: a local cluster")
    parser.add_argument("--workers", type=int, default=None, help="local workers (default: one per core)")
    parser.add_argument("--batch", type=int, default=256, help="charts per task")
    args = parser.parse_args(argv)

    from dask.distributed import Client, LocalCluster

    paths = sorted({p for pattern in args.patterns for p in (glob.glob(pattern, recursive=True) or [pattern])})
    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, dashboard_address=None)
        client = Client(cluster)
    with client:
        summary = summarize_archive(paths, client, args.batch)
    summary.to_csv(sys.stdout, index=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
