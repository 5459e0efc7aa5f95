"""read_many with four threads over the library built with ThreadSanitizer
(run by the tsan preset with libtsan preloaded): every chart, and first
requests of one chart's layers from every thread, equal serial reads."""

import sys
import warnings
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import numpy as np

import readdata14


def blocks(chart):
    out = []
    for block in chart.blocks:
        out.extend(block if isinstance(block, tuple) else [block])
    return out


def same(a, b):
    return all(x is y is None or (isinstance(x, bytes) and x == y) or np.array_equal(x, y, equal_nan=True)
               for x, y in zip(blocks(a), blocks(b)))


def main(sample, data):
    warnings.filterwarnings("ignore", message=".*not UTF-8")  # the code-page test charts
    paths = [Path(sample)] + sorted(Path(data).glob("*.txt"))
    order = paths * 6
    results = readdata14.read_many(order, workers=4)
    bad = [str(p) for p, r in zip(order, results) if not isinstance(r, readdata14.Chart) or not same(r, readdata14.read(p))]
    # One chart's layers, asked for first by four threads at once.
    chart = readdata14.read(sample)
    with ThreadPoolExecutor(max_workers=4) as pool:
        counts = list(pool.map(lambda t: sorted((name, chart.layer_table(name).count)
                                                for name in readdata14.LAYERS[t:] + readdata14.LAYERS[:t]),
                               range(4)))
    if any(c != counts[0] for c in counts):
        bad.append("layers")
    print(f"read_many: {len(order)} reads in 4 threads, {len(bad)} differ from serial reads")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
