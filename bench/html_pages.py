#!/usr/bin/env python3
"""chart14 html on generated charts of 1, 5 and 100 MB: the page's size, the
time chart14 takes to write it, and in headless Chromium the times from the
start of the page's navigation to the first part of the map shown and to all
of it drawn, and the frames while the map pans (the page shows its drawn sheet moved, and draws anew once the view
rests).

    /usr/bin/python3 bench/html_pages.py --chart14 build/ci/tools/chart14/chart14 \\
        --make-chart build/ci/tools/make_chart/make_chart --workdir build/ci/html_pages [--sizes 1 5 100]
"""
import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "picture"))
import devtools  # noqa: E402

READY = """new Promise(resolve => { const wait = () => window.chart14 && window.chart14.ready ? resolve(true)
  : setTimeout(wait, 20); wait(); })"""
# Pans a map's width to the left over 120 frames, one step a frame; the
# intervals between the frames, in milliseconds.
PAN = """new Promise(resolve => {
  const start = chart14.view(), width = document.getElementById('map').clientWidth;
  const times = [];
  const step = (now) => {
    times.push(now);
    const k = times.length;
    chart14.setView(start.scale, start.x + k / 120 * width / start.scale, start.y);
    if (k < 120) requestAnimationFrame(step); else resolve(times.slice(1).map((t, i) => t - times[i]));
  };
  requestAnimationFrame(step);
})"""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--chart14", required=True)
    parser.add_argument("--make-chart", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--sizes", nargs="+", default=["1", "5", "100"])
    args = parser.parse_args()
    os.makedirs(args.workdir, exist_ok=True)
    print("| chart | chart MB | page MB | page ÷ chart | chart14 html s | first shown / all drawn (ms) "
          "| pan frame mean / max (ms) |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for size in args.sizes:
        chart = os.path.join(args.workdir, f"chart-{size}MB.txt")
        page = os.path.join(args.workdir, f"chart-{size}MB.html")
        subprocess.run([args.make_chart, "--seed", "1", "--size-mb", size, "-o", chart], check=True)
        start = time.monotonic()
        subprocess.run([args.chart14, "html", chart, "-o", page], check=True)
        written = time.monotonic() - start
        with devtools.Browser(args.workdir, 1400, 900, timeout=600) as browser:
            browser.open(page)
            browser.evaluate(READY)
            timings = browser.evaluate("chart14.timings")
            frames = browser.evaluate(PAN)
        chart_mb, page_mb = os.path.getsize(chart) / 1e6, os.path.getsize(page) / 1e6
        print(f"| make_chart --seed 1 --size-mb {size} | {chart_mb:.1f} | {page_mb:.1f} | {page_mb / chart_mb:.2f} | "
              f"{written:.2f} | {timings['shownMs']:.0f} / {timings['loadedMs']:.0f} | "
              f"{sum(frames) / len(frames):.1f} / {max(frames):.0f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
