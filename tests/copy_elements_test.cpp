// Copying a read chart's elements into a builder: all of them give the
// chart's blocks back bit for bit, broken charts and degenerate elements
// included; a part of them gives the chart without the others; and what
// cannot be copied is refused with the builder as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "readdata14/chart.hpp"
#include "support/element_copy.hpp"
#include "support/write_round_trip.hpp"

namespace readdata14::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

struct BuilderFree {
    void operator()(readdata14_builder* builder) const { readdata14_builder_free(builder); }
};
using BuilderPtr = std::unique_ptr<readdata14_builder, BuilderFree>;

constexpr const auto& kSections = kSectionBits;

BuilderPtr NewBuilder() {
    readdata14_builder* builder = nullptr;
    EXPECT_EQ(readdata14_builder_new(&builder), READDATA14_WRITTEN);
    return BuilderPtr(builder);
}

DocumentPtr Finish(const readdata14_builder* builder) {
    readdata14_document* document = nullptr;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    EXPECT_EQ(readdata14_builder_finish(builder, &document, &result), READDATA14_READ) << result.message;
    return DocumentPtr(document);
}

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> TestSetFiles() {
    const fs::path fuzz = READDATA14_FUZZ_DIR;
    std::vector<fs::path> files;
    for (const fs::path& folder : {fs::path(READDATA14_TEST_DATA), fuzz / "corpus", fuzz / "regressions"}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file() && !entry.path().filename().string().starts_with('.')) files.push_back(entry.path());
        }
    }
    files.push_back(READDATA14_SAMPLE_CHART);
    std::sort(files.begin(), files.end());
    return files;
}

readdata14_status Copy(readdata14_builder* builder, const readdata14_document& from, std::uint32_t section,
                       std::size_t first, std::size_t count, std::string* why = nullptr) {
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const readdata14_status status = readdata14_builder_copy_elements(builder, &from, section, first, count, &result);
    if (why != nullptr) *why = result.message;
    return status;
}

// Where the copy of a section is cut into two calls.
std::size_t Half(std::size_t elements) { return elements / 2; }

TEST(CopyElements, EveryElementOfEveryFileGivesItsBlocksBack) {
    std::size_t charts = 0;
    for (const fs::path& file : TestSetFiles()) {
        const DocumentPtr read = OpenBytes(Bytes(file));
        if (!read) continue;
        EXPECT_EQ(CopyAllProblem(*read), "") << file;
        EXPECT_EQ(CopyAllProblem(*read, Half), "") << file << ", in two runs";
        ++charts;
    }
    EXPECT_GE(charts, 19u);
}

// Spoilt files leave the degenerate elements: contours without points,
// lines of one point, NaNs, symbols that lost their angle, cut texts.
TEST(CopyElements, EveryElementOfSpoiltFilesGivesItsBlocksBack) {
    static constexpr std::string_view kBytes = " \n\r\t0123456789.-+eEnaifNI#\x01\x1a\0:LSWX"sv;
    std::mt19937 random(29);
    std::size_t spoilt = 0;
    for (const fs::path& file : TestSetFiles()) {
        const std::string bytes = Bytes(file);
        for (int round = 0; round < 100 && !bytes.empty(); ++round) {
            std::string changed = bytes;
            for (auto n = 1 + random() % 3; n > 0 && !changed.empty(); --n) {
                const std::size_t at = random() % changed.size();
                const char byte = kBytes[random() % kBytes.size()];
                switch (random() % 3) {
                    case 0: changed[at] = byte; break;
                    case 1: changed.insert(changed.begin() + static_cast<std::ptrdiff_t>(at), byte); break;
                    default: changed.erase(at, 1); break;
                }
            }
            const DocumentPtr read = OpenBytes(changed);
            if (!read) continue;
            EXPECT_EQ(CopyAllProblem(*read), "") << file.filename() << " spoilt, round " << round;
            ++spoilt;
        }
    }
    EXPECT_GT(spoilt, 1000u);
}

// Each element of a section as its bits, in file order, through the typed
// view of the chart's file (an independent walk of the blocks).
template <class T>
std::string BitsOf(const T& value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}
template <class Range>
std::string PointBits(const Range& points) {
    std::string bits;
    for (const Point& p : points) bits += BitsOf(p.x) + BitsOf(p.y);
    return bits;
}

std::vector<std::string> ElementBits(const readdata14_document& document, std::uint32_t section) {
    const Written file = WriteToMemory(document);
    const Chart chart = Chart::FromMemory(file.bytes);
    std::vector<std::string> bits;
    switch (section) {
        case READDATA14_SECTION_LINES:
            for (const auto& e : chart.Lines())
                bits.push_back(BitsOf(e.code) + PointBits(e.points) + BitsOf(e.labelValue) + PointBits(e.labelPoints));
            break;
        case READDATA14_SECTION_LINE_SYMBOLS:
            for (const auto& e : chart.LineSymbols()) bits.push_back(BitsOf(e.code) + PointBits(e.points));
            break;
        case READDATA14_SECTION_SYMBOLS:
            for (const auto& e : chart.Symbols())
                bits.push_back(BitsOf(e.type) + BitsOf(e.position) + BitsOf(e.direction) + std::string(e.text));
            break;
        case READDATA14_SECTION_CLOSED_CONTOURS: {
            // Nesting and levels are the reader's: the contour's own fields, in file order.
            std::vector<std::string> inBlock;
            for (const auto& e : chart.ClosedContours())
                inBlock.push_back(BitsOf(e.code) + PointBits(e.points) + BitsOf(e.value) + PointBits(e.labelPoints));
            bits.resize(inBlock.size());
            for (std::size_t i = 0; i < inBlock.size(); ++i) bits[document.contourFilePositions[i]] = inBlock[i];
            break;
        }
        case READDATA14_SECTION_WEATHER_REGIONS:
            for (const auto& e : chart.WeatherRegions()) bits.push_back(BitsOf(e.code) + PointBits(e.points));
            break;
        case READDATA14_SECTION_FILL_AREAS:
            for (const auto& e : chart.FillAreas())
                bits.push_back(BitsOf(e.code) + PointBits(e.points) + std::string(reinterpret_cast<const char*>(e.values.data()), 64));
            break;
        default:
            for (const auto& e : chart.Notes())
                bits.push_back(BitsOf(e.type) + BitsOf(e.position) + BitsOf(e.value) +
                               std::string(reinterpret_cast<const char*>(e.values.data()), 24) + std::string(e.firstText) +
                               "#" + std::string(e.secondText));
    }
    return bits;
}

std::vector<std::int32_t> SymbolSlots(const readdata14_document& document) {
    const auto& chart = document.chart;
    if (chart.symbols.lengths == nullptr) return {};
    return {chart.symbols.lengths, chart.symbols.lengths + chart.symbolLengthsSize};
}

// `kept` is `all`, or `all` without one of its elements.
bool AllButAtMostOne(const std::vector<std::string>& all, const std::vector<std::string>& kept) {
    if (kept == all) return true;
    if (kept.size() + 1 != all.size()) return false;
    const auto differs = std::mismatch(kept.begin(), kept.end(), all.begin());
    return std::equal(differs.first, kept.end(), differs.second + 1);
}

// One element left out (copied as the runs before and after it): the
// section holds the others, in their order.
TEST(CopyElements, APartGivesTheChartWithoutTheOthers) {
    std::size_t parts = 0;
    for (const fs::path& file : TestSetFiles()) {
        const DocumentPtr read = OpenBytes(Bytes(file));
        if (!read || read->status != READDATA14_READ) continue;
        for (const std::uint32_t section : kSections) {
            const std::size_t n = ElementsOf(*read, section);
            if (n == 0) continue;
            const std::vector<std::string> all = ElementBits(*read, section);
            for (const std::size_t left : {std::size_t{0}, n / 2, n - 1}) {
                const BuilderPtr builder = NewBuilder();
                ASSERT_EQ(Copy(builder.get(), *read, section, 0, left), READDATA14_WRITTEN);
                ASSERT_EQ(Copy(builder.get(), *read, section, left + 1, n - left - 1), READDATA14_WRITTEN);
                const DocumentPtr built = Finish(builder.get());
                ASSERT_TRUE(built);
                const std::vector<std::string> kept = ElementBits(*built, section);
                const std::string where = file.filename().string() + ", section " + std::to_string(section) +
                                          ", without element " + std::to_string(left);
                if (section == READDATA14_SECTION_SYMBOLS) {
                    // Slots are the elements; a dropped one has no record.
                    std::vector<std::int32_t> slots = SymbolSlots(*read);
                    slots.erase(slots.begin() + static_cast<std::ptrdiff_t>(left));
                    EXPECT_EQ(SymbolSlots(*built), slots) << where;
                    EXPECT_TRUE(AllButAtMostOne(all, kept)) << where;
                } else {
                    std::vector<std::string> expected = all;
                    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(left));
                    EXPECT_EQ(kept, expected) << where;
                }
                ++parts;
            }
        }
    }
    EXPECT_GT(parts, 50u);
}

// Bad calls and what no file gives back: refused, the builder as it was.
TEST(CopyElements, Refusals) {
    const DocumentPtr read = OpenBytes(Bytes(READDATA14_SAMPLE_CHART));
    ASSERT_TRUE(read);
    readdata14_options headerOnly = READDATA14_OPTIONS_INIT;
    headerOnly.flags = READDATA14_HEADER_ONLY;
    readdata14_document* header = nullptr;
    const std::string sample = Bytes(READDATA14_SAMPLE_CHART);
    readdata14_open_memory(sample.data(), sample.size(), &headerOnly, &header);
    const DocumentPtr headerDocument(header);
    const std::size_t lines = ElementsOf(*read, READDATA14_SECTION_LINES);
    ASSERT_GT(lines, 1u);
    struct Case {
        const char* name;
        bool nullBuilder;
        const readdata14_document* from;
        std::uint32_t section;
        std::size_t first;
        std::size_t count;
        std::uint32_t leftOut;
        readdata14_status expected;
    } cases[] = {
        {"null builder", true, read.get(), READDATA14_SECTION_LINES, 0, 1, 0, READDATA14_INVALID_ARGUMENT},
        {"null document", false, nullptr, READDATA14_SECTION_LINES, 0, 1, 0, READDATA14_INVALID_ARGUMENT},
        {"no section", false, read.get(), 0, 0, 1, 0, READDATA14_INVALID_ARGUMENT},
        {"two sections", false, read.get(), 3, 0, 1, 0, READDATA14_INVALID_ARGUMENT},
        {"beyond the sections", false, read.get(), READDATA14_SECTION_NOTES << 1, 0, 1, 0, READDATA14_INVALID_ARGUMENT},
        {"first beyond", false, read.get(), READDATA14_SECTION_LINES, lines + 1, 0, 0, READDATA14_INVALID_ARGUMENT},
        {"count beyond", false, read.get(), READDATA14_SECTION_LINES, 1, lines, 0, READDATA14_INVALID_ARGUMENT},
        {"count wraps", false, read.get(), READDATA14_SECTION_LINES, 1, SIZE_MAX - 1, 0, READDATA14_INVALID_ARGUMENT},
        {"all from beyond", false, read.get(), READDATA14_SECTION_LINES, lines + 1, READDATA14_ALL_ELEMENTS, 0,
         READDATA14_INVALID_ARGUMENT},
        {"all from the last", false, read.get(), READDATA14_SECTION_LINES, lines - 1, READDATA14_ALL_ELEMENTS, 0,
         READDATA14_WRITTEN},
        {"header only", false, headerDocument.get(), READDATA14_SECTION_LINES, 0, 0, 0, READDATA14_NOT_WRITABLE},
        {"left out", false, read.get(), READDATA14_SECTION_LINES, 0, 1, READDATA14_SECTION_LINES, READDATA14_NOT_WRITABLE},
        {"none into a section left out", false, read.get(), READDATA14_SECTION_LINES, 0, 0, READDATA14_SECTION_LINES,
         READDATA14_WRITTEN},
        {"nothing at the end", false, read.get(), READDATA14_SECTION_LINES, lines, 0, 0, READDATA14_WRITTEN},
    };
    for (const Case& c : cases) {
        const BuilderPtr builder = NewBuilder();
        if (c.leftOut != 0) readdata14_builder_leave_out(builder.get(), c.leftOut, nullptr);
        ASSERT_EQ(Copy(builder.get(), *read, READDATA14_SECTION_NOTES, 0, 1), READDATA14_WRITTEN) << c.name;
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        EXPECT_EQ(readdata14_builder_copy_elements(c.nullBuilder ? nullptr : builder.get(), c.from, c.section, c.first,
                                                   c.count, &result),
                  c.expected)
            << c.name;
        EXPECT_EQ(c.expected == READDATA14_WRITTEN, result.message[0] == '\0') << c.name << ": " << result.message;
        const DocumentPtr built = Finish(builder.get());
        ASSERT_TRUE(built) << c.name;
        EXPECT_EQ(ElementsOf(*built, READDATA14_SECTION_NOTES), 1u) << c.name;
        EXPECT_EQ(ElementsOf(*built, READDATA14_SECTION_LINES), c.expected == READDATA14_WRITTEN ? c.count == 0 ? 0u : 1u : 0u)
            << c.name;
    }
}

// A NaN of a payload no file spells, in a document a host made up: refused
// when copied, not when the chart is finished.
TEST(CopyElements, RefusesWhatNoFileGivesBack) {
    const DocumentPtr read = OpenBytes(Bytes(READDATA14_SAMPLE_CHART));
    ASSERT_TRUE(read && read->chart.lines != nullptr && read->chart.lines[0] >= 1.0f);
    std::vector<float> lines(read->chart.lines, read->chart.lines + read->chart.linesSize);
    lines[3] = std::bit_cast<float>(0x7fc01234u);  // the first line's first x
    readdata14_document made = *read;
    made.chart.lines = lines.data();
    const BuilderPtr builder = NewBuilder();
    std::string why;
    EXPECT_EQ(Copy(builder.get(), made, READDATA14_SECTION_LINES, 0, 1, &why), READDATA14_NOT_WRITABLE);
    EXPECT_NE(why.find("LINES"), std::string::npos) << why;
    EXPECT_EQ(Copy(builder.get(), made, READDATA14_SECTION_LINES, 1, 1), READDATA14_WRITTEN);
}

// A symbol that lost its angle where its section stopped ends the section.
TEST(CopyElements, ASymbolThatLostItsAngleStaysLast) {
    const DocumentPtr read = OpenBytes(
        "readdata14 14 chart\nLINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 2\n7 1 2 0 1.5\n7 3 4 0\n"sv);
    ASSERT_TRUE(read);
    ASSERT_EQ(ElementsOf(*read, READDATA14_SECTION_SYMBOLS), 2u);
    const BuilderPtr builder = NewBuilder();
    ASSERT_EQ(Copy(builder.get(), *read, READDATA14_SECTION_SYMBOLS, 0, 2), READDATA14_WRITTEN);
    EXPECT_EQ(Copy(builder.get(), *read, READDATA14_SECTION_SYMBOLS, 0, 1), READDATA14_NOT_WRITABLE);
    readdata14_symbol symbol = READDATA14_SYMBOL_INIT;
    symbol.type = 7;
    EXPECT_EQ(readdata14_builder_add_symbol(builder.get(), &symbol, nullptr), READDATA14_NOT_WRITABLE);
    const DocumentPtr built = Finish(builder.get());
    ASSERT_TRUE(built);
    EXPECT_EQ(built->chart.symbolValuesSize, read->chart.symbolValuesSize);
    EXPECT_EQ(std::memcmp(built->chart.symbols.values, read->chart.symbols.values, read->chart.symbolValuesSize * 4), 0);
}

// A line or contour copied with other label points: the rest of its record
// comes back bit for bit (a line of one point, NaN and infinite points, a
// contour without points), the label points as given, NaN included; what
// the record cannot hold, or is not asked right, is refused with the
// builder as it was.
constexpr std::string_view kRelabelChart =
    "readdata14 14 relabel\nLINES: 3\n1 3\n10 20 0 30 40 0 50 60 0\n1012 1\n30 40 0\n2 1\n15.5 25.5 0\n1008 1\n"
    "15.5 25.5 0\n3 2\nnan 1 0 2 inf 0\n1016 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 3\n1 2\n"
    "20 20 0 30 30 0\n1004 1\n25 25 0\n1 0\n1008 0\n1 4\nnan 0 0 40 0 0 40 inf 0 nan 0 0\n996 0\n"
    "STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n"sv;

std::string FloatBits(const std::vector<float>& floats) {
    std::string bits(floats.size() * sizeof(float), '\0');
    if (!floats.empty()) std::memcpy(bits.data(), floats.data(), bits.size());
    return bits;
}

// The record of the `index`-th element of a lines or contours block, up to
// its label points' count, and its label points.
std::pair<std::string, std::vector<float>> RecordOf(const float* block, std::size_t index, bool line) {
    const float* at = block + 1;
    for (;;) {
        const auto points = static_cast<std::size_t>(at[0]);
        const std::size_t head = 2 * points + (line ? 3 : 5);
        const auto marks = static_cast<std::size_t>(at[head]);
        if (index-- == 0) return {FloatBits({at, at + head}), std::vector<float>(at + head + 1, at + head + 1 + 2 * marks)};
        at += head + 1 + 2 * marks;
    }
}

TEST(CopyRelabelled, KeepsTheRecordAndTakesTheLabelPoints) {
    const DocumentPtr read = OpenBytes(kRelabelChart);
    ASSERT_TRUE(read);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> two = {1.0f, 2.0f, nan, 150.0f};
    const std::vector<float> many(2 * 49, 7.0f);
    struct Case {
        const char* name;
        std::uint32_t section;
        std::size_t element;
        const float* points;
        std::size_t count;
        std::uint32_t leftOut;
        readdata14_status expected;
    } cases[] = {
        {"a line of three points", READDATA14_SECTION_LINES, 0, two.data(), 2, 0, READDATA14_WRITTEN},
        {"a line of one point", READDATA14_SECTION_LINES, 1, two.data(), 1, 0, READDATA14_WRITTEN},
        {"a line of NaN and inf, none", READDATA14_SECTION_LINES, 2, nullptr, 0, 0, READDATA14_WRITTEN},
        {"a line, 48", READDATA14_SECTION_LINES, 0, many.data(), 48, 0, READDATA14_WRITTEN},
        {"a line, 49", READDATA14_SECTION_LINES, 0, many.data(), 49, 0, READDATA14_NOT_WRITABLE},
        {"a line, too many to read", READDATA14_SECTION_LINES, 0, many.data(), SIZE_MAX, 0, READDATA14_NOT_WRITABLE},
        {"a contour of two points", READDATA14_SECTION_CLOSED_CONTOURS, 0, two.data(), 2, 0, READDATA14_WRITTEN},
        {"a contour without points", READDATA14_SECTION_CLOSED_CONTOURS, 1, two.data(), 2, 0, READDATA14_WRITTEN},
        {"a contour of NaN, 47", READDATA14_SECTION_CLOSED_CONTOURS, 2, many.data(), 47, 0, READDATA14_WRITTEN},
        {"a contour, 48", READDATA14_SECTION_CLOSED_CONTOURS, 2, many.data(), 48, 0, READDATA14_NOT_WRITABLE},
        {"beyond the section", READDATA14_SECTION_LINES, 3, two.data(), 1, 0, READDATA14_INVALID_ARGUMENT},
        {"a section without label points", READDATA14_SECTION_SYMBOLS, 0, two.data(), 1, 0, READDATA14_INVALID_ARGUMENT},
        {"two sections", READDATA14_SECTION_LINES | READDATA14_SECTION_CLOSED_CONTOURS, 0, two.data(), 1, 0,
         READDATA14_INVALID_ARGUMENT},
        {"null points with a count", READDATA14_SECTION_LINES, 0, nullptr, 1, 0, READDATA14_INVALID_ARGUMENT},
        {"left out", READDATA14_SECTION_LINES, 0, two.data(), 1, READDATA14_SECTION_LINES, READDATA14_NOT_WRITABLE},
    };
    for (const Case& c : cases) {
        const BuilderPtr builder = NewBuilder();
        if (c.leftOut != 0) readdata14_builder_leave_out(builder.get(), c.leftOut, nullptr);
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        EXPECT_EQ(readdata14_builder_copy_relabelled(builder.get(), read.get(), c.section, c.element, c.points, c.count,
                                                     &result),
                  c.expected)
            << c.name;
        EXPECT_EQ(c.expected == READDATA14_WRITTEN, result.message[0] == '\0') << c.name << ": " << result.message;
        const DocumentPtr built = Finish(builder.get());
        ASSERT_TRUE(built) << c.name;
        const std::size_t held = c.section == READDATA14_SECTION_SYMBOLS ? 0 : ElementsOf(*built, c.section);
        EXPECT_EQ(held, c.expected == READDATA14_WRITTEN ? 1u : 0u) << c.name;
        if (c.expected != READDATA14_WRITTEN) continue;
        const bool line = c.section == READDATA14_SECTION_LINES;
        // Contours stand in the block in nesting order: copied alone, this
        // one is the first; the source's is found by its file position.
        std::size_t source = c.element;
        if (!line) source = static_cast<std::size_t>(std::find(read->contourFilePositions, read->contourFilePositions + 3,
                                                               static_cast<std::uint32_t>(c.element)) -
                                                     read->contourFilePositions);
        const auto [head, points] = RecordOf(line ? built->chart.lines : built->chart.closedContours, 0, line);
        EXPECT_EQ(head, RecordOf(line ? read->chart.lines : read->chart.closedContours, source, line).first) << c.name;
        EXPECT_EQ(FloatBits(points), FloatBits({c.points, c.points + 2 * c.count})) << c.name;
    }
    EXPECT_EQ(readdata14_builder_copy_relabelled(nullptr, read.get(), READDATA14_SECTION_LINES, 0, nullptr, 0, nullptr),
              READDATA14_INVALID_ARGUMENT);
    const BuilderPtr builder = NewBuilder();
    EXPECT_EQ(readdata14_builder_copy_relabelled(builder.get(), nullptr, READDATA14_SECTION_LINES, 0, nullptr, 0, nullptr),
              READDATA14_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace readdata14::test
