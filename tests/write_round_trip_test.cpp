// The writer's promise: every chart the library reads comes back whole
// through the writer (read, write, read: the same document), for the
// project's test files, for broken files cut short or spoilt, and for the
// states only a broken file leaves. And the spellings a reader of the file
// sees, where they are the point.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "reading/numbers.hpp"
#include "reading/reading_rules.hpp"
#include "support/chart_text.hpp"
#include "support/write_round_trip.hpp"
#include "writing/spelling.hpp"

namespace readdata14::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace std::string_view_literals;

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> ChartFilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const bool chart = name.ends_with(".txt") || folder.filename() != "examples";
        if (entry.is_regular_file() && !name.starts_with('.') && chart) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Round trips `bytes` when they read; false when they are no chart.
bool ExpectRoundTrip(std::string_view bytes, const std::string& name) {
    const DocumentPtr document = OpenBytes(bytes);
    if (!document) return false;
    EXPECT_EQ(RoundTripProblem(*document), "") << name;
    return true;
}

const fs::path kTestData = READDATA14_TEST_DATA;
const fs::path kFuzz = READDATA14_FUZZ_DIR;
const fs::path kExamples = fs::path(READDATA14_SAMPLE_CHART).parent_path();

std::vector<fs::path> TestSetFiles() {
    std::vector<fs::path> files;
    for (const fs::path& folder : {kTestData, kExamples, kFuzz / "corpus", kFuzz / "regressions"}) {
        const auto in = ChartFilesIn(folder);
        files.insert(files.end(), in.begin(), in.end());
    }
    return files;
}

TEST(WriteRoundTrip, EveryFileOfTheTestSets) {
    std::size_t charts = 0;
    for (const fs::path& file : TestSetFiles()) {
        if (ExpectRoundTrip(Bytes(file), file.string())) ++charts;
    }
    EXPECT_GE(charts, 19u);
    std::printf("round trip: %zu files read, written with LF and CR LF and read back\n", charts);
}

// Every length of the small files, some hundreds of the sample chart: what
// a cut leaves (a section stopped inside an element, a missing tag, a tag
// without its count, a note text cut short) is written as it was read.
TEST(WriteRoundTrip, FilesCutShortAtManyLengths) {
    std::size_t cuts = 0;
    for (const fs::path& file : TestSetFiles()) {
        const std::string bytes = Bytes(file);
        const std::size_t step = std::max<std::size_t>(1, bytes.size() / 400);
        for (std::size_t length = 0; length <= bytes.size(); length += step) {
            cuts += ExpectRoundTrip(std::string_view(bytes).substr(0, length), file.filename().string() + " cut at " +
                                                                                   std::to_string(length));
        }
    }
    EXPECT_GT(cuts, 5000u);
    std::printf("round trip: %zu cut files read, written and read back\n", cuts);
}

// Bytes replaced, added and taken away, with the bytes the format is touchy
// about among them.
TEST(WriteRoundTrip, SpoiltFiles) {
    static constexpr std::string_view kBytes = " \n\r\t0123456789.-+eEnaifNI#\x01\x1a\0:LSWX"sv;
    std::mt19937 random(14);
    std::size_t spoilt = 0;
    for (const fs::path& file : TestSetFiles()) {
        const std::string bytes = Bytes(file);
        if (bytes.empty()) continue;
        for (int round = 0; round < 300; ++round) {
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
            spoilt += ExpectRoundTrip(changed, file.filename().string() + " spoilt, round " + std::to_string(round));
        }
    }
    EXPECT_GT(spoilt, 3000u);
    std::printf("round trip: %zu spoilt files read, written and read back\n", spoilt);
}

// The states that only a broken or unusual file leaves, each a chart text
// and what it shows.
TEST(WriteRoundTrip, StatesOnlyABrokenFileLeaves) {
    const std::string h = Header();
    const std::string beforeRegions = "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\n";
    const std::string beforeNotes = beforeRegions + "STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\n";
    const struct {
        const char* state;
        std::string text;
    } cases[] = {
        {"every section missing", h},
        {"a tag missing, every later one misread", h + "LINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\n"
                                                      "STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n"},
        {"tags without their counts", h + "LINES: LINES_SYMBOL: CLOSED_CONTOURS: 0\n"},
        {"no STATION_SITUATION, notes after", h + beforeRegions + "NOTES_SYMBOL: 1 7\n"},
        {"the marker without the tag", h + "LINES: 0\nSTATION_SITUATION 1 2 3\n"},
        {"FILLAREA missing after the regions",
         h + beforeRegions + "STATION_SITUATION WEATHER_REGION: 0 NOTES_SYMBOL: 1 9\n"},
        {"SYMBOLS stopped before its first symbol", h + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 2 CLOSED_CONTOURS: 0\n"},
        {"a symbol that lost its angle", h + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 3 48 1 2 1.0 gone 7 1 2 0\n"},
        {"a symbol that lost its place", h + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 2 7 1 2 0 0.5 60 1"},
        {"NOTES stopped before its first note", h + beforeNotes + "NOTES_SYMBOL: 3 x"},
        {"a note text cut short", h + beforeNotes + "NOTES_SYMBOL: 1\n48 1 2 0 30\nshort\n1 4\nab"},
        {"note texts ending in CR", h + beforeNotes + "NOTES_SYMBOL: 1\n48 1 2 0 3\nab\r 1 3\nc\r\r\n"},
        {"a note text with a NUL", h + beforeNotes + "NOTES_SYMBOL: 1\n48 1 2 0 5\na"s + '\0' + "bcd 1 0\n\n"},
        {"a note of another type", h + beforeNotes + "NOTES_SYMBOL: 2\n7\n48 0 0 0 0\n1 0\n"},
        {"empty header tokens", "\0x 14 \0\n1 2\nLINES: 0\n"s},
        {"three header integers", "a 14 b 1 2 3 LINES: 1 1 0 NoLabel 0"},
        {"non-finite values", h + "LINES: 1 1 2 nan -inf 0 inf -0 0 -nan 1 1e39 -nan 0"},
        {"labels by the code rule", h + "LINES: 4 1 0 5.5 0 1 0 050 0 1 0 9.9 0 1 0 1O12 0\n"
                                        "LINES_SYMBOL: 0 SYMBOLS: 0 CLOSED_CONTOURS: 3\n"
                                        "1 1 0 0 0 0.1 0 1 1 0 0 0 99.5 0 1 1 0 0 0 3100000 0\n"},
        {"a long list thinned", [] {
             std::string text = Header() + "LINES: 0 LINES_SYMBOL: 1 7 0 400\n";
             for (int i = 0; i < 400; ++i) text += std::to_string(i * 0.7) + " " + std::to_string(i % 3) + " 0\n";
             return text + "x 0\n";
         }()},
        {"a count beyond the data", h + "LINES: 1000000 1 1 0 0 0 NoLabel 0"},
    };
    for (const auto& c : cases) {
        const DocumentPtr document = OpenBytes(c.text);
        ASSERT_TRUE(document) << c.state;
        EXPECT_EQ(RoundTripProblem(*document), "") << c.state;
    }
}

// A read that its handler stopped holds what was read up to there.
TEST(WriteRoundTrip, ReadsStoppedByTheirHandler) {
    const std::string text = Header() + "LINES: 2 1 1 0 0 0 1O12 0 LINES_SYMBOL: x SYMBOLS: 1 7 1 2 0 1e39\n"
                                        "CLOSED_CONTOURS: 1 1 1 1 1 0 NoLabel 0 STATION_SITUATION WEATHER_REGION: 1 1 -1\n"
                                        "FILLAREA: 0 NOTES_SYMBOL: 1 48 0 0 0 9\nshort\n0 0 0 0 0 0 0 0 0 junk";
    int stopped = 0;
    for (int stopAfter = 1; stopAfter <= 8; ++stopAfter) {
        struct Count {
            int seen = 0;
            int stopAfter = 0;
        } count{0, stopAfter};
        readdata14_options options = READDATA14_OPTIONS_INIT;
        options.context = &count;
        options.onFinding = [](const readdata14_finding*, void* context) {
            auto& c = *static_cast<Count*>(context);
            return ++c.seen >= c.stopAfter ? READDATA14_STOP : READDATA14_GO_ON;
        };
        readdata14_document* document = nullptr;
        const readdata14_status status = readdata14_open_memory(text.data(), text.size(), &options, &document);
        const DocumentPtr owned(document);
        if (status != READDATA14_STOPPED) break;  // fewer findings than that
        ++stopped;
        EXPECT_EQ(RoundTripProblem(*document), "") << stopAfter;
    }
    EXPECT_GE(stopped, 3);
}

// What a reader of the written file sees, where it is the point.
TEST(WriteRoundTrip, Spellings) {
    const std::string h = Header();
    const struct {
        const char* what;
        std::string text;
        std::string_view written;  // a piece of the written file
    } cases[] = {
        {"a value that would read as a code", h + "LINES: 1 1 0 5.500 0", "\n5.50 0"},
        {"a code as the file writes it", h + "LINES: 1 1 0 050 0", "\n050 0"},
        {"a code no three characters give", h + "LINES: 1 1 0 0.1 0", "\n3200000 0"},
        {"NoLabel", h + "LINES: 1 1 0 999999.0 0", "\nNoLabel 0"},
        {"negative zero and infinities", h + "LINES: 1 1 2 -0.0 -1e39 0 +inf 1.50 0 nan 0", "-0 -inf 0 inf 1.5 0\n"},
        {"a missing section", h + "junk LINES_SYMBOL: 0", "\nLINES\nLINES_SYMBOL: 0\n"},
        {"a missing marker", h + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 0 CLOSED_CONTOURS: 0 x NOTES_SYMBOL: 0",
         "\nWEATHER_REGION\nNOTES_SYMBOL: 0\n"},
        {"a blank in a symbol's text", h + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 1 60 1 2 0 a\x01" "b", " a\x01" "b\n"},
        {"an empty symbol text", h + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 1 60 1 2 0 " + '\0', " 0 \0\n"sv},
        {"the angle as the file had it", h + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 2 7 1 2 0 1 7 1 2 0 -0.78540",
         " 0 1\n7 1 2 0 -0.7854\n"},
        {"a dropped symbol", h + "LINES: 0 LINES_SYMBOL: 0 SYMBOLS: 1 48 5 6 1 x", "\n48 0 0 1 -\n"},
    };
    for (const auto& c : cases) {
        const DocumentPtr document = OpenBytes(c.text);
        ASSERT_TRUE(document) << c.what;
        const Written written = WriteToMemory(*document);
        ASSERT_EQ(written.status, READDATA14_WRITTEN) << c.what << ": " << written.result.message;
        EXPECT_NE(written.bytes.find(c.written), std::string::npos) << c.what << ":\n" << written.bytes;
    }
}

// Floats through the writer's spelling and the reader's conversion: a
// sweep over the bit patterns, every kind included, and the two NaNs.
TEST(WriteSpelling, FloatsReadBackToTheirBits) {
    std::size_t checked = 0;
    for (std::uint64_t bits = 0; bits <= 0xffffffffu; bits += 40961) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        if (std::isnan(value)) continue;
        char text[writing::SPELLING_ROOM];
        const char* end = writing::SpellFloat(value, text);
        const ParsedFloat parsed = ParseFloatPrefix(std::string_view(text, static_cast<std::size_t>(end - text)));
        ASSERT_EQ(parsed.length, static_cast<std::size_t>(end - text)) << std::string_view(text, parsed.length);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(parsed.value), bits) << std::string_view(text, parsed.length);
        ++checked;
    }
    for (const char* nan : {"nan", "-nan"}) {
        const float value = ParseFloatPrefix(nan).value;
        char text[writing::SPELLING_ROOM];
        EXPECT_EQ(std::string_view(text, static_cast<std::size_t>(writing::SpellFloat(value, text) - text)), nan);
    }
    EXPECT_FALSE(writing::FloatSpellable(std::bit_cast<float>(0x7fc00001u)));
    EXPECT_GT(checked, 100000u);
}

// Labels through the label rule: values on both sides of the code rule,
// codes, and the numbers the rule rounds.
TEST(WriteSpelling, LabelsReadBackToTheirValues) {
    std::mt19937 random(3);
    std::vector<float> values{0.0f, -0.0f, 0.5f, 5.5f, 9.9f, 99.75f, 100.0f, 999999.0f, 3200000.0f, 3200050.0f,
                              3200005.5f, 3100000.0f, std::numeric_limits<float>::infinity(), 1e-30f, -5.0f};
    for (int i = 0; i < 20000; ++i) {
        values.push_back(std::uniform_real_distribution<float>(0.0f, 101.0f)(random));
        values.push_back(std::round(std::uniform_real_distribution<float>(0.0f, 100.0f)(random) * 4.0f) / 4.0f +
                         LABEL_CODE_OFFSET);
    }
    for (const float value : values) {
        char text[writing::SPELLING_ROOM];
        const char* end = writing::SpellLabel(value, text);
        ASSERT_NE(end, nullptr) << value;
        const Label label = ReadLabelValue(std::string_view(text, static_cast<std::size_t>(end - text)));
        ASSERT_EQ(std::bit_cast<std::uint32_t>(label.value), std::bit_cast<std::uint32_t>(value)) << value;
    }
}

// Every direction an angle gives has that angle found again; directions
// between them are refused, and the nearest carried one is one of those.
TEST(WriteSpelling, AnglesForDirections) {
    std::mt19937 random(5);
    for (int i = 0; i < 20000; ++i) {
        const float angle = std::uniform_real_distribution<float>(-20.0f, 20.0f)(random);
        const float direction = DirectionFromAngle(angle);
        const auto found = writing::AngleForDirection(direction);
        ASSERT_TRUE(found) << angle;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(DirectionFromAngle(*found)), std::bit_cast<std::uint32_t>(direction));
        const float next = std::nextafter(direction, 1e9f);
        const auto nearest = writing::NearestCarriedDirection(next);
        ASSERT_TRUE(nearest);
        ASSERT_TRUE(writing::AngleForDirection(*nearest)) << next;
        EXPECT_LT(std::fabs(double(*nearest) - double(next)), 1e-4);
    }
    for (const float edge : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                             ParseFloatPrefix("nan").value, ParseFloatPrefix("-nan").value}) {
        const auto angle = writing::AngleForDirection(DirectionFromAngle(edge));
        ASSERT_TRUE(angle);
    }
}

}  // namespace
}  // namespace readdata14::test
