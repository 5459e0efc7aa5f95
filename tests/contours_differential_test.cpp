// The library's nesting walk (index array, box checks that skip point tests
// which cannot succeed) against the plain linked-list walk with every point
// test run, and the whole reader against the plain block assembly: the
// results must agree bit for bit on every section.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "contours/contours.hpp"
#include "contours/nesting.hpp"
#include "support/contour_sections.hpp"
#include "support/literal_contours.hpp"

namespace readdata14::test {
namespace {

std::vector<float> ReadBlock(const std::string& text) {
    Scanner in(text);
    const FloatBlock block = ReadClosedContours(in);
    if (!block) return {};
    // The block's length follows from its own slots.
    std::size_t at = 1;
    for (std::size_t r = 0; r < static_cast<std::size_t>(block[0]); ++r) {
        const auto n = static_cast<std::size_t>(block[at]);
        const auto m = static_cast<std::size_t>(block[at + 5 + 2 * n]);
        at += 6 + 2 * n + 2 * m;
    }
    at += 1 + static_cast<std::size_t>(block[at]);
    return std::vector<float>(block.get(), block.get() + at);
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

void ExpectSameAsLiteral(const std::vector<FileContour>& items, std::uint32_t seed) {
    const std::vector<ContourNode> contours = MakeContours(items);
    const Nesting fast = NestContours(contours);
    const Nesting literal = LiteralNestContours(contours);
    ASSERT_EQ(fast.order, literal.order) << "seed " << seed;
    ASSERT_EQ(fast.directions, literal.directions) << "seed " << seed;
    ASSERT_EQ(fast.sectionDirection, literal.sectionDirection) << "seed " << seed;

    const std::vector<float> block = ReadBlock(SectionText(items));
    const std::vector<std::string_view> labels = Labels(items);
    ASSERT_TRUE(SameBits(block, LiteralContourBlock(contours, labels, literal))) << "seed " << seed;
}

TEST(ContoursDifferential, TrickySectionsMatchTheLiteralWalk) {
    for (std::uint32_t seed = 0; seed < 4000; ++seed) {
        std::mt19937 rng(seed);
        ExpectSameAsLiteral(RandomTrickySection(rng), seed);
        if (HasFatalFailure()) return;
    }
}

TEST(ContoursDifferential, ChartLikeSectionsMatchTheLiteralWalk) {
    for (std::uint32_t seed = 0; seed < 6; ++seed) {
        std::mt19937 rng(seed);
        ExpectSameAsLiteral(ChartLikeSection(rng, 150, 16), seed);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace readdata14::test
