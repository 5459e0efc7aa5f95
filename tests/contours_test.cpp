#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "contours/contour_reading.hpp"
#include "contours/contours.hpp"
#include "contours/levels.hpp"
#include "contours/nesting.hpp"
#include "support/block_walk.hpp"
#include "support/chart_text.hpp"
#include "support/contour_sections.hpp"

namespace readdata14::test {
namespace {

// The whole block of a section read on its own; empty when the reader gave
// null. The length comes from the independent block walker.
std::vector<float> ReadSection(const std::string& text) {
    Scanner in(text);
    const FloatBlock block = ReadClosedContours(in);
    if (!block) return {};
    const auto length = WalkBlock(Layout::ClosedContours, block.get());
    EXPECT_TRUE(length.has_value()) << text;
    return Floats(block.get(), length.value_or(1));
}

// The square (0,0)-(10,10) given with its first point repeated.
const std::string kSquare = "5 0 0 0 10 0 0 10 10 0 0 10 0 0 0 0";

std::string OneContour(const std::string& label) {
    return "CLOSED_CONTOURS: 1\n7 " + kSquare + "\n" + label + " 0\n";
}

TEST(ClosedContours, LabelValuesAndLevels) {
    struct Case {
        const char* label;
        float value;
        std::vector<float> levels;
    };
    const Case cases[] = {
        {"NoLabel", 999999, {}},        {"050", 3200050, {}},     {"50", 50, {50}},
        {"50.0", 50, {50}},             {"100", 100, {100}},      {"0.0", 0, {0}},
        {"-50", -50, {-50}},            {"999999", 999999, {}},   {"3100000", 3100000, {}},
        {"3099999", 3099999, {3099999}}, {"5.5", 3200005.5f, {}}, {"12abc", 12, {12}},
        {"abc", 999999, {}},
    };
    for (const Case& c : cases) {
        const std::vector<float> block = ReadSection(OneContour(c.label));
        ASSERT_EQ(block.size(), 1u + 16u + 1u + c.levels.size()) << c.label;
        EXPECT_EQ(block[1 + 14], c.value) << c.label;
        EXPECT_EQ(std::vector<float>(block.begin() + 18, block.end()), c.levels) << c.label;
    }
}

TEST(ClosedContours, EqualNumbersShareALevel) {
    const std::string text = "CLOSED_CONTOURS: 3\n"
                             "1 4 0 0 0 1 0 0 1 1 0 0 0 0 20 0\n"
                             "2 4 5 0 0 6 0 0 6 1 0 5 0 0 10 0\n"
                             "3 4 9 0 0 8 0 0 8 1 0 9 0 0 20.0 0\n";
    const std::vector<float> block = ReadSection(text);
    EXPECT_EQ(std::vector<float>(block.end() - 3, block.end()), (std::vector<float>{2, 10, 20}));
}

TEST(ClosedContours, ClosedTestAndBox) {
    EXPECT_TRUE(IsClosedContour(std::vector<Point>{{0, 0}, {5, 5}, {1.9f, 1.9f}}));
    EXPECT_FALSE(IsClosedContour(std::vector<Point>{{0, 0}, {5, 5}, {2.0f, 0}}));
    EXPECT_TRUE(IsClosedContour(std::vector<Point>{{3, 3}}));
    EXPECT_FALSE(IsClosedContour(std::vector<Point>{}));

    const ContourNode line = MakeContour({1, {{5, 1}, {5, 3}, {5, 2}}});
    EXPECT_EQ(line.box.minX, 5.0f);
    EXPECT_EQ(line.box.maxX, 5.0f);
    EXPECT_EQ(line.box.minY, 1.0f);
    EXPECT_EQ(line.box.maxY, 3.0f);
}

// Rectangles counter-clockwise from the lower left, closed.
std::vector<Point> Rect(float x0, float y0, float x1, float y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}
const std::vector<Point> kOuter = Rect(0, 0, 10, 8);
const std::vector<Point> kMiddle = Rect(3, 2, 7, 5);
const std::vector<Point> kInner = Rect(4, 3, 6, 4);
const std::vector<Point> kSecond = Rect(1, 1, 9, 7);  // between kOuter and kMiddle

struct NestingCase {
    const char* what;
    std::vector<FileContour> contours;         // file order
    std::vector<std::int32_t> order;           // codes in list order
    std::vector<ContourDirection> directions;  // by code
    ContourDirection sectionDirection;
};

void ExpectNesting(const NestingCase& c) {
    const std::vector<ContourNode> nodes = MakeContours(c.contours);
    const Nesting nesting = NestContours(nodes);
    std::vector<std::int32_t> codes;
    for (const std::int32_t i : nesting.order) codes.push_back(nodes[static_cast<std::size_t>(i)].code);
    EXPECT_EQ(codes, c.order) << c.what;
    std::vector<ContourDirection> byCode(c.directions.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) byCode[static_cast<std::size_t>(nodes[i].code)] = nesting.directions[i];
    EXPECT_EQ(byCode, c.directions) << c.what;
    EXPECT_EQ(nesting.sectionDirection, c.sectionDirection) << c.what;
}

TEST(ClosedContours, ThreeNestedRingsInEveryReadingOrder) {
    for (const bool rising : {true, false}) {
        std::array<FileContour, 3> rings{FileContour{0, kOuter, rising ? "10" : "30"},
                                         FileContour{1, kMiddle, "20"},
                                         FileContour{2, kInner, rising ? "30" : "10"}};
        std::array<int, 3> perm{0, 1, 2};
        do {
            std::vector<FileContour> file;
            for (const int p : perm) file.push_back(rings[static_cast<std::size_t>(p)]);
            const ContourDirection d = rising ? DIRECTION_RISE : DIRECTION_FALL;
            ExpectNesting({rising ? "10 > 20 > 30" : "30 > 20 > 10", file, {0, 1, 2}, {d, d, d}, d});
        } while (std::next_permutation(perm.begin(), perm.end()));
    }
}

TEST(ClosedContours, NestingExamples) {
    const NestingCase cases[] = {
        {"10 > 20, outer first", {{0, kOuter, "10"}, {1, kMiddle, "20"}}, {0, 1}, {1, 1}, 1},
        {"10 > 20, inner first", {{1, kMiddle, "20"}, {0, kOuter, "10"}}, {0, 1}, {1, 1}, 1},
        {"10 > 10 > 5, outer first",
         {{0, kOuter, "10"}, {1, kMiddle, "10"}, {2, kInner, "5"}}, {0, 1, 2}, {0, 2, 2}, 2},
        {"10 > 10 > 5, inner first",
         {{2, kInner, "5"}, {1, kMiddle, "10"}, {0, kOuter, "10"}}, {0, 1, 2}, {1, 2, 2}, 2},
        {"first point on a fan diagonal",
         {{0, Rect(0, 0, 10, 10), "10"}, {1, Rect(2, 2, 5, 5), "20"}}, {0, 1}, {0, 0}, 0},
        {"equal minX: smaller minY first",
         {{0, Rect(0, 5, 3, 8), "10"}, {1, Rect(0, 0, 3, 3), "20"}}, {1, 0}, {0, 0}, 0},
        {"identical boxes keep reading order",
         {{0, kMiddle, "10"}, {1, kMiddle, "20"}, {2, kMiddle, "20"}}, {0, 1, 2}, {0, 0, 0}, 0},
        {"disjoint", {{0, Rect(20, 0, 30, 8), "10"}, {1, kOuter, "20"}}, {1, 0}, {0, 0}, 0},
        // Read from the inside out: 30 and 40 rise; the NaN ring, neither
        // greater nor less than what it encloses, takes the other side of
        // their step (fall), and so does the outer ring 50 when it meets the
        // NaN ring last: it rises, against what 30 and 40 alone would give.
        {"four nested, one of them NaN",
         {{3, kInner, "40"}, {2, kMiddle, "30"}, {1, kSecond, "nan"}, {0, kOuter, "50"}},
         {0, 1, 2, 3}, {1, 2, 1, 1}, 1},
        {"no points: never inside, contains none",
         {{0, kOuter, "10"}, {1, {}, "20"}, {2, kMiddle, "20"}}, {0, 2, 1}, {1, 0, 1}, 1},
    };
    for (const NestingCase& c : cases) ExpectNesting(c);
}

// The nested case above as a chart: only the outer ring's level index shows
// the direction that the NaN ring handed on.
TEST(ClosedContours, ANaNRingHandsItsStepOn) {
    const std::vector<FileContour> file{
        {3, kInner, "40"}, {2, kMiddle, "30"}, {1, kSecond, "nan"}, {0, kOuter, "50"}};
    const std::vector<float> block = ReadSection(SectionText(file));
    ASSERT_EQ(block.size(), 1u + 4u * 16u + 4u);
    const auto levelIndex = [&block](std::size_t record) { return block[1 + 16 * record + 3]; };
    EXPECT_EQ(levelIndex(0), 3.0f);  // 50 rises, as the levels do: one-based position
    EXPECT_EQ(levelIndex(1), 999999.0f);  // NaN is no valued contour
    EXPECT_EQ(levelIndex(2), 1.0f);
    EXPECT_EQ(levelIndex(3), 2.0f);
    EXPECT_EQ(std::vector<float>(block.end() - 4, block.end()), (std::vector<float>{3, 30, 40, 50}));
}

TEST(ClosedContours, LevelIndexFollowsTheSectionDirection) {
    struct Case {
        float value;
        ContourDirection direction;
        ContourDirection levelDirection;
        std::int32_t index;
    };
    const std::vector<float> rising{10, 20, 30};
    const std::vector<float> falling{30, 20, 10};
    const Case cases[] = {
        {20, DIRECTION_RISE, DIRECTION_RISE, 2}, {20, DIRECTION_NONE, DIRECTION_RISE, 2},
        {20, DIRECTION_FALL, DIRECTION_RISE, 1}, {10, DIRECTION_FALL, DIRECTION_RISE, 0},
        {20, DIRECTION_FALL, DIRECTION_FALL, 2}, {20, DIRECTION_NONE, DIRECTION_FALL, 2},
        {20, DIRECTION_RISE, DIRECTION_FALL, 1}, {25, DIRECTION_NONE, DIRECTION_RISE, NO_LEVEL_INDEX},
    };
    for (const Case& c : cases) {
        ContourNode contour = MakeContour({0, kOuter, "NoLabel"});
        contour.value = c.value;
        const auto& levels = c.levelDirection == DIRECTION_RISE ? rising : falling;
        EXPECT_EQ(LevelIndex(contour, c.direction, levels, c.levelDirection), c.index)
            << c.value << " " << c.direction << " " << c.levelDirection;
    }
}

TEST(ClosedContours, SortLevelValues) {
    std::vector<float> values{20, -5, 30, 10};
    SortLevelValues(values, DIRECTION_RISE);
    EXPECT_EQ(values, (std::vector<float>{-5, 10, 20, 30}));
    SortLevelValues(values, DIRECTION_FALL);
    EXPECT_EQ(values, (std::vector<float>{30, 20, 10, -5}));
    SortLevelValues(values, DIRECTION_NONE);  // anything but rise sorts descending
    EXPECT_EQ(values, (std::vector<float>{30, 20, 10, -5}));
}

// Slots 2 and 3 of one contour record, and the levels at the block's end.
TEST(ClosedContours, ValuedClosedFlagAndLevels) {
    struct Case {
        const char* what;
        std::string contour;
        float valued;
        float level;
        std::vector<float> levels;
    };
    const Case cases[] = {
        {"closed, valued", "7 " + kSquare + " 50 0", 1, 1, {50}},
        {"open", "7 3 0 0 0 10 0 0 10 10 0 50 0", 0, 999999, {50}},
        {"NoLabel", "7 " + kSquare + " NoLabel 0", 0, 999999, {}},
        {"label code", "7 " + kSquare + " 050 0", 0, 999999, {}},
        {"320000 is a level but not valued", "7 " + kSquare + " 320000 0", 0, 999999, {320000}},
        {"just below 320000", "7 " + kSquare + " 319999 0", 1, 1, {319999}},
    };
    for (const Case& c : cases) {
        const std::vector<float> block = ReadSection("CLOSED_CONTOURS: 1 " + c.contour);
        ASSERT_GT(block.size(), 5u) << c.what;
        EXPECT_EQ(block[3], c.valued) << c.what;
        EXPECT_EQ(block[4], c.level) << c.what;
        const std::size_t levelsAt = block.size() - c.levels.size();
        EXPECT_EQ(std::vector<float>(block.begin() + static_cast<std::ptrdiff_t>(levelsAt), block.end()), c.levels)
            << c.what;
    }
}

TEST(ClosedContours, WorkedExampleThroughTheDriver) {
    const std::string text = Header() + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 0\n"
                             "CLOSED_CONTOURS: 1\n7 4 0 0 0 10 0 0 10 10 0 0 0 0\n5 1 5 5 0\n"
                             "STATION_SITUATION WEATHER_REGION: 0 FILLAREA: 0 NOTES_SYMBOL: 0\n";
    ChartData chart;
    ASSERT_EQ(ReadText(text, chart), ChartStatus::Read);
    EXPECT_EQ(Floats(chart.closedContours.get(), 19),
              (std::vector<float>{1, 4, 7, 1, 1, 0, 0, 10, 0, 10, 10, 0, 0, 5, 1, 5, 5, 1, 5}));
}

TEST(ClosedContours, RecordsInNestingOrderWithTheirOwnCodes) {
    // Inner (code 2) read before outer (code 1): the outer record comes first.
    const std::string text = "CLOSED_CONTOURS: 2\n2 4 4 4 0 6 4 0 6 6 0 4 4 0 20 0\n1 " + kSquare + " 10 0\n";
    const std::vector<float> block = ReadSection(text);
    ASSERT_EQ(block.size(), 1u + 16u + 14u + 3u);
    EXPECT_EQ(Floats(block.data() + 1, 4), (std::vector<float>{5, 1, 1, 1}));
    EXPECT_EQ(Floats(block.data() + 17, 4), (std::vector<float>{4, 2, 1, 2}));
    EXPECT_EQ(Floats(block.data() + 31, 3), (std::vector<float>{2, 10, 20}));
}

TEST(ClosedContours, SectionShapes) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<float> block;  // empty: the reader returns null
    };
    const Case cases[] = {
        {"no contours", "CLOSED_CONTOURS: 0", {0, 0}},
        {"negative count", "CLOSED_CONTOURS: -3 1 1 0 0 0", {0, 0}},
        {"wrong tag", "CLOSED_CONTOUR: 0", {}},
        {"no count", "CLOSED_CONTOURS: x", {}},
        {"no points", "CLOSED_CONTOURS: 1 4 0 10 0", {1, 0, 4, 0, 999999, 10, 0, 1, 10}},
        {"negative point and label counts", "CLOSED_CONTOURS: 1 4 -2 10 -1", {1, 0, 4, 0, 999999, 10, 0, 1, 10}},
        {"cut inside a point", "CLOSED_CONTOURS: 2 3 2 1 2 0 5", {1, 1, 3, 0, 999999, 1, 2, 999999, 0, 0}},
        {"cut before the label", "CLOSED_CONTOURS: 1 3 1 1 2 0", {1, 1, 3, 0, 999999, 1, 2, 999999, 0, 0}},
        {"cut inside the label points", "CLOSED_CONTOURS: 1 3 1 1 2 0 8 2 4 4 0 9",
         {1, 1, 3, 1, 1, 1, 2, 8, 1, 4, 4, 1, 8}},
        {"cut in a contour header: not created", "CLOSED_CONTOURS: 2 3 1 1 2 0 8 0 4", {1, 1, 3, 1, 1, 1, 2, 8, 0, 1, 8}},
        {"huge declared counts, little data", "CLOSED_CONTOURS: 2000000000 1 2000000000 0 0 0",
         {1, 1, 1, 0, 999999, 0, 0, 999999, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadSection(c.text), c.block) << c.what;
}

TEST(ClosedContours, ACutContourStillNests) {
    // The second contour stops after one point, which lies inside the first.
    const std::vector<float> block = ReadSection("CLOSED_CONTOURS: 2 1 " + kSquare + " 10 0 2 3 5 5 0 6");
    ASSERT_EQ(block.size(), 1u + 16u + 8u + 2u);
    EXPECT_EQ(block[0], 2.0f);
    EXPECT_EQ(Floats(block.data() + 17, 8), (std::vector<float>{1, 2, 0, 999999, 5, 5, 999999, 0}));
    // 999999 > 10: the pair rises, so 10 keeps its level index 1.
    EXPECT_EQ(block[4], 1.0f);
}

TEST(ClosedContours, ManyLabelPointsAreKept) {
    std::string text = "CLOSED_CONTOURS: 1 7 " + kSquare + " 10 60";
    for (int i = 0; i < 60; ++i) text.append(" ").append(std::to_string(i)).append(" 1 0");
    const std::vector<float> block = ReadSection(text);
    ASSERT_EQ(block.size(), 1u + 16u + 120u + 2u);
    EXPECT_EQ(block[16], 60.0f);
    EXPECT_EQ(block[17 + 2 * 59], 59.0f);
}

TEST(ClosedContours, OddNumbersStayWalkable) {
    const std::string texts[] = {
        "CLOSED_CONTOURS: 3 1 4 nan 0 0 1 nan 0 1 1 0 0 0 0 nan 0 2 " + kSquare + " inf 0 3 " + kSquare + " 10 0",
        "CLOSED_CONTOURS: 2 1 4 inf 0 0 -inf 1 0 1 inf 0 0 0 0 10 0 2 " + kSquare + " 20 0",
        "CLOSED_CONTOURS: 2 1 4 3e38 3e38 0 -3e38 3e38 0 -3e38 -3e38 0 3e38 -3e38 0 10 0 2 " + kSquare + " 20 0",
    };
    for (const std::string& text : texts) EXPECT_FALSE(ReadSection(text).empty()) << text;
}

TEST(ClosedContours, TruncationAnywhereGivesAWalkableBlock) {
    const std::string text = "CLOSED_CONTOURS: 3\n1 " + kSquare + " 10 1 5 5 0\n2 4 4 4 0 6 4 0 6 6 0 4 4 0 20 0\n"
                             "3 3 20 0 0 21 0 0 21 1 0 050 2 1 1 0 2 2 0\n";
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        const std::string part = text.substr(0, cut);
        Scanner in(part);
        const FloatBlock block = ReadClosedContours(in);
        if (!block) continue;
        const auto length = WalkBlock(Layout::ClosedContours, block.get());
        ASSERT_TRUE(length.has_value()) << "cut at " << cut;
        EXPECT_LE(block[0], 3.0f);
    }
}

}  // namespace
}  // namespace readdata14::test
