// Early verdicts on the first bytes of a file. The loader stops at a verdict
// (no chart, or a whole header for a header-only read), and a GIS driver
// claims files by their first bytes: a prefix cut at any byte must never
// decide otherwise than the whole file, and a header judged whole must read
// as the whole file's header.
#include "readdata14/readdata14.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "driver/chart_reader.hpp"
#include "reading/text_input.hpp"

namespace readdata14::test {
namespace {

constexpr std::string_view kEmptySections =
    "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nSTATION_SITUATION\n"
    "WEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n";

struct Read {
    ChartStatus status;
    ChartData chart;
};

Read ReadText(std::string_view bytes, bool headerOnly) {
    std::string text(bytes);
    ApplyTextMode(text);
    Read read{ChartStatus::NotType14, {}};
    read.status = ReadChart(text, read.chart, nullptr, headerOnly);
    return read;
}

std::string Header(const ChartData& chart) {
    std::string header(chart.firstToken.get(), chart.firstTokenSize);
    header += '|';
    header.append(chart.description.get(), chart.descriptionSize);
    for (std::size_t i = 0; i < chart.headerIntegerCount; ++i) header += '|' + std::to_string(chart.headerIntegers[i]);
    return header;
}

readdata14_identity Identify(std::string_view bytes, bool wholeFile) {
    char reason[200];
    return readdata14_identify(bytes.data(), bytes.size(), wholeFile, reason, sizeof reason);
}

TEST(HeaderPrefix, NoPrefixDecidesOtherwiseThanTheWholeFile) {
    using namespace std::string_literals;
    const std::string headers[] = {
        "readdata14 +14 seed\n1 2 3 4 5\n",  // a sign that alone is no number
        "h 014 d\t1\t2\t3\t4\t5\r\n",        // a leading zero, tabs, CR LF
        "h 14 d 1 2 +3 -4 5 ",               // signs in the integers
        "h 14 d 1 2 99999999999 4 5\n",      // an integer that saturates
        "h 14 d 1 2\n",                      // fewer integers than five
        "h 14 d\n",                          // no integers at all
        "h 14 d 1 2\x1a 3 4 5\n",            // Ctrl-Z ends the file in text mode
        "h 14 de\0scription 1 2 3 4 5\n"s,   // a NUL byte ends the token's text
        "+ 14 d 1 2 3 4 5\n",                // a first token that is a sign
        "h -14 d 1 2 3 4 5\n",               // no chart: the type is -14
        "h 1 d 1 2 3 4 5\n",                 // no chart: 1, a prefix of 14
        "h + d 1 2 3 4 5\n",                 // no chart: a sign alone
        "h 140 d\n",                         // no chart: 14 goes on
    };
    for (const std::string& header : headers) {
        for (const bool withSections : {true, false}) {
            const std::string chart = withSections ? header + std::string(kEmptySections) : header;
            const Read whole = ReadText(chart, false);
            const readdata14_identity wholeIdentity = Identify(chart, true);
            for (std::size_t n = 0; n <= chart.size(); ++n) {
                const std::string_view prefix(chart.data(), n);
                SCOPED_TRACE(::testing::Message() << "prefix of " << n << " bytes of " << testing::PrintToString(chart));
                const HeaderVerdict verdict = JudgeHeader(prefix, false);
                if (verdict == HeaderVerdict::NotType14) {
                    EXPECT_EQ(whole.status, ChartStatus::NotType14);
                }
                if (verdict == HeaderVerdict::Type14) {
                    ASSERT_EQ(whole.status, ChartStatus::Read);
                    const Read early = ReadText(prefix, true);
                    ASSERT_EQ(early.status, ChartStatus::Read);
                    EXPECT_EQ(Header(early.chart), Header(whole.chart));
                }
                if (wholeIdentity == READDATA14_IS_CHART) {
                    EXPECT_NE(Identify(prefix, false), READDATA14_NOT_CHART);
                }
            }
            // Whole, the bytes decide.
            EXPECT_NE(JudgeHeader(chart, true), HeaderVerdict::Undecided);
        }
    }
}

}  // namespace
}  // namespace readdata14::test
