"""What a chart's codes and types mean and their colours, from the table that
chart14 svg draws with too (symbology.json), and the colour arithmetic that
goes with it, done as chart14 does it so that both draw a chart alike."""

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
        self.palette: List[str] = table["palette"]["colours"]
        levels = table["levels"]
        self.ramp: List[Sequence[float]] = levels["ramp"]
        self.no_level: str = levels["no_level"]
        self.label_shade: float = levels["label_shade"]
        self.line_colour: str = table["lines"]["colour"]
        self.line_label_colour: str = table["lines"]["label_colour"]
        self.fronts: Dict[int, Front] = {
            f["code"]: Front(f["code"], f["kind"], f["name"], f["colour"], f.get("second_colour"))
            for f in table["fronts"]["codes"]}
        self.regions: Dict[int, dict] = {r["code"]: r for r in table["weather_regions"]["codes"]}
        self.fill_shift: int = table["fill_areas"]["palette_shift"]
        self.centres: Dict[int, Centre] = {
            c["type"]: Centre(c["type"], c["kind"], c["name"], c["colour"]) for c in table["symbols"]["centres"]}
        self.text_colour: str = table["symbols"]["text_colour"]

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
        return region["name"] if region else f"Weather region, code {code}"

    def fill_area_colour(self, code: int) -> str:
        return self.palette_colour((code + self.fill_shift) & 0xFFFFFFFF)

    def front_colour(self, code: int) -> str:
        front = self.fronts.get(code)
        return front.colour if front else self.palette_colour(code)

    def front_name(self, code: int) -> str:
        front = self.fronts.get(code)
        return front.name if front else f"Line symbol, code {code}"


_loaded: Optional[Symbology] = None


def symbology() -> Symbology:
    """The table of this plugin, read the first time it is asked for."""
    global _loaded
    if _loaded is None:
        _loaded = Symbology.load()
    return _loaded
