"""How fast the package reads many charts: serially, then with read_many.

Generates the charts with make_chart (one seed each) unless they are there,
reads them once to have them in the page cache, then times both ways. The
process's CPU time over the wall time says how many cores were busy.

    flock /tmp/readdata14-heavy.lock .venv/bin/python python/bench/read_many_bench.py \\
        --charts 1000 --size-mb 1 --folder /tmp/charts-1mb

A benchmark, not a test: it asserts nothing about time.
"""

from __future__ import annotations

import argparse
import gc
import os
import subprocess
import sys
import time
from pathlib import Path
from typing import Any, Callable, List, Tuple

import readdata14

ROOT = Path(__file__).resolve().parents[2]


def generate(make_chart: Path, folder: Path, count: int, size_mb: float) -> List[Path]:
    folder.mkdir(parents=True, exist_ok=True)
    paths = []
    for seed in range(1, count + 1):
        path = folder / f"chart_{size_mb:g}mb_{seed:05d}.txt"
        if not path.exists():
            subprocess.run([str(make_chart), "--seed", str(seed), "--size-mb", str(size_mb), "-o", str(path)],
                           check=True)
        paths.append(path)
    return paths


def timed(run: Callable[[], Any]) -> Tuple[float, float]:
    gc.collect()
    wall, cpu = time.perf_counter(), time.process_time()
    run()
    return time.perf_counter() - wall, time.process_time() - cpu


def touch(chart: readdata14.Chart) -> None:
    """Every element of every section, as a script walking the chart would."""
    for layer in readdata14.LAYERS:
        for _ in chart.section(layer) or ():
            pass


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--charts", type=int, default=1000)
    parser.add_argument("--size-mb", type=float, default=1.0)
    parser.add_argument("--folder", type=Path, default=Path("/tmp/readdata14-bench-charts"))
    parser.add_argument("--make-chart", type=Path,
                        default=ROOT / "build" / "ci" / "tools" / "make_chart" / "make_chart")
    parser.add_argument("--workers", type=int, default=None, help="read_many threads (default: one per core)")
    parser.add_argument("--touch", action="store_true", help="also walk every element of every chart")
    args = parser.parse_args()

    paths = generate(args.make_chart, args.folder, args.charts, args.size_mb)
    total_mb = sum(p.stat().st_size for p in paths) / 1e6
    for path in paths:  # into the page cache
        path.read_bytes()
    workers = args.workers or len(os.sched_getaffinity(0))
    print(f"{len(paths)} charts, {total_mb:.0f} MB, library {readdata14.LIBRARY_VERSION}, "
          f"{len(os.sched_getaffinity(0))} cores, read_many with {workers} threads")

    def serial() -> None:
        for path in paths:
            chart = readdata14.read(path)
            if args.touch:
                touch(chart)

    def threaded() -> None:
        if args.touch:
            # Each thread reads and walks its own chart; the walk holds the GIL.
            from concurrent.futures import ThreadPoolExecutor
            with ThreadPoolExecutor(workers) as pool:
                list(pool.map(lambda p: touch(readdata14.read(p)), paths))
        else:
            charts = readdata14.read_many(paths, workers=workers)
            failed = [c for c in charts if isinstance(c, Exception)]
            if failed:
                raise failed[0]

    results = {}
    for name, run in (("serial", serial), ("read_many", threaded)):
        wall, cpu = timed(run)
        results[name] = wall
        print(f"{name:>10}: {wall:7.2f} s wall, {cpu:7.2f} s CPU ({cpu / wall:.2f} cores busy), "
              f"{total_mb / wall:6.0f} MB/s, {1000 * wall / len(paths):.2f} ms per chart")
    print(f"   speed-up: {results['serial'] / results['read_many']:.2f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main())
