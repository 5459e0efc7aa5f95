"""Shared fixtures: the project's tools (chart14, the independent path to
compare with; make_chart, the chart generator) and generated charts."""

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


def tool(variable: str, name: str) -> Path:
    """A tool of this build: named by CTest, else from build/ci."""
    path = Path(os.environ.get(variable) or ROOT / "build" / "ci" / "tools" / name / name)
    if not path.exists():
        pytest.skip(f"{name} is not built (set {variable})")
    return path


@pytest.fixture(scope="session")
def chart14() -> Path:
    return tool("READDATA14_CHART14", "chart14")


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
