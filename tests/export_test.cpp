// The C export: what it writes, what it leaves alone, and its release.
#include "readdata14/readdata14.h"

#include <gtest/gtest.h>

#include <string>

#include "support/chart_text.hpp"

namespace {

using readdata14::test::EmptySections;
using readdata14::test::Header;
using readdata14::test::TempFile;

// Outputs preset to markers, so a test can tell written from untouched.
struct Outputs {
    float marker[1] = {-1};
    char markerText[2] = "?";
    std::int32_t markerLengths[1] = {-1};

    char* description = markerText;
    float* lineSymbols = marker;
    float* closedContours = marker;
    FloatTextBlock symbols{marker, markerLengths, markerText};
    float* weatherRegions = marker;
    float* fillAreas = marker;
    FloatTextBlock notes{marker, markerLengths, markerText};
    float* lines = nullptr;

    void Read(const char* path) {
        lines = ReadZenparData14(path, &description, &lineSymbols, &closedContours, &symbols, &weatherRegions,
                                 &fillAreas, &notes);
    }
    bool NothingWritten() const {
        return description == markerText && lineSymbols == marker && closedContours == marker &&
               symbols.values == marker && weatherRegions == marker && fillAreas == marker && notes.values == marker &&
               notes.text == markerText;
    }
    void Release() {
        ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions,
                            fillAreas == marker ? nullptr : fillAreas, &notes);
    }
};

TEST(ReadZenparData14, WritesNothingWhenTheFileIsNotAChart) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"type 13", "x 13 d 1 2 3 4 5 " + EmptySections()},
        {"two header tokens only", "x 14"},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        TempFile file(c.bytes);
        Outputs out;
        out.Read(file.Path());
        EXPECT_EQ(out.lines, nullptr) << c.name;
        EXPECT_TRUE(out.NothingWritten()) << c.name;
    }
    Outputs missing;
    missing.Read("/nonexistent/readdata14/chart.txt");
    EXPECT_EQ(missing.lines, nullptr);
    EXPECT_TRUE(missing.NothingWritten());
}

TEST(ReadZenparData14, RoutesEveryResultToItsLocation) {
    TempFile file(Header("abc") + EmptySections());
    Outputs out;
    out.Read(file.Path());
    ASSERT_NE(out.lines, nullptr);
    EXPECT_EQ(out.lines[0], 0.0f);
    EXPECT_STREQ(out.description, "abc");
    ASSERT_NE(out.lineSymbols, out.marker);
    ASSERT_NE(out.lineSymbols, nullptr);
    EXPECT_EQ(out.lineSymbols[0], 0.0f);
    ASSERT_NE(out.closedContours, out.marker);
    ASSERT_NE(out.closedContours, nullptr);
    EXPECT_EQ(out.closedContours[0], 0.0f);
    EXPECT_EQ(out.closedContours[1], 0.0f);
    ASSERT_NE(out.weatherRegions, out.marker);
    ASSERT_NE(out.weatherRegions, nullptr);
    EXPECT_EQ(out.weatherRegions[0], 0.0f);
    ASSERT_NE(out.fillAreas, out.marker);
    ASSERT_NE(out.fillAreas, nullptr);
    EXPECT_EQ(out.fillAreas[0], 0.0f);
    // Empty text sections leave three nulls, overwriting whatever was there.
    EXPECT_EQ(out.symbols.values, nullptr);
    EXPECT_EQ(out.symbols.lengths, nullptr);
    EXPECT_EQ(out.symbols.text, nullptr);
    EXPECT_EQ(out.notes.values, nullptr);
    EXPECT_EQ(out.notes.text, nullptr);
    out.Release();
}

TEST(ReadZenparData14, LeavesFillAreasAloneWithoutTheMarker) {
    TempFile file(Header() + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 0 CLOSED_CONTOURS: 0 NOTES_SYMBOL: 0");
    Outputs out;
    out.Read(file.Path());
    ASSERT_NE(out.lines, nullptr);
    EXPECT_EQ(out.fillAreas, out.marker);
    ASSERT_NE(out.weatherRegions, out.marker);
    ASSERT_NE(out.weatherRegions, nullptr);
    EXPECT_EQ(out.weatherRegions[0], 0.0f);
    out.Release();
}

TEST(ReadZenparData14, AcceptsNullOutputLocations) {
    TempFile file(Header() + EmptySections());
    float* lines = ReadZenparData14(file.Path(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(lines, nullptr);
    ReleaseZenparData14(lines, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(ReleaseZenparData14, ReleasesTheRecordsFieldsAndNullsThem) {
    Outputs out;
    out.Read(READDATA14_SAMPLE_CHART);
    ASSERT_NE(out.description, out.markerText);
    out.Release();
    EXPECT_EQ(out.symbols.values, nullptr);
    EXPECT_EQ(out.symbols.lengths, nullptr);
    EXPECT_EQ(out.symbols.text, nullptr);
    EXPECT_EQ(out.notes.values, nullptr);
    EXPECT_EQ(out.notes.lengths, nullptr);
    EXPECT_EQ(out.notes.text, nullptr);
}

}  // namespace
