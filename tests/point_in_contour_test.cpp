#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "contours/point_in_contour.hpp"

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
        EXPECT_EQ(PointInContour(c.query.x, c.query.y, *c.contour), c.inside) << c.what;
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

// Whatever triangle and scale: a point that ClearlyOutside rules out is never
// counted by the full angle test. The points lie just beyond the margin,
// where the argument is tightest, and far beyond it.
TEST(PointInContour, ClearlyOutsideNeverHidesACountedTriangle) {
    std::mt19937 rng(14);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double scales[] = {1e-38, 1e-30, 1e-3, 1.0, 1e5, 1e20, 1e36};
    int ruledOut = 0;
    for (int trial = 0; trial < 200000; ++trial) {
        const double scale = scales[trial % 7];
        const double offset = (trial % 3 == 0) ? 1e5 * scale : 0.0;
        auto coordinate = [&] { return static_cast<float>(offset + scale * unit(rng)); };
        const float v[6] = {coordinate(), coordinate(), coordinate(), coordinate(), coordinate(), coordinate()};
        const ContourBox box{std::min({v[0], v[2], v[4]}), std::min({v[1], v[3], v[5]}),
                             std::max({v[0], v[2], v[4]}), std::max({v[1], v[3], v[5]})};
        // Beyond the right side by 1e-3 to 1e1 of the reach in y.
        const double reach = std::max(double(box.maxY) - box.minY, scale) * (1.0 + unit(rng));
        const double beyond = reach * std::pow(10.0, -3.0 + 4.0 * unit(rng));
        const Point q{static_cast<float>(box.maxX + beyond),
                      static_cast<float>(box.minY + (double(box.maxY) - box.minY) * (2.0 * unit(rng) - 0.5))};
        if (!ClearlyOutside(box, q)) continue;
        ++ruledOut;
        ASSERT_FALSE(PointInTriangle(q.x, q.y, v[0], v[1], v[2], v[3], v[4], v[5])) << "trial " << trial;
    }
    EXPECT_GT(ruledOut, 100000);
}

}  // namespace
}  // namespace readdata14
