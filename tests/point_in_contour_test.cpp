#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "contours/point_in_contour.hpp"
#include "support/literal_contours.hpp"

namespace readdata14 {
namespace {

const std::vector<Point> kSquare{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
const std::vector<Point> kClosedSquare{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
const std::vector<Point> kReversedSquare{{0, 0}, {0, 1}, {1, 1}, {1, 0}};
const std::vector<Point> kTriangle{{0, 0}, {100, 0}, {100, 100}};

struct Case {
    const char* what;
    const std::vector<Point>* contour;
    Point query;
    bool inside;
};

TEST(PointInContour, FanParityCases) {
    const std::vector<Point> twoPoints{{0, 0}, {10, 10}};
    const Case cases[] = {
        {"inside one triangle", &kSquare, {0.5f, 0.25f}, true},
        {"outside", &kSquare, {2, 2}, false},
        {"centre, on the fan diagonal", &kSquare, {0.5f, 0.5f}, false},
        {"on the fan diagonal", &kSquare, {0.25f, 0.25f}, false},
        {"on an outer edge", &kSquare, {1, 0.5f}, true},
        {"point 0 itself", &kSquare, {0, 0}, false},
        {"another vertex", &kSquare, {1, 1}, false},
        {"closing edge, open square", &kSquare, {0, 0.5f}, true},
        {"closing edge, first point repeated", &kClosedSquare, {0, 0.5f}, false},
        {"inside, first point repeated", &kClosedSquare, {0.5f, 0.25f}, true},
        {"reversed: inside", &kReversedSquare, {0.5f, 0.25f}, true},
        {"reversed: on the diagonal", &kReversedSquare, {0.5f, 0.5f}, false},
        {"reversed: on an edge", &kReversedSquare, {1, 0.5f}, true},
        {"just outside a side counts", &kTriangle, {100.00001f, 50}, true},
        {"farther outside does not", &kTriangle, {100.0001f, 50}, false},
        {"fewer than three points", &twoPoints, {5, 5}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(test::PointInContour(c.query.x, c.query.y, *c.contour), c.inside) << c.what;
        EXPECT_EQ(PointInContourPruned(c.query.x, c.query.y, *c.contour), c.inside) << c.what;
    }
}

TEST(PointInContour, ClearlyOutsideNeedsFiniteModerateValues) {
    const ContourBox box{0, 0, 10, 10};
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(ClearlyOutside(box, {20, 5}));
    EXPECT_TRUE(ClearlyOutside(box, {5, -20}));
    EXPECT_FALSE(ClearlyOutside(box, {5, 5}));
    EXPECT_FALSE(ClearlyOutside(box, {10.000001f, 5}));  // within the tolerance's reach
    EXPECT_FALSE(ClearlyOutside(box, {nan, 5}));
    EXPECT_FALSE(ClearlyOutside(box, {inf, 5}));
    EXPECT_FALSE(ClearlyOutside(box, {3e38f, 5}));
    EXPECT_FALSE(ClearlyOutside({nan, 0, 10, 10}, {20, 5}));
    EXPECT_FALSE(ClearlyOutside(ContourBox{}, {20, 5}));  // a box no point has set
}

// Random triangles at scales from 1e-38 to 1e36, every third one far from
// the origin, where the float roundings of the angle test bite hardest.
class RandomTriangles {
public:
    explicit RandomTriangles(unsigned seed) : rng_(seed) {}
    double Unit() { return unit_(rng_); }
    double Scale() const { return scale_; }
    std::array<Point, 3> Next(int trial) {
        static constexpr double kScales[] = {1e-38, 1e-30, 1e-3, 1.0, 1e5, 1e20, 1e36};
        scale_ = kScales[trial % 7];
        const double offset = (trial % 3 == 0) ? 1e5 * scale_ : 0.0;
        auto coordinate = [&] { return static_cast<float>(offset + scale_ * Unit()); };
        // Braced lists evaluate left to right: x0, y0, x1, y1, x2, y2.
        return {Point{coordinate(), coordinate()}, Point{coordinate(), coordinate()},
                Point{coordinate(), coordinate()}};
    }

private:
    std::mt19937 rng_;
    std::uniform_real_distribution<double> unit_{0.0, 1.0};
    double scale_ = 1.0;
};

// Whatever triangle and scale: a point that ClearlyOutside rules out is never
// counted by the full angle test. The points lie just beyond the margin,
// where the argument is tightest, and far beyond it.
TEST(PointInContour, ClearlyOutsideNeverHidesACountedTriangle) {
    RandomTriangles triangles(14);
    auto unit = [&] { return triangles.Unit(); };
    int ruledOut = 0;
    for (int trial = 0; trial < 200000; ++trial) {
        const auto t = triangles.Next(trial);
        const double scale = triangles.Scale();
        const ContourBox box{std::min({t[0].x, t[1].x, t[2].x}), std::min({t[0].y, t[1].y, t[2].y}),
                             std::max({t[0].x, t[1].x, t[2].x}), std::max({t[0].y, t[1].y, t[2].y})};
        // Beyond the right side by 1e-3 to 1e1 of the reach in y.
        const double reach = std::max(double(box.maxY) - box.minY, scale) * (1.0 + unit());
        const double beyond = reach * std::pow(10.0, -3.0 + 4.0 * unit());
        const Point q{static_cast<float>(box.maxX + beyond),
                      static_cast<float>(box.minY + (double(box.maxY) - box.minY) * (2.0 * unit() - 0.5))};
        if (!ClearlyOutside(box, q)) continue;
        ++ruledOut;
        ASSERT_FALSE(PointInTriangle(q.x, q.y, t[0].x, t[0].y, t[1].x, t[1].y, t[2].x, t[2].y)) << "trial " << trial;
    }
    EXPECT_GT(ruledOut, 100000);
}

// Whatever triangle and scale: a point that ClearlyOutsideTriangle rules out
// is never counted by the full angle test. The points lie beyond one side's
// line by 1e-3.5 to 1e0.5 of their distance to the vertices (the margin is
// 1e-3), along the side and past its ends.
TEST(PointInContour, ClearlyOutsideTriangleNeverHidesACountedTriangle) {
    RandomTriangles triangles(41);
    auto unit = [&] { return triangles.Unit(); };
    int ruledOut = 0;
    for (int trial = 0; trial < 200000; ++trial) {
        const auto v = triangles.Next(trial);
        // A point on the far side of the side (v[i], v[j]) from v[k].
        const int i = trial % 3, j = (i + 1) % 3, k = (i + 2) % 3;
        const double ex = double(v[j].x) - v[i].x, ey = double(v[j].y) - v[i].y;
        const double length = std::hypot(ex, ey);
        if (length == 0.0) continue;
        double nx = ey / length, ny = -ex / length;  // a unit normal of the side
        if (nx * (double(v[k].x) - v[i].x) + ny * (double(v[k].y) - v[i].y) > 0.0) {
            nx = -nx;
            ny = -ny;
        }
        const double along = -0.5 + 2.0 * unit();
        const double away = length * std::pow(10.0, -3.5 + 4.0 * unit());
        const Point q{static_cast<float>(v[i].x + along * ex + away * nx),
                      static_cast<float>(v[i].y + along * ey + away * ny)};
        if (!ClearlyOutsideTriangle(q, v[0], v[1], v[2])) continue;
        ++ruledOut;
        ASSERT_FALSE(PointInTriangle(q.x, q.y, v[0].x, v[0].y, v[1].x, v[1].y, v[2].x, v[2].y)) << "trial " << trial;
    }
    EXPECT_GT(ruledOut, 50000);
}

TEST(PointInContour, ClearlyOutsideTriangleRefusesWhatItCannotShow) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Point a{0, 0}, b{10, 0}, c{0, 10};
    EXPECT_TRUE(ClearlyOutsideTriangle({20, 20}, a, b, c));
    EXPECT_TRUE(ClearlyOutsideTriangle({-5, 5}, a, b, c));
    EXPECT_FALSE(ClearlyOutsideTriangle({2, 2}, a, b, c));            // inside
    EXPECT_FALSE(ClearlyOutsideTriangle({5.000001f, 5}, a, b, c));     // within the tolerance's reach
    EXPECT_FALSE(ClearlyOutsideTriangle({20, 0}, a, b, {30, 0}));      // a degenerate triangle
    EXPECT_FALSE(ClearlyOutsideTriangle({nan, 5}, a, b, c));
    EXPECT_FALSE(ClearlyOutsideTriangle({-5, 5}, a, {nan, 0}, c));
    EXPECT_FALSE(ClearlyOutsideTriangle({-5, 5}, a, b, {0, 3e38f}));
}

// The pruned fan test skips only triangles the angle test would not count,
// so it gives the full fan's answer: on random polygons (concave and
// crossing ones too) at every scale, for points placed a hair to either side
// of a fan line or a side, where the margins are tightest, and anywhere
// around the polygon.
TEST(PointInContour, PrunedFanGivesTheFullFansAnswerNearEveryLine) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double scales[] = {1e-30, 1e-3, 1.0, 1e5, 1e20, 1e36};
    int inside = 0;
    int outside = 0;
    for (int trial = 0; trial < 100000; ++trial) {
        const double scale = scales[trial % 6];
        const double offset = (trial % 4 == 0) ? 1e4 * scale : 0.0;
        std::vector<Point> polygon(3 + rng() % 30);
        for (Point& p : polygon) {
            p = {static_cast<float>(offset + scale * unit(rng)), static_cast<float>(offset + scale * unit(rng))};
        }
        if (trial % 3 == 0) polygon.push_back(polygon.front());  // closed by repeating the first point
        // Along the line from vertex i to vertex j (a fan line when i is 0,
        // a side when j follows i), before, on or past the segment, pushed
        // off it by 1e-9 to 1e-1 of its length.
        const std::size_t i = trial % 2 == 0 ? 0 : rng() % polygon.size();
        const std::size_t j = trial % 2 == 0 ? rng() % polygon.size() : (i + 1) % polygon.size();
        const double ex = double(polygon[j].x) - polygon[i].x;
        const double ey = double(polygon[j].y) - polygon[i].y;
        const double along = -0.5 + 2.0 * unit(rng);
        const double away = std::pow(10.0, -9.0 + 8.0 * unit(rng)) * (rng() % 2 == 0 ? 1.0 : -1.0);
        Point q{static_cast<float>(polygon[i].x + along * ex - away * ey),
                static_cast<float>(polygon[i].y + along * ey + away * ex)};
        if (trial % 10 == 0) q = {static_cast<float>(offset + scale * unit(rng)), static_cast<float>(offset + scale * unit(rng))};
        const bool full = test::PointInContour(q.x, q.y, polygon);
        ASSERT_EQ(PointInContourPruned(q.x, q.y, polygon), full) << "trial " << trial;
        ++(full ? inside : outside);
    }
    EXPECT_GT(inside, 20000);
    EXPECT_GT(outside, 20000);
}

// Whatever box and scale, a point outside the padded box is ClearlyOutside
// the box. Boxes of zero width or height (or both) and points one float step
// beyond the padded edges, where the argument is tightest, included.
TEST(PointInContour, PaddedBoxTurnsAwayOnlyClearlyOutsidePoints) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double scales[] = {1e-40, 1e-30, 1e-3, 1.0, 1e5, 1e20, 1e36};
    const float inf = std::numeric_limits<float>::infinity();
    int turnedAway = 0;
    for (int trial = 0; trial < 200000; ++trial) {
        const double scale = scales[trial % 7];
        const double offset = (trial % 3 == 0) ? 1e5 * scale : (trial % 3 == 1 ? -scale : 0.0);
        auto coordinate = [&] { return static_cast<float>(offset + scale * unit(rng)); };
        ContourBox box{coordinate(), coordinate(), 0, 0};
        const int shape = (trial / 7) % 4;  // full, zero width, zero height, one point
        box.maxX = (shape == 1 || shape == 3) ? box.minX : std::max(box.minX, coordinate());
        box.maxY = (shape == 2 || shape == 3) ? box.minY : std::max(box.minY, coordinate());
        const ContourBox padded = PaddedBox(box);
        ASSERT_TRUE(padded.minX <= box.minX && padded.maxX >= box.maxX && padded.minY <= box.minY &&
                    padded.maxY >= box.maxY);
        // A point one step beyond a padded edge, anywhere along it or past
        // its corners, or a point at some random distance from the box.
        const double spread = std::max(double(padded.maxY) - padded.minY, scale);
        Point q{static_cast<float>(padded.minX + (double(padded.maxX) - padded.minX) * (3.0 * unit(rng) - 1.0)),
                static_cast<float>(padded.minY + spread * (3.0 * unit(rng) - 1.0))};
        switch (trial % 5) {
            case 0: q.x = std::nextafter(padded.maxX, inf); break;
            case 1: q.x = std::nextafter(padded.minX, -inf); break;
            case 2: q.y = std::nextafter(padded.maxY, inf); break;
            case 3: q.y = std::nextafter(padded.minY, -inf); break;
            default: break;
        }
        if (!OutsideBox(padded, PaddedBoxQuery(q))) continue;
        ++turnedAway;
        ASSERT_TRUE(ClearlyOutside(box, q)) << "trial " << trial;
    }
    EXPECT_GT(turnedAway, 150000);
}

// Where ClearlyOutside cannot answer, the padded box turns nothing away.
TEST(PointInContour, PaddedBoxTurnsAwayNothingClearlyOutsideRefuses) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const ContourBox boxes[] = {ContourBox{}, {nan, 0, 10, 10}, {0, 0, inf, 10}, {-3e37f, 0, 10, 10}};
    const Point farAway[] = {{-1e30f, 5}, {1e30f, 1e30f}, {-inf, -inf}, {nan, nan}};
    for (const ContourBox& box : boxes) {
        for (const Point q : farAway) EXPECT_FALSE(OutsideBox(PaddedBox(box), PaddedBoxQuery(q)));
    }
    const ContourBox box{0, 0, 10, 10};
    const Point huge[] = {{3e38f, 5}, {5, -2e37f}, {inf, 5}, {nan, 5}};
    for (const Point q : huge) EXPECT_FALSE(OutsideBox(PaddedBox(box), PaddedBoxQuery(q)));
    EXPECT_TRUE(OutsideBox(PaddedBox(box), PaddedBoxQuery({10.05f, 5})));
    EXPECT_FALSE(OutsideBox(PaddedBox(box), PaddedBoxQuery({10.01f, 5})));  // within the pad
}

}  // namespace
}  // namespace readdata14
