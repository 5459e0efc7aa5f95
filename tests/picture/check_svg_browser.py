#!/usr/bin/env python3
"""chart14 svg laid out by a real browser (headless Chromium), measured there.

For the bundled sample, a contour-rich chart and generated charts of 0.1, 1,
5 and 20 MB, at widths from 600 to 4000 px, a page script takes
getBoundingClientRect of every label, centre, symbol text, note and arrow as
the browser drew it. No text overlaps another (whatever their kinds), no
label, symbol text or note covers an arrow, no text leaves the map's frame
or touches the legend; every text lies inside the box the picture says it
placed it in (so the renderer's idea of its font is not too narrow); a
note's texts lie inside the note's box; and labels are the same height in
pixels at every width of the picture. Prints the counts per picture.

Skips (77) only where chromium is missing outside CI: CI installs it
(scripts/test.sh), so there a missing browser fails.
"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import devtools  # noqa: E402
import svg_boxes  # noqa: E402

# Label heights the browser may give for a 11 to 13 px font (its box is the
# font's ascent plus descent, about 1.16 em).
LABEL_HEIGHT = (12.5, 15.5)
MEASURE = """(() => {
  const box = e => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
  const onMap = e => !e.closest('#legend');
  const items = [];
  const take = (selector, kind) => document.querySelectorAll(selector).forEach(e => {
    if (onMap(e)) items.push([kind, box(e), (e.textContent || '').trim().slice(0, 40), e.getAttribute('data-box')]);
  });
  take('text.label', 'label');
  take('text.centre', 'centre');
  take('text.symbol', 'symbol');
  take('rect.note-box', 'note');
  take('#winds use', 'wind');
  document.querySelectorAll('#legend text').forEach(t => items.push(['legend', box(t), t.textContent.slice(0, 40), null]));
  const inNotes = [];
  document.querySelectorAll('g.note').forEach(g => {
    const frame = g.querySelector('rect');
    if (frame && onMap(g)) g.querySelectorAll('text').forEach(t => inNotes.push([box(t), box(frame), t.textContent]));
  });
  const legend = [...document.querySelectorAll('#legend text')].map(t => t.textContent).join(' | ');
  return {items, inNotes, map: box(document.getElementById('map')), legend};
})()"""


def check(name, svg_path, browser):
    """Problems found in one picture, and its labels' median height."""
    browser.open(svg_path)
    measured = browser.evaluate(MEASURE)
    items = [(kind, tuple(b), text) for kind, b, text, _ in measured["items"]]
    problems = svg_boxes.overlaps(items)
    problems += svg_boxes.outside(items, measured["map"], 0.75)
    for kind, b, text, claim in measured["items"]:
        if claim and kind != "wind" and not svg_boxes.inside(b, svg_boxes.parse_box(claim), 0.75):
            problems.append(f"{kind} {text!r} drawn at {svg_boxes.fmt(b)}, outside its box {claim}")
    for b, frame, text in measured["inNotes"]:
        if not svg_boxes.inside(b, frame, 0.75):
            problems.append(f"note text {text!r} at {svg_boxes.fmt(b)} out of its box {svg_boxes.fmt(frame)}")
    heights = [b[3] - b[1] for kind, b, _ in items if kind == "label"]
    counts = {k: sum(1 for i in items if i[0] == k) for k in svg_boxes.TEXTS + ("wind",)}
    left = measured["legend"].split("Left out for want of room")[1:]
    print(f"     {name}: " + ", ".join(f"{n} {k}s" for k, n in counts.items()) +
          (f"; left out:{left[0]}" if left else "; nothing left out"))
    return problems, statistics.median(heights) if heights else None


def main():
    args, exit_code = devtools.page_test_arguments()
    if args is None:
        return exit_code
    charts = {"sample": args.sample}
    generated = os.path.join(args.workdir, "contours.txt")
    subprocess.run([args.make_chart, "--seed", "99", "--points", "48", "--contours", "40", "-o", generated],
                   check=True)
    charts["contours"] = generated
    for size in ("0.1", "1", "5", "20"):
        charts[f"{size}MB"] = os.path.join(args.workdir, f"generated-{size}MB.txt")
        subprocess.run([args.make_chart, "--seed", "1", "--size-mb", size, "-o", charts[f"{size}MB"]], check=True)

    cases = [("sample", 1400), ("sample", 600), ("contours", 1400)]
    cases += [(f"{size}MB", width) for size in ("0.1", "1", "5", "20") for width in (1400, 4000)]
    failures, heights = 0, {}
    start = time.monotonic()
    with devtools.Browser(args.workdir) as browser:
        for name, width in cases:
            label = f"{name} at {width} px"
            svg_path = os.path.join(args.workdir, f"{name}-{width}.svg")
            subprocess.run([args.chart14, "svg", charts[name], "-o", svg_path, "--width", str(width)], check=True)
            problems, height = check(label, svg_path, browser)
            if height is not None:
                heights[label] = height
                if not LABEL_HEIGHT[0] <= height <= LABEL_HEIGHT[1]:
                    problems.append(f"labels {height:.1f} px high, not a {LABEL_HEIGHT} px text")
            for p in problems[:20]:
                print(f"FAIL {label}: {p}")
            if len(problems) > 20:
                print(f"FAIL {label}: ... {len(problems) - 20} more")
            print(f"{'FAIL' if problems else 'ok  '} {label}: {len(problems)} overlaps or texts out of place")
            failures += bool(problems)
    if heights and max(heights.values()) - min(heights.values()) > 0.5:
        print(f"FAIL label heights differ with the width: {heights}")
        failures += 1
    print(f"     {len(cases)} pictures measured in {time.monotonic() - start:.1f} s")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
