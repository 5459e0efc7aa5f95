"""Shared fixtures: the project's tools (chart14 and c_tables, the
independent paths to compare with; make_chart, the chart generator) and
the charts every comparison runs on."""

from __future__ import annotations

import hashlib
import json
import os
import subprocess
from pathlib import Path
from typing import Any, Callable, List, Optional, Tuple

import pytest

ROOT = Path(os.environ.get("READDATA14_SOURCE_DIR") or Path(__file__).resolve().parents[2])
DATA = ROOT / "tests" / "data"
SAMPLE = ROOT / "examples" / "sample_chart.txt"


def tool(variable: str, name: str, folder: Optional[str] = None) -> Path:
    """A tool of this build: named by CTest, else from build/ci."""
    path = Path(os.environ.get(variable) or ROOT / "build" / "ci" / (folder or f"tools/{name}") / name)
    if not path.exists():
        pytest.skip(f"{name} is not built (set {variable})")
    return path


@pytest.fixture(scope="session")
def chart14() -> Path:
    return tool("READDATA14_CHART14", "chart14")


@pytest.fixture(scope="session")
def c_tables() -> Path:
    """The C program that prints the records' layouts and a chart's layer tables."""
    return tool("READDATA14_C_TABLES", "python_c_tables", "python")


def run_c_tables(program: Path, *args: Any) -> Any:
    done = subprocess.run([str(program), *[str(a) for a in args]], capture_output=True, check=True)
    return json.loads(done.stdout)


SMALL = ("--seed", 5, "--points", 6, "--lines", 3, "--line-symbols", 2, "--symbols", 6, "--contours", 5,
         "--regions", 2, "--fill-areas", 2, "--notes", 2)
NONE = ("--lines", 0, "--line-symbols", 0, "--symbols", 0, "--contours", 0, "--regions", 0, "--fill-areas", 0,
        "--notes", 0)
SHAPES = {  # make_chart arguments
    "small": SMALL,
    "a quarter megabyte": ("--seed", 2, "--points", 16, "--size-mb", 0.25),
    "no lines, many symbols": ("--seed", 3, "--points", 8, "--lines", 0, "--symbols", 300),
    "contours only": ("--seed", 4, "--points", 12, *NONE, "--contours", 40),
    "long fronts, thinned": ("--seed", 6, "--points", 300, "--lines", 2, "--line-symbols", 4),
    "every section empty": ("--seed", 7, *NONE),
    "notes and regions only": ("--seed", 8, "--points", 5, *NONE, "--notes", 30, "--regions", 9),
}
FILES = ["all_empty.txt", "every_section.txt", "no_station_situation.txt", "texts_and_thinning.txt",
         "win_crlf_ctrl_z.txt", "win_texts.txt", "win_tricky_contours.txt", "dropped_symbol.txt"]
HEADER = b"readdata14 14 Test_chart\n2024 1 15 12 0\n"
# NaN, infinities, -0 and overflows wherever a float stands; lines of one
# point and rings too short to be one.
NON_FINITE = HEADER + (
    b"LINES: 3\n1 2\n0 0 0 nan 1 0\n-1e39 0\n2 2\n0 0 0 1 1 0\nnan 1\ninf 2 0\n3 1\n-0 -0 0\n5 0\n"
    b"LINES_SYMBOL: 1\n3 0 2\n0 inf 0 1 1 0\nx 0\n"
    b"SYMBOLS: 2\n1 5 5 0 nan\n48 1 1 0 ab\n"
    b"CLOSED_CONTOURS: 2\n4 4\n0 0 0 10 0 0 10 10 0 0 0 0\nnan 1\n5 5 0\n"
    b"4 4\n2 2 0 3 2 0 3 3 0 2 2 0\ninf 0\n"
    b"STATION_SITUATION\nWEATHER_REGION: 2\n1 4\n0 0 0 1 0 0 1 nan 0 0 0 0\n2 3\n0 0 0 1 0 0 1 1 0\n"
    b"FILLAREA: 1\n7 3\n0 0 0 4 0 0 4 4 0\n1 2 3 4 5 6 7 8 9 10 11 12 13 -inf 15 16\n"
    b"NOTES_SYMBOL: 1\n48 1 2 0 5 Hello\n-inf 3 a b\n1 2 nan 4 1e39 6\n")


@pytest.fixture(scope="session")
def make_chart(tmp_path_factory: pytest.TempPathFactory) -> Callable[..., Path]:
    """make_chart(*args) -> a chart generated with those arguments (made once)."""
    generator, folder = tool("READDATA14_MAKE_CHART", "make_chart"), tmp_path_factory.mktemp("charts")

    def make(*args: Any) -> Path:
        words = [str(a) for a in args]
        path = folder / (hashlib.sha1(" ".join(words).encode()).hexdigest()[:16] + ".txt")
        if not path.exists():
            subprocess.run([str(generator), *words, "-o", str(path)], check=True)
        return path

    return make


def run_chart14_json(chart14: Path, path: Path, encoding: Optional[str] = None) -> Tuple[int, Any]:
    """chart14 json FILE: its exit code and the parsed document (None on failure).
    Exit 1 says the file has errors: what was read is written all the same."""
    done = subprocess.run([str(chart14), "json", *(["--encoding", encoding] if encoding else []), str(path)],
                          capture_output=True)
    return done.returncode, json.loads(done.stdout) if done.returncode in (0, 1) else None


def run_chart14_check(chart14: Path, path: Path) -> List[str]:
    done = subprocess.run([str(chart14), "check", "-j", "1", str(path)], capture_output=True)
    return done.stdout.decode("utf-8", "replace").splitlines()
