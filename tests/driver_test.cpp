// The read driver: the header, the order of the readers, and that any
// prefix of a valid file reads safely into walkable blocks.
#include "driver/chart_reader.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "support/block_walk.hpp"
#include "support/chart_check.hpp"
#include "support/chart_text.hpp"

namespace readdata14 {
namespace {

using test::EmptySections;
using test::Header;
using test::Layout;
using test::ReadText;
using test::WalkBlock;

TEST(ReadChart, AcceptsOnlyATypeFourteenHeader) {
    struct Case {
        const char* name;
        std::string text;
        ChartStatus status;
        bool hasLines;
    };
    const Case cases[] = {
        {"type 14", "x 14 desc 1 2 3 4 5 " + EmptySections(), ChartStatus::Read, true},
        {"type 13", "x 13 desc 1 2 3 4 5 " + EmptySections(), ChartStatus::NotType14, false},
        {"type 15", "x 15 desc 1 2 3 4 5 " + EmptySections(), ChartStatus::NotType14, false},
        {"two tokens only", "x 14", ChartStatus::NotType14, false},
        {"type not a number", "x y desc 1 2 3 4 5 " + EmptySections(), ChartStatus::NotType14, false},
        {"empty file", "", ChartStatus::NotType14, false},
        // The five integers are not bounded by their line: a sixth is the
        // token the LINES reader meets, which is not its tag.
        {"six integers", "x 14 desc 1 2 3 4 5 6 " + EmptySections(), ChartStatus::Read, false},
        {"LINES right after the header", "x 14 desc " + EmptySections(), ChartStatus::Read, true},
        {"three integers only", "x 14 desc 1 2 3\n" + EmptySections(), ChartStatus::Read, true},
    };
    for (const Case& c : cases) {
        ChartData chart;
        EXPECT_EQ(ReadText(c.text, chart), c.status) << c.name;
        EXPECT_EQ(chart.lines != nullptr, c.hasLines) << c.name;
        EXPECT_EQ(chart.description != nullptr, c.status == ChartStatus::Read) << c.name;
    }
}

TEST(ReadChart, CopiesTheDescriptionExactly) {
    ChartData chart;
    ASSERT_EQ(ReadText("x 14 abc\n1 2 3 4 5\n" + EmptySections(), chart), ChartStatus::Read);
    EXPECT_STREQ(chart.description.get(), "abc");

    const std::string longDescription(5000, 'd');
    ASSERT_EQ(ReadText("x 14 " + longDescription + " 1 2 3 4 5 " + EmptySections(), chart), ChartStatus::Read);
    EXPECT_EQ(std::string(chart.description.get()), longDescription);
}

TEST(ReadChart, ReadsEveryReaderEvenAfterOneGaveUp) {
    // The LINES tag is missing: the result is null, yet the sections after it
    // are read from where the LINES reader left the input.
    ChartData chart;
    ASSERT_EQ(ReadText(Header() + "LINE: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\n"
                                  "STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n",
                       chart),
              ChartStatus::Read);
    EXPECT_EQ(chart.lines, nullptr);
    ASSERT_NE(chart.description, nullptr);
    ASSERT_NE(chart.weatherRegions, nullptr);
    EXPECT_TRUE(chart.fillAreasRead);
}

// Cutting a valid file anywhere must never crash and must leave every block
// walkable by its own slots (the sanitizer build checks the bounds). The
// sample is cut every few bytes, with a stride that walks through every
// position of a token over the file; small files are cut at every byte by
// the whole-file tests.
TEST(ReadChart, PrefixesOfTheSampleReadIntoWalkableBlocks) {
    std::ifstream file(READDATA14_SAMPLE_CHART, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    const std::string sample = contents.str();
    ASSERT_GT(sample.size(), 500u);
    constexpr std::size_t kStride = 37;
    for (std::size_t length = 0; length <= sample.size(); length += kStride) {
        ChartData chart;
        if (ReadText(sample.substr(0, length), chart) != ChartStatus::Read) continue;
        SCOPED_TRACE("prefix of " + std::to_string(length) + " bytes");
        ASSERT_EQ(test::CheckChart(test::ViewOf(chart)), "");
        ASSERT_NE(chart.weatherRegions, nullptr);
    }
}

}  // namespace
}  // namespace readdata14
