"""The values with a meaning of their own in the blocks, the rules that read
them, and the record walks that keep every view inside its block.

The rules are those of the C++ view (readdata14/format.hpp and
detail/chart_layout.hpp), written again here because a Python host cannot
call inline C++; the tests compare the two on generated and broken charts.
"""

from __future__ import annotations

from typing import Callable, List, Optional, Sequence, Tuple

import numpy as np

NO_LABEL_VALUE = 999999.0
"""A line or contour label "NoLabel" is stored as this value."""
LABEL_CODE_OFFSET = 3200000.0
"""A three-character label strictly between 0 and 100 is a code, stored as the number plus this."""
NO_LEVEL_INDEX = 999999
"""The level index of a closed contour without a level."""

# Counts are whole numbers stored as float32, exact only up to 2^24.
_COUNT_LIMIT = 16777216.0
_LABEL_CODE_LAST = LABEL_CODE_OFFSET + 100.0


def count_slot(slot: float) -> Optional[int]:
    """A count slot: a whole number in [0, 2^24], else None (NaN included)."""
    if 0.0 <= slot <= _COUNT_LIMIT and slot == int(slot):
        return int(slot)
    return None


def int_slot(slot: float) -> int:
    """An integer the file carries, as its float slot holds it.

    The reading saturates integers to 32 bits, and the float of 2147483647 is
    2^31, which belongs back at the bound; a NaN reads as 0.
    """
    if slot != slot:
        return 0
    if slot >= 2147483647.0:
        return 2147483647
    if slot <= -2147483648.0:
        return -2147483648
    return int(slot)  # toward zero, as the C++ cast


def label_kind(stored: float) -> str:
    """ "none" for NoLabel, "code" for a label code, otherwise "value"."""
    if stored == NO_LABEL_VALUE:
        return "none"
    if LABEL_CODE_OFFSET <= stored <= _LABEL_CODE_LAST:
        return "code"
    return "value"


def label_value(stored: float) -> Optional[float]:
    return stored if label_kind(stored) == "value" else None


def label_code(stored: float) -> Optional[float]:
    # In double: a code such as 5.5 keeps its fraction.
    return stored - LABEL_CODE_OFFSET if label_kind(stored) == "code" else None


def is_text_symbol_type(symbol_type: int) -> bool:
    """Symbol types 48 and 60 to 63 carry a text; every other type a direction."""
    return symbol_type == 48 or 60 <= symbol_type <= 63


def is_closed_contour(points: np.ndarray) -> bool:
    """Last point less than 2.0 from the first in x and y, each difference
    rounded to float32 before the comparison; no points is not closed."""
    if len(points) == 0:
        return False
    first = points[0].astype(np.float64)
    last = points[-1].astype(np.float64)
    dx, dy = (first - last).astype(np.float32)
    return bool(-2.0 < dx < 2.0 and -2.0 < dy < 2.0)


def format_float32(value: float) -> str:
    """The shortest text that reads back to the same float32, chosen as C++'s
    std::to_chars does: fixed or scientific, whichever is shorter (fixed on a
    tie), a fixed whole number written with all its digits."""
    f = np.float32(value)
    if np.isnan(f):
        return "-nan" if np.signbit(f) else "nan"
    if np.isinf(f):
        return "-inf" if f < 0 else "inf"
    scientific = np.format_float_scientific(f, unique=True, trim="-", exp_digits=2)
    fixed = np.format_float_positional(f, unique=True, trim="-")
    if f != 0 and float(f).is_integer():
        fixed = str(int(f))
    return fixed if len(fixed) <= len(scientific) else scientific


# ---- record walks ----------------------------------------------------------
# Each length function takes the block's floats, where a record starts and
# how many floats the block has left from there; it gives the record's
# length when its count slots are sound and it fits, else None.

Floats = Sequence[float]
LengthFn = Callable[[Floats, int, int], Optional[int]]


def line_length(b: Floats, r: int, avail: int) -> Optional[int]:
    if avail < 1:
        return None
    p = count_slot(b[r])
    if p is None or 2 * p + 3 >= avail:
        return None
    m = count_slot(b[r + 2 * p + 3])
    if m is None:
        return None
    length = 2 * p + 2 * m + 4
    return length if length <= avail else None


def point_list_length(b: Floats, r: int, avail: int) -> Optional[int]:
    """Line symbols and weather regions: [k, code, k × (x, y)]."""
    if avail < 1:
        return None
    k = count_slot(b[r])
    if k is None:
        return None
    length = 2 * k + 2
    return length if length <= avail else None


def fill_area_length(b: Floats, r: int, avail: int) -> Optional[int]:
    if avail < 1:
        return None
    k = count_slot(b[r])
    if k is None:
        return None
    length = 2 * k + 18
    return length if length <= avail else None


def closed_contour_length(b: Floats, r: int, avail: int) -> Optional[int]:
    if avail < 1:
        return None
    n = count_slot(b[r])
    if n is None or 5 + 2 * n >= avail:
        return None
    m = count_slot(b[r + 5 + 2 * n])
    if m is None:
        return None
    length = 6 + 2 * n + 2 * m
    return length if length <= avail else None


def walk(block: Optional[Floats], size: int, length: LengthFn) -> Tuple[List[int], int]:
    """Where each record starts, as far as the records are sound and inside
    the block (at most element 0 of them), and the index after the last."""
    starts: List[int] = []
    if block is None or size == 0:
        return starts, 0
    declared = count_slot(block[0])
    at = 1
    if declared is None:
        return starts, at
    for _ in range(declared):
        n = length(block, at, size - at)
        if n is None:
            break
        starts.append(at)
        at += n
    return starts, at


def fixed_records(block: Optional[np.ndarray], record: int) -> int:
    """How many records of `record` floats, each starting with 1, the walk
    accepts (symbols and notes)."""
    if block is None or len(block) == 0:
        return 0
    declared = count_slot(float(block[0]))
    if declared is None:
        return 0
    n = min(declared, (len(block) - 1) // record)
    firsts = block[1:1 + record * n:record]
    bad = np.flatnonzero(firsts != 1.0)
    return int(bad[0]) if bad.size else n


def take_text(length: int, text: Optional[bytes], offset: int) -> Tuple[bytes, int]:
    """The text a lengths slot stands for, without its "#", and the offset
    after it; a slot that claims more than the text holds takes what is left."""
    if length <= 0 or text is None or offset >= len(text):
        return b"", offset
    n = min(length, len(text) - offset)
    piece = text[offset:offset + n]
    if piece.endswith(b"#"):
        piece = piece[:-1]
    return piece, offset + n
