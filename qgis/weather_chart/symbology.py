"""How a chart is drawn, from the table that chart14 svg draws with too
(symbology.json): what codes and types mean, their colours, the widths,
dashes and sizes, the drawing order, and the colour and number arithmetic
that goes with it, done as chart14 does it so that both draw a chart alike."""

from __future__ import annotations

import json
import math
import struct
from dataclasses import dataclass
from pathlib import Path
from typing import Dict, Iterable, List, Optional, Sequence

_HERE = Path(__file__).resolve().parent
TABLE_NAME = "symbology.json"


def _table_path() -> Path:
    # The zipped plugin carries the table; a source checkout has it in share/.
    for candidate in (_HERE / TABLE_NAME, _HERE.parent.parent / "share" / TABLE_NAME):
        if candidate.is_file():
            return candidate
    raise FileNotFoundError(f"weather_chart: {TABLE_NAME} is neither in the plugin's folder {_HERE} nor in the "
                            "source tree's share/: zip the plugin with scripts/zip-qgis-plugin.sh")


@dataclass(frozen=True)
class Front:
    code: int
    kind: str  # cold, warm, occluded, stationary
    name: str
    colour: str
    second_colour: Optional[str]


@dataclass(frozen=True)
class Centre:
    type: int
    kind: str  # high, low
    name: str
    colour: str


def _hex(rgb: Iterable[float]) -> str:
    # std::lround of a channel that is never negative: halves go up.
    return "#" + "".join(f"{min(max(int(math.floor(c + 0.5)), 0), 255):02x}" for c in rgb)


def float32(value: float) -> float:
    """The 32-bit float nearest to `value`, widened: how the driver hands values out."""
    return struct.unpack("f", struct.pack("f", value))[0]


class Symbology:
    """The table, read once."""

    def __init__(self, table: dict):
        # The layers from the bottom of the drawing to its top.
        self.drawing_order: List[str] = table["drawing_order"]["layers"]
        self.palette: List[str] = table["palette"]["colours"]
        levels = table["levels"]
        self.ramp: List[Sequence[float]] = levels["ramp"]
        self.no_level: str = levels["no_level"]
        self.label_shade: float = levels["label_shade"]
        self.contour_width: float = levels["width"]
        self.open_contour_dash: List[float] = levels["open_dash"]
        self.open_contour_name: str = levels["open_name"]
        self.no_level_name: str = levels["no_level_name"]
        lines = table["lines"]
        self.line_colour: str = lines["colour"]
        self.line_label_colour: str = lines["label_colour"]
        self.line_width: float = lines["width"]
        self.coded_line_dash: List[float] = lines["code_dash"]
        self.label_whole_below: float = table["label_numbers"]["whole_below"]
        fronts = table["fronts"]
        self.fronts: Dict[int, Front] = {
            f["code"]: Front(f["code"], f["kind"], f["name"], f["colour"], f.get("second_colour"))
            for f in fronts["codes"]}
        self.front_width: float = fronts["width"]
        self.front_glyph: float = fronts["glyph"]
        self.front_spacing: float = fronts["spacing"]
        self.stationary_dash: List[float] = fronts["stationary_dash"]
        self.other_front_name: str = fronts["other_name"]
        regions = table["weather_regions"]
        self.regions: Dict[int, dict] = {r["code"]: r for r in regions["codes"]}
        self.region_opacity: float = regions["opacity"]
        self.region_outline_width: float = regions["outline_width"]
        self.other_region_name: str = regions["other_name"]
        fill = table["fill_areas"]
        self.fill_shift: int = fill["palette_shift"]
        self.fill_opacity: float = fill["opacity"]
        self.fill_outline_width: float = fill["outline_width"]
        self.fill_outline_dash: List[float] = fill["outline_dash"]
        self.fill_name: str = fill["name"]
        symbols = table["symbols"]
        self.centres: Dict[int, Centre] = {
            c["type"]: Centre(c["type"], c["kind"], c["name"], c["colour"]) for c in symbols["centres"]}
        self.text_colour: str = symbols["text_colour"]
        self.arrow_width: float = symbols["arrow_width"]
        self.arrow_length: float = symbols["arrow_length"]
        texts = table["texts"]
        self.fonts: Dict[str, float] = texts["fonts"]
        self.halo: float = texts["halo"]
        self.leader_colour: str = texts["leader_colour"]
        self.leader_width: float = texts["leader_width"]
        self.frame_opacity: float = texts["frame_opacity"]

    @classmethod
    def load(cls, path: Optional[Path] = None) -> "Symbology":
        with open(path or _table_path(), encoding="utf-8") as f:
            return cls(json.load(f))

    def palette_colour(self, code: int) -> str:
        # The code as an unsigned 32-bit number, as chart14 takes it.
        return self.palette[(code & 0xFFFFFFFF) % len(self.palette)]

    def ramp_colour(self, t: float) -> str:
        """The colour at t in [0, 1] along the ramp of the levels."""
        if not math.isfinite(t):
            t = 0.0
        t = min(max(t, 0.0), 1.0) * (len(self.ramp) - 1)
        i = min(int(t), len(self.ramp) - 2)
        f = t - i
        return _hex(a + f * (b - a) for a, b in zip(self.ramp[i], self.ramp[i + 1]))

    def level_colours(self, levels: Iterable[float]) -> Dict[float, str]:
        """{level: colour} for a chart's levels, spread along the ramp in ascending order."""
        ordered = sorted({v for v in levels if math.isfinite(v)})
        if len(ordered) == 1:
            return {ordered[0]: self.ramp_colour(0.5)}
        return {v: self.ramp_colour(i / (len(ordered) - 1)) for i, v in enumerate(ordered)}

    def label_colour(self, colour: str) -> str:
        """The darker colour a contour's label is written in."""
        return _hex(int(colour[k:k + 2], 16) * self.label_shade for k in (1, 3, 5))

    def region_colour(self, code: int) -> str:
        region = self.regions.get(code)
        return region["colour"] if region else self.palette_colour(code)

    def region_name(self, code: int) -> str:
        region = self.regions.get(code)
        return region["name"] if region else self.other_region_name.replace("{code}", str(code), 1)

    def fill_area_name(self, code: int) -> str:
        return self.fill_name.replace("{code}", str(code), 1)

    def fill_area_colour(self, code: int) -> str:
        return self.palette_colour((code + self.fill_shift) & 0xFFFFFFFF)

    def front_colour(self, code: int) -> str:
        front = self.fronts.get(code)
        return front.colour if front else self.palette_colour(code)

    def front_name(self, code: int) -> str:
        front = self.fronts.get(code)
        return front.name if front else self.other_front_name.replace("{code}", str(code), 1)

    def label_number(self, value: float) -> str:
        """A label's number as chart14 writes it: whole below the table's bound without decimals,
        any other as the shortest text that reads back to the same 32-bit float."""
        if abs(value) < self.label_whole_below and value == math.floor(value):
            return str(int(value))
        return shortest_float32(value)


def shortest_float32(value: float) -> str:
    """The shortest text of the 32-bit float nearest to `value`, written as C++'s std::to_chars
    writes a float: the fewest digits that read back to it, then plain digits or a mantissa and
    an exponent of two digits at least, whichever is shorter, plain digits on a tie."""
    value = float32(value)
    if not math.isfinite(value):
        return str(value)
    if value == 0:
        return "-0" if math.copysign(1, value) < 0 else "0"
    for precision in range(1, 10):
        scientific = f"{value:.{precision - 1}e}"
        if float32(float(scientific)) == value:
            break
    mantissa, exponent = scientific.split("e")
    digits = mantissa.replace("-", "").replace(".", "")
    sign = "-" if value < 0 else ""
    power = int(exponent)
    if len(digits) > 1:
        mantissa = f"{sign}{digits[0]}.{digits[1:]}"
    scientific = f"{mantissa}e{'-' if power < 0 else '+'}{abs(power):02d}"
    # Plain digits: the point moved by the exponent; a whole value with all its digits, as
    # std::to_chars writes it.
    if power >= len(digits) - 1:
        plain = str(abs(int(value)))
    elif power >= 0:
        plain = f"{digits[:power + 1]}.{digits[power + 1:]}"
    else:
        plain = "0." + "0" * (-power - 1) + digits
    plain = sign + plain
    return plain if len(plain) <= len(scientific) else scientific


_loaded: Optional[Symbology] = None


def symbology() -> Symbology:
    """The table of this plugin, read the first time it is asked for."""
    global _loaded
    if _loaded is None:
        _loaded = Symbology.load()
    return _loaded
