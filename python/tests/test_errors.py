"""Failures come out as Python's own exceptions and never take the
interpreter down, memory exhaustion included."""

from __future__ import annotations

import errno
import subprocess
import sys
import textwrap
from pathlib import Path
from typing import Any, Optional

import pytest

import readdata14
from conftest import ROOT, SAMPLE

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
