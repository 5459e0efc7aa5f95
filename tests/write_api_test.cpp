// The writer's C API: what cannot be written (each with its status and
// message), the builder, the three outputs and their failures, and memory.
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cstddef>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "reading/numbers.hpp"
#include "support/chart_text.hpp"
#include "support/document_compare.hpp"
#include "support/write_round_trip.hpp"
#include "writing/spelling.hpp"

namespace readdata14::test {
namespace {

namespace fs = std::filesystem;

const std::string kChart = Header() +
                           "LINES: 1\n1 2 0 0 0 1 1 0\n1012 1 0 0 0\n"
                           "LINES_SYMBOL: 1\n2 0 2 0 0 0 1 1 0 NoText 0\n"
                           "SYMBOLS: 2\n60 5 5 0 H\n7 1 1 0 0.5\n"
                           "CLOSED_CONTOURS: 1\n1 4 0 0 0 10 0 0 10 10 0 0 0 0 1008 0\n"
                           "STATION_SITUATION\nWEATHER_REGION: 1\n3 3 0 0 0 1 0 0 1 1 0\n"
                           "FILLAREA: 1\n1 1 0 0 0 1 2 3 4 5 6 7 8 9 10 11 12 13 2.5 15 16\n"
                           "NOTES_SYMBOL: 1\n48 1 2 0 5\nHello\n1.5 3\nFog\n1 2 3 4 5 6\n";

// A document whose arrays a test may change: the read document's record,
// pointing at copies of its arrays.
struct EditableChart {
    DocumentPtr read = OpenBytes(kChart);
    readdata14_document document = *read;
    std::vector<float> lines{read->chart.lines, read->chart.lines + read->chart.linesSize};
    std::vector<float> symbols{read->chart.symbols.values, read->chart.symbols.values + read->chart.symbolValuesSize};
    std::vector<float> regions{read->chart.weatherRegions, read->chart.weatherRegions + read->chart.weatherRegionsSize};
    std::vector<std::uint32_t> positions{0};
    std::string noteText{read->chart.notes.text, read->chart.noteTextSize};
    std::vector<std::int32_t> noteLengths{read->chart.notes.lengths, read->chart.notes.lengths + read->chart.noteLengthsSize};
    std::string symbolText{read->chart.symbols.text, read->chart.symbolTextSize};

    EditableChart() { Point(); }
    // After a vector changed size.
    void Point() {
        document.chart.lines = lines.data();
        document.chart.linesSize = lines.size();
        document.chart.symbols.values = symbols.data();
        document.chart.symbolValuesSize = symbols.size();
        document.chart.symbols.text = symbolText.data();
        document.chart.symbolTextSize = symbolText.size();
        document.chart.weatherRegions = regions.data();
        document.chart.weatherRegionsSize = regions.size();
        document.contourFilePositions = positions.data();
        document.chart.notes.text = noteText.data();
        document.chart.noteTextSize = noteText.size();
        document.chart.notes.lengths = noteLengths.data();
    }
};

float Bits(std::uint32_t bits) { return std::bit_cast<float>(bits); }

// A direction that no angle gives.
float UncarriedDirection() {
    for (float d = 45.0f;; d = std::nextafter(d, 90.0f)) {
        if (!writing::AngleForDirection(d)) return d;
    }
}

// The table of what a document cannot carry into a file: each case spoils
// one thing in a chart that writes, and names the status, section and words
// of the refusal.
TEST(WriteRefusals, WhatNoFileGivesBack) {
    const struct {
        const char* what;
        void (*spoil)(EditableChart&);
        readdata14_status status;
        std::uint32_t section;
        std::int64_t element;
        const char* message;
    } cases[] = {
        {"a NaN with a payload", [](EditableChart& c) { c.lines[3] = Bits(0x7fc00001u); }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_LINES, 0, "LINES, line 1: a coordinate of its points is a NaN with the bits 0x7fc00001, which no text reads back"},
        {"a label NaN with a payload", [](EditableChart& c) { c.lines[7] = Bits(0xffc00005u); }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_LINES, 0, "its label value is a NaN with the bits 0xffc00005"},
        {"a count that is not whole", [](EditableChart& c) { c.lines[1] = 1.5f; }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_LINES, 0, "its point count is 1.5, not a count"},
        {"a block that ends early", [](EditableChart& c) { c.lines.resize(5); c.Point(); }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_LINES, 0, "the block ends inside it"},
        {"a code beyond 32 bits", [](EditableChart& c) { c.lines[2] = 1e12f; }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_LINES, 0, "its code is 1e+12, not a whole number"},
        {"a direction no angle gives", [](EditableChart& c) { c.symbols[10] = UncarriedDirection(); },
         READDATA14_NOT_WRITABLE, READDATA14_SECTION_SYMBOLS, 1, "is not one that an angle in the file gives"},
        {"a text type with a direction", [](EditableChart& c) { c.symbols[5] = 90.0f; }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_SYMBOLS, 0, "a symbol with a text has the direction 0"},
        {"a symbol text with a tab", [](EditableChart& c) { c.symbolText = "\t#"; c.Point(); }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_SYMBOLS, 0, "holds white space other than blanks"},
        {"a symbol text with 0x01", [](EditableChart& c) { c.symbolText = "\x01#"; c.Point(); },
         READDATA14_NOT_WRITABLE, READDATA14_SECTION_SYMBOLS, 0, "holds the byte 0x01"},
        {"a note text starting with a blank", [](EditableChart& c) { c.noteText[0] = ' '; }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_NOTES, 0, "starts with white space"},
        {"a line break inside a note text", [](EditableChart& c) { c.noteText[2] = '\n'; }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_NOTES, 0, "has a line break before its end"},
        {"lengths that miss the texts", [](EditableChart& c) { c.noteLengths[0] = 3; }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_NOTES, 0, "do not match the texts"},
        {"a list the reader would thin", [](EditableChart& c) {
             c.regions = {1, 251, 3};
             c.regions.resize(3 + 2 * 251, 0.0f);
             c.Point();
         }, READDATA14_NOT_WRITABLE, READDATA14_SECTION_WEATHER_REGIONS, 0, "its point 2 of 251 lies less than 1.0"},
        {"a block of a section not present",
         [](EditableChart& c) { c.document.sectionsPresent &= ~READDATA14_SECTION_LINES; }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_LINES, -1, "LINES: a block, but the section is not present"},
        {"file positions that repeat", [](EditableChart& c) { c.positions = {1}; c.Point(); }, READDATA14_NOT_WRITABLE,
         READDATA14_SECTION_CLOSED_CONTOURS, -1, "not each place in the file once"},
        {"integers left out before others", [](EditableChart& c) { c.document.headerIntegerPresent[1] = 0; },
         READDATA14_NOT_WRITABLE, 0, -1, "has integer 3 but not integer 2"},
        {"only the header", [](EditableChart& c) { c.document.chart.weatherRegions = nullptr; }, READDATA14_NOT_WRITABLE,
         0, -1, "holds only the header"},
        {"a read that gave no chart", [](EditableChart& c) { c.document.status = READDATA14_NOT_TYPE_14; },
         READDATA14_NOT_WRITABLE, 0, -1, "the document holds no chart"},
    };
    for (const auto& c : cases) {
        EditableChart chart;
        ASSERT_EQ(RoundTripProblem(chart.document), "") << "unspoilt, for " << c.what;
        c.spoil(chart);
        const Written written = WriteToMemory(chart.document);
        EXPECT_EQ(written.status, c.status) << c.what;
        EXPECT_EQ(written.result.status, c.status) << c.what;
        EXPECT_EQ(written.result.section, c.section) << c.what;
        EXPECT_EQ(written.result.element, c.element) << c.what;
        EXPECT_NE(std::string(written.result.message).find(c.message), std::string::npos)
            << c.what << ": " << written.result.message;
        EXPECT_TRUE(written.bytes.empty()) << c.what;
    }
}

TEST(WriteRefusals, HeaderOptions) {
    const DocumentPtr document = OpenBytes(kChart);
    readdata14_write_options options = READDATA14_WRITE_OPTIONS_INIT;
    options.description = "two words";
    Written written = WriteToMemory(*document, false, &options);
    EXPECT_EQ(written.status, READDATA14_NOT_WRITABLE);
    EXPECT_STREQ(written.result.message,
                 "the description 'two words' holds white space, a NUL or a Ctrl-Z: it would not read back as one token");
    options.description = nullptr;
    options.flags = READDATA14_WRITE_HEADER_INTEGERS;
    options.headerIntegerCount = 6;
    EXPECT_EQ(WriteToMemory(*document, false, &options).status, READDATA14_INVALID_ARGUMENT);
    options.size = sizeof options - 1;
    EXPECT_EQ(WriteToMemory(*document, false, &options).status, READDATA14_INVALID_ARGUMENT);
}

// The header's fields from the options, over the document's.
TEST(WriteOptions, HeaderAndLineEnds) {
    const DocumentPtr document = OpenBytes(kChart);
    readdata14_write_options options = READDATA14_WRITE_OPTIONS_INIT;
    options.firstToken = "";
    options.description = "Edited";
    options.flags = READDATA14_WRITE_HEADER_INTEGERS | READDATA14_WRITE_CRLF;
    options.headerIntegers[0] = -7;
    options.headerIntegers[1] = 2147483647;
    options.headerIntegerCount = 2;
    const Written written = WriteToMemory(*document, false, &options);
    ASSERT_EQ(written.status, READDATA14_WRITTEN);
    EXPECT_EQ(written.bytes.substr(0, 34), std::string("\0 14 Edited\r\n-7 2147483647\r\nLINES:", 34));
    for (std::size_t at = written.bytes.find('\n'); at != std::string::npos; at = written.bytes.find('\n', at + 1)) {
        ASSERT_EQ(written.bytes[at - 1], '\r') << at;
    }
    const DocumentPtr back = OpenBytes(written.bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->firstTokenSize, 0u);
    EXPECT_STREQ(back->chart.description, "Edited");
    EXPECT_EQ(back->headerIntegers[1], 2147483647);
    EXPECT_EQ(back->headerIntegerPresent[1], 1);
    EXPECT_EQ(back->headerIntegerPresent[2], 0);
}

// ---- the builder ----------------------------------------------------------------

struct BuilderFree {
    void operator()(readdata14_builder* builder) const { readdata14_builder_free(builder); }
};
using BuilderPtr = std::unique_ptr<readdata14_builder, BuilderFree>;

BuilderPtr NewBuilder() {
    readdata14_builder* builder = nullptr;
    EXPECT_EQ(readdata14_builder_new(&builder), READDATA14_WRITTEN);
    return BuilderPtr(builder);
}

DocumentPtr Finish(const readdata14_builder* builder) {
    readdata14_document* document = nullptr;
    EXPECT_EQ(readdata14_builder_finish(builder, &document, nullptr), READDATA14_READ);
    return DocumentPtr(document);
}

// Nested rings added in a shuffled order: the chart keeps each ring with
// its points, label and code, and the reader nests them.
TEST(Builder, ContoursKeepTheirPointsAndLabelsInTheOrderAdded) {
    const BuilderPtr builder = NewBuilder();
    const int order[] = {3, 0, 4, 2, 1};
    std::vector<std::vector<float>> rings;
    for (int k = 0; k < 5; ++k) {
        const float r = 10.0f * static_cast<float>(k + 1);
        rings.push_back({-r, -r, r, -r, r, r, -r, r, -r, -r});
    }
    for (const int k : order) {
        readdata14_labelled_line contour = READDATA14_LABELLED_LINE_INIT;
        contour.code = 10 + k;
        contour.points = rings[static_cast<std::size_t>(k)].data();
        contour.pointCount = 5;
        contour.label = 1000.0f + 4.0f * static_cast<float>(k);
        ASSERT_EQ(readdata14_builder_add_contour(builder.get(), &contour, nullptr), READDATA14_WRITTEN);
    }
    const DocumentPtr chart = Finish(builder.get());
    ASSERT_TRUE(chart);
    ASSERT_EQ(chart->contourFilePositionsSize, 5u);
    const float* record = chart->chart.closedContours + 1;
    for (std::size_t i = 0; i < 5; ++i) {
        const int k = order[chart->contourFilePositions[i]];
        EXPECT_EQ(record[1], static_cast<float>(10 + k));
        EXPECT_EQ(std::vector<float>(record + 4, record + 14), rings[static_cast<std::size_t>(k)]);
        EXPECT_EQ(record[14], 1000.0f + 4.0f * static_cast<float>(k));
        EXPECT_EQ(record[2], 1.0f);  // closed and valued: the reader worked it out
        record += 16;
    }
    EXPECT_EQ(chart->levelCount, 5u);
    EXPECT_EQ(RoundTripProblem(*chart), "");
}

// READDATA14_CLOSE_RING repeats a contour's first point where it does not
// end with it; a 1.2 host's record, which has no flags, is taken as it is.
TEST(Builder, CloseRingClosesContoursGivenOpen) {
    const std::vector<float> open{0, 0, 4, 0, 4, 4};
    const std::vector<float> closed{0, 0, 4, 0, 4, 4, 0, 0};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> nanFirst{nan, 0, 4, 0, nan, 0};
    const std::vector<float> one{1, 1};
    const std::size_t size12 = offsetof(readdata14_labelled_line, labelPointCount) + sizeof(std::size_t);
    const struct Case {
        const char* name;
        const std::vector<float>& given;
        std::uint32_t flags;
        std::size_t recordSize;
        std::vector<float> written;
    } cases[] = {
        {"open, closed on request", open, READDATA14_CLOSE_RING, sizeof(readdata14_labelled_line), closed},
        {"open, left open", open, 0, sizeof(readdata14_labelled_line), open},
        {"closed already", closed, READDATA14_CLOSE_RING, sizeof(readdata14_labelled_line), closed},
        {"a NaN ends where it began", nanFirst, READDATA14_CLOSE_RING, sizeof(readdata14_labelled_line), nanFirst},
        {"one point", one, READDATA14_CLOSE_RING, sizeof(readdata14_labelled_line), one},
        {"a 1.2 record: no flags", open, READDATA14_CLOSE_RING, size12, open},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BuilderPtr builder = NewBuilder();
        readdata14_labelled_line contour = READDATA14_LABELLED_LINE_INIT;
        contour.size = c.recordSize;
        contour.points = c.given.data();
        contour.pointCount = c.given.size() / 2;
        contour.label = 1000.0f;
        contour.flags = c.flags;
        ASSERT_EQ(readdata14_builder_add_contour(builder.get(), &contour, nullptr), READDATA14_WRITTEN);
        const DocumentPtr chart = Finish(builder.get());
        ASSERT_TRUE(chart);
        const float* record = chart->chart.closedContours + 1;
        ASSERT_EQ(record[0], static_cast<float>(c.written.size() / 2));
        const std::vector<float> written(record + 4, record + 4 + c.written.size());
        EXPECT_EQ(std::memcmp(written.data(), c.written.data(), written.size() * sizeof(float)), 0);
    }
}

// Every kind of element once, the builder's rules applied: a direction
// between two that angles give becomes the nearer, a long list is thinned.
TEST(Builder, EveryKindOfElement) {
    const BuilderPtr builder = NewBuilder();
    const std::int32_t integers[] = {24, 1, 2};
    ASSERT_EQ(readdata14_builder_set_header(builder.get(), "made", "Built chart", integers, 3, nullptr),
              READDATA14_NOT_WRITABLE);
    ASSERT_EQ(readdata14_builder_set_header(builder.get(), "made", "Built_chart", integers, 3, nullptr), READDATA14_WRITTEN);
    const float xy[] = {1.5f, 2.5f, 3.0f, 4.0f};
    readdata14_labelled_line line = READDATA14_LABELLED_LINE_INIT;
    line.points = xy;
    line.pointCount = 2;
    line.label = 5.5f;
    ASSERT_EQ(readdata14_builder_add_line(builder.get(), &line, nullptr), READDATA14_WRITTEN);
    std::vector<float> fine;
    for (int i = 0; i < 300; ++i) fine.insert(fine.end(), {0.5f * static_cast<float>(i), 0.0f});
    readdata14_point_list front = READDATA14_POINT_LIST_INIT;
    front.code = 2;
    front.points = fine.data();
    front.pointCount = 300;
    ASSERT_EQ(readdata14_builder_add_line_symbol(builder.get(), &front, nullptr), READDATA14_WRITTEN);
    readdata14_symbol wind = READDATA14_SYMBOL_INIT;
    wind.type = 7;
    wind.direction = UncarriedDirection();
    ASSERT_EQ(readdata14_builder_add_symbol(builder.get(), &wind, nullptr), READDATA14_WRITTEN);
    readdata14_symbol hidden = READDATA14_SYMBOL_INIT;
    hidden.type = 48;
    hidden.dropped = 1;
    ASSERT_EQ(readdata14_builder_add_symbol(builder.get(), &hidden, nullptr), READDATA14_WRITTEN);
    readdata14_symbol label = READDATA14_SYMBOL_INIT;
    label.type = 62;
    label.text = "Developing low #2";
    ASSERT_EQ(readdata14_builder_add_symbol(builder.get(), &label, nullptr), READDATA14_WRITTEN);
    readdata14_point_list area = READDATA14_POINT_LIST_INIT;
    area.points = xy;
    area.pointCount = 2;
    area.values[13] = 2.5f;
    area.values[15] = -1.0f;
    ASSERT_EQ(readdata14_builder_add_fill_area(builder.get(), &area, nullptr), READDATA14_WRITTEN);
    readdata14_note note = READDATA14_NOTE_INIT;
    note.firstText = "Gale warning";
    note.secondText = "ends here\n";
    ASSERT_EQ(readdata14_builder_add_note(builder.get(), &note, nullptr), READDATA14_WRITTEN);

    const DocumentPtr chart = Finish(builder.get());
    ASSERT_TRUE(chart);
    EXPECT_STREQ(chart->firstToken, "made");
    EXPECT_EQ(chart->headerIntegerPresent[2], 1);
    EXPECT_EQ(chart->headerIntegerPresent[3], 0);
    EXPECT_EQ(std::vector<float>(chart->chart.lines, chart->chart.lines + chart->chart.linesSize),
              (std::vector<float>{1, 2, 0, 1.5f, 2.5f, 3, 4, 5.5f, 0}));
    EXPECT_EQ(chart->chart.lineSymbols[1], 150.0f);  // every other point of 0.5 apart
    const float direction = chart->chart.symbols.values[5];
    EXPECT_LT(std::fabs(direction - wind.direction), 1e-4f);
    EXPECT_TRUE(writing::AngleForDirection(direction));
    EXPECT_EQ(chart->chart.symbolLengthsSize, 3u);
    EXPECT_EQ(chart->chart.symbols.lengths[1], 0);
    EXPECT_STREQ(chart->chart.symbols.text, "Developing low #2#");
    EXPECT_STREQ(chart->chart.notes.text, "Gale warning#ends here\n#");
    EXPECT_EQ(chart->chart.fillAreas[1 + 2 + 4 + 15], -1.0f);
    EXPECT_EQ(chart->sectionsPresent, 0x7fu);
    EXPECT_EQ(RoundTripProblem(*chart), "");
}

// What the builder refuses: the format cannot carry it.
TEST(Builder, RefusesWhatTheFormatCannotCarry) {
    const float one[] = {0, 0};
    std::vector<float> many(2 * 49, 0.0f);
    const struct {
        const char* what;
        readdata14_status (*add)(readdata14_builder*, const float*, const std::vector<float>&, readdata14_write_result*);
        const char* message;
    } cases[] = {
        {"49 label points on a line",
         [](readdata14_builder* b, const float*, const std::vector<float>& m, readdata14_write_result* r) {
             readdata14_labelled_line line = READDATA14_LABELLED_LINE_INIT;
             line.labelPoints = m.data();
             line.labelPointCount = 49;
             return readdata14_builder_add_line(b, &line, r);
         },
         "LINES, line 1: it has 49 label points; the format's record holds 48"},
        {"a contour without a point",
         [](readdata14_builder* b, const float*, const std::vector<float>&, readdata14_write_result* r) {
             readdata14_labelled_line contour = READDATA14_LABELLED_LINE_INIT;
             return readdata14_builder_add_contour(b, &contour, r);
         },
         "CLOSED_CONTOURS, contour 1: it has no point"},
        {"a label NaN with a payload",
         [](readdata14_builder* b, const float* p, const std::vector<float>&, readdata14_write_result* r) {
             readdata14_labelled_line contour = READDATA14_LABELLED_LINE_INIT;
             contour.points = p;
             contour.pointCount = 1;
             contour.label = Bits(0x7fc00002u);
             return readdata14_builder_add_contour(b, &contour, r);
         },
         "its label value is a NaN with the bits 0x7fc00002"},
        {"a text on a symbol without one",
         [](readdata14_builder* b, const float*, const std::vector<float>&, readdata14_write_result* r) {
             readdata14_symbol symbol = READDATA14_SYMBOL_INIT;
             symbol.type = 7;
             symbol.text = "x";
             return readdata14_builder_add_symbol(b, &symbol, r);
         },
         "SYMBOLS, symbol 1: a symbol of type 7 has no text"},
        {"a dropped symbol of type 60",
         [](readdata14_builder* b, const float*, const std::vector<float>&, readdata14_write_result* r) {
             readdata14_symbol symbol = READDATA14_SYMBOL_INIT;
             symbol.type = 60;
             symbol.dropped = 1;
             return readdata14_builder_add_symbol(b, &symbol, r);
         },
         "only a type-48 symbol is dropped"},
        {"a symbol text too long",
         [](readdata14_builder* b, const float*, const std::vector<float>&, readdata14_write_result* r) {
             const std::string text(180, 'x');
             readdata14_symbol symbol = READDATA14_SYMBOL_INIT;
             symbol.type = 48;
             symbol.text = text.c_str();
             return readdata14_builder_add_symbol(b, &symbol, r);
         },
         "its text has 180 bytes; the format reads 179"},
        {"a note of type 7 with values",
         [](readdata14_builder* b, const float*, const std::vector<float>&, readdata14_write_result* r) {
             readdata14_note note = READDATA14_NOTE_INIT;
             note.type = 7;
             note.x = 1;
             return readdata14_builder_add_note(b, &note, r);
         },
         "a note of type 7 is its type alone"},
        {"a note text with a line break inside",
         [](readdata14_builder* b, const float*, const std::vector<float>&, readdata14_write_result* r) {
             readdata14_note note = READDATA14_NOTE_INIT;
             note.firstText = "two\nlines";
             return readdata14_builder_add_note(b, &note, r);
         },
         "has a line break before its end"},
        {"a fill area value that is not whole",
         [](readdata14_builder* b, const float* p, const std::vector<float>&, readdata14_write_result* r) {
             readdata14_point_list area = READDATA14_POINT_LIST_INIT;
             area.points = p;
             area.pointCount = 1;
             area.values[2] = 0.5f;
             return readdata14_builder_add_fill_area(b, &area, r);
         },
         "FILLAREA, fill area 1: its value 3 is 0.5, not a whole number"},
    };
    for (const auto& c : cases) {
        const BuilderPtr builder = NewBuilder();
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        EXPECT_EQ(c.add(builder.get(), one, many, &result), READDATA14_NOT_WRITABLE) << c.what;
        EXPECT_NE(std::string(result.message).find(c.message), std::string::npos) << c.what << ": " << result.message;
        // Refused elements leave the builder as it was.
        const DocumentPtr chart = Finish(builder.get());
        ASSERT_TRUE(chart);
        EXPECT_EQ(chart->chart.lines[0], 0.0f) << c.what;
        EXPECT_EQ(chart->chart.closedContours[0], 0.0f) << c.what;
        EXPECT_EQ(chart->chart.symbols.values, nullptr) << c.what;
    }
    const BuilderPtr builder = NewBuilder();
    readdata14_labelled_line nullPoints = READDATA14_LABELLED_LINE_INIT;
    nullPoints.pointCount = 3;
    EXPECT_EQ(readdata14_builder_add_line(builder.get(), &nullPoints, nullptr), READDATA14_INVALID_ARGUMENT);
    nullPoints.size = 8;
    EXPECT_EQ(readdata14_builder_add_line(builder.get(), &nullPoints, nullptr), READDATA14_INVALID_ARGUMENT);
}

// ---- sections left out ----------------------------------------------------------

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}


// One element of each section: its text in a file, and the same element
// given to a builder.
struct SectionPiece {
    std::uint32_t bit;
    std::string text;
    std::string missing;  // the section's tag alone, as a file lacking it has it
    void (*add)(readdata14_builder*);
};

const float kUnitLine[] = {0, 0, 1, 1};
const float kOrigin[] = {0, 0};
const float kTriangle[] = {0, 0, 1, 0, 1, 1};
const float kSquare[] = {0, 0, 10, 0, 10, 10, 0, 0};

const std::vector<SectionPiece>& SectionPieces() {
    static const std::vector<SectionPiece> pieces{
        {READDATA14_SECTION_LINES, "LINES: 1\n1 2 0 0 0 1 1 0\n1012 1 0 0 0\n", "LINES\n",
         [](readdata14_builder* b) {
             readdata14_labelled_line line = READDATA14_LABELLED_LINE_INIT;
             line.code = 1, line.points = kUnitLine, line.pointCount = 2, line.label = 1012;
             line.labelPoints = kOrigin, line.labelPointCount = 1;
             ASSERT_EQ(readdata14_builder_add_line(b, &line, nullptr), READDATA14_WRITTEN);
         }},
        {READDATA14_SECTION_LINE_SYMBOLS, "LINES_SYMBOL: 1\n2 0 2 0 0 0 1 1 0 NoText 0\n", "LINES_SYMBOL\n",
         [](readdata14_builder* b) {
             readdata14_point_list front = READDATA14_POINT_LIST_INIT;
             front.code = 2, front.points = kUnitLine, front.pointCount = 2;
             ASSERT_EQ(readdata14_builder_add_line_symbol(b, &front, nullptr), READDATA14_WRITTEN);
         }},
        {READDATA14_SECTION_SYMBOLS, "SYMBOLS: 2\n60 5 5 0 H\n7 1 1 0 0.5\n", "SYMBOLS\n",
         [](readdata14_builder* b) {
             readdata14_symbol text = READDATA14_SYMBOL_INIT;
             text.type = 60, text.x = 5, text.y = 5, text.text = "H";
             ASSERT_EQ(readdata14_builder_add_symbol(b, &text, nullptr), READDATA14_WRITTEN);
             readdata14_symbol wind = READDATA14_SYMBOL_INIT;
             wind.type = 7, wind.x = 1, wind.y = 1, wind.direction = readdata14_direction_from_angle(0.5f);
             ASSERT_EQ(readdata14_builder_add_symbol(b, &wind, nullptr), READDATA14_WRITTEN);
         }},
        {READDATA14_SECTION_CLOSED_CONTOURS, "CLOSED_CONTOURS: 1\n1 4 0 0 0 10 0 0 10 10 0 0 0 0 1008 0\n",
         "CLOSED_CONTOURS\n",
         [](readdata14_builder* b) {
             readdata14_labelled_line contour = READDATA14_LABELLED_LINE_INIT;
             contour.code = 1, contour.points = kSquare, contour.pointCount = 4, contour.label = 1008;
             ASSERT_EQ(readdata14_builder_add_contour(b, &contour, nullptr), READDATA14_WRITTEN);
         }},
        // Without the marker a reader reads neither regions nor fill areas.
        {READDATA14_SECTION_WEATHER_REGIONS, "STATION_SITUATION\nWEATHER_REGION: 1\n3 3 0 0 0 1 0 0 1 1 0\n",
         "WEATHER_REGION\n",
         [](readdata14_builder* b) {
             readdata14_point_list region = READDATA14_POINT_LIST_INIT;
             region.code = 3, region.points = kTriangle, region.pointCount = 3;
             ASSERT_EQ(readdata14_builder_add_weather_region(b, &region, nullptr), READDATA14_WRITTEN);
         }},
        {READDATA14_SECTION_FILL_AREAS, "FILLAREA: 1\n1 1 0 0 0 1 2 3 4 5 6 7 8 9 10 11 12 13 2.5 15 16\n", "FILLAREA\n",
         [](readdata14_builder* b) {
             readdata14_point_list area = READDATA14_POINT_LIST_INIT;
             area.code = 1, area.points = kOrigin, area.pointCount = 1;
             for (int i = 0; i < 16; ++i) area.values[i] = static_cast<float>(i + 1);
             area.values[13] = 2.5f;
             ASSERT_EQ(readdata14_builder_add_fill_area(b, &area, nullptr), READDATA14_WRITTEN);
         }},
        {READDATA14_SECTION_NOTES, "NOTES_SYMBOL: 1\n48 1 2 0 5\nHello\n1.5 3\nFog\n1 2 3 4 5 6\n", "NOTES_SYMBOL\n",
         [](readdata14_builder* b) {
             readdata14_note note = READDATA14_NOTE_INIT;
             note.x = 1, note.y = 2, note.value = 1.5f, note.firstText = "Hello", note.secondText = "Fog";
             for (int i = 0; i < 6; ++i) note.trailing[i] = static_cast<float>(i + 1);
             ASSERT_EQ(readdata14_builder_add_note(b, &note, nullptr), READDATA14_WRITTEN);
         }},
    };
    return pieces;
}

// The file of the chart without `missing`: those sections as their tags
// alone (regions missing take the fill areas' text with them).
std::string FileWithout(std::uint32_t missing) {
    if (missing & READDATA14_SECTION_WEATHER_REGIONS) missing |= READDATA14_SECTION_FILL_AREAS;
    std::string file = Header();
    for (const SectionPiece& piece : SectionPieces()) {
        const bool gone = (missing & piece.bit) != 0;
        if (piece.bit == READDATA14_SECTION_FILL_AREAS && (missing & READDATA14_SECTION_WEATHER_REGIONS)) continue;
        file += gone ? piece.missing : piece.text;
    }
    return file;
}

// The builder's chart leaving `missing` out: every other section's element.
DocumentPtr BuiltWithout(std::uint32_t missing) {
    const BuilderPtr builder = NewBuilder();
    const std::int32_t integers[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(readdata14_builder_set_header(builder.get(), "readdata14", "test_chart", integers, 5, nullptr),
              READDATA14_WRITTEN);
    EXPECT_EQ(readdata14_builder_leave_out(builder.get(), missing, nullptr), READDATA14_WRITTEN);
    if (missing & READDATA14_SECTION_WEATHER_REGIONS) missing |= READDATA14_SECTION_FILL_AREAS;
    for (const SectionPiece& piece : SectionPieces()) {
        if ((missing & piece.bit) == 0) piece.add(builder.get());
    }
    return Finish(builder.get());
}

// A chart read from a file lacking sections is what the builder gives when
// told to leave them out: the same blocks, the same sectionsPresent.
TEST(BuilderLeaveOut, GivesTheChartOfAFileLackingTheSections) {
    constexpr std::uint32_t kAll = 0x7f;
    const struct {
        std::uint32_t leftOut;
        std::uint32_t present;
    } cases[] = {
        {0, kAll},
        {READDATA14_SECTION_LINES, kAll & ~READDATA14_SECTION_LINES},
        {READDATA14_SECTION_LINE_SYMBOLS, kAll & ~READDATA14_SECTION_LINE_SYMBOLS},
        {READDATA14_SECTION_SYMBOLS, kAll & ~READDATA14_SECTION_SYMBOLS},
        {READDATA14_SECTION_CLOSED_CONTOURS, kAll & ~READDATA14_SECTION_CLOSED_CONTOURS},
        {READDATA14_SECTION_WEATHER_REGIONS, kAll & ~(READDATA14_SECTION_WEATHER_REGIONS | READDATA14_SECTION_FILL_AREAS)},
        {READDATA14_SECTION_FILL_AREAS, kAll & ~READDATA14_SECTION_FILL_AREAS},
        {READDATA14_SECTION_NOTES, kAll & ~READDATA14_SECTION_NOTES},
        {READDATA14_SECTION_LINES | READDATA14_SECTION_NOTES,
         kAll & ~(READDATA14_SECTION_LINES | READDATA14_SECTION_NOTES)},
        {kAll, 0},
    };
    for (const auto& c : cases) {
        const DocumentPtr read = OpenBytes(FileWithout(c.leftOut));
        const DocumentPtr built = BuiltWithout(c.leftOut);
        ASSERT_TRUE(read && built) << c.leftOut;
        EXPECT_EQ(read->sectionsPresent, c.present) << c.leftOut;
        EXPECT_EQ(CompareDocuments(*read, *built), "") << "left out " << c.leftOut;
        // And the written chart reads back to it through the file.
        EXPECT_EQ(RoundTripProblem(*built), "") << c.leftOut;
    }
}

// A left-out section holds no element, whichever comes first; what is
// refused leaves the builder as it was.
TEST(BuilderLeaveOut, Refusals) {
    using Steps = readdata14_status (*)(readdata14_builder*, readdata14_write_result*);
    const auto add = [](std::uint32_t bit, readdata14_builder* b) {
        for (const SectionPiece& piece : SectionPieces()) {
            if (piece.bit == bit) piece.add(b);
        }
    };
    static readdata14_point_list area = READDATA14_POINT_LIST_INIT;
    static readdata14_labelled_line contour = READDATA14_LABELLED_LINE_INIT;
    contour.points = kOrigin, contour.pointCount = 1;
    const struct {
        std::uint32_t filled;   // the section given an element first
        std::uint32_t leftOut;  // then left out
        Steps after;            // the refused call: leaving out, or an add after it
        std::uint32_t at;       // the section the refusal names
        std::string_view why;
    } cases[] = {
        {READDATA14_SECTION_LINES, READDATA14_SECTION_LINES, nullptr, READDATA14_SECTION_LINES, "LINES: it holds 1 element"},
        {READDATA14_SECTION_NOTES, READDATA14_SECTION_SYMBOLS | READDATA14_SECTION_NOTES, nullptr,
         READDATA14_SECTION_NOTES, "NOTES_SYMBOL:"},
        {READDATA14_SECTION_FILL_AREAS, READDATA14_SECTION_WEATHER_REGIONS, nullptr, READDATA14_SECTION_FILL_AREAS,
         "weather regions left out take the fill areas"},
        {0, READDATA14_SECTION_CLOSED_CONTOURS,
         [](readdata14_builder* b, readdata14_write_result* r) { return readdata14_builder_add_contour(b, &contour, r); },
         READDATA14_SECTION_CLOSED_CONTOURS, "CLOSED_CONTOURS: the section is left out"},
        {0, READDATA14_SECTION_WEATHER_REGIONS,
         [](readdata14_builder* b, readdata14_write_result* r) { return readdata14_builder_add_fill_area(b, &area, r); },
         READDATA14_SECTION_FILL_AREAS, "FILLAREA: the section is left out"},
    };
    for (const auto& c : cases) {
        const BuilderPtr builder = NewBuilder();
        add(c.filled, builder.get());
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        const readdata14_status leftOut = readdata14_builder_leave_out(builder.get(), c.leftOut, &result);
        EXPECT_EQ(leftOut, c.after ? READDATA14_WRITTEN : READDATA14_NOT_WRITABLE) << c.why;
        if (c.after) {
            EXPECT_EQ(c.after(builder.get(), &result), READDATA14_NOT_WRITABLE) << c.why;
        }
        EXPECT_EQ(result.section, c.at) << c.why;
        EXPECT_NE(std::string(result.message).find(c.why), std::string::npos) << result.message;
        // A refused leave-out leaves nothing out; a refused add adds nothing.
        const DocumentPtr chart = Finish(builder.get());
        ASSERT_TRUE(chart);
        const std::uint32_t gone = c.after ? c.leftOut | (c.at & READDATA14_SECTION_FILL_AREAS) : 0u;
        EXPECT_EQ(chart->sectionsPresent, 0x7fu & ~gone) << c.why;
    }
    EXPECT_EQ(readdata14_builder_leave_out(nullptr, READDATA14_SECTION_LINES, nullptr), READDATA14_INVALID_ARGUMENT);
    const BuilderPtr builder = NewBuilder();
    EXPECT_EQ(readdata14_builder_leave_out(builder.get(), 0x80, nullptr), READDATA14_INVALID_ARGUMENT);
}

// ---- the outputs ----------------------------------------------------------------


TEST(WriteOutputs, PathMemoryAndSinkGiveTheSameBytes) {
    const DocumentPtr document = OpenBytes(kChart);
    const Written memory = WriteToMemory(*document);
    ASSERT_EQ(memory.status, READDATA14_WRITTEN);
    // A name in another script: UTF-8 on every platform.
    const fs::path path = fs::temp_directory_path() / fs::path(u8"readdata14_карта_写.txt");
    const std::string utf8 = reinterpret_cast<const char*>(path.u8string().c_str());
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    ASSERT_EQ(readdata14_write(document.get(), utf8.c_str(), nullptr, &result), READDATA14_WRITTEN) << result.message;
    EXPECT_EQ(result.bytesWritten, memory.bytes.size());
    EXPECT_EQ(FileBytes(path), memory.bytes);
    readdata14_document* again = nullptr;
    EXPECT_EQ(readdata14_open(utf8.c_str(), nullptr, &again), READDATA14_READ);
    const DocumentPtr owned(again);
    EXPECT_EQ(CompareDocuments(*document, *again), "");
    fs::remove(path);

    std::string gathered;
    const auto sink = [](const void* bytes, size_t size, void* context) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(bytes), size);
        return 0;
    };
    EXPECT_EQ(readdata14_write_callback(document.get(), sink, &gathered, nullptr, nullptr), READDATA14_WRITTEN);
    EXPECT_EQ(gathered, memory.bytes);
}

TEST(WriteOutputs, FailuresOfTheOutput) {
    const DocumentPtr document = OpenBytes(kChart);
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const fs::path folder = fs::temp_directory_path() / "readdata14_no_such_folder" / "chart.txt";
    EXPECT_EQ(readdata14_write(document.get(), folder.string().c_str(), nullptr, &result), READDATA14_CANNOT_WRITE);
    EXPECT_EQ(result.systemError, ENOENT);

    const auto refusing = [](const void*, size_t, void*) { return 28; };
    EXPECT_EQ(readdata14_write_callback(document.get(), refusing, nullptr, nullptr, &result), READDATA14_CANNOT_WRITE);
    EXPECT_EQ(result.systemError, 28);
    const auto throwing = [](const void*, size_t, void*) -> int { throw std::runtime_error("host"); };
    EXPECT_EQ(readdata14_write_callback(document.get(), throwing, nullptr, nullptr, &result),
              READDATA14_CALLBACK_FAILED);

    // A chart that cannot be written leaves the file that stood there.
    const TempFile existing("keep me");
    EditableChart chart;
    chart.lines[3] = Bits(0x7fc00001u);
    EXPECT_EQ(readdata14_write(&chart.document, existing.Path(), nullptr, nullptr), READDATA14_NOT_WRITABLE);
    EXPECT_EQ(FileBytes(existing.Path()), "keep me");

    // An older host's smaller result record is filled no further than its size.
    struct Small {
        readdata14_write_result head;
        char guard[4];
    } small{};
    std::memset(&small, 0x5a, sizeof small);
    small.head.size = offsetof(readdata14_write_result, message);
    EXPECT_EQ(readdata14_write_callback(document.get(), refusing, nullptr, nullptr, &small.head), READDATA14_CANNOT_WRITE);
    EXPECT_EQ(small.head.systemError, 28);
    EXPECT_EQ(static_cast<unsigned char>(small.head.message[0]), 0x5au);

    void* data = nullptr;
    std::size_t size = 0;
    EXPECT_EQ(readdata14_write_memory(nullptr, nullptr, &data, &size, nullptr), READDATA14_INVALID_ARGUMENT);
    EXPECT_EQ(readdata14_write(document.get(), nullptr, nullptr, nullptr), READDATA14_INVALID_ARGUMENT);
}

#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
#define READDATA14_NO_MEMORY_LIMIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READDATA14_NO_MEMORY_LIMIT 1
#endif
#endif

// A child process with little address space left writes a chart whose text
// needs more: the write reports it, and so does a builder given an element
// beyond the memory left.
TEST(WriteOutputs, OutOfMemoryIsAStatus) {
#if defined(READDATA14_NO_MEMORY_LIMIT)
    GTEST_SKIP() << "needs fork and an address-space limit, which AddressSanitizer (and Windows) do not give";
#else
    constexpr std::size_t kMiB = 1 << 20;
    std::string text = Header() + "LINES: 1\n1 2000000\n";
    for (int i = 0; i < 2000000; ++i) text += "12345.67 -7654.32 0\n";
    const DocumentPtr document = OpenBytes(text);
    ASSERT_TRUE(document);
    text.clear();
    text.shrink_to_fit();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + 16 * kMiB;
        const rlimit cap{limit, limit};
        if (setrlimit(RLIMIT_AS, &cap) != 0) std::_Exit(100);
        void* data = nullptr;
        std::size_t size = 0;
        const readdata14_status written = readdata14_write_memory(document.get(), nullptr, &data, &size, nullptr);
        readdata14_write_release(data);
        readdata14_builder* builder = nullptr;
        readdata14_builder_new(&builder);
        std::vector<float> points;
        readdata14_status added = READDATA14_WRITTEN;
        try {
            points.assign(2 * 1500000, 1.0f);
            readdata14_labelled_line line = READDATA14_LABELLED_LINE_INIT;
            line.points = points.data();
            line.pointCount = 1500000;
            added = readdata14_builder_add_line(builder, &line, nullptr);
        } catch (...) {
            added = READDATA14_INVALID_ARGUMENT;
        }
        readdata14_builder_free(builder);
        std::_Exit(written == READDATA14_OUT_OF_MEMORY && added == READDATA14_OUT_OF_MEMORY ? 0 : 10 + written);
    }
    int wstatus = 0;
    ASSERT_EQ(waitpid(child, &wstatus, 0), child);
    ASSERT_TRUE(WIFEXITED(wstatus));
    EXPECT_EQ(WEXITSTATUS(wstatus), 0);
#endif
}

}  // namespace
}  // namespace readdata14::test
