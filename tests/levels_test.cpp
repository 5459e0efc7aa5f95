// The level list against the plain way of building it: values entered once
// each by a search through those already there, sorted by passes of adjacent
// exchanges, and found again by a search from the front. The library sorts
// and searches by halves; the answers must be the same bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "contours/contours.hpp"
#include "contours/levels.hpp"
#include "support/block_walk.hpp"
#include "support/chart_text.hpp"
#include "support/contour_sections.hpp"

namespace readdata14::test {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::vector<std::uint32_t> Bits(const std::vector<float>& values) {
    std::vector<std::uint32_t> bits;
    for (const float v : values) bits.push_back(std::bit_cast<std::uint32_t>(v));
    return bits;
}

void SortByPasses(std::vector<float>& values, ContourDirection direction) {
    for (std::size_t pass = 1; pass < values.size(); ++pass) {
        bool exchanged = false;
        for (std::size_t i = 0; i + pass < values.size(); ++i) {
            const bool outOfOrder = direction == DIRECTION_RISE ? values[i] > values[i + 1] : values[i] < values[i + 1];
            if (outOfOrder) {
                std::swap(values[i], values[i + 1]);
                exchanged = true;
            }
        }
        if (!exchanged) break;
    }
}

// Values drawn from a small pool so that repeats, 0 and -0 meet often.
std::vector<float> RandomValues(std::mt19937& rng, bool withNaN) {
    static constexpr std::array<float, 12> pool{0.0f, -0.0f, 1.0f, -1.0f, 5.5f, -kInf, 1e30f, -1e-30f,
                                                1016.0f, 3099999.0f, 7.0f, 1e-45f};
    std::vector<float> values(std::uniform_int_distribution<std::size_t>(0, 40)(rng));
    for (float& v : values) v = pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(rng)];
    if (withNaN && !values.empty()) values[std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(rng)] = kNaN;
    return values;
}

TEST(LevelValues, SortEndsWhereThePassesEnd) {
    for (std::uint32_t seed = 0; seed < 3000; ++seed) {
        std::mt19937 rng(seed);
        const std::vector<float> values = RandomValues(rng, seed % 5 == 0);
        for (const ContourDirection direction : {DIRECTION_RISE, DIRECTION_FALL, DIRECTION_NONE}) {
            std::vector<float> expected = values;
            SortByPasses(expected, direction);
            std::vector<float> sorted = values;
            SortLevelValues(sorted, direction);
            ASSERT_EQ(Bits(sorted), Bits(expected)) << "seed " << seed << " direction " << direction;
        }
    }
}

TEST(LevelValues, RepeatsLeaveTheFirstOneRead) {
    for (std::uint32_t seed = 0; seed < 3000; ++seed) {
        std::mt19937 rng(seed);
        const std::vector<float> values = RandomValues(rng, false);
        std::vector<float> expected;
        for (const float v : values) {
            if (std::find(expected.begin(), expected.end(), v) == expected.end()) expected.push_back(v);
        }
        SortByPasses(expected, DIRECTION_RISE);
        std::vector<float> kept = values;
        DropRepeatedLevelValues(kept);
        ASSERT_EQ(Bits(kept), Bits(expected)) << "seed " << seed;
    }
}

// Disjoint unit squares, one per label, so that the section has no nested
// pair and its levels are ascending.
std::string DisjointSquares(const std::vector<std::string>& labels) {
    std::vector<FileContour> items;
    float x = 0;
    for (const std::string& label : labels) {
        items.push_back({1, {{x, 0}, {x + 1, 0}, {x + 1, 1}, {x, 1}, {x, 0}}, label});
        x += 3;
    }
    return SectionText(items);
}

std::vector<float> LevelsOf(const std::string& section) {
    Scanner in(section);
    const FloatBlock block = ReadClosedContours(in);
    const auto length = WalkBlock(Layout::ClosedContours, block.get());
    if (!length) return {};
    std::size_t at = 1;
    for (float records = block[0]; records > 0; --records) {
        const auto n = static_cast<std::size_t>(block[at]);
        at += 6 + 2 * n + 2 * static_cast<std::size_t>(block[at + 5 + 2 * n]);
    }
    return std::vector<float>(block.get() + at + 1, block.get() + *length);
}

TEST(LevelValues, ZeroAndMinusZeroAreOneLevelTheFirstRead) {
    struct Case {
        std::vector<std::string> labels;
        std::vector<float> levels;
    };
    const Case cases[] = {
        {{"0", "-0"}, {0.0f}},
        {{"-0", "0"}, {-0.0f}},
        {{"-0.0", "5", "0.00", "-5"}, {-5.0f, -0.0f, 5.0f}},
        {{"7", "0.0", "-0", "-0", "7.0"}, {0.0f, 7.0f}},
        {{"-inf", "0", "-inf"}, {-kInf, 0.0f}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Bits(LevelsOf(DisjointSquares(c.labels))), Bits(c.levels)) << c.labels.front();
    }
}

std::int32_t LevelIndexBySearchFromTheFront(float value, ContourDirection direction,
                                            const std::vector<float>& levels, ContourDirection levelDirection) {
    for (std::size_t j = 0; j < levels.size(); ++j) {
        if (levels[j] != value) continue;
        const bool against = direction != DIRECTION_NONE && direction != levelDirection;
        return static_cast<std::int32_t>(against ? j : j + 1);
    }
    return NO_LEVEL_INDEX;
}

TEST(LevelValues, LevelIndexFindsWhatASearchFromTheFrontFinds) {
    std::mt19937 rng(14);
    ContourNode contour = MakeContour({0, {{0, 0}, {4, 0}, {4, 4}, {0, 0}}, "1"});
    for (int round = 0; round < 60; ++round) {
        std::vector<float> levels(std::uniform_int_distribution<std::size_t>(0, 300)(rng));
        for (float& v : levels) v = static_cast<float>(std::uniform_int_distribution<int>(-400, 400)(rng)) / 4.0f;
        levels.push_back(-0.0f);
        DropRepeatedLevelValues(levels);
        for (const ContourDirection levelDirection : {DIRECTION_RISE, DIRECTION_FALL}) {
            SortLevelValues(levels, levelDirection);
            for (int k = -410; k <= 410; ++k) {
                contour.value = static_cast<float>(k) / 4.0f;
                for (const ContourDirection direction : {DIRECTION_NONE, DIRECTION_RISE, DIRECTION_FALL}) {
                    ASSERT_EQ(LevelIndex(contour, direction, levels, levelDirection),
                              LevelIndexBySearchFromTheFront(contour.value, direction, levels, levelDirection))
                        << "value " << contour.value << " round " << round;
                }
            }
        }
    }
}

}  // namespace
}  // namespace readdata14::test
