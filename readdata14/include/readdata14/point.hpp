// A point of a chart as the blocks store it: x and y, end to end with the
// next point. Shared by the reading core and the typed view (chart.hpp).
#pragma once

#include <cstddef>
#include <type_traits>

namespace readdata14 {

struct Point {
    float x;
    float y;

    friend constexpr bool operator==(Point, Point) noexcept = default;
};

// The view hands out a block's float pairs as a span of Point, so Point must
// be exactly two floats with nothing between or after them.
static_assert(std::is_standard_layout_v<Point> && std::is_trivially_copyable_v<Point>);
static_assert(sizeof(Point) == 2 * sizeof(float) && alignof(Point) == alignof(float));
static_assert(offsetof(Point, x) == 0 && offsetof(Point, y) == sizeof(float));

}  // namespace readdata14
