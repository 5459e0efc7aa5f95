#!/usr/bin/env python3
"""chart14 svg, rendered to PNG by rsvg-convert and checked for content.

For the bundled sample, a larger generated chart and a chart with every
section empty: the SVG parses, has one contour path per contour, renders, and
the rendered map is not blank and shows every contour colour in the colour's
own pixels. The boxes the picture placed its labels, symbols and notes in do
not overlap (the browser test measures the drawn texts themselves); the
legend shows every colour and dash the map draws and every label code the
file has (read back through chart14 json); labels are a 11 to 13 px text at
any width. Only the standard library: the PNG is decoded with zlib.
"""
import argparse
import collections
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import svg_boxes  # noqa: E402

SVG = svg_boxes.SVG
BACKGROUND = [(255, 255, 255), (0xF4, 0xF8, 0xFB)]
GREY = "#808080"  # contours without a level
# Markup in texts, a NaN and a huge coordinate: the picture must still be
# well-formed SVG that renders.
ODD_CHART = ("readdata14 14 odd<&>\"chart\n1 2 3 4 5\nLINES: 1\n1 2 0 0 0 1e30 1e30 0 nan 1 5 5 0\n"
             "LINES_SYMBOL: 1\n2 0 2 0 0 0 0 0 0 NoText 0\nSYMBOLS: 2\n7 1 1 0 nan\n48 2 2 0 a<b&c\n"
             "CLOSED_CONTOURS: 2\n1 4 0 0 0 10 0 0 10 10 0 0 0 0 nan 0\n"
             "1 4 1 1 0 9 1 0 9 9 0 1 1 0 5 1 5 5 0\nSTATION_SITUATION\nWEATHER_REGION: 0\n"
             "FILLAREA: 0\nNOTES_SYMBOL: 0\n")
EMPTY_CHART = ("readdata14 14 empty_chart\n1 2 3 4 5\nLINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\n"
               "CLOSED_CONTOURS: 0\nSTATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n")


def unfilter(kind, line, previous, channels):
    """Undoes one scanline's PNG filter (RFC 2083, 6.3) in place."""
    n = len(line)
    if kind == 1:
        for i in range(channels, n):
            line[i] = (line[i] + line[i - channels]) & 255
    elif kind == 2:
        line[:] = bytes((a + b) & 255 for a, b in zip(line, previous))
    elif kind == 3:
        for i in range(n):
            left = line[i - channels] if i >= channels else 0
            line[i] = (line[i] + ((left + previous[i]) >> 1)) & 255
    elif kind == 4:
        for i in range(n):
            if i < channels:
                line[i] = (line[i] + previous[i]) & 255
                continue
            a, b, c = line[i - channels], previous[i], previous[i - channels]
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255


def decode_png(data):
    """(width, height, rows of RGB bytes, 3 per pixel) of an 8-bit RGB or RGBA PNG."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert depth == 8 and colour in (2, 6) and interlace == 0, header
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        at = y * (stride + 1)
        line = bytearray(raw[at + 1:at + 1 + stride])
        unfilter(raw[at], line, previous, channels)
        rgb = bytearray(3 * width)  # the picture is opaque: drop alpha
        for c in range(3):
            rgb[c::3] = line[c::channels]
        rows.append(bytes(rgb))
        previous = line
    return width, height, rows


def parse_hex(colour):
    return tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))


def declared(chart_text, tag):
    match = re.search(re.escape(tag) + r"\s+(-?\d+)", chart_text)
    return int(match.group(1)) if match else 0


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_picture(name, chart_path, args):
    svg_path = os.path.join(args.workdir, name + ".svg")
    png_path = os.path.join(args.workdir, name + ".png")
    run = subprocess.run([args.chart14, "svg", chart_path, "-o", svg_path], capture_output=True, text=True)
    check(run.returncode == 0, f"chart14 svg exited {run.returncode}: {run.stderr}")

    root = ET.parse(svg_path).getroot()
    check(root.tag == SVG + "svg", "the root is not <svg>")
    flipped = [g for g in root.iter(SVG + "g") if re.search(r"scale\([^,]+,-", g.get("transform", ""))]
    check(len(flipped) == 1, "no single y-flipping group")
    groups = {g.get("id"): g for g in root.iter(SVG + "g") if g.get("id")}
    check({"contours", "lines", "fronts", "areas", "winds", "texts", "labels", "notes", "legend"} <= set(groups),
          f"groups: {sorted(groups)}")
    with open(chart_path, encoding="latin-1") as f:
        chart_text = f.read()
    contour_paths = groups["contours"].findall(SVG + "path")
    check(len(contour_paths) == declared(chart_text, "CLOSED_CONTOURS:"),
          f"{len(contour_paths)} contour paths for {declared(chart_text, 'CLOSED_CONTOURS:')} contours")
    check(len(groups["fronts"].findall(SVG + "path")) >= declared(chart_text, "LINES_SYMBOL:"), "fronts missing")

    run = subprocess.run(["rsvg-convert", "-f", "png", "-o", png_path, svg_path], capture_output=True, text=True)
    check(run.returncode == 0, f"rsvg-convert exited {run.returncode}: {run.stderr}")
    with open(png_path, "rb") as f:
        width, height, rows = decode_png(f.read())
    check(width == round(float(root.get("width"))), f"picture {width} wide, svg says {root.get('width')}")

    # The map's rectangle in pixels, from the viewBox.
    vx, vy, vw, vh = (float(v) for v in root.get("viewBox").split())
    scale = width / vw
    map_rect = next(r for r in root.iter(SVG + "rect") if r.get("id") == "map")
    x0 = int((float(map_rect.get("x")) - vx) * scale) + 2
    y0 = int((float(map_rect.get("y")) - vy) * scale) + 2
    x1 = int((float(map_rect.get("x")) + float(map_rect.get("width")) - vx) * scale) - 2
    y1 = int((float(map_rect.get("y")) + float(map_rect.get("height")) - vy) * scale) - 2
    counts = collections.Counter()
    for row in rows[y0:y1]:
        part = row[3 * x0:3 * x1]
        counts.update(part[i:i + 3] for i in range(0, len(part), 3))
    total = sum(counts.values())
    drawn = total - sum(counts[bytes(c)] for c in BACKGROUND)

    colours = {p.get("stroke") for p in contour_paths} - {GREY}
    near = lambda p, c: max(abs(p[0] - c[0]), abs(p[1] - c[1]), abs(p[2] - c[2])) <= 12
    shown = {c: sum(n for p, n in counts.items() if near(p, parse_hex(c))) for c in colours}

    overlapping = svg_boxes.overlaps(svg_boxes.claimed_items(root))
    check(not overlapping, f"{len(overlapping)} overlaps, such as {overlapping[:3]}")
    check_legend(root, groups, label_codes(chart_path, args))
    return drawn / max(total, 1), shown


def styles(group):
    """(stroke or fill, colour, dashed) of everything drawn in a group."""
    found = set()
    for e in group.iter():
        kind = e.tag.replace(SVG, "")
        for attribute in ("stroke", "fill"):
            colour = e.get(attribute)
            if colour and colour != "none" and kind in ("path", "rect", "use", "text"):
                found.add((attribute, colour, bool(e.get("stroke-dasharray")) and attribute == "stroke"))
    return found


def label_codes(chart_path, args):
    """The label codes of the file's lines and contours, as chart14 json reads them."""
    run = subprocess.run([args.chart14, "json", chart_path], capture_output=True, text=True, check=True)
    chart = json.loads(run.stdout)
    labelled = (chart.get("lines") or []) + (chart.get("closed_contours") or {}).get("contours", [])
    return {f"{e['label_code']:g}" for e in labelled if e["label_kind"] == "code"}


def check_legend(root, groups, codes):
    legend = groups["legend"]
    shown = styles(legend)
    colours = {s[1] for s in shown}
    for name in ("contours", "lines", "fronts", "areas", "winds", "texts"):
        drawn = styles(groups[name])
        missing = {s[1] for s in drawn if s[1] not in colours and s[1] != "#fff"}
        check(not missing, f"the legend lacks colours that {name} draw: {sorted(missing)}")
        check(not any(s[2] for s in drawn) or any(s[2] for s in shown), f"{name} dashed, the legend not")
    text = " ".join("".join(t.itertext()) for t in legend.iter(SVG + "text"))
    drawn_codes = {"".join(t.itertext()) for t in groups["labels"].iter(SVG + "text")} & codes
    # Listed alone, in a range ("10-13") or in a count ("87 codes from 10 to 99").
    spans = [(float(a), float(b)) for a, b in re.findall(r"(\d+)-(\d+)", text)]
    spans += [(float(a), float(b)) for a, b in re.findall(r"codes from (\d+) to (\d+)", text)]
    missing_codes = {c for c in drawn_codes if not re.search(r"(^|\D)" + re.escape(c) + r"(\D|$)", text)
                     and not any(a <= float(c) <= b for a, b in spans)}
    check(not missing_codes, f"label codes drawn but not in the legend: {sorted(missing_codes)}")
    if groups["notes"].find(SVG + "g") is not None:
        check(any("framed" in (r.get("class") or "") or "mark" in (r.get("class") or "")
                  for r in legend.iter(SVG + "rect")), "notes drawn, none in the legend")
    # Highs and lows together: the levels read from high to low, whichever
    # way the file sorts them, and no claim that all rise (or fall) inwards.
    check("inwards" not in text, "the legend says all contours run one way")
    levels = [float(t.text) for t in legend.iter(SVG + "text") if "legend-label" in (t.get("class") or "")]
    check(levels == sorted(levels, reverse=True), f"levels not from high to low: {levels}")


def label_pixels(svg_path):
    """The label text's size in output pixels: its CSS size times pixels per unit."""
    root = ET.parse(svg_path).getroot()
    style = "".join(root.find(SVG + "style").itertext())
    size = float(re.search(r"\.label[^{]*\{[^}]*font-size:([0-9.]+)px", style).group(1))
    return size * float(root.get("width")) / float(root.get("viewBox").split()[2])


def main():
    parser = argparse.ArgumentParser()
    for option in ("--chart14", "--make-chart", "--sample", "--workdir"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    if shutil.which("rsvg-convert") is None:
        print("rsvg-convert not found (Debian librsvg2-bin): run scripts/install-deps.sh")
        return 77
    os.makedirs(args.workdir, exist_ok=True)

    generated = os.path.join(args.workdir, "generated.txt")
    subprocess.run([args.make_chart, "--seed", "99", "--points", "48", "--contours", "40", "-o", generated],
                   check=True)
    empty = os.path.join(args.workdir, "empty.txt")
    with open(empty, "w") as f:
        f.write(EMPTY_CHART)
    odd = os.path.join(args.workdir, "odd.txt")
    with open(odd, "w") as f:
        f.write(ODD_CHART)

    failures = 0
    large = os.path.join(args.workdir, "large.txt")
    subprocess.run([args.make_chart, "--seed", "7", "--size-mb", "1", "-o", large], check=True)
    sizes = {}
    for name, path, width in (("sample", args.sample, 700), ("sample", args.sample, 2800), ("large", large, 1400)):
        svg_path = os.path.join(args.workdir, f"size-{name}-{width}.svg")
        subprocess.run([args.chart14, "svg", path, "-o", svg_path, "--width", str(width)], check=True)
        sizes[f"{name} at {width} px"] = label_pixels(svg_path)
    if all(11 <= v <= 13 for v in sizes.values()):
        print(f"ok   labels {min(sizes.values()):.1f} to {max(sizes.values()):.1f} px at every width")
    else:
        failures += 1
        print(f"FAIL label sizes in pixels: {sizes}")
    for name, path in (("sample", args.sample), ("generated", generated), ("empty", empty), ("odd", odd)):
        try:
            drawn, shown = check_picture(name, path, args)
            if name == "odd":
                pass  # parsed and rendered is all it must do
            elif name == "empty":
                check(drawn < 0.001 and not shown, f"an empty chart draws {drawn:.2%} of its map")
            else:
                check(drawn > 0.03, f"only {drawn:.2%} of the map is drawn")
                check(len(shown) >= 4, f"only {len(shown)} contour colours")
                faint = {c: n for c, n in shown.items() if n < 40}
                check(not faint, f"contour colours barely in the picture: {faint}")
            print(f"ok   {name}: {drawn:.1%} of the map drawn, {len(shown)} contour colours shown")
        except (Failure, subprocess.CalledProcessError, ET.ParseError) as error:
            failures += 1
            print(f"FAIL {name}: {error}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
