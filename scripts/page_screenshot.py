#!/usr/bin/env python3
"""A screenshot of a chart14 html page in headless Chromium.

    page_screenshot.py PAGE.html OUT.png [--zoom F --at X Y] [--point X Y] [--size W H]

--zoom F --at X Y shows the chart F times the scale that fits it, centred on
the chart's point (X, Y); --point X Y then points the mouse at the chart's
point (X, Y), so that the page shows that element's fields.
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "picture"))
import devtools  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("png")
    parser.add_argument("--zoom", type=float)
    parser.add_argument("--at", type=float, nargs=2)
    parser.add_argument("--point", type=float, nargs=2)
    parser.add_argument("--size", type=int, nargs=2, default=[1200, 760])
    args = parser.parse_args()
    workdir = os.path.dirname(os.path.abspath(args.png))
    with devtools.Browser(workdir, *args.size) as browser:
        browser.open(args.page)
        browser.evaluate("new Promise(r => { const w = () => window.chart14 && chart14.ready ? r(1) : setTimeout(w, 20); w(); })")
        if args.zoom:
            x, y = args.at or (None, None)
            browser.evaluate(f"(() => {{ const p = chart14.settled(); const v = chart14.view(); "
                             f"chart14.setView(v.fitScale * {args.zoom}, {x if x is not None else 'v.x'}, "
                             f"{y if y is not None else 'v.y'}); return p; }})()")
        if args.point:
            px, py = browser.evaluate(f"chart14.toPage({args.point[0]}, {args.point[1]})")
            browser.mouse("mouseMoved", px, py)
        browser.screenshot(args.png)
    return 0


if __name__ == "__main__":
    sys.exit(main())
