// Reading one contour of the CLOSED_CONTOURS section into a ContourNode: its
// points with their bounding box, the closed test, the label value and the
// distinct values that become the levels.
#pragma once

#include <span>
#include <vector>

#include "contours/contour_node.hpp"
#include "reading/reading_rules.hpp"
#include "reading/scanner.hpp"

namespace readdata14 {

// A value of this size or more is kept as the contour's value but never
// becomes a level (label codes lie above it).
inline constexpr float LEVEL_VALUE_LIMIT = 3100000.0f;

// The first point sets the box whatever it held; later points widen it
// (strict comparisons, so a NaN never widens it).
void ExtendBox(ContourBox& box, Point point, bool first) noexcept;

// Enters a label's number among the level values, in reading order; of equal
// numbers only the first becomes a level (DropRepeatedLevelValues). "NoLabel",
// 999999, label codes, NaN and values from LEVEL_VALUE_LIMIT up never become
// levels.
void AddLevelValue(std::vector<float>& levelValues, const Label& label);

struct ContourRead {
    bool started;    // false: its code or point count did not convert; nothing to keep
    ElementEnd end;  // whole, or where the section stops (the contour holds what was read)
};

// One contour: " %d %d " code and n, n points, the label, m, m label points.
ContourRead ReadContour(Scanner& in, ContourNode& node, std::vector<float>& levelValues);

}  // namespace readdata14
