// The rules all section readers share: tags, thinning, labels, text joining.
#include "reading/reading_rules.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

namespace readdata14 {
namespace {

using namespace std::string_view_literals;

TEST(MatchSectionTag, MatchesOnlyTheExactTag) {
    struct Case {
        std::optional<std::string_view> token;
        bool matches;
    };
    const Case cases[] = {
        {"LINES:"sv, true},   {"LINES"sv, false},   {"LINES:x"sv, false}, {"lines:"sv, false},
        {"LINES::"sv, false}, {" LINES:"sv, false}, {""sv, false},        {std::nullopt, false},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchSectionTag(c.token, "LINES:"), c.matches) << c.token.value_or("(end)");
}

TEST(ReadSectionHeader, ConsumesTagAndCountWhateverTheTag) {
    struct Case {
        std::string_view text;
        std::optional<std::int32_t> count;
        std::string_view rest;
    };
    const Case cases[] = {
        {"FILLAREA: 3 x", 3, " x"},
        {"FILLAREA: -4 x", 0, " x"},                 // a negative count counts as 0
        {"NOTES_SYMBOL: 2 x", std::nullopt, " x"},   // wrong tag: its count is consumed too
        {"FILLAREA: x", std::nullopt, "x"},          // no count: only the white space goes
        {"FILLAREA:", std::nullopt, ""},
        {"", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        Scanner in(c.text);
        const auto header = ReadSectionHeader(in, "FILLAREA:");
        EXPECT_EQ(header ? std::optional(header->count) : std::nullopt, c.count) << c.text;
        EXPECT_EQ(in.Rest(), c.rest) << c.text;
    }
}

TEST(ReadPoint, KeepsXAndYAndNeedsAllThree) {
    Scanner complete("1.5 -2 99 next"sv);
    const auto point = ReadPoint(complete);
    ASSERT_TRUE(point.has_value());
    EXPECT_EQ(point->x, 1.5f);
    EXPECT_EQ(point->y, -2.0f);
    EXPECT_EQ(complete.Rest(), " next"sv);

    Scanner cut("1.5 -2 NoLabel"sv);
    EXPECT_FALSE(ReadPoint(cut).has_value());
    EXPECT_EQ(cut.Rest(), "NoLabel"sv);
}

TEST(ThinPoints, KeepsShortListsWholeAndThinsLongOnes) {
    struct Case {
        std::int32_t declared;
        std::int32_t index;
        Point point;
        Point last;
        bool kept;
    };
    const Case cases[] = {
        {250, 5, {0, 0}, {0, 0}, true},             // 250 points: every point kept
        {251, 0, {0, 0}, {0, 0}, true},             // the first point always
        {251, 1, {0, 0}, {0, 0}, false},            // coincident
        {251, 1, {1.0f, 0}, {0, 0}, true},          // exactly 1.0 in x
        {251, 1, {0, -1.0f}, {0, 0}, true},         // exactly 1.0 in y, either way
        {251, 1, {0.99f, 0.99f}, {0, 0}, false},    // both below 1.0
        {251, 1, {0.5f, 0.5f}, {0, 0}, false},
        {251, 2, {1.0f, 0.2f}, {0, 0}, true},       // compared with the last kept, not the last read
        // 1e8 + 1 is not a float: the difference rounds to 0 in float terms.
        {300, 1, {100000008.0f, 0}, {100000000.0f, 0}, true},
        {300, 1, {16777216.0f, 0}, {16777215.0f, 0}, true},
        {300, 1, {1.0f + 1e-7f, 0}, {1e-7f, 0}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ThinPoints(c.declared, c.index, c.point, c.last), c.kept)
            << c.declared << " #" << c.index << " (" << c.point.x << "," << c.point.y << ")";
    }
}

TEST(PointThinner, ComparesWithTheLastKeptPoint) {
    PointThinner thinner(251);
    EXPECT_TRUE(thinner.Keep({0, 0}));
    EXPECT_FALSE(thinner.Keep({0.5f, 0.5f}));
    EXPECT_TRUE(thinner.Keep({1.0f, 0.2f}));
    EXPECT_FALSE(thinner.Keep({1.9f, 0.2f}));
    EXPECT_TRUE(thinner.Keep({2.0f, 0.2f}));
}

// Every row of the label table, compared bit for bit.
TEST(ReadLabelValue, FollowsTheLabelRule) {
    struct Case {
        const char* token;
        float stored;
    };
    const Case cases[] = {
        {"NoLabel", 999999.0f},
        {"050", 3200050.0f},
        {"5.5", 3200005.5f},
        {"9.9", 3200010.0f},   // the sum rounded to float, whose step is 0.25 here
        {"0.1", 3200000.0f},
        {"100", 100.0f},
        {"000", 0.0f},
        {"-05", -5.0f},
        {"12", 12.0f},
        {"12.5", 12.5f},
        {"5.5a", 5.5f},
        {"1e1", 3200010.0f},   // three characters, value 10: a code
        {"nolabel", 999999.0f},  // no number at its start: taken as no label
        {"abc", 999999.0f},
        {"", 999999.0f},
        {"99.", 3200099.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(ReadLabelValue(c.token).value), std::bit_cast<std::uint32_t>(c.stored))
            << c.token << " gave " << ReadLabelValue(c.token).value;
    }
    EXPECT_FALSE(ReadLabelValue("NoLabel").isNumber);
    EXPECT_FALSE(ReadLabelValue("abc").isNumber);
    EXPECT_TRUE(ReadLabelValue("050").isNumber);
    EXPECT_EQ(ReadLabelValue("050").number, 50.0f);
}

TEST(TextJoiner, JoinsTextsWithTheirMarks) {
    TextJoiner none;
    none.AddNone();
    none.AddNone();
    EXPECT_STREQ(none.FinishText().get(), " ");
    EXPECT_EQ(none.FinishLengths()[1], 0);

    TextJoiner some;
    some.Add("abc");
    some.AddNone();
    some.Add("de");
    some.Add("");
    EXPECT_STREQ(some.FinishText().get(), "abc#de##");
    const auto lengths = some.FinishLengths();
    EXPECT_EQ(lengths[0], 4);
    EXPECT_EQ(lengths[1], 0);
    EXPECT_EQ(lengths[2], 3);
    EXPECT_EQ(lengths[3], 1);
}

TEST(BlockBuilder, CountsTheRecordsItHolds) {
    BlockBuilder block;
    block.Push(2);
    block.Push(7);
    block.PushPoint({1, 2});
    block.CountRecord();
    const FloatBlock finished = block.Finish();
    const float expected[] = {1, 2, 7, 1, 2};
    EXPECT_EQ(std::memcmp(finished.get(), expected, sizeof expected), 0);
    EXPECT_EQ(EmptyBlock()[0], 0.0f);
}

// A block of known size holds exactly what was written; were the sizes not
// to add up, it would neither write past its end nor hand out unset floats.
TEST(SizedBlockWriter, WritesWithinItsSizeAndLeavesNothingUnset) {
    struct Case {
        const char* what;
        std::size_t size;
        std::vector<float> expected;
    };
    const std::vector<Point> points{{1, 2}, {3, 4}};
    const Case cases[] = {
        {"exactly the size", 6, {9, 1, 2, 3, 4, 0}},
        {"more written than the size", 4, {9, 1, 2, 3}},
        {"less written than the size", 8, {9, 1, 2, 3, 4, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SizedBlockWriter writer(c.size);
        writer.Push(9.0f);
        writer.PushPoints(points);
        writer.PushPoints({});
        writer.Push(0);
        const FloatBlock block = writer.Finish();
        ASSERT_EQ(block.size(), c.size) << c.what;
        EXPECT_EQ(std::vector<float>(block.get(), block.get() + block.size()), c.expected) << c.what;
    }
}

TEST(BackedCount, NeverExceedsWhatTheRestOfTheInputCanHold) {
    Scanner in("0 0 0 0 0 0 0 0 0 0 0 0 "sv);  // 24 bytes: room for four points
    EXPECT_EQ(BackedCount(2'000'000'000, in, 6), 4u);
    EXPECT_EQ(BackedCount(3, in, 6), 3u);
    EXPECT_EQ(BackedCount(-5, in, 6), 0u);
}

TEST(QuoteToken, EscapesEveryByteThatIsNotPrintableUnambiguously) {
    struct Case {
        std::string_view token, quoted;
    };
    const Case cases[] = {
        {"x"sv, "'x'"},
        {"\0"sv, "'\\x00'"},
        {"\0" "0"sv, "'\\x000'"},  // not "\00", which reads as one octal escape
        {"\x01\x1b\x7f\xff"sv, "'\\x01\\x1b\\x7f\\xff'"},
        {"a\tb"sv, "'a\\tb'"},
        {"it's\\"sv, "'it\\'s\\\\'"},
        {""sv, "'' (an empty token)"},
        {std::string_view("0123456789012345678901234567890123456789xyz"),
         "'0123456789012345678901234567890123456789' (43 bytes)"},
    };
    for (const Case& c : cases) EXPECT_EQ(QuoteToken(c.token), c.quoted) << c.quoted;
}

}  // namespace
}  // namespace readdata14
