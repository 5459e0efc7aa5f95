"""How long the package takes past the read, against the read, in one run.

On one chart (by default the generator's 100 MB chart, seed 1), the median
of --repeat runs of each:

- read:        readdata14.read(path)
- iterate:     every element of every section, each one's values read
               (points, codes, labels, texts, ...), on a chart just read
- geodataframes: chart.to_geodataframes() (all layers), on a chart just read
- read_file:   (with --gdal) geopandas.read_file of every layer through the
               GDAL driver, for comparison

and each one's ratio to the read. Targets: iterate within 2x the read,
geodataframes within 3x.

    /usr/bin/python3 python/bench/layers_bench.py \\
        --make-chart build/ci/tools/make_chart/make_chart --size-mb 100 --seed 1

A benchmark, not a test: it asserts nothing about time.
"""

from __future__ import annotations

import argparse
import gc
import statistics
import subprocess
import time
import warnings
from pathlib import Path
from typing import Any, Callable, List

import readdata14

ROOT = Path(__file__).resolve().parents[2]

# What a script walking a chart reads of each element.
TOUCHED = {
    "lines": ("code", "points", "label", "label_kind", "label_points"),
    "line_symbols": ("code", "points"),
    "symbols": ("type", "x", "y", "direction", "text"),
    "closed_contours": ("code", "points", "value", "label_points", "level_index", "valued_closed"),
    "weather_regions": ("code", "points"),
    "fill_areas": ("code", "points", "values"),
    "notes": ("type", "x", "y", "value", "values", "first_text", "second_text"),
    "label_points": ("parent_layer", "parent_fid", "x", "y", "label"),
}


def iterate(chart: readdata14.Chart) -> int:
    count = 0
    for layer in readdata14.LAYERS:
        names = TOUCHED[layer]
        for element in chart.section(layer) or ():
            for name in names:
                getattr(element, name)
            count += 1
    return count


def median_time(run: Callable[..., Any], repeat: int, prepare: Callable[[], tuple] = tuple) -> float:
    """The median wall time of run(*prepare()), prepare not timed."""
    times: List[float] = []
    for _ in range(repeat):
        arguments = prepare()
        gc.collect()
        start = time.perf_counter()
        run(*arguments)
        times.append(time.perf_counter() - start)
        del arguments
    return statistics.median(times)


def add_chart_arguments(parser: argparse.ArgumentParser) -> None:
    """The options that choose the chart a benchmark runs on, and how often."""
    parser.add_argument("--chart", type=Path, help="a chart to use (default: generate one)")
    parser.add_argument("--size-mb", type=float, default=100.0)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--make-chart", type=Path,
                        default=ROOT / "build" / "ci" / "tools" / "make_chart" / "make_chart")
    parser.add_argument("--folder", type=Path, default=Path("/tmp/readdata14-bench-charts"))
    parser.add_argument("--repeat", type=int, default=5)


def bench_chart(args: argparse.Namespace) -> Path:
    """The chart of --chart, or the generator's chart of --size-mb and --seed
    (made once, kept in --folder); read once, into the page cache."""
    path: Path = args.chart
    if path is None:
        args.folder.mkdir(parents=True, exist_ok=True)
        path = args.folder / f"chart_{args.size_mb:g}mb_seed{args.seed}.txt"
        if not path.exists():
            subprocess.run([str(args.make_chart), "--seed", str(args.seed), "--size-mb", str(args.size_mb),
                            "-o", str(path)], check=True)
    path.read_bytes()  # into the page cache
    return path


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    add_chart_arguments(parser)
    parser.add_argument("--gdal", action="store_true", help="also geopandas.read_file through the GDAL driver")
    args = parser.parse_args()

    path = bench_chart(args)
    import geopandas  # noqa: F401 - imported first: what it says of its own setup is not ours
    warnings.simplefilter("error")  # a deprecation warning in bulk would show here
    warnings.simplefilter("ignore", readdata14.TextEncodingWarning)

    chart = readdata14.read(path)
    elements = iterate(chart)
    features = sum(len(frame) for frame in chart.to_geodataframes().values())
    del chart
    print(f"{path} ({path.stat().st_size / 1e6:.1f} MB): {elements} elements, {features} features; "
          f"library {readdata14.LIBRARY_VERSION}; median of {args.repeat}")

    fresh = lambda: (readdata14.read(path),)  # noqa: E731 - a chart just read, untimed
    read = median_time(lambda: readdata14.read(path), args.repeat)
    rows = [("read", read),
            ("iterate every element", median_time(iterate, args.repeat, fresh)),
            ("to_geodataframes()", median_time(lambda chart: chart.to_geodataframes(), args.repeat, fresh))]
    if args.gdal:
        rows.append(("geopandas.read_file, every layer", median_time(
            lambda: [geopandas.read_file(path, layer=layer) for layer in readdata14.LAYERS], args.repeat)))
    for name, seconds in rows:
        print(f"  {name:34s} {seconds:7.3f} s   {seconds / read:5.2f} x the read")
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
