#include "contours/point_in_contour.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace readdata14 {
namespace {

// Differences, squares, bearings and sums are formed in double and rounded to
// float where the format rounds them: those roundings decide points on and
// near a side, so they are written out one by one.
float RoundedDifference(float a, float b) noexcept {
    return static_cast<float>(double(a) - double(b));
}

// The bearing under which the query point sees a vertex, measured from +y
// towards +x; false when the point is the vertex itself.
bool Bearing(float x, float y, float vx, float vy, float& bearing) noexcept {
    const float dx = RoundedDifference(vx, x);
    const float dy = RoundedDifference(vy, y);
    const float squared = static_cast<float>(double(dx) * double(dx) + double(dy) * double(dy));
    const float distance = static_cast<float>(std::sqrt(double(squared)));
    if (distance == 0.0f) return false;
    bearing = static_cast<float>(std::atan2(double(dx), double(dy)));
    return true;
}

// The smaller angle between two bearings that both lie in [0, 2π).
float Gap(float from, float to) noexcept {
    const float gap = std::fabs(RoundedDifference(to, from));
    return gap > PI_F ? RoundedDifference(TWO_PI_F, gap) : gap;
}

// ClearlyOutside's bounds. Below kCoordinateLimit no difference of two
// coordinates overflows a float; kRelativeMargin is 300 times what the
// argument below needs.
constexpr float kCoordinateLimit = 1e37f;
constexpr double kRelativeMargin = 1e-3;

bool Bounded(float v) noexcept { return std::fabs(v) <= kCoordinateLimit; }  // false for NaN

}  // namespace

bool PointInTriangle(float x, float y, float x0, float y0, float x1, float y1, float x2,
                     float y2) noexcept {
    float a[3];
    if (!Bearing(x, y, x0, y0, a[0])) return false;
    if (!Bearing(x, y, x1, y1, a[1])) return false;
    if (!Bearing(x, y, x2, y2, a[2])) return false;
    for (float& bearing : a) {
        if (bearing < 0.0f) bearing = static_cast<float>(double(bearing) + double(TWO_PI_F));
    }
    const float d0 = Gap(a[0], a[1]);
    const float d1 = Gap(a[1], a[2]);
    const float d2 = Gap(a[2], a[0]);
    const float sum = static_cast<float>(double(d0) + double(d1) + double(d2));
    return sum > ANGLE_SUM_THRESHOLD;
}

bool PointInContour(float x, float y, std::span<const Point> points) noexcept {
    if (points.size() < 3) return false;
    const Point p0 = points[0];
    std::size_t count = 0;
    for (std::size_t k = 1; k + 1 < points.size(); ++k) {
        const Point a = points[k];
        const Point b = points[k + 1];
        if (PointInTriangle(x, y, p0.x, p0.y, a.x, a.y, b.x, b.y)) ++count;
    }
    return count % 2 == 1;
}

// Why a point clearly outside the box is in no triangle with its vertices in
// the box. Say the query point lies right of the box by d > 0 and every vertex
// lies within D of it in y: it sees every vertex in a direction (dx, dy) with
// dx <= -d and |dy| <= D, inside a cone of opening A = pi - 2 atan(d/D).
// Rounding dx and dy to float moves each by at most 2^-24 relative (not at all
// where the difference is subnormal: it is then exact), and no difference
// overflows while every coordinate stays within 1e37, so the rounded
// directions stay in the cone with d/D scaled by (1 - 2^-23). For three
// directions in a cone of opening A <= pi the three pairwise smaller angles
// add up to exactly 2A. The float steps add at most 8.4e-6 to that sum, on
// any scale, since angles do not grow with the coordinates: per bearing its
// rounding (1.2e-7), TWO_PI_F lying 1.75e-7 above 2 pi and the rounding after
// the shift (2.4e-7); per gap its rounding and its reflection by TWO_PI_F
// (under 1e-6); the rounding of the sum (2.4e-7). ANGLE_SUM_THRESHOLD lies
// 5.07e-6 below 2 pi, so the sum stays at or below it once
// 4 atan(d/D) > 1.35e-5, i.e. d > 3.4e-6 D; we ask d > 1e-3 D (tested in
// double, whose own error is negligible beside that factor of 300). Left,
// above and below are the same argument turned by 90 degrees. A vertex with a
// NaN coordinate makes its triangle's test false whatever the query, and a
// vertex that coincides with the query point only returns false earlier.
bool ClearlyOutside(const ContourBox& box, Point query) noexcept {
    if (!(Bounded(box.minX) && Bounded(box.minY) && Bounded(box.maxX) && Bounded(box.maxY) &&
          Bounded(query.x) && Bounded(query.y))) {
        return false;
    }
    if (box.minX > box.maxX || box.minY > box.maxY) return false;  // no point has set the box
    const double x = query.x;
    const double y = query.y;
    const double reachY = std::max(std::fabs(y - box.minY), std::fabs(y - box.maxY));
    const double reachX = std::max(std::fabs(x - box.minX), std::fabs(x - box.maxX));
    if (x > box.maxX && x - box.maxX > kRelativeMargin * reachY) return true;
    if (x < box.minX && box.minX - x > kRelativeMargin * reachY) return true;
    if (y > box.maxY && y - box.maxY > kRelativeMargin * reachX) return true;
    if (y < box.minY && box.minY - y > kRelativeMargin * reachX) return true;
    return false;
}

bool PointInContourPruned(float x, float y, std::span<const Point> points) noexcept {
    if (points.size() < 3) return false;
    const Point query{x, y};
    const Point p0 = points[0];
    std::size_t count = 0;
    for (std::size_t k = 1; k + 1 < points.size(); ++k) {
        const Point a = points[k];
        const Point b = points[k + 1];
        const ContourBox triangle{std::min({p0.x, a.x, b.x}), std::min({p0.y, a.y, b.y}),
                                  std::max({p0.x, a.x, b.x}), std::max({p0.y, a.y, b.y})};
        if (ClearlyOutside(triangle, query)) continue;
        if (PointInTriangle(x, y, p0.x, p0.y, a.x, a.y, b.x, b.y)) ++count;
    }
    return count % 2 == 1;
}

}  // namespace readdata14
