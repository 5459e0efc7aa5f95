"""The library's memory is released exactly once per read, when the chart and
the last array taken from it are gone, and not before: not at interpreter
exit, not under a daemon thread, not before an atexit handler that still
holds arrays (each run in a child interpreter, its values and exit status
checked)."""

from __future__ import annotations

import gc
import os
import subprocess
import sys
import textwrap
import weakref
from pathlib import Path
from typing import Any, List

import numpy as np
import pytest

import readdata14


def resident_bytes() -> int:
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_each_read_is_released_once_after_its_last_array(make_chart: Any) -> None:
    path = make_chart("--seed", 11, "--points", 8)
    owners: List[Any] = []
    kept = []
    for i in range(60):
        chart = readdata14.read(path)
        owners.append(weakref.ref(chart._parts.owner))
        if i % 4 == 0:
            kept.append(chart.closed_contours[0].points)  # a view of one element
        elif i % 4 == 1:
            kept.append(chart.blocks.symbols.lengths)     # a raw int32 block
        elif i % 4 == 2:
            kept.append(chart.lines[-1])                  # an element object
        del chart
    gc.collect()
    assert sum(owner() is None for owner in owners) == 60 - len(kept)
    del kept
    gc.collect()
    assert all(owner() is None for owner in owners)


def test_an_array_outliving_its_chart_stays_valid(make_chart: Any) -> None:
    chart = readdata14.read(make_chart("--seed", 12, "--points", 40))
    points = chart.closed_contours[-1].points
    levels = chart.levels
    block = chart.blocks.lines
    expected = (points.copy(), levels.copy(), block.copy())
    del chart
    gc.collect()
    # Reuse the freed heap, were the arrays' memory given back.
    churn = [readdata14.read(make_chart("--seed", 13 + i, "--points", 40)).blocks for i in range(10)]
    assert np.array_equal(points, expected[0]) and np.array_equal(levels, expected[1])
    assert np.array_equal(block, expected[2])
    assert not points.flags.writeable and not points.flags.owndata
    del churn


def test_resident_memory_stays_flat_over_many_reads(make_chart: Any) -> None:
    path: Path = make_chart("--seed", 14, "--size-mb", 1)
    kept: List[Any] = []

    def one_pass(n: int) -> None:
        for i in range(n):
            chart = readdata14.read(path)
            arrays = [e.points for e in chart.closed_contours]
            if i % 4 == 0:
                kept.append(arrays)      # kept a while, then dropped
            if len(kept) > 5:
                kept.pop(0)
            del chart, arrays

    one_pass(30)
    gc.collect()
    before = resident_bytes()
    one_pass(300)
    gc.collect()
    grown = resident_bytes() - before
    # A read's blocks come to about 0.45 MB: were none released, 300 reads
    # would hold well over 100 MB.
    assert grown < 24 * 2**20, f"resident memory grew by {grown / 2**20:.1f} MB over 300 reads"


# Each child keeps arrays of a chart past the point where the interpreter
# starts to end, and checks them there. The blocks are large enough to be
# given back to the system when released, so that a read after the release
# faults rather than finds stale bytes.
CHILD_START = """
import atexit, sys, threading
held = {}
def check(where):
    sums = [float(held["points"].sum()), float(held["levels"].sum()), float(held["block"][:1000].sum())]
    print(where, "ok" if sums == held["expected"] else f"changed {sums} {held['expected']}", flush=True)
"""
CHILD_READ = """
import readdata14
chart = readdata14.read(sys.argv[1])
held.update(points=chart.closed_contours[-1].points, levels=chart.levels, block=chart.blocks.closed_contours,
            frame=chart.to_geodataframe("lines"))
held["expected"] = [float(held["points"].sum()), float(held["levels"].sum()), float(held["block"][:1000].sum())]
del chart
"""
CHILDREN = {
    # case: (before the read, after it, what the child must print)
    "an atexit handler registered before the import": (
        "atexit.register(check, 'at exit')", "", ["at exit ok"]),
    "an atexit handler registered after the import": (
        "", "atexit.register(check, 'at exit')", ["at exit ok"]),
    "a daemon thread still reading at exit": (
        "", textwrap.dedent("""
            started = threading.Event()
            def reader():
                started.set()
                while True:
                    sums = [float(held["points"].sum()), float(held["levels"].sum()),
                            float(held["block"][:1000].sum())]
                    if sums != held["expected"]:
                        print("changed", flush=True)
            threading.Thread(target=reader, daemon=True).start()
            started.wait()
            check("main")
        """), ["main ok"]),
    "arrays in module globals at exit": ("", "check('main')", ["main ok"]),
}


@pytest.mark.parametrize("case", CHILDREN)
def test_arrays_stay_valid_to_the_end_of_the_interpreter(case: str, make_chart: Any) -> None:
    before, after, printed = CHILDREN[case]
    script = CHILD_START + before + CHILD_READ + after
    path = make_chart("--seed", 15, "--size-mb", 2)
    for _ in range(3):  # a fault at exit need not come every time
        done = subprocess.run([sys.executable, "-c", script, str(path)], capture_output=True, text=True,
                              timeout=120)
        assert (done.returncode, done.stdout.splitlines()) == (0, printed), done.stderr
