// The typed view: opening, the status of a failed read, and walking every
// block layout by hand-built blocks (so that texts, dropped symbols and broken
// counts are covered whatever the readers produce).
#include "readdata14/chart.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <ranges>
#include <string>
#include <vector>

#include "support/chart_text.hpp"

namespace readdata14 {
namespace {

using test::Header;
using test::TempFile;

static_assert(std::ranges::forward_range<LineRange>);
static_assert(std::ranges::forward_range<SymbolRange>);
static_assert(std::ranges::forward_range<NoteRange>);
static_assert(std::is_nothrow_move_constructible_v<Chart> && !std::is_copy_constructible_v<Chart>);
// Ranges point into the library's arrays: algorithms may return their
// iterators from a temporary range.
static_assert(std::ranges::borrowed_range<LineRange> && std::ranges::borrowed_range<SymbolRange>);
static_assert(!std::is_same_v<decltype(std::ranges::find_if(std::declval<const Chart&>().Lines(),
                                                             [](const Line&) { return true; })),
                              std::ranges::dangling>);

template <class Layout>
RecordRange<Layout> Range(const std::vector<float>& block, detail::TextSource texts = {}) {
    return {block.data(), detail::Walk<Layout>(block.data(), block.size()).records, block.size(), texts};
}

std::vector<Point> Pts(std::span<const Point> span) { return {span.begin(), span.end()}; }

TEST(ChartOpen, TellsTheFailuresApart) {
    EXPECT_EQ(Chart::Open("/nonexistent/readdata14/chart.txt").Status(), OpenStatus::CannotOpen);
    TempFile type13("readdata14 13 x\n1 2 3 4 5\nLINES: 0\n");
    const Chart notType14 = Chart::Open(type13.Path());
    EXPECT_EQ(notType14.Status(), OpenStatus::NotType14);
    EXPECT_FALSE(notType14);
    EXPECT_TRUE(notType14.Lines().empty());
    EXPECT_EQ(Chart().Status(), OpenStatus::NotOpened);

    const Chart directory = Chart::Open(std::filesystem::temp_directory_path());
    EXPECT_EQ(directory.Status(), OpenStatus::CannotOpen);
#if defined(_WIN32)
    EXPECT_EQ(directory.SystemError(), EACCES);
#else
    EXPECT_EQ(directory.SystemError(), EISDIR);
#endif
}

// The ranges, their records and texts stay valid when the Chart moves: they
// point at the library's arrays, which move with it.
TEST(ChartOpen, RangesSurviveAMoveOfTheirChart) {
    Chart chart = Chart::Open(std::filesystem::path(READDATA14_SAMPLE_CHART));
    ASSERT_TRUE(chart);
    const SymbolRange symbols = chart.Symbols();
    const ClosedContourRange contours = chart.ClosedContours();
    const auto firstText = std::ranges::find_if(symbols, [](const Symbol& s) { return !s.text.empty(); });
    ASSERT_NE(firstText, symbols.end());
    const std::string text(firstText->text);

    const Chart moved = std::move(chart);
    EXPECT_EQ(firstText->text, text);
    std::vector<float> before, after;
    for (const auto contour : contours) before.push_back(contour.value);
    for (const auto contour : moved.ClosedContours()) after.push_back(contour.value);
    EXPECT_EQ(before, after);
    EXPECT_FALSE(before.empty());
}

// A code beyond 32 bits saturates as it is read, and its float (2^31) reads
// back as the bound, not as some other number.
TEST(ChartOpen, SaturatedCodesReadBackAtTheBound) {
    TempFile file(Header() + "LINES: 2\n99999999999 0\nNoLabel 0\n-99999999999 0\nNoLabel 0\n" +
                  test::EmptySections().substr(9));
    const Chart chart = Chart::Open(file.Path());
    ASSERT_EQ(chart.Lines().size(), 2u);
    EXPECT_EQ(chart.Lines().begin()->code, 2147483647);
    EXPECT_EQ(std::next(chart.Lines().begin())->code, -2147483647 - 1);
    EXPECT_EQ(chart.Warnings(), 2u);
}

// Findings reach a handler; one that throws ends the read, not the program.
TEST(ChartOpen, HandsFindingsToItsHandler) {
    TempFile file(Header() + "LINES: 1\n2 1\n0 0 0\nnone 0\n" + test::EmptySections().substr(9) + "extra\n");
    std::vector<std::string> kinds;
    const Chart chart = Chart::Open(file.Path(), [&kinds](const readdata14_finding& finding) {
        kinds.emplace_back(readdata14_finding_kind_name(finding.kind));
    });
    ASSERT_TRUE(chart);
    EXPECT_EQ(kinds, (std::vector<std::string>{"label-not-number", "trailing-content"}));
    EXPECT_EQ(chart.Errors(), 1u);
    EXPECT_EQ(chart.Warnings(), 1u);

    const Chart failed = Chart::Open(file.Path(), [](const readdata14_finding&) { throw std::runtime_error("x"); });
    EXPECT_EQ(failed.Status(), OpenStatus::HandlerFailed);
}

TEST(ChartOpen, AMissingLinesTagStillReads) {
    TempFile file(Header("no_lines") + "LINE: 0\n");
    const Chart chart = Chart::Open(file.Path());
    EXPECT_EQ(chart.Status(), OpenStatus::Read);
    EXPECT_EQ(chart.Description(), "no_lines");
    EXPECT_FALSE(chart.HasLines());
    EXPECT_TRUE(chart.Lines().empty());
}

TEST(ChartOpen, ReadsLinesAndMovesOwnership) {
    TempFile file(Header("two_lines") +
                  "LINES: 2\n2 3\n0 0 0 1 2 0 3 4 0\nNoLabel 0\n"
                  "5 0\n050 1\n7 8 0\n");
    Chart chart = Chart::Open(file.Path());
    ASSERT_TRUE(chart);
    Chart moved = std::move(chart);
    EXPECT_EQ(chart.Status(), OpenStatus::NotOpened);
    EXPECT_TRUE(chart.Lines().empty());

    std::vector<Line> lines(moved.Lines().begin(), moved.Lines().end());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].code, 2);
    EXPECT_EQ(Pts(lines[0].points), (std::vector<Point>{{0, 0}, {1, 2}, {3, 4}}));
    EXPECT_TRUE(IsNoLabel(lines[0].labelValue));
    EXPECT_TRUE(lines[0].labelPoints.empty());
    EXPECT_EQ(lines[1].code, 5);
    EXPECT_TRUE(lines[1].points.empty());
    EXPECT_TRUE(IsLabelCode(lines[1].labelValue));
    EXPECT_EQ(Pts(lines[1].labelPoints), (std::vector<Point>{{7, 8}}));
}

// Every section through the library: the texts land on the right records
// past a dropped symbol (type 48 at z 1.0) and a note cut short.
TEST(ChartOpen, ReadsEverySection) {
    TempFile file(Header("whole") +
                  "LINES: 0\nLINES_SYMBOL: 1\n38 0 2\n1 2 0 3 4 0\nNoText 0\n"
                  "SYMBOLS: 4\n48 1 1 0 Low\n48 2 2 1.0 Gone\n7 3 3 0 0\n60 4 4 0 R\x01n\n"
                  "CLOSED_CONTOURS: 2\n"
                  "2 5\n3 2 0 7 2 0 7 5 0 3 5 0 3 2 0\n20 0\n"
                  "1 5\n0 0 0 10 0 0 10 8 0 0 8 0 0 0 0\n10 1\n5 1 0\n"
                  "STATION_SITUATION\nWEATHER_REGION: 1\n3 3\n0 0 0 1 0 0 1 1 0\n"
                  "FILLAREA: 1\n5 1\n9 9 0\n1 2 3 4 5 6 7 8 9 10 11 12 13 2.5 15 16\n"
                  "NOTES_SYMBOL: 2\n48 1 2 0 8\nShort\n7.5 2\nab\n1 2 3 4 5 6\n"
                  "48 3 4 0 2\nxy\n0 0\n\n1 2 3 4 5 6\n");
    const Chart chart = Chart::Open(file.Path());
    ASSERT_TRUE(chart);
    EXPECT_TRUE(chart.Lines().empty() && chart.HasLines());
    ASSERT_EQ(chart.LineSymbols().size(), 1u);
    EXPECT_EQ(Pts(chart.LineSymbols().begin()->points), (std::vector<Point>{{1, 2}, {3, 4}}));

    std::vector<std::pair<std::int32_t, std::string>> symbols;
    for (const auto& symbol : chart.Symbols()) symbols.emplace_back(symbol.type, std::string(symbol.text));
    EXPECT_EQ(symbols, (std::vector<std::pair<std::int32_t, std::string>>{{48, "Low"}, {7, ""}, {60, "R n"}}));

    std::vector<float> values;
    for (const auto& contour : chart.ClosedContours()) values.push_back(contour.value);
    EXPECT_EQ(values, (std::vector<float>{10, 20}));  // nesting order: outer first
    EXPECT_EQ(std::vector<float>(chart.Levels().begin(), chart.Levels().end()), (std::vector<float>{10, 20}));
    EXPECT_EQ(chart.LevelsOrder(), LevelOrder::Rising);

    ASSERT_EQ(chart.WeatherRegions().size(), 1u);
    ASSERT_TRUE(chart.FillAreasRead());
    EXPECT_EQ(chart.FillAreas().begin()->values[13], 2.5f);

    std::vector<std::string> texts;
    for (const auto& note : chart.Notes()) {
        texts.emplace_back(note.firstText);
        texts.emplace_back(note.secondText);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Short\n", "ab", "xy", ""}));
}

TEST(ChartOpen, WithoutTheMarkerFillAreasAreNotRead) {
    TempFile file(Header() + "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nNOTES_SYMBOL: 0\n");
    const Chart chart = Chart::Open(file.Path());
    ASSERT_TRUE(chart);
    EXPECT_FALSE(chart.FillAreasRead());
    EXPECT_TRUE(chart.FillAreas().empty());
    EXPECT_FALSE(chart.HasSymbols());
}

// A bad count slot cuts the walk before its record; the records before it stay.
TEST(ChartWalk, StopsAtCountsThatAreNotWholeNumbers) {
    struct Case {
        const char* name;
        std::vector<float> block;
        std::size_t records;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases = {
        {"sound", {2, 1, 7, 1, 2, 0, 9}, 2},
        {"negative point count", {2, 1, 7, 1, 2, -1, 9}, 1},
        {"fractional point count", {2, 0.5f, 7, 1, 2}, 0},
        {"NaN point count", {1, nan, 7}, 0},
        {"huge point count", {1, 3.0e7f, 7}, 0},
        {"NaN record count", {nan}, 0},
        {"points past the block's end", {2, 1, 7, 1, 2, 5, 9, 1, 2}, 1},
        {"record count past the block's end", {3, 1, 7, 1, 2}, 1},
        {"negative record count", {-3}, 0},
        {"null block", {}, 0},
    };
    for (const auto& c : cases) {
        const float* block = c.block.empty() ? nullptr : c.block.data();
        EXPECT_EQ(detail::Walk<detail::LineSymbolLayout>(block, c.block.size()).records, c.records) << c.name;
    }
}

TEST(ChartWalk, ContourRecordsAndLevels) {
    // [n, code, flag, level, n points, value, m, m points] … K, levels
    const std::vector<float> block = {2,
                                      3, 7, 1, 2, 0, 0, 10, 0, 0, 1, 20, 1, 5, 5,
                                      1, 8, 0, 999999, 4, 4, 999999, 0,
                                      2, 10, 20};
    const auto range = Range<detail::ClosedContourLayout>(block);
    std::vector<ClosedContour> contours(range.begin(), range.end());
    ASSERT_EQ(contours.size(), 2u);
    EXPECT_EQ(contours[0].code, 7);
    EXPECT_TRUE(contours[0].valuedClosed);
    EXPECT_EQ(contours[0].levelIndex, 2);
    EXPECT_EQ(Pts(contours[0].points), (std::vector<Point>{{0, 0}, {10, 0}, {0, 1}}));
    EXPECT_EQ(contours[0].value, 20.0f);
    EXPECT_EQ(Pts(contours[0].labelPoints), (std::vector<Point>{{5, 5}}));
    EXPECT_TRUE(contours[0].IsClosed());
    EXPECT_EQ(contours[1].levelIndex, NO_LEVEL_INDEX);
    EXPECT_TRUE(contours[1].IsClosed());  // one point: closed
    EXPECT_EQ(detail::Walk<detail::ClosedContourLayout>(block.data(), block.size()).end, 23u);
}

TEST(ChartWalk, ClosedTestRoundsLikeTheReader) {
    struct Case {
        Point first, last;
        bool closed;
    };
    const std::vector<Case> cases = {
        {{0, 0}, {1.9f, 1.9f}, true},
        {{0, 0}, {2.0f, 0}, false},
        {{0, 0}, {0, -2.0f}, false},
        {{5, 5}, {5, 5}, true},
    };
    for (const auto& c : cases) {
        const Point points[] = {c.first, {100, 100}, c.last};
        const ClosedContour contour{0, false, 0, points, 0, {}};
        EXPECT_EQ(contour.IsClosed(), c.closed) << c.last.x << "," << c.last.y;
    }
}

TEST(ChartWalk, FillAreasCarrySixteenValues) {
    std::vector<float> block = {1, 1, 9, 3, 4};
    for (int i = 1; i <= 16; ++i) block.push_back(static_cast<float>(i));
    const auto range = Range<detail::FillAreaLayout>(block);
    ASSERT_EQ(range.size(), 1u);
    const FillArea& area = *range.begin();
    EXPECT_EQ(area.code, 9);
    EXPECT_EQ(Pts(area.points), (std::vector<Point>{{3, 4}}));
    EXPECT_EQ(area.values[0], 1.0f);
    EXPECT_EQ(area.values[15], 16.0f);
}

// Symbols: a dropped symbol keeps a zero lengths slot but has no record, so
// texts go to the text-type records in order, skipping zero slots.
TEST(ChartWalk, SymbolTextsSkipDroppedSlots) {
    const std::vector<float> block = {4,
                                      1, 48, 1, 2, 0,
                                      1, 7, 3, 4, 270,
                                      1, 60, 5, 6, 0,
                                      1, 61, 7, 8, 0};
    const std::int32_t lengths[] = {4, 0, 0, 3, 5};
    const char text[] = "Low#A##Ra n#";
    const detail::TextSource source{lengths, std::size(lengths), text, sizeof text - 1};
    const auto range = Range<detail::SymbolLayout>(block, source);
    std::vector<Symbol> symbols(range.begin(), range.end());
    ASSERT_EQ(symbols.size(), 4u);
    EXPECT_EQ(symbols[0].text, "Low");
    EXPECT_EQ(symbols[1].text, "");
    EXPECT_EQ(symbols[1].direction, 270.0f);
    EXPECT_EQ(symbols[1].position, (Point{3, 4}));
    EXPECT_EQ(symbols[2].text, "A#");  // a "#" inside a text stays
    EXPECT_EQ(symbols[3].text, "Ra n");
}

TEST(ChartWalk, SymbolTextsStopWhereTheTextEnds) {
    const std::vector<float> block = {2, 1, 48, 1, 2, 0, 1, 48, 3, 4, 0};
    const std::int32_t lengths[] = {9};  // claims more than the text holds
    const char text[] = "Hi#";
    const detail::TextSource source{lengths, std::size(lengths), text, sizeof text - 1};
    const auto range = Range<detail::SymbolLayout>(block, source);
    std::vector<Symbol> symbols(range.begin(), range.end());
    ASSERT_EQ(symbols.size(), 2u);
    EXPECT_EQ(symbols[0].text, "Hi");
    EXPECT_EQ(symbols[1].text, "");
}

TEST(ChartWalk, NotesTakeTwoSlotsEach) {
    std::vector<float> block = {2, 1, 48, 1, 2, 3.5f, 1, 2, 3, 4, 5, 6, 1, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::int32_t lengths[] = {6, 1, 0, 0};
    const char text[] = "Hello##";
    const detail::TextSource source{lengths, std::size(lengths), text, sizeof text - 1};
    const auto range = Range<detail::NoteLayout>(block, source);
    auto it = range.begin();
    EXPECT_EQ(it->type, 48);
    EXPECT_EQ(it->position, (Point{1, 2}));
    EXPECT_EQ(it->value, 3.5f);
    EXPECT_EQ(it->values[5], 6.0f);
    EXPECT_EQ(it->firstText, "Hello");
    EXPECT_EQ(it->secondText, "");
    ++it;
    EXPECT_EQ(it->type, 5);
    EXPECT_EQ(it->firstText, "");
    EXPECT_EQ(++it, range.end());
}

TEST(ChartWalk, IteratorsArePassesOfTheirOwn) {
    const std::vector<float> block = {2, 1, 48, 1, 2, 0, 1, 48, 3, 4, 0};
    const std::int32_t lengths[] = {2, 2};
    const char text[] = "a#b#";
    const detail::TextSource source{lengths, std::size(lengths), text, sizeof text - 1};
    const auto range = Range<detail::SymbolLayout>(block, source);
    auto first = range.begin();
    auto copy = first;
    ++first;
    EXPECT_EQ(copy->text, "a");
    EXPECT_EQ(first->text, "b");
    EXPECT_EQ(std::ranges::distance(range), 2);
}

}  // namespace
}  // namespace readdata14
