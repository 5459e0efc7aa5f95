"""The library's memory is released exactly once per read, when the chart and
the last array taken from it are gone, and not before."""

from __future__ import annotations

import gc
import os
from pathlib import Path
from typing import Any, List

import numpy as np

import readdata14
from readdata14 import _capi


def resident_bytes() -> int:
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_each_read_is_released_once_after_its_last_array(monkeypatch: Any, make_chart: Any) -> None:
    path = make_chart("--seed", 11, "--points", 8)
    released: List[Any] = []
    real = _capi.release
    monkeypatch.setattr(_capi, "release", lambda raw: (released.append(raw), real(raw)))
    kept = []
    for i in range(60):
        chart = readdata14.read(path)
        if i % 4 == 0:
            kept.append(chart.closed_contours[0].points)  # a view of one element
        elif i % 4 == 1:
            kept.append(chart.blocks.symbols.lengths)     # a raw int32 block
        elif i % 4 == 2:
            kept.append(chart.lines[-1])                  # an element object
        del chart
    gc.collect()
    assert len(released) == 60 - len(kept)
    del kept
    gc.collect()
    assert len(released) == len({id(raw) for raw in released}) == 60


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
