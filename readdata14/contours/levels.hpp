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

// Ascending for DIRECTION_RISE, descending for anything else: passes over
// adjacent pairs, each one shorter, until a pass exchanges nothing.
void SortLevelValues(std::span<float> levelValues, ContourDirection direction) noexcept;

// Closed, labelled with a value, and below VALUED_CLOSED_LIMIT.
bool IsValuedClosed(const ContourNode& contour) noexcept;

// One-based position of the contour's value among the sorted levels, one less
// when the contour's own direction runs against the levels' direction;
// NO_LEVEL_INDEX when the contour is not valued closed or its value is not a
// level.
std::int32_t LevelIndex(const ContourNode& contour, ContourDirection direction,
                        std::span<const float> sortedLevels, ContourDirection levelDirection) noexcept;

// The contour block: element 0 the number of records, the records
// [n, code, valuedClosed, levelIndex, n points, value, m, m label points] in
// nesting order, then the number of levels and the levels sorted.
FloatBlock AssembleContourBlock(std::span<const ContourNode> contours, const Nesting& nesting,
                                std::vector<float> levelValues);

}  // namespace readdata14
