// Counts at the edge of what a float counts exactly (2^24): charts of about
// 2^24 records or points, read whole below the edge and stopped at it above,
// with every count slot an exact whole number and every block walking to
// exactly its end. The files are large (33 to 100 MB, a gigabyte or two of
// blocks), so these run in a CI step of their own (ctest -L large).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readdata14/format.hpp"
#include "readdata14/readdata14.h"
#include "support/chart_check.hpp"
#include "support/chart_text.hpp"

namespace readdata14::test {
namespace {

constexpr std::size_t kEdge = std::size_t{1} << 24;

struct Read {
    readdata14_chart chart;
    std::vector<std::int32_t> kinds;
    explicit Read(const std::string& bytes) {
        const auto keep = [](const readdata14_finding* f, void* context) {
            static_cast<std::vector<std::int32_t>*>(context)->push_back(f->kind);
        };
        EXPECT_EQ(readdata14_read_memory(bytes.data(), bytes.size(), &chart, keep, &kinds), READDATA14_READ);
    }
    ~Read() { readdata14_release(&chart); }
};

// Only the findings the edge may cause: none below it, the limit above.
void ExpectLimitFinding(const Read& read, bool past) {
    if (past) {
        ASSERT_FALSE(read.kinds.empty());
        EXPECT_EQ(read.kinds.front(), READDATA14_FINDING_COUNT_LIMIT);
    } else {
        EXPECT_TRUE(read.kinds.empty());
    }
}

// Notes that are their type alone: two bytes each, eleven floats of block.
TEST(LargeCounts, NotesStopAtTheEdge) {
    for (const std::size_t declared : {kEdge - 1, kEdge, kEdge + 3}) {
        std::string text = Header() + EmptySections();
        text.resize(text.rfind("NOTES_SYMBOL:"));
        text += "NOTES_SYMBOL: " + std::to_string(declared) + "\n";
        text.reserve(text.size() + 2 * declared);
        for (std::size_t i = 0; i < declared; ++i) text += "5\n";
        const Read read(text);
        SCOPED_TRACE(declared);
        const std::size_t kept = std::min(declared, kEdge);
        ASSERT_NE(read.chart.notes.values, nullptr);
        EXPECT_EQ(read.chart.notes.values[0], static_cast<float>(kept));
        EXPECT_EQ(static_cast<std::size_t>(read.chart.notes.values[0]), kept);  // exact, not rounded
        EXPECT_EQ(read.chart.noteValuesSize, 1 + 11 * kept);
        EXPECT_EQ(read.chart.noteLengthsSize, 2 * kept);
        EXPECT_EQ(CheckChart(ViewOf(read.chart)), "");
        ExpectLimitFinding(read, declared > kEdge);
    }
}

// One line with that many points: its label value and label point count stay
// inside its record, where a host walking by the count slot expects them.
TEST(LargeCounts, LinePointsStopAtTheEdge) {
    for (const std::size_t declared : {kEdge - 1, kEdge, kEdge + 3}) {
        std::string text = Header() + "LINES: 1\n2 " + std::to_string(declared) + "\n";
        text.reserve(text.size() + 6 * declared + 200);
        for (std::size_t i = 0; i < declared; ++i) text += "0 0 0\n";
        text += "12 0\n" + EmptySections().substr(9);
        const Read read(text);
        SCOPED_TRACE(declared);
        const std::size_t kept = std::min(declared, kEdge);
        ASSERT_NE(read.chart.lines, nullptr);
        EXPECT_EQ(static_cast<std::size_t>(read.chart.lines[1]), kept);
        EXPECT_EQ(read.chart.linesSize, 1 + 2 * kept + 4);
        EXPECT_EQ(CheckChart(ViewOf(read.chart)), "");
        ExpectLimitFinding(read, declared > kEdge);
        // Below the edge the label is read; at it the line stops before it.
        EXPECT_EQ(read.chart.lines[read.chart.linesSize - 2], declared > kEdge ? NO_LABEL_VALUE : 12.0f);
    }
}

// One line of one point whose label has that many label points: the label
// point count is a float slot like any other.
TEST(LargeCounts, LabelPointsStopAtTheEdge) {
    for (const std::size_t declared : {kEdge - 1, kEdge, kEdge + 3}) {
        std::string text = Header() + "LINES: 1\n2 1\n5 6 0\n12 " + std::to_string(declared) + "\n";
        text.reserve(text.size() + 6 * declared + 200);
        for (std::size_t i = 0; i < declared; ++i) text += "0 0 0\n";
        text += EmptySections().substr(9);
        const Read read(text);
        SCOPED_TRACE(declared);
        const std::size_t kept = std::min(declared, kEdge);
        ASSERT_NE(read.chart.lines, nullptr);
        EXPECT_EQ(read.chart.lines[5], 12.0f);
        EXPECT_EQ(static_cast<std::size_t>(read.chart.lines[6]), kept);
        EXPECT_EQ(read.chart.linesSize, 7 + 2 * kept);
        EXPECT_EQ(CheckChart(ViewOf(read.chart)), "");
        ExpectLimitFinding(read, declared > kEdge);
    }
}

}  // namespace
}  // namespace readdata14::test
