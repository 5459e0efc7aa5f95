// LINES_SYMBOL: records [k, code, k points], long point lists thinned, and
// the stream left exactly after the section.
#include <gtest/gtest.h>

#include "sections/sections.hpp"
#include "support/section_cases.hpp"

namespace readdata14::test {
namespace {

struct LineSymbolCase {
    const char* name;
    std::string input;
    std::vector<float> block;  // empty: null expected
    std::string next;          // the token the next reader starts with
};

void PrintTo(const LineSymbolCase& c, std::ostream* os) { *os << c.name; }

std::vector<float> Record(float code, int keptAt, float x, float y) {
    std::vector<float> r{static_cast<float>(keptAt), code};
    for (int i = 0; i < keptAt; ++i) {
        r.push_back(x);
        r.push_back(y);
    }
    return r;
}

std::vector<float> Block(std::vector<float> record) {
    record.insert(record.begin(), 1.0f);
    return record;
}

std::vector<LineSymbolCase> Cases() {
    return {
        {"CountZero", "LINES_SYMBOL: 0 SYMBOLS:", {0}, "SYMBOLS:"},
        {"SecondIntegerIsDropped", "LINES_SYMBOL: 1 7 99 2 1.5 2.5 0 3.5 4.5 9 NoText 0 NEXT",
         {1, 2, 7, 1.5f, 2.5f, 3.5f, 4.5f}, "NEXT"},
        {"NoPointsTrailingIntegerIgnored", "LINES_SYMBOL: 2 5 0 0 t 3 6 1 1 1 2 3 u 0 NEXT",
         {2, 0, 5, 1, 6, 1, 2}, "NEXT"},
        {"TwoHundredFiftyCoincidentAllKept", "LINES_SYMBOL: 1 3 0 250 " + SamePoints(250, 4, 5) + "t 0 N",
         Block(Record(3, 250, 4, 5)), "N"},
        {"TwoHundredFiftyOneCoincidentKeepFirst", "LINES_SYMBOL: 1 3 0 251 " + SamePoints(251, 4, 5) + "t 0 N",
         {1, 1, 3, 4, 5}, "N"},
        {"ComparedWithLastKeptNotLastRead",
         "LINES_SYMBOL: 1 3 0 251 0 0 0 0.5 0.5 0 1.0 0.2 0 " + SamePoints(248, 1.0f, 0.2f) + "t 0 N",
         {1, 2, 3, 0, 0, 1.0f, 0.2f}, "N"},
        {"WrongTagConsumesTagAndCount", "LINES: 3 NEXT", {}, "NEXT"},
        {"MissingCount", "LINES_SYMBOL: abc", {}, "abc"},
        {"LowerCaseTag", "lines_symbol: 0 N", {}, "N"},
        {"NegativeCountIsZero", "LINES_SYMBOL: -3 NEXT", {0}, "NEXT"},
        {"NegativePointCountIsZero", "LINES_SYMBOL: 1 5 0 -2 t 0 N", {1, 0, 5}, "N"},
        // A broken section stops where it breaks; what was read stays.
        {"TruncatedInsidePoint", "LINES_SYMBOL: 2 5 0 3 1 2 0 3 4", {1, 1, 5, 1, 2}, ""},
        {"UnconvertiblePoint", "LINES_SYMBOL: 2 5 0 3 1 2 0 X 4 0", {1, 1, 5, 1, 2}, "X"},
        {"TruncatedElementHeader", "LINES_SYMBOL: 2 5 0 1 1 2 0 t 0 6 0", {1, 1, 5, 1, 2}, ""},
        {"TruncatedTrailingInteger", "LINES_SYMBOL: 2 5 0 1 1 2 0 t", {1, 1, 5, 1, 2}, ""},
        {"UnbackedHugeCounts", "LINES_SYMBOL: 2000000000 1 0 2000000000 1 2 3", {1, 1, 1, 1, 2}, ""},
    };
}

class LineSymbols : public testing::TestWithParam<LineSymbolCase> {};

TEST_P(LineSymbols, BlockAndStreamPosition) {
    const LineSymbolCase& c = GetParam();
    Scanner in(c.input);
    const FloatBlock block = ReadLineSymbols(in);
    if (c.block.empty()) {
        EXPECT_EQ(block, nullptr);
    } else {
        EXPECT_EQ(Walked(Layout::PointList, block.get()), c.block);
    }
    EXPECT_EQ(NextToken(in), c.next);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineSymbols, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LineSymbolsFindings, StoppedSectionIsReported) {
    KeptFindings sink;
    Scanner in("LINES_SYMBOL: 2 5 0 3 1 2 0 X", &sink);
    (void)ReadLineSymbols(in);
    EXPECT_TRUE(sink.Has(FindingKind::BadToken));
}

}  // namespace
}  // namespace readdata14::test
