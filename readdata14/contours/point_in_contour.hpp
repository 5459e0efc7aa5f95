// Whether a point lies inside a contour: the contour is split into a fan of
// triangles around its first point, and the point is inside when an odd
// number of them contain it. A triangle contains the point when the angles
// under which the point sees its three sides add up to (nearly) a full turn.
#pragma once

#include <span>

#include "contours/contour_node.hpp"

namespace readdata14 {

inline constexpr float TWO_PI_F = 6.2831855f;
inline constexpr float PI_F = 3.1415927f;
// A little below 2π, so that a point on a side (or a hair outside it) counts.
inline constexpr float ANGLE_SUM_THRESHOLD = 6.28318f;

bool PointInTriangle(float x, float y, float x0, float y0, float x1, float y1, float x2,
                     float y2) noexcept;

// True only when `query` lies so far outside the box that no triangle with
// its vertices in the box can contain it (see the argument in the source).
// False whenever that cannot be shown, e.g. for NaN, infinite or huge values.
bool ClearlyOutside(const ContourBox& box, Point query) noexcept;

// A box, at least 2e-3 of the larger side of `box` beyond it on every side,
// such that every point outside it whose coordinates lie within 1e37 is
// ClearlyOutside `box` (see the argument in the source). Testing a point
// against it takes four plain comparisons, so a walk can turn away most
// contours without ClearlyOutside's arithmetic. It is the whole plane when
// `box` is unset or holds a NaN, infinite or huge value.
ContourBox PaddedBox(const ContourBox& box) noexcept;

// The point to test against padded boxes in place of `p`: `p` itself when
// both coordinates lie within 1e37, otherwise a NaN point, which lies outside
// no box.
Point PaddedBoxQuery(Point p) noexcept;

// Plain comparisons; false for a NaN point.
inline bool OutsideBox(const ContourBox& box, Point p) noexcept {
    return p.x < box.minX || p.x > box.maxX || p.y < box.minY || p.y > box.maxY;
}

// True only when `query` lies so far beyond the line of one side of the
// triangle (v0, v1, v2), on the side away from the third vertex, that the
// triangle cannot contain it: ClearlyOutside's argument turned to that side.
// False whenever that cannot be shown (degenerate sides, NaN, infinite or huge
// values).
bool ClearlyOutsideTriangle(Point query, Point v0, Point v1, Point v2) noexcept;

// Whether the point lies in an odd number of the fan's triangles (point 0,
// point k, point k + 1). The contour is not closed here: its last point
// reaches back to point 0 only through the last triangle. The angle test is
// not run for triangles that ClearlyOutside or ClearlyOutsideTriangle rule
// out; the tests hold it to the plain count over every triangle.
bool PointInContourPruned(float x, float y, std::span<const Point> points) noexcept;

}  // namespace readdata14
