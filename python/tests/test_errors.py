"""Failures come out as Python's own exceptions and never take the
interpreter down, memory exhaustion included."""

from __future__ import annotations

import errno
import os
import subprocess
import sys
import textwrap
from pathlib import Path
from typing import Any, Optional

import pytest

import readdata14
from conftest import NON_FINITE, ROOT, SAMPLE

TYPE_15 = b"readdata14 15 Another_product\n1 2 3 4 5\nLINES: 0\n"


def write(path: Path, data: bytes) -> Path:
    path.write_bytes(data)
    return path


CASES = [  # (case, the path, exception, errno)
    ("missing file", lambda d: d / "missing.txt", FileNotFoundError, errno.ENOENT),
    ("missing folder", lambda d: d / "nowhere" / "chart.txt", FileNotFoundError, errno.ENOENT),
    ("a directory", lambda d: d, IsADirectoryError, errno.EISDIR),
    ("type-15 file", lambda d: write(d / "type15.txt", TYPE_15), readdata14.NotAChartError, None),
    ("empty file", lambda d: write(d / "empty.txt", b""), readdata14.NotAChartError, None),
    ("not a chart at all", lambda d: ROOT / "README.md", readdata14.NotAChartError, None),
]


@pytest.mark.parametrize("case,make,exception,code", CASES, ids=[c[0] for c in CASES])
def test_read_raises(case: str, make: Any, exception: type, code: Optional[int], tmp_path: Path) -> None:
    path = make(tmp_path)
    with pytest.raises(exception) as raised:
        readdata14.read(path)
    if code is not None:
        assert (raised.value.errno, raised.value.filename) == (code, str(path))
    else:
        assert isinstance(raised.value, ValueError) and raised.value.path == str(path)


@pytest.mark.parametrize("data,exception", [
    (TYPE_15, readdata14.NotAChartError), (b"", readdata14.NotAChartError),
    (bytearray(b"readdata14 14 x\n"), None), (memoryview(b"..readdata14 14 x\n")[2:], None),
])
def test_read_bytes(data: Any, exception: Optional[type]) -> None:
    if exception is None:
        assert readdata14.read_bytes(data).description == "x"
    else:
        pytest.raises(exception, readdata14.read_bytes, data)


def test_bad_arguments() -> None:
    pytest.raises(ValueError, readdata14.read, "chart\0.txt")
    pytest.raises(LookupError, readdata14.read, SAMPLE, encoding="no-such-codec")
    pytest.raises(ValueError, readdata14.read, SAMPLE, max_findings=0)


def test_bounds_on_the_input_and_the_findings(tmp_path: Path) -> None:
    for read in (lambda **bound: readdata14.read(SAMPLE, **bound),
                 lambda **bound: readdata14.read_bytes(SAMPLE.read_bytes(), **bound)):
        with pytest.raises(OSError) as raised:
            read(max_input_size=100)
        assert raised.value.errno == errno.EFBIG
    chart = readdata14.read(write(tmp_path / "non_finite.txt", NON_FINITE), max_findings=2)
    assert len(chart.findings) == 2 and chart.warnings == len(readdata14.read_bytes(NON_FINITE).findings) > 2


CLASSIFY_CHILD = textwrap.dedent("""
    import os, resource, sys
    import readdata14
    with open("/proc/self/statm") as statm:
        mapped = int(statm.read().split()[0]) * os.sysconf("SC_PAGE_SIZE")
    resource.setrlimit(resource.RLIMIT_AS, (mapped + 64 * 2**20, resource.RLIM_INFINITY))
    try:
        readdata14.read(sys.argv[1])
    except readdata14.NotAChartError:
        print("not a chart")
    print(readdata14.read_header(sys.argv[2]).integers)
""")


def test_large_files_are_told_by_their_first_bytes(tmp_path: Path) -> None:
    """A gigabyte that is no chart is refused, and a chart's header read,
    in far less memory than the files hold."""
    files = [write(tmp_path / "table.csv", b"station,pressure\n1,1012\n"),
             write(tmp_path / "chart.txt", b"readdata14 14 Big\n2024 1 15 12 0\nLINES: 0\n")]
    for path in files:
        os.truncate(path, 2**30)  # sparse: no room taken on the disk
    done = subprocess.run([sys.executable, "-c", CLASSIFY_CHILD, *map(str, files)], capture_output=True, text=True,
                          timeout=300)
    assert done.stdout.splitlines() == ["not a chart", "(2024, 1, 15, 12, 0)"], done.stderr


MEMORY_CHILD = textwrap.dedent("""
    import os, resource, sys
    import readdata14
    with open("/proc/self/statm") as statm:
        mapped = int(statm.read().split()[0]) * os.sysconf("SC_PAGE_SIZE")
    # Room for the file's bytes, not for the blocks read from them.
    room = os.path.getsize(sys.argv[1]) + 8 * 2**20
    resource.setrlimit(resource.RLIMIT_AS, (mapped + room, resource.RLIM_INFINITY))
    try:
        readdata14.read(sys.argv[1])
    except MemoryError as error:
        print("MemoryError:", error)
        sys.exit(0)
    sys.exit(3)
""")


def test_running_out_of_memory_is_a_memory_error(make_chart: Any) -> None:
    path = make_chart("--seed", 21, "--size-mb", 40)
    done = subprocess.run([sys.executable, "-c", MEMORY_CHILD, str(path)], capture_output=True, text=True,
                          cwd=path.parent, timeout=300)
    assert done.returncode == 0 and done.stdout.startswith("MemoryError:"), done.stdout + done.stderr
