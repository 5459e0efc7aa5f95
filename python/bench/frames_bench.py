"""from_geodataframes against the read, taken in turns in one process.

On a shared machine a read timed a minute before the frames can see another
load than the frames do: here each repeat times the read, then
from_geodataframes of the chart's frames (made once beforehand), and the
best of each is kept, in wall time and in this process's CPU time (neither
uses a thread of its own).

    /usr/bin/python3 python/bench/frames_bench.py \\
        --make-chart build/ci/tools/make_chart/make_chart --size-mb 100 --seed 1 --repeat 3

A benchmark, not a test: it asserts nothing about time.
"""

from __future__ import annotations

import argparse
import gc
import time
import warnings
from typing import Any, Callable, Dict, List

import readdata14
from layers_bench import add_chart_arguments, bench_chart


def timed(run: Callable[[], Any]) -> List[float]:
    """Wall and CPU seconds of one run."""
    gc.collect()
    wall, cpu = time.perf_counter(), time.process_time()
    run()
    return [time.perf_counter() - wall, time.process_time() - cpu]


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    add_chart_arguments(parser)
    args = parser.parse_args()
    path = bench_chart(args)
    warnings.simplefilter("ignore", readdata14.TextEncodingWarning)
    frames = readdata14.read(path).to_geodataframes()
    runs: Dict[str, Callable[[], Any]] = {"read": lambda: readdata14.read(path),
                                          "from_geodataframes": lambda: readdata14.from_geodataframes(frames)}
    best = {name: [float("inf"), float("inf")] for name in runs}
    for _ in range(args.repeat):
        for name, run in runs.items():
            best[name] = [min(a, b) for a, b in zip(best[name], timed(run))]
    (read_wall, read_cpu), (wall, cpu) = best["read"], best["from_geodataframes"]
    print(f"{path}: best of {args.repeat}, library {readdata14.LIBRARY_VERSION}")
    print(f"  read                {read_wall:6.3f} s wall {read_cpu:6.3f} s cpu")
    print(f"  from_geodataframes  {wall:6.3f} s wall {cpu:6.3f} s cpu   "
          f"{wall / read_wall:4.2f} x the read (wall), {cpu / read_cpu:4.2f} x (cpu)")
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
