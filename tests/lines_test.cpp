// The LINES section: records, labels, and what a broken section keeps.
#include "sections/sections.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/block_walk.hpp"
#include "support/chart_text.hpp"

namespace readdata14 {
namespace {

using test::Floats;
using test::Layout;
using test::WalkBlock;

struct LinesResult {
    std::vector<float> block;  // empty when the reader returned null
    std::string rest;          // what the next reader sees
};

LinesResult ReadLinesOf(const std::string& text) {
    Scanner in(text);
    const FloatBlock block = ReadLines(in);
    LinesResult result;
    if (block) result.block = Floats(block.get(), *WalkBlock(Layout::Lines, block.get()));
    result.rest = std::string(in.Rest());
    return result;
}

std::string Points(int count, const char* point) {
    std::string text;
    for (int i = 0; i < count; ++i) text += point;
    return text;
}

std::vector<float> Repeated(std::vector<float> head, int times, std::vector<float> pair) {
    for (int i = 0; i < times; ++i) head.insert(head.end(), pair.begin(), pair.end());
    return head;
}

TEST(ReadLines, BuildsOneRecordPerLine) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<float> block;
    };
    const Case cases[] = {
        {"no lines", "LINES: 0", {0}},
        {"three points, no label",
         "LINES: 1\n2 3\n1 2 0 3 4 0 5 6 0\nNoLabel 0\n",
         {1, 3, 2, 1, 2, 3, 4, 5, 6, 999999, 0}},
        {"no points, a coded label",
         "LINES: 1\n4 0\n010 1\n7 8 9\n",
         {1, 0, 4, 3200010, 1, 7, 8}},
        {"two lines end to end",
         "LINES: 2 1 1 1 1 1 5 0   2 1 2 2 2 -3.5 1 9 9 9",
         {2, 1, 1, 1, 1, 5, 0, 1, 2, 2, 2, -3.5f, 1, 9, 9}},
        {"lower-case tag", "lines: 0", {}},
        {"tag without its colon", "LINES 0", {}},
        {"no count after the tag", "LINES: x", {}},
        {"negative line count", "LINES: -3 1 1", {0}},
        {"negative point counts", "LINES: 1 6 -2 1010 -1", {1, 0, 6, 1010, 0}},
        {"a label that is no number", "LINES: 1 6 0 label 0", {1, 0, 6, 999999, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadLinesOf(c.text).block, c.block) << c.name;
}

TEST(ReadLines, KeepsEveryPointAndEveryLabelPoint) {
    // 300 coincident points: LINES never thins.
    const auto many = ReadLinesOf("LINES: 1 2 300 " + Points(300, "1 1 0 ") + "NoLabel 0");
    auto expected = Repeated({1, 300, 2}, 300, {1, 1});
    expected.insert(expected.end(), {999999, 0});
    EXPECT_EQ(many.block, expected);

    // 48 label points fill the classic record room exactly; 60 no longer fit
    // it, and the record grows to hold them all.
    for (int labelPoints : {48, 60}) {
        const auto text = "LINES: 1 2 1 0 0 0 20 " + std::to_string(labelPoints) + " " + Points(labelPoints, "3 4 0 ");
        const auto expected = Repeated({1, 1, 2, 0, 0, 20, static_cast<float>(labelPoints)}, labelPoints, {3, 4});
        EXPECT_EQ(ReadLinesOf(text).block, expected) << labelPoints;
    }
}

TEST(ReadLines, StopsAtBrokenInputKeepingWhatWasRead) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<float> block;
        std::string rest;
    };
    const Case cases[] = {
        {"input ends inside the points", "LINES: 2\n2 3\n0 0 0 1 1 1 2", {1, 2, 2, 0, 0, 1, 1, 999999, 0}, ""},
        {"a token that is no number among the points", "LINES: 1 2 3 0 0 0 1 1 x 5",
         {1, 1, 2, 0, 0, 999999, 0}, "x 5"},
        {"input ends before the label", "LINES: 1 2 1 5 5 5", {1, 1, 2, 5, 5, 999999, 0}, ""},
        {"label count missing", "LINES: 1 2 0 12 LINES_SYMBOL: 0", {1, 0, 2, 12, 0}, "LINES_SYMBOL: 0"},
        {"input ends inside the label points", "LINES: 1 2 0 12 3 1 1 1 2 2", {1, 0, 2, 12, 1, 1, 1}, ""},
        {"a line header cut short is not created", "LINES: 3 2 1 0 0 0 NoLabel 0 7", {1, 1, 2, 0, 0, 999999, 0}, ""},
        {"the next section where a line should be", "LINES: 2 2 0 NoLabel 0 LINES_SYMBOL: 0",
         {1, 0, 2, 999999, 0}, "LINES_SYMBOL: 0"},
    };
    for (const Case& c : cases) {
        const auto result = ReadLinesOf(c.text);
        EXPECT_EQ(result.block, c.block) << c.name;
        EXPECT_EQ(result.rest, c.rest) << c.name;
    }
}

TEST(ReadLines, LeavesTheStreamAfterTheLastLabelPoint) {
    EXPECT_EQ(ReadLinesOf("LINES: 1 2 0 NoLabel 1 1 2 3 LINES_SYMBOL: 0").rest, " LINES_SYMBOL: 0");
}

}  // namespace
}  // namespace readdata14
