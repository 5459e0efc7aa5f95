// A contour given open, closed: the one rule for the element call
// (READDATA14_CLOSE_RING) and the layer table (READDATA14_TABLE_CLOSE_RINGS).
#pragma once

#include <span>
#include <vector>

namespace readdata14::layers {

// `xy` (x, y pairs) with its first point repeated at its end, where it has
// two points or more and does not end there already (a NaN matches a NaN):
// `room` holds the points when one is added; else `xy` itself.
std::span<const float> ClosedRing(std::span<const float> xy, std::vector<float>& room);

}  // namespace readdata14::layers
