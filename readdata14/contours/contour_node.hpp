// One closed contour as the reader holds it until the whole section is in:
// every contour is related to every other one before any record is written.
#pragma once

#include <cstdint>
#include <vector>

#include "reading/blocks.hpp"
#include "reading/reading_rules.hpp"

namespace readdata14 {

// Whether the values rise or fall from an enclosing contour to the one inside.
using ContourDirection = std::int32_t;
inline constexpr ContourDirection DIRECTION_NONE = 0;
inline constexpr ContourDirection DIRECTION_RISE = 1;  // the inner contour has the greater value
inline constexpr ContourDirection DIRECTION_FALL = 2;

// The bounding box starts far outside any chart so that the first point sets
// it; a contour without points keeps these values.
struct ContourBox {
    float minX = 99999.0f;
    float minY = 99999.0f;
    float maxX = -99999.0f;
    float maxY = -99999.0f;
};

struct ContourNode {
    std::int32_t code = 0;
    std::vector<Point> points;  // every point as read, none thinned
    float value = NO_LABEL_VALUE;
    std::vector<Point> labelPoints;
    bool isClosed = false;
    ContourBox box;
};

}  // namespace readdata14
