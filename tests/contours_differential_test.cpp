// The library's nesting walk (a spatial index, box checks that skip point
// tests which cannot succeed) against the plain linked-list walk with every
// point test run, and the whole reader against the plain block assembly: the
// results must agree bit for bit on every section.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "contours/contours.hpp"
#include "contours/nesting.hpp"
#include "support/contour_sections.hpp"
#include "support/literal_contours.hpp"

namespace readdata14::test {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::vector<float> ReadBlock(const std::string& text) {
    Scanner in(text);
    const FloatBlock block = ReadClosedContours(in);
    if (!block) return {};
    // The block's length follows from its own slots.
    std::size_t at = 1;
    for (std::size_t r = 0; r < static_cast<std::size_t>(block[0]); ++r) {
        const auto n = static_cast<std::size_t>(block[at]);
        const auto m = static_cast<std::size_t>(block[at + 5 + 2 * n]);
        at += 6 + 2 * n + 2 * m;
    }
    at += 1 + static_cast<std::size_t>(block[at]);
    return std::vector<float>(block.get(), block.get() + at);
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

void ExpectSameAsLiteral(const std::vector<FileContour>& items, std::uint32_t seed) {
    const std::vector<ContourNode> contours = MakeContours(items);
    const Nesting literal = LiteralNestContours(contours);
    // As read, and with the index meeting everything (no step starts along
    // the list), so that small sections exercise it too.
    for (const std::size_t stepsAlongTheList : {kStepsAlongTheList, std::size_t{0}}) {
        const Nesting fast = NestContours(contours, stepsAlongTheList);
        ASSERT_EQ(fast.order, literal.order) << "seed " << seed << " along the list " << stepsAlongTheList;
        ASSERT_EQ(fast.directions, literal.directions) << "seed " << seed << " along the list " << stepsAlongTheList;
        ASSERT_EQ(fast.sectionDirection, literal.sectionDirection)
            << "seed " << seed << " along the list " << stepsAlongTheList;
    }

    const std::vector<float> block = ReadBlock(SectionText(items));
    const std::vector<std::string_view> labels = Labels(items);
    ASSERT_TRUE(SameBits(block, LiteralContourBlock(contours, labels, literal))) << "seed " << seed;
}

TEST(ContoursDifferential, TrickySectionsMatchTheLiteralWalk) {
    for (std::uint32_t seed = 0; seed < 4000; ++seed) {
        std::mt19937 rng(seed);
        ExpectSameAsLiteral(RandomTrickySection(rng), seed);
        if (HasFatalFailure()) return;
    }
}

// Points far out (beyond what PaddedBox pads, or infinite) and contours
// without points leave boxes that no grid cell holds: the walk meets them
// wherever it looks.
std::vector<FileContour> WithOutlyingPoints(std::vector<FileContour> items, std::mt19937& rng) {
    static constexpr std::array<float, 6> far{3e37f, -2e38f, 1e38f, kInf, -kInf, 1.5e37f};
    std::uniform_int_distribution<std::size_t> pick(0, far.size() - 1);
    for (FileContour& item : items) {
        const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
        if (kind == 0 && !item.points.empty()) {
            Point& p = item.points[std::uniform_int_distribution<std::size_t>(0, item.points.size() - 1)(rng)];
            (std::bernoulli_distribution(0.5)(rng) ? p.x : p.y) = far[pick(rng)];
        } else if (kind == 1) {
            item.points.clear();
        } else if (kind == 2) {
            item.points = {{far[pick(rng)], far[pick(rng)]}, {0, 0}, {far[pick(rng)], 1}, {far[pick(rng)], 0}};
        }
    }
    return items;
}

TEST(ContoursDifferential, OutlyingPointsMatchTheLiteralWalk) {
    for (std::uint32_t seed = 0; seed < 2000; ++seed) {
        std::mt19937 rng(seed);
        ExpectSameAsLiteral(WithOutlyingPoints(RandomTrickySection(rng), rng), seed);
        if (HasFatalFailure()) return;
    }
}

// A point on or a hair outside a side counts as inside, so a contour whose
// box reaches 1e37 encloses a first point one step past it, which no grid
// cell can place.
TEST(ContoursDifferential, AFirstPointPastTheGridsIsStillMet) {
    const float past = std::nextafter(1e37f, kInf);
    const FileContour outer{0, {{0, 0}, {1e37f, 0}, {1e37f, 1e37f}, {0, 0}}, "10"};
    const FileContour inner{1, {{past, 5e36f}, {past, 6e36f}, {9e36f, 6e36f}, {past, 5e36f}}, "20"};
    for (const bool innerFirst : {false, true}) {
        const std::vector<FileContour> items = innerFirst ? std::vector{inner, outer} : std::vector{outer, inner};
        const Nesting nesting = NestContours(MakeContours(items));
        EXPECT_EQ(nesting.sectionDirection, DIRECTION_RISE) << "inner first: " << innerFirst;
        ExpectSameAsLiteral(items, innerFirst ? 1 : 0);
    }
}

// A NaN in a box makes box order no order; the walk then goes along the list.
TEST(ContoursDifferential, SectionsWithNaNGoAlongTheList) {
    for (std::uint32_t seed = 0; seed < 500; ++seed) {
        std::mt19937 rng(seed);
        std::vector<FileContour> items = RandomTrickySection(rng);
        FileContour& item = items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(rng)];
        item.points.insert(item.points.begin(), Point{kNaN, 1.0f});
        const std::vector<ContourNode> contours = MakeContours(items);
        const Nesting nested = NestContours(contours);
        const Nesting alongTheList = NestContoursOneByOne(contours);
        ASSERT_EQ(nested.order, alongTheList.order) << "seed " << seed;
        ASSERT_EQ(nested.directions, alongTheList.directions) << "seed " << seed;
        ASSERT_EQ(nested.sectionDirection, alongTheList.sectionDirection) << "seed " << seed;
    }
}

// The shapes the index is for, and those where it cannot help, a few
// thousand contours at most so that the literal walk stays quick.
TEST(ContoursDifferential, ContourRichSectionsMatchTheLiteralWalk) {
    for (const LabelRun labels : {LabelRun::Descending, LabelRun::Ascending, LabelRun::Equal}) {
        std::mt19937 rng(static_cast<std::uint32_t>(labels));
        ExpectSameAsLiteral(TinySquaresSection(rng, 1500, labels), static_cast<std::uint32_t>(labels));
    }
    std::mt19937 rng(11);
    ExpectSameAsLiteral(ConcentricRingsSection(rng, 150, 24), 11);
    ExpectSameAsLiteral(CommonFirstPointSection(rng, 400), 11);
    ExpectSameAsLiteral(ChartLikeSection(rng, 1500, 12), 11);
}

// Reading order decides the directions: the same rings shuffled anew.
TEST(ContoursDifferential, NestedRingsInManyReadingOrdersMatchTheLiteralWalk) {
    std::mt19937 rng(5);
    std::vector<FileContour> items = ConcentricRingsSection(rng, 40, 12);
    for (std::uint32_t seed = 0; seed < 50; ++seed) {
        std::shuffle(items.begin(), items.end(), rng);
        ExpectSameAsLiteral(items, seed);
        if (HasFatalFailure()) return;
    }
}

TEST(ContoursDifferential, ChartLikeSectionsMatchTheLiteralWalk) {
    for (std::uint32_t seed = 0; seed < 6; ++seed) {
        std::mt19937 rng(seed);
        ExpectSameAsLiteral(ChartLikeSection(rng, 150, 16), seed);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace readdata14::test
