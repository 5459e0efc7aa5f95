// The scanner's formatted reads and the text mode of the bytes it reads.
#include "reading/line_counter.hpp"
#include "reading/scanner.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>

#include "reading/text_input.hpp"
#include "support/chart_text.hpp"

namespace readdata14 {
namespace {

using namespace std::string_view_literals;

TEST(Scanner, TokensAreRunsOfNonSpace) {
    Scanner in(" \t\nLINES:\v\f\r 12 abc"sv);
    EXPECT_EQ(in.Token(), "LINES:"sv);
    EXPECT_EQ(in.Token(), "12"sv);
    EXPECT_EQ(in.Token(), "abc"sv);
    EXPECT_FALSE(in.Token().has_value());
    EXPECT_TRUE(in.AtEnd());
}

TEST(Scanner, ATokenEndsAtANulButIsConsumedWhole) {
    Scanner in("AB\0CD next"sv);
    EXPECT_EQ(in.Token(), "AB"sv);
    EXPECT_EQ(in.Token(), "next"sv);
}

TEST(Scanner, ConversionsTakeTheLongestNumberAndLeaveTheRest) {
    Scanner in("12.5 -7x 1e5e"sv);
    EXPECT_EQ(in.Int(), 12);
    EXPECT_EQ(in.Float(), 0.5f);  // ".5" is what "%d" left
    EXPECT_EQ(in.Int(), -7);
    EXPECT_EQ(in.Token(), "x"sv);
    EXPECT_EQ(in.Float(), 1e5f);
    EXPECT_EQ(in.Token(), "e"sv);
}

TEST(Scanner, AFailedConversionConsumesOnlyWhiteSpace) {
    Scanner in("   LINES: 3"sv);
    EXPECT_FALSE(in.Int().has_value());
    EXPECT_FALSE(in.Float().has_value());
    EXPECT_EQ(in.Offset(), 3u);
    EXPECT_EQ(in.Token(), "LINES:"sv);
    EXPECT_EQ(in.Int(), 3);
    EXPECT_FALSE(in.Int().has_value());
}

// Floats (three numbers at a time, plain decimals the short way) against
// Float one number at a time on the same text: the same count, the same
// float bits, the same place afterwards, for numbers of every shape strtof
// knows, separated by any white space, and for tokens that stop a read.
TEST(Scanner, FloatsReadsWhatFloatReadsOneByOne) {
    std::mt19937 random(14);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    const char* const tokens[] = {
        "0", "-0", "12", "181.27", "-3.5", "+7", ".25", "5.", "0.0000000001", "16777217", "1234567890123456789",
        "1e5", "2.5E-3", "-1e39", "1e-46", "0x1.8p3", "-0x10", "inf", "-Infinity", "nan", "nan(7)", "1O12", "12x",
        "1e", "1.5e+", "NoLabel", "-", ".", "+-1", "99999.99", "3200025", "1012.5#",
    };
    const char* const spaces[] = {" ", "  ", "\n", "\t", "\r\n", " \v\f"};
    for (int trial = 0; trial < 3000; ++trial) {
        std::string text;
        const std::size_t count = 1 + pick(12);
        for (std::size_t t = 0; t < count; ++t) {
            text += spaces[pick(std::size(spaces))];
            text += tokens[pick(std::size(tokens))];
        }
        if (pick(2) == 0) text += spaces[pick(std::size(spaces))];
        Scanner grouped(text);
        Scanner single(text);
        for (;;) {
            float values[3] = {};
            const std::size_t converted = grouped.Floats(values);
            std::size_t expected = 0;
            for (; expected < 3; ++expected) {
                const std::optional<float> value = single.Float();
                if (!value) break;
                EXPECT_EQ(std::memcmp(&values[expected], &*value, sizeof(float)), 0) << text;
            }
            ASSERT_EQ(converted, expected) << text;
            ASSERT_EQ(grouped.Offset(), single.Offset()) << text;
            if (converted < 3 && !grouped.Token()) break;  // past the token that stopped it
            if (converted < 3) single.Token();
        }
    }
}

TEST(Scanner, LineReadsLikeFgets) {
    struct Case {
        std::string_view text;
        std::size_t limit;
        std::string_view taken;
        std::string_view rest;
    };
    const Case cases[] = {
        {"Hello\nnext", 5, "Hello", "\nnext"},      // exactly the limit: the line break stays
        {"Hi\nnext", 5, "Hi\n", "next"},            // a short line ends with its line break
        {"Hello world", 5, "Hello", " world"},      // blanks are part of a text
        {"abc", 10, "abc", ""},                     // the input ends
        {"abc", 0, "", "abc"},                      // room for nothing
        {"", 3, "", ""},
        {"a\0b\nc"sv, 10, "a", "c"},                  // a NUL ends the text, the line is consumed
    };
    for (const Case& c : cases) {
        Scanner in(c.text);
        EXPECT_EQ(in.Line(c.limit), c.taken) << c.text;
        EXPECT_EQ(in.Rest(), c.rest) << c.text;
    }
}

TEST(TextMode, ReadsAsAWindowsHostWould) {
    struct Case {
        std::string bytes;
        std::string read;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", "a\nb\n"},
        {"a\rb", "a\rb"},                 // a lone CR stays
        {"a\r\r\nb", "a\r\nb"},           // only the CR right before LF goes
        {"end\r", "end\r"},
        {"kept\x1a" "dropped\r\n", "kept"},  // Ctrl-Z ends the input
        {"\x1a", ""},
        {"no change", "no change"},
    };
    for (const Case& c : cases) {
        std::string bytes = c.bytes;
        ApplyTextMode(bytes);
        EXPECT_EQ(bytes, c.read);
    }
}

// Text mode looks for CR and Ctrl-Z bytes many at a time: random texts of
// those bytes among others, of every length around its steps, against the
// rule written out byte by byte (cut at the first Ctrl-Z, drop the CR of
// each CR LF), with the CR LF pairs it counts before each line break.
TEST(TextMode, EveryLengthAndPlaceAsTheRuleByteByByte) {
    std::mt19937 engine(14);
    const char alphabet[] = {'a', ' ', '\n', '\r', '\x1a'};
    for (std::size_t length = 0; length < 300; ++length) {
        for (int round = 0; round < 20; ++round) {
            std::string bytes(length, 'a');
            // Mostly plain bytes, so that a CR or Ctrl-Z may first come late.
            for (char& c : bytes) c = engine() % 16 == 0 ? alphabet[engine() % 5] : 'a';
            const std::string cut = bytes.substr(0, bytes.find('\x1a'));
            std::string expected;
            std::vector<std::size_t> crlfBefore{0};  // CR LF pairs among the first k line breaks
            for (std::size_t i = 0; i < cut.size(); ++i) {
                const bool pair = cut[i] == '\r' && i + 1 < cut.size() && cut[i + 1] == '\n';
                if (pair) continue;
                expected += cut[i];
                if (cut[i] == '\n') crlfBefore.push_back(crlfBefore.back() + (i > 0 && cut[i - 1] == '\r'));
            }
            std::string read = bytes;
            TextModeChanges changes;
            ApplyTextMode(read, &changes);
            ASSERT_EQ(read, expected) << length << " " << round;
            for (std::size_t k = 0; k < crlfBefore.size(); ++k) {
                ASSERT_EQ(changes.CarriageReturnsBefore(k), crlfBefore[k]) << length << " " << round << " " << k;
            }
            const bool contentAfter = cut.size() < bytes.size() &&
                bytes.find_first_not_of(std::string(" \t\n\v\f\r\x1a", 7), cut.size()) != std::string::npos;
            EXPECT_EQ(changes.ctrlZBeforeContent.has_value(), contentAfter) << length << " " << round;
        }
    }
}

class CollectingSink : public DiagnosticSink {
public:
    void Report(Finding finding) override { findings.push_back(std::move(finding)); }
    std::vector<Finding> findings;
};

TEST(LineCounter, PlacesOffsetsInAnyOrder) {
    constexpr std::string_view text = "one\n  two three\n\nx";
    struct Case {
        std::size_t offset, line, column;
    };
    // Forwards, then back, then forwards again: each answer as if counted afresh.
    const Case cases[] = {{0, 1, 1},  {2, 1, 3},  {6, 2, 3},  {10, 2, 7}, {16, 3, 1},
                          {17, 4, 1}, {4, 2, 1},  {3, 1, 4},  {18, 4, 2}, {99, 4, 2}};
    LineCounter lines(text);
    for (const Case& c : cases) {
        const TextPlace place = lines.PlaceOf(c.offset);
        EXPECT_EQ(place.line, c.line) << c.offset;
        EXPECT_EQ(place.column, c.column) << c.offset;
        EXPECT_EQ(place.lineBreaks, c.line - 1) << c.offset;
    }
}

TEST(TextModeChanges, CountsTheCarriageReturnsDropped) {
    // Line breaks 0 and 1 were CR LF, 2 a bare LF, 3 and 4 CR LF again.
    std::string bytes = "a\r\nb\r\nc\nd\r\ne\r\nf";
    TextModeChanges changes;
    ApplyTextMode(bytes, &changes);
    EXPECT_EQ(bytes, "a\nb\nc\nd\ne\nf");
    const std::size_t before[] = {0, 1, 2, 2, 3, 4, 4};
    for (std::size_t breaks = 0; breaks < std::size(before); ++breaks) {
        EXPECT_EQ(changes.CarriageReturnsBefore(breaks), before[breaks]) << breaks;
    }
    EXPECT_FALSE(changes.ctrlZBeforeContent.has_value());

    std::string trailer = "x\n\x1a\x1a";  // a Ctrl-Z trailer, as old editors write
    std::string early = "x\n\x1a y";
    TextModeChanges trailerChanges, earlyChanges;
    ApplyTextMode(trailer, &trailerChanges);
    ApplyTextMode(early, &earlyChanges);
    EXPECT_FALSE(trailerChanges.ctrlZBeforeContent.has_value());
    EXPECT_EQ(earlyChanges.ctrlZBeforeContent, 2u);
}

TEST(LoadFile, ReadsEveryByteAndFailsOnAMissingFile) {
    std::string bytes(200000, 'x');
    bytes[100] = '\0';
    bytes[150000] = '\r';
    test::TempFile file(bytes);
    EXPECT_EQ(LoadFile(file.Path()), bytes);
    EXPECT_FALSE(LoadFile("/nonexistent/readdata14/chart.txt").has_value());
    EXPECT_FALSE(LoadFile(nullptr).has_value());
}

}  // namespace
}  // namespace readdata14
