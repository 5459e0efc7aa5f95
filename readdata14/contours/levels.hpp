// The end of the section: the distinct values sorted in the direction the
// section shows, each valued closed contour's level index, and the block.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "contours/contour_node.hpp"
#include "contours/nesting.hpp"

namespace readdata14 {

// Contours valued at this or more are not valued closed contours, though
// their value may still be a level.
inline constexpr float VALUED_CLOSED_LIMIT = 320000.0f;

// Of level values equal under == (0 and -0) only the first one read stays a
// level. The values are left ascending. None is NaN: AddLevelValue keeps them
// out.
void DropRepeatedLevelValues(std::vector<float>& levelValues);

// Ascending for DIRECTION_RISE, descending for anything else, in the order
// that passes over adjacent pairs exchanging those strictly out of order
// leave: equal values keep their order.
void SortLevelValues(std::span<float> levelValues, ContourDirection direction);

// Closed, labelled with a value, and below VALUED_CLOSED_LIMIT.
bool IsValuedClosed(const ContourNode& contour) noexcept;

// One-based position of the contour's value among the sorted levels, one less
// when the contour's own direction runs against the levels' direction;
// NO_LEVEL_INDEX when the contour is not valued closed or its value is not a
// level. The levels are as SortLevelValues leaves them for `levelDirection`,
// without NaN (no NaN label becomes a level), so the value is searched by halves.
std::int32_t LevelIndex(const ContourNode& contour, ContourDirection direction,
                        std::span<const float> sortedLevels, ContourDirection levelDirection) noexcept;

// The contour block: element 0 the number of records, the records
// [n, code, valuedClosed, levelIndex, n points, value, m, m label points] in
// nesting order, then the number of levels and the levels sorted.
FloatBlock AssembleContourBlock(std::span<const ContourNode> contours, const Nesting& nesting,
                                std::vector<float> levelValues);

}  // namespace readdata14
