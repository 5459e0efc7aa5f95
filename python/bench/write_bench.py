"""How long writing takes from Python, against the read, in one run.

On one chart (by default the generator's 100 MB chart, seed 1), the median
(or with --best, the best: on a shared machine the least disturbed) of
--repeat runs of each:

- read:              readdata14.read(path)
- write:             chart.write(out) of the chart read (its document, through the library)
- to_bytes:          chart.to_bytes()
- write, recoded:    chart.write(out, encoding="cp1252"): every text recoded first
- from_geodataframes: readdata14.from_geodataframes(frames), the frames of
                     to_geodataframes() made beforehand (builder, file, read back)

and each one's ratio to the read.

    /usr/bin/python3 python/bench/write_bench.py \\
        --make-chart build/ci/tools/make_chart/make_chart --size-mb 100 --seed 1

A benchmark, not a test: it asserts nothing about time.
"""

from __future__ import annotations

import argparse
import tempfile
import warnings
from pathlib import Path
from typing import Any, Callable

import readdata14
from layers_bench import add_chart_arguments, bench_chart, median_time


def best_time(run: Callable[[], Any], repeat: int) -> float:
    """The least wall time of `repeat` runs: the run least disturbed by other work."""
    return min(median_time(run, 1) for _ in range(repeat))


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    add_chart_arguments(parser)
    parser.add_argument("--no-frames", action="store_true", help="leave out from_geodataframes")
    parser.add_argument("--best", action="store_true", help="the best of the runs, not their median")
    args = parser.parse_args()
    timed: Callable[[Callable[[], Any], int], float] = best_time if args.best else median_time

    path = bench_chart(args)
    warnings.simplefilter("ignore", readdata14.TextEncodingWarning)

    chart = readdata14.read(path)
    print(f"{path} ({path.stat().st_size / 1e6:.1f} MB): {chart}; library {readdata14.LIBRARY_VERSION}; "
          f"{'best' if args.best else 'median'} of {args.repeat}")
    with tempfile.TemporaryDirectory() as folder:
        out = Path(folder) / "written.txt"
        read = timed(lambda: readdata14.read(path), args.repeat)
        rows = [("read", read),
                ("chart.write(path)", timed(lambda: chart.write(out), args.repeat)),
                ("chart.to_bytes()", timed(chart.to_bytes, args.repeat)),
                ("chart.write(path, encoding='cp1252')",
                 timed(lambda: chart.write(out, encoding="cp1252"), args.repeat))]
        assert readdata14.read(out, encoding="cp1252").blocks.lines.tobytes() == chart.blocks.lines.tobytes()
        if not args.no_frames:
            frames = chart.to_geodataframes()
            rows.append(("from_geodataframes(frames)",
                         timed(lambda: readdata14.from_geodataframes(frames), args.repeat)))
    for name, seconds in rows:
        print(f"  {name:38s} {seconds:7.3f} s   {seconds / read:5.2f} x the read")
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
