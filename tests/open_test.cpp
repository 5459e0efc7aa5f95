// readdata14_open: the statuses and what the document holds with each, the
// bounds a host sets on the input and on the findings, the header's own
// fields, which sections stood in the file, where each contour stood, and
// values beyond the float range.
#include "readdata14/readdata14.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/chart_check.hpp"
#include "support/chart_text.hpp"
#include "support/contour_sections.hpp"

namespace readdata14::test {
namespace {

struct Seen {
    std::int32_t kind, severity;
    std::uint64_t offset;
};

// Keeps what it is handed, and stops at the first finding of at least
// `stopAt` severity when that is set.
struct Listener {
    int stopAt = 0;
    std::vector<Seen> seen;
};

int Listen(const readdata14_finding* f, void* context) {
    auto& listener = *static_cast<Listener*>(context);
    listener.seen.push_back({f->kind, f->severity, f->offset});
    return listener.stopAt != 0 && f->severity >= listener.stopAt ? READDATA14_STOP : READDATA14_GO_ON;
}

// One readdata14_open, closed at the end of the scope.
struct Opened {
    readdata14_status status = READDATA14_READ;
    readdata14_document* doc = nullptr;
    Listener listener;

    Opened(std::string_view bytes, readdata14_options options = READDATA14_OPTIONS_INIT, int stopAt = 0) {
        Listen(options, stopAt);
        status = readdata14_open_memory(bytes.data(), bytes.size(), &options, &doc);
    }
    Opened(const char* path, readdata14_options options = READDATA14_OPTIONS_INIT) {
        Listen(options, 0);
        status = readdata14_open(path, &options, &doc);
    }
    ~Opened() { readdata14_close(doc); }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;

    std::string FirstToken() const { return std::string(doc->firstToken, doc->firstTokenSize); }

private:
    void Listen(readdata14_options& options, int stopAt) {
        listener.stopAt = stopAt;
        if (options.onFinding == nullptr) return;
        options.onFinding = readdata14::test::Listen;
        options.context = &listener;
    }
};

readdata14_options Options(std::uint64_t maxInput = 0, std::uint32_t flags = 0, bool listen = false,
                           std::uint64_t maxFindings = 0) {
    readdata14_options options = READDATA14_OPTIONS_INIT;
    options.maxInputSize = maxInput;
    options.flags = flags;
    options.maxFindings = maxFindings;
    if (listen) options.onFinding = Listen;  // replaced by Opened with its own listener
    return options;
}

// `count` lines of one point each, "LINES: count" included.
std::string Lines(int count, std::string_view label = "NoLabel") {
    std::string text = "LINES: " + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) text += std::to_string(i) + " 1\n0 0 0\n" + std::string(label) + " 0\n";
    return text;
}

// The sections after LINES, each empty.
std::string AfterLines() { return EmptySections().substr(EmptySections().find("LINES_SYMBOL")); }

std::string BigChart(std::size_t bytes) {
    std::string text = Header() + "LINES: 1\n1 " + std::to_string(bytes / 6 + 1) + "\n";
    while (text.size() < bytes) text += "0 0 0\n";
    return text + "NoLabel 0\n" + AfterLines();
}

TEST(OpenStatus, EachStatusWithWhatTheDocumentHolds) {
    const std::string chart = Header() + EmptySections();
    const std::string big = BigChart(std::size_t{1} << 20);
    const TempFile chartFile(chart);
    const TempFile bigFile(big);
    // A table, not a chart, whose first bytes already say so.
    std::string table = "station,lat,lon\n";
    while (table.size() < (std::size_t{4} << 20)) table += "58362,31.4,121.5\n";
    const TempFile tableFile(table);
    struct Case {
        const char* name;
        const char* path;       // or
        std::string_view bytes; // when path is null
        readdata14_options options;
        readdata14_status status;
        bool blocks;                // the blocks are set
        std::uint64_t maxInputRead; // at most this inputSize
    };
    const std::uint32_t headerOnly = READDATA14_HEADER_ONLY;
    const Case cases[] = {
        {"chart", chartFile.Path(), {}, Options(), READDATA14_READ, true, chart.size()},
        {"chart at its size", chartFile.Path(), {}, Options(chart.size()), READDATA14_READ, true, chart.size()},
        {"chart a byte over", chartFile.Path(), {}, Options(chart.size() - 1), READDATA14_TOO_LARGE, false, 0},
        {"bytes at their size", nullptr, chart, Options(chart.size()), READDATA14_READ, true, chart.size()},
        {"bytes a byte over", nullptr, chart, Options(chart.size() - 1), READDATA14_TOO_LARGE, false, 0},
        {"header only", bigFile.Path(), {}, Options(0, headerOnly), READDATA14_READ, false, big.size() / 8},
        {"header only in memory", nullptr, big, Options(0, headerOnly), READDATA14_READ, false, big.size()},
        {"table", tableFile.Path(), {}, Options(), READDATA14_NOT_TYPE_14, false, table.size() / 8},
#if !defined(_WIN32)
        {"/dev/zero", "/dev/zero", {}, Options(std::uint64_t{1} << 20), READDATA14_TOO_LARGE, false, 0},
        {"/dev/zero past the header's bytes", "/dev/zero", {}, Options(std::uint64_t{5} << 20), READDATA14_TOO_LARGE,
         false, 0},
#endif
        {"missing file", "/nonexistent/readdata14/chart.txt", {}, Options(), READDATA14_CANNOT_OPEN, false, 0},
    };
    for (const Case& c : cases) {
        const Opened opened = c.path ? Opened(c.path, c.options) : Opened(c.bytes, c.options);
        ASSERT_EQ(opened.status, c.status) << c.name;
        ASSERT_NE(opened.doc, nullptr) << c.name;
        const readdata14_document& doc = *opened.doc;
        EXPECT_EQ(doc.status, c.status) << c.name;
        EXPECT_EQ(doc.size, sizeof(readdata14_document)) << c.name;
        EXPECT_EQ(doc.chart.lines != nullptr, c.blocks) << c.name;
        EXPECT_EQ(doc.chart.weatherRegions != nullptr, c.blocks) << c.name;
        // Read, but no more than asked for or needed to refuse it.
        EXPECT_LE(doc.inputSize, c.maxInputRead) << c.name;
        EXPECT_EQ(doc.inputSize > 0, c.maxInputRead > 0) << c.name;
        if (c.status == READDATA14_READ) {
            EXPECT_EQ(opened.FirstToken(), "readdata14") << c.name;
            EXPECT_STREQ(doc.chart.description, "test_chart") << c.name;
            EXPECT_EQ(doc.headerIntegers[4], 5) << c.name;
        } else {
            EXPECT_EQ(doc.firstToken, nullptr) << c.name;
            EXPECT_EQ(doc.chart.description, nullptr) << c.name;
        }
    }
}

TEST(OpenStatus, InvalidArguments) {
    const std::string chart = Header() + EmptySections();
    readdata14_document* doc = reinterpret_cast<readdata14_document*>(&doc);
    EXPECT_EQ(readdata14_open_memory(nullptr, 0, nullptr, &doc), READDATA14_INVALID_ARGUMENT);
    EXPECT_EQ(doc, nullptr);
    EXPECT_EQ(readdata14_open(nullptr, nullptr, &doc), READDATA14_INVALID_ARGUMENT);
    EXPECT_EQ(readdata14_open_memory(chart.data(), chart.size(), nullptr, nullptr), READDATA14_INVALID_ARGUMENT);
    readdata14_options small = READDATA14_OPTIONS_INIT;
    small.size = offsetof(readdata14_options, flags);
    EXPECT_EQ(readdata14_open_memory(chart.data(), chart.size(), &small, &doc), READDATA14_INVALID_ARGUMENT);
    EXPECT_EQ(doc, nullptr);
    readdata14_chart old;
    EXPECT_EQ(readdata14_read_memory(nullptr, 0, &old, nullptr, nullptr), READDATA14_INVALID_ARGUMENT);
    EXPECT_EQ(old.lines, nullptr);
    // No options: the defaults.
    EXPECT_EQ(readdata14_open_memory(chart.data(), chart.size(), nullptr, &doc), READDATA14_READ);
    EXPECT_EQ(doc->status, READDATA14_READ);
    readdata14_close(doc);
    readdata14_close(nullptr);
}

#if !defined(_WIN32)
// A FIFO is read as a stream until its writer closes it: the same blocks as
// the file, through both entries. The chart is larger than a pipe holds and
// than the first bytes in which the header is judged.
TEST(OpenStatus, AFifoReadsAsTheFileDoes) {
    const std::string chart = BigChart(std::size_t{3} << 20);
    const TempFile file(chart);
    const std::string fifo = std::string(file.Path()) + ".fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto writeOnce = [&] {
        return std::thread([&] {
            const int fd = ::open(fifo.c_str(), O_WRONLY);
            for (std::size_t done = 0; fd >= 0 && done < chart.size();) {
                const ssize_t wrote = ::write(fd, chart.data() + done, chart.size() - done);
                if (wrote <= 0) break;
                done += static_cast<std::size_t>(wrote);
            }
            if (fd >= 0) ::close(fd);
        });
    };
    const ExportedChart expected = ReadExported(file.Path());
    std::thread writer = writeOnce();
    const Opened opened(fifo.c_str());
    writer.join();
    ASSERT_EQ(opened.status, READDATA14_READ);
    EXPECT_EQ(opened.doc->inputSize, chart.size());
    EXPECT_EQ(CompareCharts(ViewOf(opened.doc->chart), ViewOf(expected)), "");

    writer = writeOnce();
    readdata14_chart read;
    EXPECT_EQ(readdata14_read(fifo.c_str(), &read, nullptr, nullptr), READDATA14_READ);
    writer.join();
    EXPECT_EQ(CompareCharts(ViewOf(read), ViewOf(expected)), "");
    readdata14_release(&read);
    ExportedChart copy = expected;
    ReleaseExported(copy);
    std::filesystem::remove(fifo);
}
#endif

// A handler that stops at the first error (a misspelt tag): the read ends
// there, keeping the sections before it, with the findings counted up to it.
// That error puts the reading out of step, so it is handed on once the next
// tag and count are read, and the read ends after them.
TEST(OpenFindings, StoppingKeepsWhatWasReadBefore) {
    const std::vector<FileContour> triangle = {{1, {{0, 0}, {1, 0}, {1, 1}, {0, 0}}, "10"}};
    const std::string text = Header() + Lines(2, "1O12") + "LINES_SYMBOL: 0\nSYMBOL: 0\n" + SectionText(triangle) +
                             EmptySections().substr(EmptySections().find("STATION")) + "extra\n";
    const Opened whole(text, Options(0, 0, true));
    const Opened stopped(text, Options(0, 0, true), READDATA14_ERROR);
    ASSERT_EQ(whole.status, READDATA14_READ);
    EXPECT_EQ(whole.doc->chart.errors, 2u);  // the tag, then the content after the last section
    EXPECT_EQ(whole.doc->chart.closedContours[0], 1.0f);
    ASSERT_EQ(stopped.status, READDATA14_STOPPED);
    const readdata14_document& doc = *stopped.doc;
    EXPECT_EQ(doc.status, READDATA14_STOPPED);
    EXPECT_EQ(doc.chart.warnings, 2u);
    EXPECT_EQ(doc.chart.errors, 1u);
    ASSERT_EQ(stopped.listener.seen.size(), 3u);
    EXPECT_EQ(stopped.listener.seen.back().kind, READDATA14_FINDING_TAG_MISMATCH);
    EXPECT_EQ(Floats(doc.chart.lines, doc.chart.linesSize), Floats(whole.doc->chart.lines, whole.doc->chart.linesSize));
    EXPECT_EQ(Floats(doc.chart.lineSymbols, doc.chart.lineSymbolsSize), std::vector<float>{0.0f});
    EXPECT_EQ(doc.chart.symbols.values, nullptr);
    // The input ended after "CLOSED_CONTOURS: 1", and no finding said so.
    EXPECT_EQ(Floats(doc.chart.closedContours, doc.chart.closedContoursSize), (std::vector<float>{0.0f, 0.0f}));
    EXPECT_EQ(doc.chart.fillAreas, nullptr);
    EXPECT_EQ(doc.sectionsPresent,
              READDATA14_SECTION_LINES | READDATA14_SECTION_LINE_SYMBOLS | READDATA14_SECTION_CLOSED_CONTOURS);
    EXPECT_EQ(CheckChart(ViewOf(doc.chart)), "");
    EXPECT_EQ(doc.headerIntegers[0], 1);
}

// A stop at a finding inside the header takes effect after it: the header's
// fields are whole, and a chart stays a chart.
TEST(OpenFindings, AStopInTheHeaderKeepsTheHeaderWhole) {
    const std::string text = std::string("a\0b 14 d\n1 2 3 4 99999999999\n", 29) + EmptySections();
    const Opened stopped(text, Options(0, 0, true), READDATA14_WARNING);
    ASSERT_EQ(stopped.status, READDATA14_STOPPED);
    const readdata14_document& doc = *stopped.doc;
    EXPECT_EQ(stopped.FirstToken(), "a");
    EXPECT_STREQ(doc.chart.description, "d");
    EXPECT_EQ(doc.headerIntegerPresent[4], 1);
    EXPECT_EQ(doc.headerIntegers[4], 2147483647);
    EXPECT_EQ(doc.chart.warnings, 1u);  // the NUL byte; the saturated integer came after the stop
    EXPECT_EQ(doc.sectionsPresent, 0u);
    EXPECT_EQ(doc.chart.lines, nullptr);
}

// Findings past the limit are neither handed on nor kept; the counts stay
// exact, and a read without a handler counts them all the same.
TEST(OpenFindings, TheLimitBoundsWhatIsHandedOnNotTheCounts) {
    const std::string text = Header() + Lines(1000, "none") + AfterLines();
    const Opened all(text, Options(0, 0, true));
    ASSERT_EQ(all.listener.seen.size(), 1000u);
    struct Case {
        bool listen;
        std::uint64_t maxFindings;
        std::size_t handed;
    };
    for (const Case c : {Case{true, 3, 3}, Case{true, 1, 1}, Case{true, 999, 999}, Case{true, 1000, 1000},
                         Case{true, 5000, 1000}, Case{false, 3, 0}, Case{false, 0, 0}}) {
        const Opened opened(text, Options(0, 0, c.listen, c.maxFindings));
        const std::string what = std::to_string(c.maxFindings) + (c.listen ? " with a handler" : " without");
        ASSERT_EQ(opened.status, READDATA14_READ) << what;
        EXPECT_EQ(opened.doc->chart.warnings, 1000u) << what;
        EXPECT_EQ(opened.doc->chart.errors, 0u) << what;
        ASSERT_EQ(opened.listener.seen.size(), c.handed) << what;
        for (std::size_t i = 0; i < c.handed; ++i) EXPECT_EQ(opened.listener.seen[i].offset, all.listener.seen[i].offset);
        EXPECT_EQ(CompareCharts(ViewOf(opened.doc->chart), ViewOf(all.doc->chart)), "") << what;
    }
}

// The header's first token and its line of integers, which ends at the first
// token that is not an integer, wherever that stands; the same with a read of
// the header alone.
TEST(HeaderFields, PresentAndMissing) {
    struct Case {
        const char* name;
        std::string header;
        std::string firstToken;
        std::vector<std::int32_t> integers;  // those present
    };
    const Case cases[] = {
        {"five", "readdata14 14 test_chart\n1 2 3 4 5\n", "readdata14", {1, 2, 3, 4, 5}},
        {"none", "readdata14 14 test_chart\n", "readdata14", {}},
        {"one", "a 14 b\n7\n", "a", {7}},
        {"four, signed", "a 14 b\n-1 +2 3 4\n", "a", {-1, 2, 3, 4}},
        {"two, then a word", "a 14 b\n1 2 x 4 5\n", "a", {1, 2}},
        {"a fraction ends them after its whole part", "a 14 b\n1 2.5 3 4 5\n", "a", {1, 2}},
        {"six: the sixth is not a header field", "a 14 b\n1 2 3 4 5 6\n", "a", {1, 2, 3, 4, 5}},
        {"on the description's line", "a 14 b 9 8 7 6 5\n", "a", {9, 8, 7, 6, 5}},
        {"saturated", "a 14 b\n99999999999 -99999999999 0 0 0\n", "a", {2147483647, -2147483647 - 1, 0, 0, 0}},
        {"a control byte in the first token", "a\x01z 14 b\n1 2 3 4 5\n", "a\x01z", {1, 2, 3, 4, 5}},
        {"a NUL in the first token", std::string("ab\0cd 14 b\n", 11), "ab", {}},
    };
    for (const Case& c : cases) {
        for (const std::uint32_t flags : {0u, READDATA14_HEADER_ONLY}) {
            const std::string what = std::string(c.name) + (flags ? " (header only)" : "");
            const Opened opened(c.header + EmptySections(), Options(0, flags));
            ASSERT_EQ(opened.status, READDATA14_READ) << what;
            const readdata14_document& doc = *opened.doc;
            EXPECT_EQ(opened.FirstToken(), c.firstToken) << what;
            EXPECT_EQ(std::string(doc.firstToken), c.firstToken) << what;
            EXPECT_EQ(doc.descriptionSize, std::string_view(doc.chart.description).size()) << what;
            for (std::size_t i = 0; i < 5; ++i) {
                const bool present = i < c.integers.size();
                EXPECT_EQ(doc.headerIntegerPresent[i], present ? 1 : 0) << what << " " << i;
                EXPECT_EQ(doc.headerIntegers[i], present ? c.integers[i] : 0) << what << " " << i;
            }
            if (flags != 0) {
                EXPECT_EQ(doc.chart.lines, nullptr) << what;
            }
        }
    }
}

// Which sections' tags stood where they were due, whatever their counts.
TEST(SectionsPresent, TagsThatStoodInTheFile) {
    constexpr std::uint32_t kAll = (1u << 7) - 1;
    constexpr std::uint32_t kBeforeMarker = READDATA14_SECTION_LINES | READDATA14_SECTION_LINE_SYMBOLS |
                                            READDATA14_SECTION_SYMBOLS | READDATA14_SECTION_CLOSED_CONTOURS;
    const std::string before = "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\n";
    struct Case {
        const char* name;
        std::string sections;
        std::uint32_t present;
        bool fillAreas;  // the fill-area block is set
    };
    const Case cases[] = {
        {"every section empty", EmptySections(), kAll, true},
        {"no marker", before + "WEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n", kBeforeMarker, false},
        {"the marker without the regions' tag", before + "STATION_SITUATION\n1 2 3\n", kBeforeMarker, false},
        {"station content before the tag", before + "STATION_SITUATION\nLINES: 3 x\nWEATHER_REGION: 0\nFILLAREA: 0\n"
                                                   "NOTES_SYMBOL: 0\n", kAll, true},
        {"fill areas missing", before + "STATION_SITUATION\nWEATHER_REGION: 0\nNOTES_SYMBOL: 0\n",
         kBeforeMarker | READDATA14_SECTION_WEATHER_REGIONS, true},
        {"fill areas misspelt", before + "STATION_SITUATION\nWEATHER_REGION: 0\nFILL_AREA: 0\nNOTES_SYMBOL: 0\n",
         kAll & ~READDATA14_SECTION_FILL_AREAS, true},
        {"a tag without its count", "LINES:\n", READDATA14_SECTION_LINES, false},
        {"a misspelt tag", "LINE: 0\n" + AfterLines(), kAll & ~READDATA14_SECTION_LINES, true},
        {"nothing after the header", "", 0, false},
    };
    for (const Case& c : cases) {
        const Opened opened(Header() + c.sections);
        ASSERT_EQ(opened.status, READDATA14_READ) << c.name;
        EXPECT_EQ(opened.doc->sectionsPresent, c.present) << c.name;
        EXPECT_EQ(opened.doc->chart.fillAreas != nullptr, c.fillAreas) << c.name;
    }
    // A section that declares no elements is present with no block.
    const Opened empty(Header() + EmptySections());
    EXPECT_EQ(empty.doc->chart.symbols.values, nullptr);
    EXPECT_EQ(empty.doc->chart.notes.values, nullptr);
}

// The block lists contours outer before inner; the positions map each record
// back to where its contour stood in the file.
TEST(ContourFilePositions, MapRecordsBackToTheFileOrder) {
    const auto square = [](float lo, float hi) {
        return std::vector<Point>{{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}, {lo, lo}};
    };
    const std::vector<FileContour> file = {
        {1, square(1, 2), "10"}, {1, square(20, 21), "30"}, {1, square(0, 10), "20"}, {1, square(4, 5), "30"}};
    const std::string text = Header() + "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\n" + SectionText(file) +
                             EmptySections().substr(EmptySections().find("STATION"));
    const Opened opened(text);
    ASSERT_EQ(opened.status, READDATA14_READ);
    const readdata14_document& doc = *opened.doc;
    ASSERT_EQ(doc.contourFilePositionsSize, file.size());
    std::vector<std::uint32_t> positions(doc.contourFilePositions, doc.contourFilePositions + file.size());
    std::size_t at = 1;
    for (std::size_t record = 0; record < file.size(); ++record) {
        const float* r = doc.chart.closedContours + at;
        const FileContour& source = file.at(positions[record]);
        EXPECT_EQ(r[4], source.points[0].x) << record;
        EXPECT_EQ(r[4 + 2], source.points[1].x) << record;
        at += 6 + 2 * static_cast<std::size_t>(r[0]) + 2 * static_cast<std::size_t>(r[5 + 2 * static_cast<std::size_t>(r[0])]);
    }
    EXPECT_LT(std::find(positions.begin(), positions.end(), 2u), std::find(positions.begin(), positions.end(), 0u))
        << "the outer contour comes before the inner one it was listed after";
    std::sort(positions.begin(), positions.end());
    EXPECT_EQ(positions, (std::vector<std::uint32_t>{0, 1, 2, 3}));

    const Opened none(Header() + EmptySections());
    EXPECT_EQ(none.doc->contourFilePositions, nullptr);
    EXPECT_EQ(none.doc->contourFilePositionsSize, 0u);
}

// A value beyond the float range, or written as nan or inf, is one warning
// where it stands; the slot holds what strtof gives, bit for bit.
TEST(NonFiniteValues, AWarningEachAndStrtofsBits) {
    enum Where { Label, PointY, SymbolAngle };
    struct Case {
        Where where;
        const char* token;
        std::int32_t kind;  // 0: no finding
    };
    const Case cases[] = {
        {Label, "1e39", READDATA14_FINDING_FLOAT_RANGE},
        {Label, "-1e39", READDATA14_FINDING_FLOAT_RANGE},
        {Label, "3.4028236e38", READDATA14_FINDING_FLOAT_RANGE},  // rounds past the largest float
        {Label, "3.4028235e38", 0},
        {Label, "1e-50", 0},  // below the range: zero, not an infinity
        {Label, "nan", READDATA14_FINDING_NON_FINITE},
        {Label, "-nan", READDATA14_FINDING_NON_FINITE},
        {Label, "inf", READDATA14_FINDING_NON_FINITE},
        {Label, "-Infinity", READDATA14_FINDING_NON_FINITE},
        {PointY, "1e39", READDATA14_FINDING_FLOAT_RANGE},
        {PointY, "NAN", READDATA14_FINDING_NON_FINITE},
        {SymbolAngle, "1e37", READDATA14_FINDING_FLOAT_RANGE},  // the direction in degrees overflows
        {SymbolAngle, "-1e37", READDATA14_FINDING_FLOAT_RANGE},
        {SymbolAngle, "1e39", READDATA14_FINDING_FLOAT_RANGE},
        {SymbolAngle, "nan", READDATA14_FINDING_NON_FINITE},
        {SymbolAngle, "1e30", 0},
    };
    for (const Case& c : cases) {
        const std::string token = c.token;
        std::string sections;
        std::size_t slot = 0;  // in the block
        if (c.where == SymbolAngle) {
            sections = "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 1\n7 1 2 0 " + token + "\n" +
                       EmptySections().substr(EmptySections().find("CLOSED"));
            slot = 5;
        } else {
            sections = "LINES: 1\n1 1\n0 " + (c.where == PointY ? token : "0") + " 0\n" +
                       (c.where == Label ? token : "NoLabel") + " 0\n" + AfterLines();
            slot = c.where == Label ? 5 : 4;
        }
        const std::string text = Header() + sections;
        const Opened opened(text, Options(0, 0, true));
        ASSERT_EQ(opened.status, READDATA14_READ) << token;
        const float* block = c.where == SymbolAngle ? opened.doc->chart.symbols.values : opened.doc->chart.lines;
        ASSERT_NE(block, nullptr) << token;
        const float read = std::strtof(c.token, nullptr);
        const float expected =
            c.where == SymbolAngle ? static_cast<float>(270.0 - double(read) * 180.0 / 3.14159265) : read;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(block[slot]), std::bit_cast<std::uint32_t>(expected)) << token;
        const auto& seen = opened.listener.seen;
        ASSERT_EQ(seen.size(), c.kind != 0 ? 1u : 0u) << token;
        EXPECT_EQ(opened.doc->chart.warnings, seen.size()) << token;
        if (seen.empty()) continue;
        EXPECT_EQ(seen[0].kind, c.kind) << token;
        EXPECT_EQ(seen[0].severity, READDATA14_WARNING) << token;
        EXPECT_EQ(seen[0].offset, text.find(token, text.find("LINES:"))) << token;
    }
}

}  // namespace
}  // namespace readdata14::test
