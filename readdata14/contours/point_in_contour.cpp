#include "contours/point_in_contour.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

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

bool BoundedAndSet(const ContourBox& box) noexcept {
    return Bounded(box.minX) && Bounded(box.minY) && Bounded(box.maxX) && Bounded(box.maxY) &&
           box.minX <= box.maxX && box.minY <= box.maxY;
}

bool Bounded(Point p) noexcept { return Bounded(p.x) && Bounded(p.y); }

// A vertex as the query point sees it: the differences formed in double, as
// both clearly-outside tests form them, and the squared distance.
struct Offset {
    double x;
    double y;
    double distance2;
};

Offset OffsetOf(Point vertex, Point query) noexcept {
    const double x = double(vertex.x) - double(query.x);
    const double y = double(vertex.y) - double(query.y);
    return {x, y, x * x + y * y};
}

constexpr double kRelativeMargin2 = kRelativeMargin * kRelativeMargin;

// As std::min and std::max of a list, without the list: a list is an array
// in memory, which keeps the hot loops' values out of registers.
double Min3(double a, double b, double c) noexcept { return std::min(std::min(a, b), c); }
double Max3(double a, double b, double c) noexcept { return std::max(std::max(a, b), c); }

// ClearlyOutside for the box of three bounded vertices, from their offsets.
// The same doubles: a difference rounds the same way whichever operand comes
// first, and its sign is the sign of the exact difference, so x - box.maxX
// is minus the largest x offset and x > box.maxX when that offset is
// negative.
bool BoxClearlyAway(const Offset& a, const Offset& b, const Offset& c) noexcept {
    const double minX = Min3(a.x, b.x, c.x);
    const double maxX = Max3(a.x, b.x, c.x);
    const double minY = Min3(a.y, b.y, c.y);
    const double maxY = Max3(a.y, b.y, c.y);
    const double reachY = std::max(std::fabs(minY), std::fabs(maxY));
    const double reachX = std::max(std::fabs(minX), std::fabs(maxX));
    if (maxX < 0.0 && -maxX > kRelativeMargin * reachY) return true;
    if (minX > 0.0 && minX > kRelativeMargin * reachY) return true;
    if (maxY < 0.0 && -maxY > kRelativeMargin * reachX) return true;
    if (minY > 0.0 && minY > kRelativeMargin * reachX) return true;
    return false;
}

// ClearlyOutsideTriangle from the offsets of three bounded vertices (see the
// argument there).
bool SidesClearlyAway(const Offset& a, const Offset& b, const Offset& c) noexcept {
    const Offset* v[3] = {&a, &b, &c};
    const double farthest2 = Max3(a.distance2, b.distance2, c.distance2);
    for (int i = 0; i < 3; ++i) {
        const Offset& from = *v[i];
        const Offset& to = *v[(i + 1) % 3];
        const Offset& third = *v[(i + 2) % 3];
        const double ex = to.x - from.x;
        const double ey = to.y - from.y;
        const double side2 = ex * ex + ey * ey;
        // Cross products of the side with the third vertex and with the query
        // point (the origin here): opposite signs put them on opposite sides.
        const double thirdSide = ex * (third.y - from.y) - ey * (third.x - from.x);
        const double beyond = ey * from.x - ex * from.y;
        if (side2 == 0.0 || thirdSide == 0.0 || beyond == 0.0) continue;
        if ((thirdSide > 0.0) == (beyond > 0.0)) continue;
        if (beyond * beyond > kRelativeMargin2 * farthest2 * side2) return true;
    }
    return false;
}

// PaddedBox's pad relative to the larger side: twice what its argument needs.
constexpr double kPaddedBoxPad = 2e-3;

// A float at or above edge + pad in exact arithmetic. The double sum is off
// by at most half a step, which the step up covers; the float conversion
// goes up one more step when it rounded down.
float EdgeAbove(float edge, double pad) noexcept {
    const double above = std::nextafter(double(edge) + pad, std::numeric_limits<double>::infinity());
    const float rounded = static_cast<float>(above);
    return double(rounded) >= above ? rounded
                                    : std::nextafter(rounded, std::numeric_limits<float>::infinity());
}

float EdgeBelow(float edge, double pad) noexcept { return -EdgeAbove(-edge, pad); }

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
    // An unset box is one no point has set.
    if (!(BoundedAndSet(box) && Bounded(query.x) && Bounded(query.y))) return false;
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

// Why a bounded point outside PaddedBox is ClearlyOutside the box. Let W and H
// be the box's sides, m >= 1.99e-3 max(W, H) the pad (2e-3 times the larger
// side, both formed in double), and ex, ey >= 0 how far the point lies beyond
// the box in x and in y (0 within its range). The padded edges lie at least m
// beyond the box in exact arithmetic (EdgeAbove rounds outward), so a point
// outside the padded box has e = max(ex, ey) > m. Say e = ex, the point
// right of the box: ClearlyOutside compares ex with 1e-3 reachY, and reachY
// <= H + ey <= H + ex, so 1e-3 reachY <= 0.503 m + 1e-3 ex < 0.504 ex; the
// double roundings of the difference, the reach and the product move each side
// by about 1e-16 relative, far inside that factor of two. With m = 0 (a box
// of one point) the same holds with H = 0. Left, above and below are the same
// argument turned. PaddedBoxQuery keeps the points ClearlyOutside refuses
// from being turned away, and an unset or unbounded box pads to the whole
// plane, since ClearlyOutside answers false for both.
ContourBox PaddedBox(const ContourBox& box) noexcept {
    constexpr float inf = std::numeric_limits<float>::infinity();
    if (!BoundedAndSet(box)) return {-inf, -inf, inf, inf};
    const double width = double(box.maxX) - double(box.minX);
    const double height = double(box.maxY) - double(box.minY);
    const double pad = kPaddedBoxPad * std::max(width, height);
    return {EdgeBelow(box.minX, pad), EdgeBelow(box.minY, pad), EdgeAbove(box.maxX, pad),
            EdgeAbove(box.maxY, pad)};
}

Point PaddedBoxQuery(Point p) noexcept {
    if (Bounded(p.x) && Bounded(p.y)) return p;
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    return {nan, nan};
}

// ClearlyOutside's argument does not need the box's axes: it needs a line that
// has every vertex on one side and the query point at distance d on the
// other, with every vertex within D of the query point. Every side of a
// triangle is such a line, with the third vertex on its side. The query point
// then sees every vertex in a direction whose component towards the line is
// at least d and whose component along it is at most D, inside a cone of
// opening pi - 2 atan(d/D), and the sum of the three gaps stays below
// ANGLE_SUM_THRESHOLD once d > 3.4e-6 D. Rounding each difference to float
// turns a direction by at most 2^-24 * sqrt(2) (under 1e-7), which the bound
// on the float steps absorbs with room to spare. We ask d > 1e-3 D, with d and
// D formed in double from the float coordinates: the error of the cross
// product is of the order 1e-15 * D * |side|, far below the margin. The test
// runs squared (d = |cross| / |side|, so d^2 |side|^2 = cross^2 against
// 1e-6 D^2 |side|^2), which needs no square root and moves each side by a few
// units of double rounding at most; with coordinates within 1e37 no product
// overflows and none that matters underflows (the smallest nonzero float
// difference, squared twice, is about 1e-180).
bool ClearlyOutsideTriangle(Point query, Point v0, Point v1, Point v2) noexcept {
    if (!Bounded(query) || !Bounded(v0) || !Bounded(v1) || !Bounded(v2)) return false;
    return SidesClearlyAway(OffsetOf(v0, query), OffsetOf(v1, query), OffsetOf(v2, query));
}

namespace {

// One vertex of the fan as the query point sees it: its offset and squared
// distance, and the fan's side from point 0 to it with the cross product that
// places the query point against that side's line. A fan side is a side of
// the two triangles that share it, so it is formed once for both. Plain
// doubles, so that handing one vertex on to the next triangle stays in
// registers.
struct FanVertex {
    double x, y, distance2;  // as Offset
    double ex, ey;           // the side from point 0: this vertex's offset minus point 0's
    double side2;            // its length squared
    double beyond;           // the query point's side of the line: ey * o0.x - ex * o0.y
};

FanVertex FanVertexOf(Point vertex, Point query, const Offset& o0) noexcept {
    const double x = double(vertex.x) - double(query.x);
    const double y = double(vertex.y) - double(query.y);
    const double ex = x - o0.x;
    const double ey = y - o0.y;
    return {x, y, x * x + y * y, ex, ey, ex * ex + ey * ey, ey * o0.x - ex * o0.y};
}

// SidesClearlyAway's test of one side, given its cross products with the
// third vertex and with the query point.
bool SideClearlyAway(double thirdSide, double beyond, double side2, double farthest2) noexcept {
    if (side2 == 0.0 || thirdSide == 0.0 || beyond == 0.0) return false;
    if ((thirdSide > 0.0) == (beyond > 0.0)) return false;
    return beyond * beyond > kRelativeMargin2 * farthest2 * side2;
}

// SidesClearlyAway for the fan triangle (point 0, a, b), its two fan sides
// taken from the vertices. Side (point 0, a) is formed exactly as
// SidesClearlyAway forms it. Side (b, point 0) is the fan side of b turned
// round: its cross product with the query point is minus b's `beyond`, formed
// from point 0's offset rather than from b's, which moves it by the same
// order of rounding (1e-16 of D times the side) that the argument allows. Its
// cross product with the third vertex, like that of the side (a, b), has the
// sign of the triangle's orientation, taken from the first side's: where the
// two could differ, the third vertex lies within rounding of the line, which
// the margin covers as well.
bool FanSidesClearlyAway(const Offset& o0, const FanVertex& a, const FanVertex& b) noexcept {
    const double farthest2 = Max3(o0.distance2, a.distance2, b.distance2);
    const double orientation = a.ex * b.ey - a.ey * b.ex;
    if (SideClearlyAway(orientation, a.beyond, a.side2, farthest2)) return true;
    if (SideClearlyAway(orientation, -b.beyond, b.side2, farthest2)) return true;
    const double ex = b.x - a.x;
    const double ey = b.y - a.y;
    const double beyond = ey * a.x - ex * a.y;
    return SideClearlyAway(orientation, beyond, ex * ex + ey * ey, farthest2);
}

// BoxClearlyAway for the fan triangle (point 0, a, b).
bool FanBoxClearlyAway(const Offset& o0, const FanVertex& a, const FanVertex& b) noexcept {
    return BoxClearlyAway(o0, {a.x, a.y, a.distance2}, {b.x, b.y, b.distance2});
}

// Which side of the fan side from point 0 to `v` the query point lies on,
// when it lies clearly beyond that line for every triangle whose vertices
// are all within sqrt(farthest2) of it: +1 or -1; 0 when that cannot be
// shown.
int ClearSide(const FanVertex& v, double farthest2) noexcept {
    if (v.side2 == 0.0 || !(v.beyond * v.beyond > kRelativeMargin2 * farthest2 * v.side2)) return 0;
    return v.beyond > 0.0 ? 1 : -1;
}

}  // namespace

// Most triangles of a fan do not hold the query point because it lies
// outside the angle the triangle spans at point 0: clearly beyond the fan
// sides of both its other vertices, and on the same side of both. Then,
// whichever way the triangle turns (or if it is flat), one of those two fan
// sides has the query point on the side away from the third vertex: that is
// SidesClearlyAway's test, with the distance to the farthest vertex of the
// whole contour in place of the farthest of the triangle. A larger distance
// asks a larger margin, so the argument holds as it is. Each vertex is placed
// against its fan side once, for both triangles that share it; the other
// triangles take SidesClearlyAway's and BoxClearlyAway's tests one by one. A
// contour with a vertex out of bounds goes to the angle test triangle by
// triangle.
bool PointInContourPruned(float x, float y, std::span<const Point> points) noexcept {
    if (points.size() < 3) return false;
    const Point query{x, y};
    const Point p0 = points[0];
    const Offset o0 = OffsetOf(p0, query);
    bool prunable = Bounded(query);
    double farthest2 = 0.0;
    for (const Point p : points) {
        prunable = prunable && Bounded(p);
        farthest2 = std::max(farthest2, OffsetOf(p, query).distance2);
    }
    FanVertex a = FanVertexOf(points[1], query, o0);
    int aSide = ClearSide(a, farthest2);
    std::size_t count = 0;
    for (std::size_t k = 1; k + 1 < points.size(); ++k) {
        const FanVertex b = FanVertexOf(points[k + 1], query, o0);
        const int bSide = ClearSide(b, farthest2);
        const bool away = prunable && ((aSide != 0 && aSide == bSide) || FanSidesClearlyAway(o0, a, b) ||
                                       FanBoxClearlyAway(o0, a, b));
        if (!away && PointInTriangle(x, y, p0.x, p0.y, points[k].x, points[k].y, points[k + 1].x,
                                     points[k + 1].y)) {
            ++count;
        }
        a = b;
        aSide = bSide;
    }
    return count % 2 == 1;
}

}  // namespace readdata14
