// Where a front's glyphs stand: places at even steps along its line, with the
// line's direction there. The pictures' layout keeps texts off them and the
// svg writer draws them (svg/front_glyphs.hpp).
#pragma once

#include <span>
#include <vector>

#include "readdata14/point.hpp"

namespace readdata14::chart14 {

// A place along a line and the line's direction there (a unit vector).
struct Along {
    double x, y, dx, dy;
};

// Places every `spacing` along the line, the first half a spacing in.
std::vector<Along> PlacesAlong(std::span<const readdata14::Point> points, double spacing);


}  // namespace readdata14::chart14
