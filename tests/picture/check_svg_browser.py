#!/usr/bin/env python3
"""chart14 svg laid out by a real browser (headless Chromium), measured there.

For the bundled sample and generated charts (one of about 1 MB, at two
widths), a page script takes getBoundingClientRect of every label, symbol and
note as the browser drew it. No two labels overlap, no label covers a symbol
or a note, no note covers a symbol or another note; every text lies inside
the box the picture says it placed it in (so the renderer's idea of its font
is not too narrow); a note's texts lie inside the note's box; and labels are
the same height in pixels at every width of the picture.

Skips (77) only where chromium is missing outside CI: CI installs it
(scripts/test.sh), so there a missing browser fails.
"""
import argparse
import html
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import svg_boxes  # noqa: E402

# Label heights the browser may give for a 11 to 13 px font (its box is the
# font's ascent plus descent, about 1.16 em).
LABEL_HEIGHT = (12.5, 15.5)
MEASURE = """
<script>
const out = {items: [], inNotes: []};
const box = e => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
const onMap = e => !e.closest('#legend');
const take = (selector, kind) => document.querySelectorAll(selector).forEach(e => {
  if (onMap(e)) out.items.push([kind, box(e), (e.textContent || '').trim().slice(0, 40), e.getAttribute('data-box')]);
});
take('text.label', 'label');
take('text.centre, text.symbol, #winds use', 'symbol');
take('rect.note-box, text.note', 'note');
document.querySelectorAll('g.note').forEach(g => {
  const frame = g.querySelector('rect');
  if (frame && onMap(g)) g.querySelectorAll('text').forEach(t => out.inNotes.push([box(t), box(frame), t.textContent]));
});
const pre = document.createElement('pre');
pre.id = 'measured';
pre.textContent = JSON.stringify(out);
document.body.appendChild(pre);
</script>
"""


def chromium_command():
    return shutil.which("chromium")


def measure(chromium, svg_path, workdir):
    """The boxes Chromium lays the picture's texts out in."""
    with open(svg_path, encoding="utf-8") as f:
        svg = re.sub(r"^<\?xml[^>]*>\s*", "", f.read())
    page = os.path.join(workdir, os.path.basename(svg_path) + ".html")
    with open(page, "w", encoding="utf-8") as f:
        f.write("<!DOCTYPE html><html><head><meta charset='utf-8'><style>body{margin:0}</style></head><body>")
        f.write(svg + MEASURE + "</body></html>")
    for attempt in range(2):  # a first start of the browser on a fresh machine may time out
        with tempfile.TemporaryDirectory(dir=workdir, ignore_cleanup_errors=True) as profile:
            try:
                run = subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                      "--no-first-run", "--disable-background-networking",
                                      "--disable-component-update", "--disable-sync",
                                      "--user-data-dir=" + profile, "--dump-dom", "file://" + page],
                                     capture_output=True, text=True, timeout=180)
            except subprocess.TimeoutExpired:
                continue
            match = re.search(r'<pre id="measured">(.*?)</pre>', run.stdout, re.S)
            if match:
                return json.loads(html.unescape(match.group(1)))
    raise AssertionError(f"chromium gave no measurement for {svg_path}")


def check(name, svg_path, args):
    """Problems found in one picture, and its labels' median height."""
    measured = measure(args.chromium, svg_path, args.workdir)
    items = [(kind, tuple(b), text) for kind, b, text, _ in measured["items"]]
    problems = svg_boxes.overlaps(items)
    for kind, b, text, claim in measured["items"]:
        if claim and not svg_boxes.inside(b, svg_boxes.parse_box(claim), 0.75):
            problems.append(f"{kind} {text!r} drawn at {svg_boxes.fmt(b)}, outside its box {claim}")
    for b, frame, text in measured["inNotes"]:
        if not svg_boxes.inside(b, frame, 0.75):
            problems.append(f"note text {text!r} at {svg_boxes.fmt(b)} out of its box {svg_boxes.fmt(frame)}")
    heights = [b[3] - b[1] for kind, b, _ in items if kind == "label"]
    counts = {k: sum(1 for i in items if i[0] == k) for k in ("label", "symbol", "note")}
    print(f"     {name}: {counts['label']} labels, {counts['symbol']} symbols, {counts['note']} note boxes")
    return problems, statistics.median(heights) if heights else None


def main():
    parser = argparse.ArgumentParser()
    for option in ("--chart14", "--make-chart", "--sample", "--workdir"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    args.chromium = chromium_command()
    if args.chromium is None:
        if os.environ.get("CI"):
            print("FAIL chromium is not installed; scripts/test.sh installs it (Debian package chromium)")
            return 1
        print("chromium not found (Debian package chromium): run scripts/install-deps.sh chromium")
        return 77
    os.makedirs(args.workdir, exist_ok=True)
    generated = os.path.join(args.workdir, "generated.txt")
    large = os.path.join(args.workdir, "large.txt")
    subprocess.run([args.make_chart, "--seed", "99", "--points", "48", "--contours", "40", "-o", generated],
                   check=True)
    subprocess.run([args.make_chart, "--seed", "7", "--size-mb", "1", "-o", large], check=True)

    cases = [("sample", args.sample, 1400), ("sample", args.sample, 600), ("generated", generated, 1400),
             ("large", large, 1400), ("large", large, 3200)]
    failures, heights = 0, {}
    for name, chart, width in cases:
        label = f"{name} at {width} px"
        svg_path = os.path.join(args.workdir, f"{name}-{width}.svg")
        subprocess.run([args.chart14, "svg", chart, "-o", svg_path, "--width", str(width)], check=True)
        problems, height = check(label, svg_path, args)
        if height is not None:
            heights[label] = height
            if not LABEL_HEIGHT[0] <= height <= LABEL_HEIGHT[1]:
                problems.append(f"labels {height:.1f} px high, not a {LABEL_HEIGHT} px text")
        for p in problems[:20]:
            print(f"FAIL {label}: {p}")
        if len(problems) > 20:
            print(f"FAIL {label}: ... {len(problems) - 20} more")
        failures += bool(problems)
        if not problems:
            print(f"ok   {label}")
    if heights and max(heights.values()) - min(heights.values()) > 0.5:
        print(f"FAIL label heights differ with the width: {heights}")
        failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
