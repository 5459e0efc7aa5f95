// SYMBOLS: [1, type, x, y, direction] per kept symbol, a lengths slot per
// symbol read (dropped ones included), texts joined with "#".
#include <gtest/gtest.h>

#include <cstring>

#include "sections/sections.hpp"
#include "support/section_cases.hpp"

namespace readdata14::test {
namespace {

struct SymbolCase {
    const char* name;
    std::string input;
    std::vector<float> values;
    std::vector<std::int32_t> lengths;
    std::string text;
    std::string next;
};

void PrintTo(const SymbolCase& c, std::ostream* os) { *os << c.name; }

std::vector<SymbolCase> Cases() {
    return {
        {"ThreeSymbolsOneDropped", "SYMBOLS: 3 48 1 2 0 Low 48 3 4 1.0 Gone 1 5 6 0 0 NEXT",
         {2, 1, 48, 1, 2, 0, 1, 1, 5, 6, 270}, {4, 0, 0}, "Low#", "NEXT"},
        {"OnlyType48AtExactlyOneIsDropped",
         "SYMBOLS: 3 48 1 2 1.0 a 48 3 4 1.0000001 b 60 5 6 1.0 c N",
         {2, 1, 48, 3, 4, 0, 1, 60, 5, 6, 0}, {0, 2, 2}, "b#c#", "N"},
        {"BlankByteRestored", "SYMBOLS: 1 61 1 2 0 A\x01" "B N", {1, 1, 61, 1, 2, 0}, {4}, "A B#", "N"},
        {"HashKeptInText", "SYMBOLS: 1 62 1 2 0 a#b N", {1, 1, 62, 1, 2, 0}, {4}, "a#b#", "N"},
        {"NoTextTypes", "SYMBOLS: 2 1 1 2 0 0 2 3 4 0 0 N", {2, 1, 1, 1, 2, 270, 1, 2, 3, 4, 270}, {0, 0}, " ", "N"},
        {"AllTextsDropped", "SYMBOLS: 1 48 1 2 1 x N", {0}, {0}, " ", "N"},
        {"LongTextStoredWhole", "SYMBOLS: 1 63 1 2 0 " + std::string(300, 'w') + " N",
         {1, 1, 63, 1, 2, 0}, {301}, std::string(300, 'w') + "#", "N"},
        // A broken section stops where it breaks; what was read stays, and a
        // text-type record always has its text (empty when not read).
        {"TruncatedAfterType", "SYMBOLS: 2 48", {1, 1, 48, 0, 0, 0}, {1}, "#", ""},
        {"TruncatedBeforeText", "SYMBOLS: 1 60 1 2 3", {1, 1, 60, 1, 2, 0}, {1}, "#", ""},
        {"TruncatedBeforeAngle", "SYMBOLS: 2 7 1 2 3", {1, 1, 7, 1, 2, 0}, {0}, " ", ""},
        {"UnconvertibleCoordinate", "SYMBOLS: 2 7 1 X 3 4", {1, 1, 7, 0, 0, 0}, {0}, " ", "X"},
        {"UnconvertibleType", "SYMBOLS: 2 7 1 2 3 0 X 1 2 3 0", {1, 1, 7, 1, 2, 270}, {0}, " ", "X"},
        {"DroppedThenTruncated", "SYMBOLS: 2 48 1 2 1.0", {0}, {0}, " ", ""},
        {"UnbackedHugeCount", "SYMBOLS: 2000000000 1 1 2 3 0", {1, 1, 1, 1, 2, 270}, {0}, " ", ""},
    };
}

class Symbols : public testing::TestWithParam<SymbolCase> {};

TEST_P(Symbols, ValuesLengthsText) {
    const SymbolCase& c = GetParam();
    Scanner in(c.input);
    const TextBlock block = ReadSymbols(in);
    ASSERT_FALSE(block.Untouched());
    EXPECT_EQ(Walked(Layout::Symbols, block.values.get()), c.values);
    EXPECT_EQ(Slots(block.lengths.get(), c.lengths.size()), c.lengths);
    ASSERT_NE(block.text, nullptr);
    EXPECT_EQ(std::string(block.text.get()), c.text);
    EXPECT_EQ(NextToken(in), c.next);
}

INSTANTIATE_TEST_SUITE_P(Cases, Symbols, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct UntouchedCase {
    const char* name;
    const char* input;
    const char* next;
};

void PrintTo(const UntouchedCase& c, std::ostream* os) { *os << c.name; }

class SymbolsUntouched : public testing::TestWithParam<UntouchedCase> {};

TEST_P(SymbolsUntouched, AllThreeNull) {
    Scanner in(GetParam().input);
    EXPECT_TRUE(ReadSymbols(in).Untouched());
    EXPECT_EQ(NextToken(in), GetParam().next);
}

INSTANTIATE_TEST_SUITE_P(Cases, SymbolsUntouched,
                         testing::Values(UntouchedCase{"CountZero", "SYMBOLS: 0 CLOSED_CONTOURS:", "CLOSED_CONTOURS:"},
                                         UntouchedCase{"NegativeCount", "SYMBOLS: -2 N", "N"},
                                         UntouchedCase{"WrongTag", "SYMBOL: 2 N", "N"},
                                         UntouchedCase{"NoCount", "SYMBOLS: x", "x"},
                                         UntouchedCase{"EndOfInput", "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

// The direction is 270 - a * 180 / 3.14159265 in double, rounded to float
// once and never wrapped; the bits must match exactly.
TEST(SymbolsDirection, AngleTable) {
    const struct {
        const char* angle;
        float direction;
    } rows[] = {{"0", 270.0f}, {"1", 212.70422f}, {"1.5707963", 180.0f},
                {"3.14159265", 89.99999f}, {"6.2831853", -90.00001f}};
    for (const auto& row : rows) {
        const std::string input = std::string("SYMBOLS: 1 5 0 0 0 ") + row.angle;
        Scanner in(input);
        const TextBlock block = ReadSymbols(in);
        ASSERT_NE(block.values, nullptr);
        EXPECT_EQ(Bits(block.values[5]), Bits(row.direction)) << "angle " << row.angle << " gave " << block.values[5];
    }
}

TEST(SymbolsFindings, StoppedSectionIsReported) {
    KeptFindings sink;
    Scanner in("SYMBOLS: 2 7 1 X", &sink);
    (void)ReadSymbols(in);
    EXPECT_TRUE(sink.Has(FindingKind::BadToken));
}

}  // namespace
}  // namespace readdata14::test
