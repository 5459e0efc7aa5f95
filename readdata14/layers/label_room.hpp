// How many label points a record holds: a line's record is built with room
// for 48, a contour's for 47 (two slots of its record go to its level and its
// closure). The layer table refuses a label point beyond them when it arrives;
// the builder and the copy of elements keep to them when they write.
#pragma once

#include <cstddef>

namespace readdata14 {

inline constexpr std::size_t kLineLabelPoints = 48;
inline constexpr std::size_t kContourLabelPoints = 47;

}  // namespace readdata14
