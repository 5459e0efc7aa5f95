// An independent walker of the returned blocks: it knows each section's
// record layout and nothing of the library's code, so tests and the fuzzer
// can check that every block is walkable to its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

namespace readdata14::test {

enum class Layout {
    Lines,           // [p, code, p points, label, m, m points]
    PointList,       // [k, code, k points]: line symbols, weather regions
    FillAreas,       // [k, code, k points, 16 values]
    ClosedContours,  // [n, code, flag, level, n points, value, m, m points] ... K, K levels
    Symbols,         // [1, type, x, y, direction]
    Notes,           // [1, type, x, y, value, 6 values]
};

// The number of floats the block holds when walked by its layout, element 0
// included; nothing when a count slot is not a non-negative whole number, or
// when the walk would read at or past `room` floats (the block's allocation,
// where the caller knows it), so a bad block is reported rather than overrun.
std::optional<std::size_t> WalkBlock(Layout layout, const float* block,
                                     std::size_t room = std::numeric_limits<std::size_t>::max());

// The nonzero lengths add up to the length of the text, or the text is " "
// when they are all zero.
bool TextsAgree(const std::int32_t* lengths, std::size_t slots, const char* text);

}  // namespace readdata14::test
