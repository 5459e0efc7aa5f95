"""Boxes of the texts and marks of a chart14 picture, and which of them overlap.

A box is (x0, y0, x1, y1) in page pixels. The picture tests use this: the
rsvg one on the boxes the picture says it placed (data-box), the browser ones
on the boxes the browser really drew.
"""
import collections

SVG = "{http://www.w3.org/2000/svg}"
# Texts: no two may overlap, whatever their kinds.
TEXTS = ("label", "centre", "symbol", "note")
# The pairs of kinds that must never overlap: any two texts; an arrow and a
# text but a centre's letter (symbols at one point are the file's, and both
# are drawn); a text and the legend.
FORBIDDEN = ([(a, b) for i, a in enumerate(TEXTS) for b in TEXTS[i:]] +
             [("wind", t) for t in TEXTS if t != "centre"] + [("legend", t) for t in TEXTS])


def overlap(a, b, slack=0.0):
    """Whether the boxes share an area wider and taller than `slack`."""
    return min(a[2], b[2]) - max(a[0], b[0]) > slack and min(a[3], b[3]) - max(a[1], b[1]) > slack


def inside(inner, outer, slack):
    return (inner[0] >= outer[0] - slack and inner[1] >= outer[1] - slack
            and inner[2] <= outer[2] + slack and inner[3] <= outer[3] + slack)


def overlaps(items, slack=0.0, cell=64.0):
    """The forbidden overlaps among items [(kind, box, text)], as readable strings.

    Bucketed in a grid so that a picture with thousands of texts is quick."""
    grid = collections.defaultdict(list)
    found = set()
    forbidden = {frozenset(p) for p in FORBIDDEN}
    for i, (kind, box, _) in enumerate(items):
        cells = [(cx, cy) for cx in range(int(box[0] // cell), int(box[2] // cell) + 1)
                 for cy in range(int(box[1] // cell), int(box[3] // cell) + 1)]
        for c in cells:
            for j in grid[c]:
                other = items[j]
                if frozenset((kind, other[0])) in forbidden and overlap(box, other[1], slack):
                    found.add((j, i))
            grid[c].append(i)
    return sorted(f"{items[j][0]} {items[j][2]!r} {fmt(items[j][1])} and {items[i][0]} {items[i][2]!r} "
                  f"{fmt(items[i][1])}" for j, i in found)


def outside(items, frame, slack=0.0):
    """The texts among items [(kind, box, text)] that leave the frame, as readable strings."""
    return [f"{kind} {text!r} {fmt(box)} leaves the map {fmt(frame)}"
            for kind, box, text in items if kind in TEXTS and not inside(box, frame, slack)]


def fmt(box):
    return "[" + " ".join(f"{v:.1f}" for v in box) + "]"


def parse_box(text):
    return tuple(float(v) for v in text.split())


def claimed_items(root):
    """(kind, box, text) of every placed text and mark on the map, from data-box."""
    groups = {g.get("id"): g for g in root.iter(SVG + "g") if g.get("id")}
    items = []
    for group in ("labels", "texts", "winds", "notes"):
        for element in groups[group].iter():
            if element.get("data-box"):
                items.append((kind_of(group, element.get("class") or ""), parse_box(element.get("data-box")),
                               (element.text or "").strip()))
    return items


def kind_of(group, css_class):
    if group == "winds":
        return "wind"
    if group == "texts":
        return "centre" if "centre" in css_class.split() else "symbol"
    return {"labels": "label", "notes": "note"}[group]
