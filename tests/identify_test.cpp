// readdata14_identify: what a GIS driver claims by its first bytes. Charts
// are claimed, tables and other files are refused with a reason, and bytes
// that end before they tell ask for more; never a chart refused on a prefix.
#include "readdata14/readdata14.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/chart_text.hpp"

namespace readdata14::test {
namespace {

struct Verdict {
    readdata14_identity identity;
    std::string reason;
};

Verdict Identify(std::string_view bytes, bool wholeFile) {
    char reason[200];
    const readdata14_identity identity = readdata14_identify(bytes.data(), bytes.size(), wholeFile, reason, sizeof reason);
    return {identity, reason};
}

readdata14_status ReadStatus(std::string_view bytes) {
    readdata14_chart chart;
    const readdata14_status status = readdata14_read_memory(bytes.data(), bytes.size(), &chart, nullptr, nullptr);
    readdata14_release(&chart);
    return status;
}

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> RealCharts() {
    std::vector<std::string> charts{Slurp(READDATA14_SAMPLE_CHART)};
    for (const auto& entry : std::filesystem::directory_iterator(READDATA14_TEST_DATA)) {
        if (entry.path().extension() == ".txt") charts.push_back(Slurp(entry.path()));
    }
    return charts;
}

TEST(Identify, ClaimsEveryChartWholeOrByItsFirstBytes) {
    for (const std::string& chart : RealCharts()) {
        EXPECT_EQ(Identify(chart, true).identity, READDATA14_IS_CHART) << chart.substr(0, 40);
        EXPECT_EQ(Identify(chart.substr(0, 200), false).identity, READDATA14_IS_CHART) << chart.substr(0, 40);
    }
}

// Whole files. A claim agrees with the reader: what is claimed reads.
TEST(Identify, RefusesOtherFilesWithAReason) {
    struct Case {
        const char* name;
        std::string bytes;
        readdata14_identity identity;
        const char* reason;  // a part of it
    };
    const Case cases[] = {
        {"csv", "station,lat,lon\n58362,31.4,121.5\n", READDATA14_NOT_CHART, "58362"},
        {"a whitespace table with 14 in its second column", "a 14 b 1 2 3 4 5\nc 14 d 1 2 3 4 5\n",
         READDATA14_NOT_CHART, "no section tag"},
        {"xyz rows", "1.0 2.0 3.0\n4.0 5.0 6.0\n", READDATA14_NOT_CHART, "is 2, not 14"},
        {"xyz rows with 14.0", "1.0 14.0 3.0\n4.0 5.0 6.0\n", READDATA14_NOT_CHART, "no section tag"},
        {"type 13", "x 13 d\n1 2 3 4 5\nLINES: 0\n", READDATA14_NOT_CHART, "is 13, not 14"},
        {"type 15", "x 15 d\nLINES: 0\n", READDATA14_NOT_CHART, "is 15, not 14"},
        {"type -14", "X -14 d\nLINES: 0\n", READDATA14_NOT_CHART, "is -14, not 14"},
        {"a word for the type", "x fourteen d\nLINES: 0\n", READDATA14_NOT_CHART, "'fourteen'"},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), READDATA14_NOT_CHART, "first token"},
        {"zeros", std::string(64, '\0'), READDATA14_NOT_CHART, ""},
        {"empty", "", READDATA14_NOT_CHART, "empty"},
        {"blanks", " \n\t\n", READDATA14_NOT_CHART, "empty"},
        {"header alone", "x 14 d\n1 2 3 4 5\n", READDATA14_NOT_CHART, "no section tag"},
        {"a tag in lower case", "x 14 d\nlines: 0\n", READDATA14_NOT_CHART, "no section tag"},
        {"+14", "x +14 d\nLINES: 0\n", READDATA14_IS_CHART, ""},
        {"014", "x 014 d\nLINES: 0\n", READDATA14_IS_CHART, ""},
        // "%d" takes the 14 and the rest of the token is the description.
        {"14abc", "x 14abc d\nLINES: 0\n", READDATA14_IS_CHART, ""},
        {"the marker alone", "x 14 d\nSTATION_SITUATION\n", READDATA14_IS_CHART, ""},
        {"a tag after other content", "x 14 d\n1 2 3 4 5 junk\nNOTES_SYMBOL: 0\n", READDATA14_IS_CHART, ""},
        {"CR LF", "x 14 d\r\n1 2 3 4 5\r\nLINES: 0\r\n", READDATA14_IS_CHART, ""},
    };
    for (const Case& c : cases) {
        const Verdict verdict = Identify(c.bytes, true);
        EXPECT_EQ(verdict.identity, c.identity) << c.name << ": " << verdict.reason;
        EXPECT_NE(verdict.reason.find(c.reason), std::string::npos) << c.name << ": " << verdict.reason;
        EXPECT_EQ(verdict.reason.empty(), c.identity != READDATA14_NOT_CHART) << c.name;
        if (c.identity == READDATA14_IS_CHART) {
            EXPECT_EQ(ReadStatus(c.bytes), READDATA14_READ) << c.name;
        }
    }
}

// First bytes that end before they tell.
TEST(Identify, AsksForMoreWhereTheBytesMayGoOn) {
    struct Case {
        std::string bytes;
        readdata14_identity identity;
    };
    const Case cases[] = {
        {"", READDATA14_NEEDS_MORE},
        {"readdata", READDATA14_NEEDS_MORE},
        {"readdata14 ", READDATA14_NEEDS_MORE},
        {"readdata14 1", READDATA14_NEEDS_MORE},   // 14 may follow
        {"readdata14 +", READDATA14_NEEDS_MORE},
        {"readdata14 15 ", READDATA14_NOT_CHART},  // the type has ended
        {"readdata14 14 desc", READDATA14_NEEDS_MORE},
        {"readdata14 14 desc\n1 2 3 4 5\nLIN", READDATA14_NEEDS_MORE},
        {"readdata14 14 desc\n1 2 3 4 5\nLINES:", READDATA14_NEEDS_MORE},  // may be "LINES:x"
        {"readdata14 14 desc\n1 2 3 4 5\nLINES: ", READDATA14_IS_CHART},
        {"readdata14 15 desc\x1a more", READDATA14_NOT_CHART},  // a Ctrl-Z ends the file
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Identify(c.bytes, false).identity, c.identity) << c.bytes;
        EXPECT_NE(Identify(c.bytes, true).identity, READDATA14_NEEDS_MORE) << c.bytes;
    }
    char reason[8] = "xxxxxxx";
    EXPECT_EQ(readdata14_identify("x 15 d\n", 7, 1, reason, sizeof reason), READDATA14_NOT_CHART);
    EXPECT_EQ(std::string(reason), "the sec");  // cut to the room given
    EXPECT_EQ(readdata14_identify("x 15 d\n", 7, 1, nullptr, 0), READDATA14_NOT_CHART);
    EXPECT_EQ(readdata14_identify(nullptr, 0, 1, reason, sizeof reason), READDATA14_NOT_CHART);
}

// Random first bytes of real charts: never refused, and what is claimed reads.
TEST(Identify, NeverRefusesAChartOnAPrefix) {
    std::mt19937 rng(14);
    for (const std::string& chart : RealCharts()) {
        const std::size_t firstTag = chart.find("LINES:");
        std::vector<std::size_t> lengths;
        for (std::size_t n = 0; n <= std::min(chart.size(), firstTag + 20); ++n) lengths.push_back(n);
        for (int i = 0; i < 100; ++i) lengths.push_back(std::uniform_int_distribution<std::size_t>(0, chart.size())(rng));
        for (const std::size_t n : lengths) {
            const std::string_view prefix(chart.data(), n);
            const Verdict verdict = Identify(prefix, false);
            EXPECT_NE(verdict.identity, READDATA14_NOT_CHART) << n << ": " << verdict.reason << "\n" << prefix;
            if (verdict.identity == READDATA14_IS_CHART) {
                EXPECT_EQ(ReadStatus(prefix), READDATA14_READ) << n;
            }
        }
    }
}

}  // namespace
}  // namespace readdata14::test
