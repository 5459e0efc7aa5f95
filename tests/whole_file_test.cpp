// Whole chart files end to end, through the read driver and through the C
// export: every output where the caller expects it, the same with CR LF line
// ends, and blocks that walk to their end however the file is cut.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "readdata14/readdata14.h"
#include "support/chart_check.hpp"
#include "support/chart_text.hpp"
#include "support/section_cases.hpp"

namespace readdata14::test {
namespace {

// Every output of one read, copied out by walking each block, so that reads
// through the driver and through the C export compare as values.
struct TextOutput {
    bool untouched = true;
    std::vector<float> values;
    std::vector<std::int32_t> lengths;
    std::string text;
    bool operator==(const TextOutput&) const = default;
};

struct Outputs {
    std::vector<float> lines;
    std::string description;
    std::vector<float> lineSymbols;
    std::vector<float> closedContours;
    TextOutput symbols;
    std::vector<float> weatherRegions;
    bool fillAreasWritten = false;
    std::vector<float> fillAreas;
    TextOutput notes;
    bool operator==(const Outputs&) const = default;
};

template <typename T>
void PrintList(std::ostream* os, const char* name, const std::vector<T>& list) {
    *os << "\n  " << name << ":";
    for (const T& v : list) *os << ' ' << v;
}

void PrintTo(const TextOutput& t, std::ostream* os, const char* name) {
    *os << "\n  " << name << (t.untouched ? " untouched" : "");
    PrintList(os, "values", t.values);
    PrintList(os, "lengths", t.lengths);
    *os << "\n    text: \"" << t.text << '"';
}

void PrintTo(const Outputs& o, std::ostream* os) {
    PrintList(os, "lines", o.lines);
    *os << "\n  description: " << o.description;
    PrintList(os, "lineSymbols", o.lineSymbols);
    PrintList(os, "closedContours", o.closedContours);
    PrintTo(o.symbols, os, "symbols");
    PrintList(os, "weatherRegions", o.weatherRegions);
    *os << "\n  fillAreas " << (o.fillAreasWritten ? "written" : "untouched");
    PrintList(os, "fillAreas", o.fillAreas);
    PrintTo(o.notes, os, "notes");
}

// Symbols keep a lengths slot for each symbol read, dropped ones included,
// which the block does not tell: the test names how many there are.
TextOutput CopyText(const float* values, const std::int32_t* lengths, const char* text, Layout layout,
                    std::size_t slots) {
    TextOutput out;
    out.untouched = values == nullptr && lengths == nullptr && text == nullptr;
    if (out.untouched) return out;
    out.values = Walked(layout, values);
    out.lengths = Slots(lengths, slots);
    out.text = text ? text : "";
    return out;
}

std::size_t NoteSlots(const float* values) { return values ? 2 * static_cast<std::size_t>(values[0]) : 0; }

Outputs FromChart(const ChartData& chart, std::size_t symbolSlots) {
    Outputs out;
    out.lines = Walked(Layout::Lines, chart.lines.get());
    out.description = chart.description ? chart.description.get() : "";
    out.lineSymbols = Walked(Layout::PointList, chart.lineSymbols.get());
    out.closedContours = Walked(Layout::ClosedContours, chart.closedContours.get());
    out.symbols = CopyText(chart.symbols.values.get(), chart.symbols.lengths.get(), chart.symbols.text.get(),
                           Layout::Symbols, symbolSlots);
    out.weatherRegions = Walked(Layout::PointList, chart.weatherRegions.get());
    out.fillAreasWritten = chart.fillAreasRead;
    out.fillAreas = Walked(Layout::FillAreas, chart.fillAreas.get());
    out.notes = CopyText(chart.notes.values.get(), chart.notes.lengths.get(), chart.notes.text.get(), Layout::Notes,
                         NoteSlots(chart.notes.values.get()));
    return out;
}

// One call of the C export on `bytes`, released again with the release export.
// The caller's records and fill-area location start out holding junk, as a
// host's might: the read must overwrite the records, and leave the fill-area
// location alone when it reads no fill areas.
Outputs ThroughExport(std::string_view bytes, std::size_t symbolSlots) {
    TempFile file(bytes);
    float junk[1] = {-5.0f};
    char* description = nullptr;
    float* lineSymbols = nullptr;
    float* closedContours = nullptr;
    float* weatherRegions = nullptr;
    float* fillAreas = junk;
    FloatTextBlock symbols{junk, nullptr, nullptr};
    FloatTextBlock notes{junk, nullptr, nullptr};
    float* lines = ReadZenparData14(file.Path(), &description, &lineSymbols, &closedContours, &symbols,
                                    &weatherRegions, &fillAreas, &notes);
    Outputs out;
    out.lines = Walked(Layout::Lines, lines);
    out.description = description ? description : "";
    out.lineSymbols = Walked(Layout::PointList, lineSymbols);
    out.closedContours = Walked(Layout::ClosedContours, closedContours);
    out.symbols = CopyText(symbols.values, symbols.lengths, symbols.text, Layout::Symbols, symbolSlots);
    out.weatherRegions = Walked(Layout::PointList, weatherRegions);
    out.fillAreasWritten = fillAreas != junk;
    if (out.fillAreasWritten) out.fillAreas = Walked(Layout::FillAreas, fillAreas);
    out.notes = CopyText(notes.values, notes.lengths, notes.text, Layout::Notes, NoteSlots(notes.values));
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions,
                        out.fillAreasWritten ? fillAreas : nullptr, &notes);
    EXPECT_EQ(symbols.values, nullptr);
    EXPECT_EQ(notes.text, nullptr);
    return out;
}

std::string Load(const char* name) {
    std::ifstream in(std::string(READDATA14_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string WithCrLf(std::string_view lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

Outputs Expected(std::vector<float> lines, std::string description, std::vector<float> lineSymbols,
                 TextOutput symbols, std::vector<float> weatherRegions, bool fillAreasWritten,
                 std::vector<float> fillAreas, TextOutput notes) {
    return {std::move(lines), std::move(description), std::move(lineSymbols), {0, 0}, std::move(symbols),
            std::move(weatherRegions), fillAreasWritten, std::move(fillAreas), std::move(notes)};
}

struct ChartFile {
    const char* name;
    std::size_t symbolSlots;
    Outputs expected;
};

void PrintTo(const ChartFile& c, std::ostream* os) { *os << c.name; }

std::vector<ChartFile> ChartFiles() {
    const TextOutput untouched;
    std::vector<float> thinnedRegion{250, 2};
    for (int i = 0; i < 250; ++i) thinnedRegion.insert(thinnedRegion.end(), {31, 41});
    std::vector<float> regions{2, 1, 1, 30, 40};
    regions.insert(regions.end(), thinnedRegion.begin(), thinnedRegion.end());
    return {
        {"all_empty.txt", 0, Expected({0}, "test_chart", {0}, untouched, {0}, true, {0}, untouched)},
        {"every_section.txt", 4,
         Expected({2, 3, 1, 100, 200, 110.5f, 205, 121, 207.5f, 1012, 1, 110, 206, 2, 4, 90, 180, 95, 185, 999999, 0},
                  "Every_section_chart", {2, 2, 7, 140, 150, 145.5f, 155.25f, 0, 38},
                  {false, {3, 1, 48, 120, 160, 0, 1, 60, 130, 170, 0, 1, 7, 125, 165, 212.70422f}, {4, 0, 7, 0},
                   "Low#Rain#2#"},
                  {2, 3, 3, 60, 60, 70, 60, 70, 70, 0, 5}, true,
                  {2, 3, 5, 10, 10, 20, 10, 15, 18, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 2.5f, -1, 16,
                   0, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.75f, 0, 1},
                  {false, {2, 1, 48, 50, 50, 1.5f, 1, 2, 3, 4, 5, 6, 1, 48, 60, 55, 2, 0, 0, 0, 0, 0, 0},
                   {6, 12, 1, 4}, "Hello#Cold winter##Fog#"})},
        {"no_station_situation.txt", 1,
         Expected({0}, "No_station_situation", {0}, {false, {1, 1, 61, 10, 20, 0}, {6}, "Front#"}, {0}, false, {},
                  {false, {1, 1, 48, 5, 6, 0.5f, 1, 1, 1, 1, 1, 1}, {5, 4}, "Mist#Dew#"})},
        {"texts_and_thinning.txt", 5,
         Expected({1, 2, 2, 1, 1, 2, 2, 3200050, 0}, "Texts_and_thinning", {1, 2, 12, 0, 0, 1.0f, 0.2f},
                  {false,
                   {5, 1, 61, 1, 2, 0, 1, 62, 3, 4, 0, 1, 48, 5, 6, 0, 1, 9, 7, 8, -90.00001f, 1, 9, 7, 8, 89.99999f},
                   {4, 3, 5, 0, 0}, "A B##5#Kept#"},
                  regions, true, {0},
                  {false,
                   {3, 1, 17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 48, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 48, 2, 3, 1, 0, 0, 0, 0, 0, 0},
                   {0, 0, 7, 1, 4, 10}, "Short\n##Two#two words#"})},
    };
}

class WholeFile : public testing::TestWithParam<ChartFile> {};

TEST_P(WholeFile, DriverGivesEveryOutput) {
    const ChartFile& c = GetParam();
    ChartData chart;
    ASSERT_EQ(ReadText(Load(c.name), chart), ChartStatus::Read);
    EXPECT_EQ(FromChart(chart, c.symbolSlots), c.expected);
}

TEST_P(WholeFile, ExportGivesTheSameAsTheDriver) {
    const ChartFile& c = GetParam();
    EXPECT_EQ(ThroughExport(Load(c.name), c.symbolSlots), c.expected);
}

TEST_P(WholeFile, CrLfLineEndsReadLikeLf) {
    const ChartFile& c = GetParam();
    EXPECT_EQ(ThroughExport(WithCrLf(Load(c.name)), c.symbolSlots), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Files, WholeFile, testing::ValuesIn(ChartFiles()), [](const auto& info) {
    std::string name = info.param.name;
    return name.substr(0, name.find('.'));
});

// The all-empty chart built in the test, as the C export hands it over:
// the empty block everywhere, 0, 0 for the contours, three nulls per record.
TEST(WholeFileExport, AllEmptyChartExactly) {
    TempFile file(Header() + EmptySections());
    char* description = nullptr;
    float* lineSymbols = nullptr;
    float* closedContours = nullptr;
    float* weatherRegions = nullptr;
    float* fillAreas = nullptr;
    char junk = 'j';
    FloatTextBlock symbols{nullptr, nullptr, &junk};
    FloatTextBlock notes{nullptr, nullptr, &junk};
    float* lines = ReadZenparData14(file.Path(), &description, &lineSymbols, &closedContours, &symbols,
                                    &weatherRegions, &fillAreas, &notes);
    EXPECT_EQ(Floats(lines, 1), std::vector<float>{0});
    EXPECT_STREQ(description, "test_chart");
    EXPECT_EQ(Floats(lineSymbols, 1), std::vector<float>{0});
    EXPECT_EQ(Floats(closedContours, 2), (std::vector<float>{0, 0}));
    EXPECT_EQ(Floats(weatherRegions, 1), std::vector<float>{0});
    EXPECT_EQ(Floats(fillAreas, 1), std::vector<float>{0});
    for (const FloatTextBlock* record : {&symbols, &notes}) {
        EXPECT_EQ(record->values, nullptr);
        EXPECT_EQ(record->lengths, nullptr);
        EXPECT_EQ(record->text, nullptr);
    }
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions, fillAreas, &notes);
}

// Without the marker the next token is taken for it: a NOTES_SYMBOL tag
// standing there is lost and the notes are not read.
TEST(WholeFileDriver, NotesTagLostWithoutMarker) {
    ChartData chart;
    ASSERT_EQ(ReadText(Header() + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 0 CLOSED_CONTOURS: 0 "
                                  "NOTES_SYMBOL: 1 48 1 2 0 1 a 0 1 b 0 0 0 0 0 0",
                       chart),
              ChartStatus::Read);
    EXPECT_FALSE(chart.fillAreasRead);
    EXPECT_EQ(Walked(Layout::PointList, chart.weatherRegions.get()), std::vector<float>{0});
    EXPECT_TRUE(chart.notes.Untouched());
}

// Every block walks to its end and the note texts agree with their lengths.
// Every block, lines and closed contours included, walks by its own slots
// to exactly its end, and the texts agree with their lengths.
void ExpectWalkable(const ChartData& chart) { EXPECT_EQ(CheckChart(ViewOf(chart)), ""); }

// However the file is cut or a byte of it spoilt, nothing reads out of bounds
// (see the sanitizer run) and every block still walks.
TEST(WholeFileBroken, EveryPrefixGivesWalkableBlocks) {
    for (const char* name : {"every_section.txt", "no_station_situation.txt"}) {
        const std::string bytes = Load(name);
        for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
            ChartData chart;
            if (ReadText(std::string_view(bytes).substr(0, cut), chart) == ChartStatus::Read) ExpectWalkable(chart);
        }
    }
}

TEST(WholeFileBroken, EveryByteSpoiltGivesWalkableBlocks) {
    const std::string bytes = Load("every_section.txt");
    for (const char bad : {'X', '\0', ' ', '\n', '-', '9'}) {
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            SCOPED_TRACE("byte " + std::to_string(at) + " set to " + std::to_string(int(bad)));
            std::string spoilt = bytes;
            spoilt[at] = bad;
            ChartData chart;
            if (ReadText(spoilt, chart) == ChartStatus::Read) ExpectWalkable(chart);
        }
    }
}

}  // namespace
}  // namespace readdata14::test
