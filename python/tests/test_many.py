"""read_many in threads gives what serial reads give, in input order, with a
bad file's exception in its slot; the Dask example on a local cluster."""

from __future__ import annotations

import importlib.util
import os
from pathlib import Path
from typing import Any, List

import numpy as np
import pytest

import readdata14
from conftest import ROOT


def same_blocks(a: readdata14.Chart, b: readdata14.Chart) -> bool:
    def flat(chart: readdata14.Chart) -> list:
        out: list = []
        for block in chart.blocks:
            out.extend(block if isinstance(block, tuple) else [block])
        return out
    return all(x is y is None or (isinstance(x, bytes) and x == y) or np.array_equal(x, y, equal_nan=True)
               for x, y in zip(flat(a), flat(b))) and (a.findings, a.description) == (b.findings, b.description)


@pytest.fixture(scope="module")
def archive(make_chart: Any, tmp_path_factory: Any) -> List[Path]:
    charts = [make_chart("--seed", seed, "--points", 6 + seed % 5, "--size-mb", 0.05) for seed in range(40)]
    bad = tmp_path_factory.mktemp("bad")
    (bad / "type15.txt").write_bytes(b"readdata14 15 x\n")
    truncated = bad / "truncated.txt"
    truncated.write_bytes(charts[0].read_bytes()[:3000])
    return charts + [bad / "missing.txt", bad / "type15.txt", truncated, bad]


@pytest.mark.parametrize("workers", [None, 1, 2, 3])
def test_read_many_matches_serial_reads(archive: List[Path], workers: Any) -> None:
    order = archive[::2] + archive[1::2]  # bad files in the middle
    results = readdata14.read_many(order, workers=workers)
    assert len(results) == len(order)
    for path, result in zip(order, results):
        try:
            expected: Any = readdata14.read(path)
        except Exception as error:  # noqa: BLE001
            assert type(result) is type(error) and str(result) == str(error)
            continue
        assert isinstance(result, readdata14.Chart) and result.path == str(path)
        assert same_blocks(result, expected)
    kinds = {type(r) for r in results}
    assert {FileNotFoundError, readdata14.NotAChartError, IsADirectoryError} <= kinds


def test_read_many_arguments(archive: List[Path]) -> None:
    assert readdata14.read_many([]) == []
    with pytest.raises(LookupError):
        readdata14.read_many(archive[:2], encoding="no-such-codec")
    with pytest.raises(ValueError):
        readdata14.read_many(archive[:2], workers=0)
    for one in (str(archive[0]), archive[0], os.fsencode(archive[0])):
        with pytest.raises(TypeError):
            readdata14.read_many(one)  # type: ignore[arg-type]


def load_example() -> Any:
    found = importlib.util.spec_from_file_location("dask_archive", ROOT / "python" / "examples" / "dask_archive.py")
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)  # type: ignore[union-attr]
    return module


def test_dask_example_on_a_local_cluster(archive: List[Path]) -> None:
    distributed = pytest.importorskip("distributed")
    example = load_example()
    paths = [str(p) for p in archive]
    import dask
    # Generous timeouts: the machine may be busy with a build beside us.
    with dask.config.set({"distributed.comm.timeouts.connect": "120s", "distributed.comm.timeouts.tcp": "120s"}), \
            distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=False, dashboard_address=None,
                                     timeout=120) as cluster, distributed.Client(cluster, timeout=120) as client:
        summary = example.summarize_archive(paths, client, batch=7)
    assert summary["path"].tolist() == paths
    for row, path in zip(summary.to_dict("records"), paths):
        try:
            chart = readdata14.read(path)
        except Exception as error:  # noqa: BLE001
            assert row["error"].startswith(type(error).__name__)
            continue
        assert row["error"] is None
        assert {k: row[k] for k in readdata14.LAYERS} == chart.counts()
        assert (row["errors"], row["levels"]) == (chart.errors, len(chart.levels))
