// FILLAREA: [k, code, k points, 16 values] per area, never null, and the
// tokens a wrong tag consumes.
#include <gtest/gtest.h>

#include "sections/sections.hpp"
#include "support/section_cases.hpp"

namespace readdata14::test {
namespace {

constexpr const char* kValues = " 1 2 3 4 5 6 7 8 9 10 11 12 13 2.5 -1 16 ";

std::vector<float> Values() { return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 2.5f, -1, 16}; }

std::vector<float> Concat(std::vector<std::vector<float>> parts) {
    std::vector<float> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct FillCase {
    const char* name;
    std::string input;
    std::vector<float> block;
    std::string next;
};

void PrintTo(const FillCase& c, std::ostream* os) { *os << c.name; }

std::vector<FillCase> Cases() {
    std::vector<float> zeros16(16, 0.0f);
    return {
        {"NotesTagAndCountConsumed", "NOTES_SYMBOL: 2 48 1 2", {0}, "48"},
        {"CountZero", "FILLAREA: 0 NOTES_SYMBOL:", {0}, "NOTES_SYMBOL:"},
        {"CountNotANumber", "FILLAREA: abc 1", {0}, "abc"},
        {"LongTag", std::string(40, 'F') + " 1 N", {0}, "N"},
        {"NoPointsStillSixteenValues", std::string("FILLAREA: 1 9 0") + kValues + "N",
         Concat({{1, 0, 9}, Values()}), "N"},
        {"TwoAreasFortyThreeFloats", std::string("FILLAREA: 2 5 3 1 2 0 3 4 0 5 6 0") + kValues + "6 0" + kValues,
         Concat({{2, 3, 5, 1, 2, 3, 4, 5, 6}, Values(), {0, 6}, Values()}), ""},
        {"NegativePointCount", std::string("FILLAREA: 1 9 -4") + kValues, Concat({{1, 0, 9}, Values()}), ""},
        // A broken section stops where it breaks; values not read are 0.
        {"TruncatedInsideValues", "FILLAREA: 2 5 1 1 2 0 7 8 9",
         Concat({{1, 1, 5, 1, 2, 7, 8, 9}, std::vector<float>(13, 0.0f)}), ""},
        {"UnconvertibleFloatValue", "FILLAREA: 2 5 0 1 2 3 4 5 6 7 8 9 10 11 12 13 X 15 16",
         Concat({{1, 0, 5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, {0, 0, 0}}), "X"},
        {"TruncatedInsidePoints", "FILLAREA: 1 5 3 1 2 0 3 4", Concat({{1, 1, 5, 1, 2}, zeros16}), ""},
        {"TruncatedAreaHeader", std::string("FILLAREA: 2 5 0") + kValues + "6",
         Concat({{1, 0, 5}, Values()}), ""},
    };
}

class FillAreas : public testing::TestWithParam<FillCase> {};

TEST_P(FillAreas, BlockAndStreamPosition) {
    const FillCase& c = GetParam();
    Scanner in(c.input);
    const FloatBlock block = ReadFillAreas(in);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(Walked(Layout::FillAreas, block.get()), c.block);
    EXPECT_EQ(NextToken(in), c.next);
}

INSTANTIATE_TEST_SUITE_P(Cases, FillAreas, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// 200 points 1.0 apart in x, then 100 on the last of them: 200 kept, the
// sixteen values right after them.
TEST(FillAreasThinning, ValuesFollowTheKeptPoints) {
    std::string input = "FILLAREA: 1 4 300 ";
    for (int i = 0; i < 200; ++i) input += std::to_string(i) + " 0 0 ";
    input += SamePoints(100, 199, 0) + kValues;
    Scanner in(input);
    const FloatBlock block = ReadFillAreas(in);
    const std::vector<float> walked = Walked(Layout::FillAreas, block.get());
    ASSERT_EQ(walked.size(), 1u + 418u);
    EXPECT_EQ(walked[1], 200.0f);
    EXPECT_EQ(walked[1 + 400], 199.0f);  // x of the last kept point
    EXPECT_EQ(walked[1 + 402], 1.0f);    // value 1
}

}  // namespace
}  // namespace readdata14::test
