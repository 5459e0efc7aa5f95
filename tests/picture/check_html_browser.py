#!/usr/bin/env python3
"""chart14 html in a real browser (headless Chromium, driven through its DevTools protocol).

For the bundled sample and a generated chart of 5 MB: the page loads offline
(it asks for nothing beyond its own file) and without a script error; at
three levels of zoom, reached through the page's buttons and the mouse
wheel, every text the browser drew lies inside the map, inside the box the
layout gave it, and over no other text; a drag pans and a pinch (two
touches) zooms; pointing at three elements (an arrow, a contour, a note)
shows their fields as chart14 json reads them; switching a layer off takes
its drawing and its texts away; a chart with markup in its texts and absurd
coordinates, and an empty one, make pages that work. Screenshots stay in
the work folder.

Skips (77) only where chromium is missing outside CI.
"""
import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_svg_picture  # noqa: E402
import devtools  # noqa: E402
import svg_boxes  # noqa: E402

WIDTH, HEIGHT = 1400, 900
READY = """new Promise((resolve, reject) => {
  const started = Date.now();
  const wait = () => window.chart14 && window.chart14.ready ? resolve(true)
    : Date.now() - started > 120000 ? reject(new Error('the page never got ready')) : setTimeout(wait, 20);
  wait();
})"""
# Every text the page shows, as the browser laid it out, with the box its
# layout gave it (the <g>'s place and size) and the map's box.
MEASURE = """(() => {
  const box = e => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
  const overlay = document.getElementById('texts').getBoundingClientRect();
  const items = [];
  document.querySelectorAll('#texts > g').forEach(g => {
    if (g.style.display === 'none') return;
    const m = g.transform.baseVal.consolidate().matrix;
    const claimed = [overlay.left + m.e, overlay.top + m.f,
                     overlay.left + m.e + +g.dataset.width, overlay.top + m.f + +g.dataset.height];
    const parts = [...g.children].filter(e => e.style.display !== 'none').map(e => [e.tagName, box(e), e.textContent]);
    items.push({layer: g.dataset.layer, fid: +g.dataset.fid, claimed, parts});
  });
  return {items, map: box(document.getElementById('map')), view: chart14.view()};
})()"""
FIELDS = """(() => {
  const table = document.getElementById('fields-table');
  const caption = table.caption ? table.caption.textContent : null;
  const rows = {};
  for (const row of table.rows) rows[row.dataset.field] = row.cells[1].textContent;
  return {caption, rows};
})()"""


class Page:
    """One chart14 html page in the browser, with what the checks need."""

    def __init__(self, browser, path, workdir, name):
        self.browser, self.workdir, self.name = browser, workdir, name
        self.problems = []
        browser.call("Network.enable")
        browser.events.clear()
        browser.open(path)
        browser.evaluate(READY)
        for event in browser.events:
            if event.get("method") == "Network.requestWillBeSent":
                url = event["params"]["request"]["url"]
                if url != "file://" + os.path.abspath(path):
                    self.problems.append(f"the page asked for {url}")
            if event.get("method") == "Runtime.exceptionThrown":
                self.problems.append(f"script error: {event['params']['exceptionDetails']}")
        browser.call("Network.disable")

    def evaluate(self, expression):
        return self.browser.evaluate(expression)

    def settle(self, action):
        """Does `action` (a script, or a Python callable) and waits until the page has drawn the new view."""
        self.evaluate("void (window.__settled = chart14.settled())")
        action() if callable(action) else self.evaluate(action)
        self.evaluate("window.__settled")

    def centre_of(self, selector):
        return self.evaluate(f"(() => {{ const r = document.querySelector({json.dumps(selector)})"
                             ".getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; })()")

    def click(self, selector):
        x, y = self.centre_of(selector)
        self.browser.mouse("mouseMoved", x, y)
        self.browser.mouse("mousePressed", x, y, button="left", clickCount=1)
        self.browser.mouse("mouseReleased", x, y, button="left", clickCount=1)

    def wheel(self, notches):
        x, y = self.centre_of("#map")
        for _ in range(notches):
            self.browser.mouse("mouseWheel", x, y, deltaX=0, deltaY=-200)

    def check_texts(self, label):
        """No text over another, none off the map or out of its box; returns the view."""
        measured = self.evaluate(MEASURE)
        items = []
        for n, item in enumerate(measured["items"]):
            for tag, box, text in item["parts"]:
                # The parts of one note are one text: its lines lie in its box.
                items.append(("note" if tag == "rect" else "label", tuple(box), f"{item['layer']} {item['fid']} {text}"[:60]))
                if not svg_boxes.inside(box, item["claimed"], 0.75):
                    self.problems.append(f"{label}: {text!r} drawn at {svg_boxes.fmt(box)}, out of its box "
                                         f"{svg_boxes.fmt(item['claimed'])}")
        overlapping = [p for p in svg_boxes.overlaps(self.merge_notes(measured["items"]))]
        outside = svg_boxes.outside(items, measured["map"], 0.75)
        self.problems += [f"{label}: {p}" for p in overlapping + outside]
        view = measured["view"]
        print(f"     {self.name} {label}: level {view['level']}, scale {view['scale']:.4g}, "
              f"{len(measured['items'])} texts, {len(overlapping)} overlaps, {len(outside)} off the map")
        return view, measured["items"]

    @staticmethod
    def merge_notes(items):
        """One box per text: a note's box holds its lines."""
        merged = []
        for item in items:
            boxes = [b for _, b, _ in item["parts"]]
            box = (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes), max(b[3] for b in boxes))
            merged.append(("label", box, f"{item['layer']} {item['fid']}"))
        return merged

    def screenshot(self, what):
        path = os.path.join(self.workdir, f"{self.name}-{what}.png")
        self.browser.screenshot(path)
        return path

    def hover(self, x, y):
        """Points at a place of the chart; the fields the page then shows."""
        px, py = self.evaluate(f"chart14.toPage({x!r}, {y!r})")
        self.browser.mouse("mouseMoved", px - 1, py)
        self.browser.mouse("mouseMoved", px, py)
        return self.evaluate(FIELDS)

    def covered(self, x, y):
        """Whether a shown text covers the chart's point (x, y)."""
        return self.evaluate(f"""(() => {{
          const [px, py] = chart14.toPage({x!r}, {y!r});
          return [...document.querySelectorAll('#texts > g')].some(g => {{
            if (g.style.display === 'none') return false;
            const r = g.getBoundingClientRect();
            return px >= r.left - 2 && px <= r.right + 2 && py >= r.top - 2 && py <= r.bottom + 2;
          }});
        }})()""")


def float_text(value):
    """A float as chart14 writes it: the shortest text that reads back to it."""
    return json.dumps(value) if not isinstance(value, float) or not value.is_integer() else str(int(value))


def check_geometry(page, chart):
    """The points the page draws are the chart's, to within a pixel at any zoom the page offers."""
    extent = page.evaluate("chart14.extent")
    tolerance = max(extent[2] - extent[0], extent[3] - extent[1]) / 2 ** 20
    sections = [("lines", chart["lines"], "points"), ("line_symbols", chart["line_symbols"], "points"),
                ("closed_contours", chart["closed_contours"]["contours"], "points"),
                ("weather_regions", chart["weather_regions"], "points"), ("fill_areas", chart["fill_areas"], "points"),
                ("symbols", chart["symbols"], "position"), ("notes", chart["notes"], "position")]
    checked = 0
    for layer, records, key in sections:
        for fid in sorted({0, len(records) // 2, len(records) - 1} & set(range(len(records)))):
            wanted = records[fid][key] if key == "points" else [records[fid][key]]
            wanted = [p for p in wanted if None not in p]
            drawn = page.evaluate(f"chart14.points({json.dumps(layer)}, {fid})")
            far = len(drawn) != len(wanted) or any(abs(a - b) > tolerance for p, q in zip(drawn, wanted)
                                                   for a, b in zip(p, q))
            if far:
                page.problems.append(f"{layer} {fid}: drawn at {drawn[:3]}…, the chart has {wanted[:3]}…")
            checked += 1
    print(f"     {page.name}: the points of {checked} elements drawn where chart14 json has them")


def check_zoom_levels(page):
    """Three levels of zoom by the page's own controls; the texts at each."""
    levels = []
    page.settle(lambda: page.click("#fit"))
    levels.append(page.check_texts("fit")[0])
    page.screenshot("fit")
    page.settle(lambda: page.wheel(4))
    levels.append(page.check_texts("wheel x4")[0])
    page.screenshot("zoomed")
    page.settle(lambda: page.click("#one") if levels[0]["scale"] < 0.5 else page.wheel(4))
    page.settle(lambda: page.wheel(2))
    levels.append(page.check_texts("deep")[0])
    page.screenshot("deep")
    if len({v["level"] for v in levels}) < 3:
        page.problems.append(f"three zooms reached fewer than three levels of texts: {levels}")
    if not levels[0]["scale"] < levels[1]["scale"] < levels[2]["scale"]:
        page.problems.append(f"the zoom did not grow: {[v['scale'] for v in levels]}")


def check_pan_and_pinch(page):
    page.settle(lambda: page.click("#fit"))
    before = page.evaluate("chart14.view()")
    x, y = page.centre_of("#map")
    browser = page.browser
    browser.mouse("mousePressed", x, y, button="left", clickCount=1)
    for step in range(1, 11):
        browser.mouse("mouseMoved", x + 10 * step, y + 5 * step, button="left", buttons=1)
    page.settle(lambda: browser.mouse("mouseReleased", x + 100, y + 50, button="left", clickCount=1))
    after = page.evaluate("chart14.view()")
    moved = ((before["x"] - after["x"]) * before["scale"], (after["y"] - before["y"]) * before["scale"])
    if abs(moved[0] - 100) > 1 or abs(moved[1] - 50) > 1:
        page.problems.append(f"a drag of (100, 50) px moved the map by {moved}")
    page.check_texts("panned")
    browser.touch("touchStart", [(x - 50, y), (x + 50, y)])
    for step in range(1, 6):
        browser.touch("touchMove", [(x - 50 - 20 * step, y), (x + 50 + 20 * step, y)])
    page.settle(lambda: browser.touch("touchEnd", []))
    pinched = page.evaluate("chart14.view()")
    if abs(pinched["scale"] / after["scale"] - 3) > 0.05:
        page.problems.append(f"spreading two touches from 100 to 300 px zoomed by {pinched['scale'] / after['scale']:.3f}")
    page.check_texts("pinched")


def check_hover(page, chart):
    """Three elements pointed at: their fields as chart14 json reads them."""
    def first_uncovered(candidates):
        for candidate in candidates:
            fid, (x, y), expected, layer = candidate
            page.settle(f"chart14.setView(chart14.view().fitScale * 8, {x!r}, {y!r})")
            if not page.covered(x, y):
                return candidate
        return None

    arrows = [(fid, s["position"], {"type": str(s["type"]), "direction": float_text(s["direction"]), "text": "null"},
               "symbols") for fid, s in enumerate(chart["symbols"]) if s["direction"] is not None and s["text"] == ""]
    contours = []
    for fid, c in enumerate(chart["closed_contours"]["contours"]):
        points = c["points"]
        expected = {"code": str(c["code"]), "closed": str(c["closed"]).lower(), "label_kind": c["label_kind"],
                    "label_value": float_text(c["label_value"]), "label_code": float_text(c["label_code"])}
        contours.append((fid, points[len(points) // 4], expected, "closed_contours"))
    notes = [(fid, n["position"], {"type": str(n["type"]), "value": float_text(n["value"]),
                                   "first_text": n["first_text"], "second_text": n["second_text"]}, "notes")
             for fid, n in enumerate(chart["notes"])]
    for kind, candidates in (("arrow", arrows), ("contour", contours[len(contours) // 2:]), ("note", notes)):
        chosen = candidates[0] if kind == "note" else first_uncovered(candidates[:20])
        if chosen is None:
            page.problems.append(f"no {kind} to point at that no text covers")
            continue
        fid, (x, y), expected, layer = chosen
        # A note is its text: at the ladder's last level every text shows.
        scale = "chart14.ladder.base * 2 ** (chart14.ladder.levels - 1)" if kind == "note" else "chart14.view().fitScale * 8"
        page.settle(f"chart14.setView({scale}, {x!r}, {y!r})")
        shown = page.hover(x, y)
        if shown["caption"] != f"{layer} {fid}":
            page.problems.append(f"pointing at {layer} {fid} showed {shown['caption']}")
            continue
        wrong = {k: (shown["rows"].get(k), v) for k, v in expected.items() if shown["rows"].get(k) != v}
        if wrong:
            page.problems.append(f"{layer} {fid}: shown and read by chart14 json differ: {wrong}")
        print(f"     {page.name}: {layer} {fid} shows {', '.join(f'{k}={v}' for k, v in expected.items())}")


def check_layer_switch(page, chart):
    """Symbols off: none of their texts shows, and an arrow is no longer picked."""
    page.settle(lambda: page.click("#fit"))
    page.settle(lambda: page.click("#layers input[name=symbols]"))
    _, items = page.check_texts("symbols off")
    if any(item["layer"] == "symbols" for item in items):
        page.problems.append("switched off, the symbols' texts still show")
    arrow = next(s for s in chart["symbols"] if s["direction"] is not None and s["text"] == "")
    page.settle(f"chart14.setView(chart14.view().fitScale * 8, {arrow['position'][0]!r}, {arrow['position'][1]!r})")
    shown = page.hover(*arrow["position"])
    if shown["caption"] and shown["caption"].startswith("symbols"):
        page.problems.append("switched off, an arrow is still picked")
    page.settle(lambda: page.click("#fit"))
    page.screenshot("symbols-off")
    page.settle(lambda: page.click("#layers input[name=symbols]"))


def check_odd_charts(browser, args):
    """Markup in texts, NaN and huge coordinates, nothing at all: the page still works."""
    problems = []
    for name, text in (("odd", check_svg_picture.ODD_CHART), ("empty", check_svg_picture.EMPTY_CHART)):
        chart_path = os.path.join(args.workdir, name + ".txt")
        with open(chart_path, "w") as f:
            f.write(text)
        page_path = os.path.join(args.workdir, name + ".html")
        subprocess.run([args.chart14, "html", chart_path, "-o", page_path], check=True)
        page = Page(browser, page_path, args.workdir, name)
        title = page.evaluate("document.querySelector('h1').textContent")
        if title != text.split("\n")[0].split(" ", 2)[2]:
            page.problems.append(f"the title reads {title!r}")
        page.check_texts("fit")
        problems += [f"{name}: {p}" for p in page.problems]
    return problems


def main():
    args, exit_code = devtools.page_test_arguments()
    if args is None:
        return exit_code
    generated = os.path.join(args.workdir, "generated-5MB.txt")
    subprocess.run([args.make_chart, "--seed", "1", "--size-mb", "5", "-o", generated], check=True)
    failures = 0
    start = time.monotonic()
    with devtools.Browser(args.workdir, WIDTH, HEIGHT) as browser:
        for name, chart_path in (("sample", args.sample), ("5MB", generated)):
            page_path = os.path.join(args.workdir, name + ".html")
            subprocess.run([args.chart14, "html", chart_path, "-o", page_path], check=True)
            with open(page_path, encoding="utf-8") as f:
                source = f.read()
            chart = json.loads(subprocess.run([args.chart14, "json", chart_path], capture_output=True,
                                              check=True).stdout)
            page = Page(browser, page_path, args.workdir, name)
            if "<link" in source or "src=" in source or "@import" in source:
                page.problems.append("the page refers to a file beside it")
            timings = page.evaluate("chart14.timings")
            print(f"     {name}: {os.path.getsize(page_path) / 1e6:.2f} MB, drawn {timings['loadedMs']:.0f} ms "
                  f"after the navigation began")
            check_geometry(page, chart)
            check_zoom_levels(page)
            check_pan_and_pinch(page)
            check_hover(page, chart)
            check_layer_switch(page, chart)
            for problem in page.problems[:20]:
                print(f"FAIL {name}: {problem}")
            if len(page.problems) > 20:
                print(f"FAIL {name}: ... {len(page.problems) - 20} more")
            print(f"{'FAIL' if page.problems else 'ok  '} {name}")
            failures += bool(page.problems)
        for problem in check_odd_charts(browser, args):
            print(f"FAIL {problem}")
            failures += 1
    print(f"     screenshots in {args.workdir}; {time.monotonic() - start:.1f} s")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
