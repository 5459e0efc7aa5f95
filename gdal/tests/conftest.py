"""What the driver's tests share: the charts they read (the project's own,
generated ones of every shape, and ones with non-finite values spoiled in).
What each chart should give comes from the library (library.py).

CTest sets GDAL_DRIVER_PATH to the plugin's folder, names the programs in
CHART14 and MAKE_CHART, the library in READDATA14_LIBRARY and the source
tree in SOURCE_DIR."""
import os
import pathlib
import re
import subprocess

import pytest

CHART14, MAKE_CHART = os.environ["CHART14"], os.environ["MAKE_CHART"]
SOURCE = pathlib.Path(os.environ["SOURCE_DIR"])
SAMPLE = SOURCE / "examples" / "sample_chart.txt"
PROJECT_CHARTS = [SAMPLE, *sorted((SOURCE / "tests" / "data").glob("*.txt")),
                  *sorted((SOURCE / "fuzz" / "corpus").glob("*.txt"))]
# make_chart arguments: charts of every shape.
GENERATED = {
    "default": ["--seed", "1"],
    "two_point_lines": ["--seed", "2", "--points", "2"],
    "thinned_fronts": ["--seed", "3", "--points", "300", "--contours", "4"],
    "many_contours": ["--seed", "4", "--points", "6", "--contours", "150"],
    "contours_only": ["--seed", "5", "--lines", "0", "--line-symbols", "0", "--symbols", "0",
                      "--regions", "0", "--fill-areas", "0", "--notes", "0"],
    "no_contours": ["--seed", "6", "--contours", "0", "--notes", "0"],
}
# What a float can be written as beside a number: not a number, infinities,
# negative zeros, and numbers beyond the float range.
NON_FINITE = ["nan", "inf", "-inf", "-0", "1e39", "-1e39", "-0.0", "NaN", "+Infinity"]


def spoil(text, every):
    """The chart with every `every`-th decimal of its lines of numbers written as one of NON_FINITE in turn."""
    lines, seen = [], 0
    for line in text.splitlines(keepends=True):
        tokens = line.split()
        if tokens and all(re.fullmatch(r"[-+]?\d*\.?\d+", t) for t in tokens):
            for i in (i for i, t in enumerate(tokens) if "." in t):
                seen += 1
                tokens[i] = NON_FINITE[seen // every % len(NON_FINITE)] if seen % every == 0 else tokens[i]
            line = " ".join(tokens) + "\n"
        lines.append(line)
    return "".join(lines)


@pytest.fixture(scope="session")
def generated(tmp_path_factory):
    folder = tmp_path_factory.mktemp("generated")
    charts = {}
    for name, args in GENERATED.items():
        charts[name] = folder / f"{name}.chart"  # any extension: charts are known by content
        subprocess.run([MAKE_CHART, *args, "-o", str(charts[name])], check=True)
    return charts


@pytest.fixture(scope="session")
def spoiled(generated, tmp_path_factory):
    """Every generated shape, and the sample, with non-finite values: some points of most elements, or fewer."""
    folder = tmp_path_factory.mktemp("spoiled")
    charts = []
    for source in [SAMPLE, *generated.values()]:
        for every in (7, 61):
            charts.append(folder / f"{source.stem}_{every}.txt")
            charts[-1].write_text(spoil(source.read_text(), every))
    return charts
