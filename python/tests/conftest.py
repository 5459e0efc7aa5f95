"""Shared fixtures: the project's tools (chart14 as the independent path to
compare with, make_chart to generate charts) and generated charts."""

from __future__ import annotations

import hashlib
import json
import os
import shutil
import subprocess
from pathlib import Path
from typing import Any, Callable, Optional, Sequence, Tuple

import pytest

ROOT = Path(os.environ.get("READDATA14_SOURCE_DIR") or Path(__file__).resolve().parents[2])
DATA = ROOT / "tests" / "data"
SAMPLE = ROOT / "examples" / "sample_chart.txt"


def _tool(variable: str, name: str) -> Optional[Path]:
    named = os.environ.get(variable)
    if named:
        return Path(named)
    for preset in ("ci", "default"):
        candidate = ROOT / "build" / preset / "tools" / name / name
        if candidate.exists():
            return candidate
    found = shutil.which(name)
    return Path(found) if found else None


@pytest.fixture(scope="session")
def chart14() -> Path:
    tool = _tool("READDATA14_CHART14", "chart14")
    if tool is None or not tool.exists():
        pytest.skip("chart14 is not built (set READDATA14_CHART14)")
    return tool


@pytest.fixture(scope="session")
def make_chart_tool() -> Path:
    tool = _tool("READDATA14_MAKE_CHART", "make_chart")
    if tool is None or not tool.exists():
        pytest.skip("make_chart is not built (set READDATA14_MAKE_CHART)")
    return tool


@pytest.fixture(scope="session")
def make_chart(make_chart_tool: Path, tmp_path_factory: pytest.TempPathFactory) -> Callable[..., Path]:
    """make_chart(*args) -> path of a chart generated with those arguments (cached)."""
    folder = tmp_path_factory.mktemp("charts")

    def make(*args: Any) -> Path:
        words = [str(a) for a in args]
        path = folder / (hashlib.sha1(" ".join(words).encode()).hexdigest()[:16] + ".txt")
        if not path.exists():
            subprocess.run([str(make_chart_tool), *words, "-o", str(path)], check=True)
        return path

    return make


def run_chart14_json(tool: Path, path: Path, encoding: Optional[str] = None) -> Tuple[int, Any]:
    """chart14 json FILE: (exit code, the parsed document or None)."""
    command = [str(tool), "json"] + (["--encoding", encoding] if encoding else []) + [str(path)]
    done = subprocess.run(command, capture_output=True)
    document = json.loads(done.stdout) if done.returncode == 0 else None
    return done.returncode, document


def run_chart14_check(tool: Path, path: Path) -> Sequence[str]:
    done = subprocess.run([str(tool), "check", "-j", "1", str(path)], capture_output=True)
    return done.stdout.decode("utf-8", "replace").splitlines()
