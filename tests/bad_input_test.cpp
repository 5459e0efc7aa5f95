// Over-long tokens (1 MB) in every position of a chart: each is read whole,
// in time proportional to its length (no assertion on time: a quadratic scan
// of a megabyte would not finish), never equals a tag, and every block handed
// back still walks to its end on both read paths.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "reading/reading_rules.hpp"
#include "support/chart_check_gtest.hpp"

namespace readdata14::test {
namespace {

constexpr std::size_t kLong = 1 << 20;

// A chart with every section, each place a token can stand in named by a
// field; the defaults give a small valid chart.
struct Places {
    std::string description = "chart";
    std::string linesTag = "LINES:";
    std::string lineCount = "1";
    std::string coordinate = "1";
    std::string label = "NoLabel";
    std::string lineSymbolText = "t";
    std::string symbolText = "Low";
    std::string contourLabel = "5";
    std::string stationContent = "content";
    std::string fillAreaTag = "FILLAREA:";
    std::string noteLength = "2";
    std::string noteText = "ab";
    std::string notesTag = "NOTES_SYMBOL:";
};

std::string ChartWith(const Places& p) {
    return "readdata14 14 " + p.description + "\n1 2 3 4 5\n" +
           p.linesTag + " " + p.lineCount + "\n1 2\n0 0 0 " + p.coordinate + " 1 0\n" +
           p.label + " 1\n5 5 0\n"
           "LINES_SYMBOL: 1\n38 0 2\n1 1 0 2 2 0\n" + p.lineSymbolText + " 0\n"
           "SYMBOLS: 2\n48 1 2 0 " + p.symbolText + "\n7 1 2 0 1.5\n"
           "CLOSED_CONTOURS: 1\n7 4\n0 0 0 10 0 0 10 10 0 0 0 0\n" + p.contourLabel + " 0\n"
           "STATION_SITUATION " + p.stationContent + "\nWEATHER_REGION: 1\n3 2\n1 1 0 2 2 0\n" +
           p.fillAreaTag + " 1\n5 1\n1 1 0\n1 2 3 4 5 6 7 8 9 10 11 12 13 2.5 14 15\n" +
           p.notesTag + " 1\n48 1 2 0 " + p.noteLength + "\n" + p.noteText +
           "\n0.5 2\ncd\n1 2 3 4 5 6\n";
}

std::string Long(std::string_view head, char fill) {
    std::string token(head);
    token.append(kLong, fill);
    return token;
}

struct LongTokenCase {
    std::function<void(Places&)> place;
    std::function<void(const ChartData&)> expect;
};

const std::map<std::string, LongTokenCase>& LongTokenCases() {
    static const std::map<std::string, LongTokenCase> cases = {
        {"description",
         {[](Places& p) { p.description = Long("", 'd'); },
          [](const ChartData& c) {
              EXPECT_EQ(std::strlen(c.description.get()), kLong);
              ASSERT_NE(c.lines, nullptr);
              EXPECT_EQ(c.lines[0], 1.0f);
          }}},
        {"lines tag",
         {[](Places& p) { p.linesTag = Long("LINES:", 'x'); },
          [](const ChartData& c) { EXPECT_EQ(c.lines, nullptr); }}},
        {"line count",
         {[](Places& p) { p.lineCount = Long("1", '0'); }, [](const ChartData&) {}}},
        {"coordinate",
         {[](Places& p) { p.coordinate = Long("1.", '0'); },
          [](const ChartData& c) {
              ASSERT_NE(c.lines, nullptr);
              EXPECT_EQ(c.lines[5], 1.0f);  // [1 | 2, 1, 0, 0, x1 ...]
          }}},
        {"line label",
         {[](Places& p) { p.label = Long("12", 'x'); },
          [](const ChartData& c) {
              ASSERT_NE(c.lines, nullptr);
              EXPECT_EQ(c.lines[7], 12.0f);  // a long label converts as usual
          }}},
        {"line symbol text",
         {[](Places& p) { p.lineSymbolText = Long("t", 't'); },
          [](const ChartData& c) {
              ASSERT_NE(c.lineSymbols, nullptr);
              EXPECT_EQ(c.lineSymbols[0], 1.0f);
              ASSERT_NE(c.symbols.values, nullptr);
          }}},
        {"symbol text",
         {[](Places& p) { p.symbolText = Long("", 's'); },
          [](const ChartData& c) {
              ASSERT_NE(c.symbols.lengths, nullptr);
              EXPECT_EQ(c.symbols.lengths[0], static_cast<std::int32_t>(kLong + 1));
              EXPECT_EQ(std::strlen(c.symbols.text.get()), kLong + 1);
          }}},
        {"contour label",
         {[](Places& p) { p.contourLabel = Long("5", 'x'); },
          [](const ChartData& c) {
              ASSERT_NE(c.closedContours, nullptr);
              EXPECT_EQ(c.closedContours[0], 1.0f);
          }}},
        {"station situation content",
         {[](Places& p) { p.stationContent = Long("WEATHER_REGION:", 'w'); },
          [](const ChartData& c) {
              ASSERT_NE(c.weatherRegions, nullptr);
              EXPECT_EQ(c.weatherRegions[0], 1.0f);
              EXPECT_TRUE(c.fillAreasRead);
          }}},
        {"fill area tag",
         {[](Places& p) { p.fillAreaTag = Long("FILLAREA:", 'f'); },
          [](const ChartData& c) {
              ASSERT_NE(c.fillAreas, nullptr);
              EXPECT_EQ(c.fillAreas[0], 0.0f);
          }}},
        {"note text",
         {[](Places& p) {
              p.noteLength = std::to_string(kLong);
              p.noteText = Long("", 'n');
          },
          [](const ChartData& c) {
              ASSERT_NE(c.notes.text, nullptr);
              EXPECT_GE(std::strlen(c.notes.text.get()), kLong);  // stored whole
          }}},
        {"notes tag",
         {[](Places& p) { p.notesTag = Long("NOTES_SYMBOL:", 'n'); },
          [](const ChartData& c) { EXPECT_TRUE(c.notes.Untouched()); }}},
        {"every place at once",
         {[](Places& p) {
              for (auto* field : {&p.description, &p.label, &p.lineSymbolText, &p.symbolText,
                                  &p.contourLabel, &p.stationContent}) {
                  *field = Long(*field, 'z');
              }
              p.coordinate = Long("1.", '0');
              p.noteLength = std::to_string(kLong);
              p.noteText = Long("", 'n');
          },
          [](const ChartData& c) { EXPECT_NE(c.description, nullptr); }}},
    };
    return cases;
}

TEST(BadInput, LongTokensAreReadWholeAndLeaveWalkableBlocks) {
    for (const auto& [name, testCase] : LongTokenCases()) {
        SCOPED_TRACE(name);
        Places places;
        testCase.place(places);
        const BothReads read(ChartWith(places));
        read.ExpectSound();
        testCase.expect(read.Chart());
    }
}

TEST(BadInput, TheBaseChartOfTheLongTokenCasesReadsWhole) {
    const BothReads read(ChartWith(Places{}));
    read.ExpectSound();
    const ChartData& c = read.Chart();
    ASSERT_NE(c.lines, nullptr);
    EXPECT_EQ(c.lines[7], NO_LABEL_VALUE);
    const float* counts[] = {c.lines.get(), c.lineSymbols.get(), c.closedContours.get(),
                             c.weatherRegions.get(), c.fillAreas.get(), c.notes.values.get()};
    for (const float* block : counts) {
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block[0], 1.0f);
    }
    ASSERT_NE(c.symbols.values, nullptr);
    EXPECT_EQ(c.symbols.values[0], 2.0f);
}

}  // namespace
}  // namespace readdata14::test
