// The checker the fuzzer relies on must itself catch broken outputs: a block
// whose slots run past its end, one with floats left over after its records
// (seen only where the allocation's size is known), and texts that disagree
// with their lengths.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "support/chart_check.hpp"

namespace readdata14::test {
namespace {

std::unique_ptr<float[]> Block(const std::vector<float>& floats) {
    std::unique_ptr<float[]> block(new float[floats.size()]);
    std::copy(floats.begin(), floats.end(), block.get());
    return block;
}

std::unique_ptr<char[]> Text(const char* text) {
    std::unique_ptr<char[]> copy(new char[std::strlen(text) + 1]);
    std::strcpy(copy.get(), text);
    return copy;
}

struct Case {
    const char* name;
    std::vector<float> lines;
    std::vector<std::int32_t> noteLengths;
    const char* noteText;
    bool sound;
    bool needsSizes;  // only seen where the allocation's size is known
};

TEST(ChartCheck, CatchesBrokenOutputs) {
    const std::vector<float> note = {1, 1, 48, 0, 0, 0, 1, 2, 3, 4, 5, 6};
    const Case cases[] = {
        {"sound", {1, 1, 7, 0, 0, 999999, 0}, {3, 0}, "ab#", true, false},
        {"count slot runs past the end", {1, 5, 7, 0, 0, 999999, 0}, {3, 0}, "ab#", false, true},
        {"negative count", {1, -1, 7, 999999, 0}, {3, 0}, "ab#", false, false},
        {"floats left over", {1, 1, 7, 0, 0, 999999, 0, 42}, {3, 0}, "ab#", false, true},
        {"lengths longer than the text", {1, 1, 7, 0, 0, 999999, 0}, {4, 0}, "ab#", false, false},
        {"no text but not a blank", {1, 1, 7, 0, 0, 999999, 0}, {0, 0}, "", false, false},
        {"no text as a blank", {1, 1, 7, 0, 0, 999999, 0}, {0, 0}, " ", true, false},
    };
    const bool sizesKnown = AllocatedBytes(Block({0}).get()).has_value();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsSizes && !sizesKnown) continue;
        const auto lines = Block(c.lines);
        const auto notes = Block(note);
        std::unique_ptr<std::int32_t[]> lengths(new std::int32_t[c.noteLengths.size()]);
        std::copy(c.noteLengths.begin(), c.noteLengths.end(), lengths.get());
        const auto text = Text(c.noteText);
        const auto weatherRegions = Block({0});
        const auto description = Text("d");

        ChartView view;
        view.description = description.get();
        view.lines = lines.get();
        view.weatherRegions = weatherRegions.get();
        view.notes = {notes.get(), lengths.get(), text.get(), std::nullopt};
        EXPECT_EQ(CheckChart(view).empty(), c.sound) << CheckChart(view);
    }
}

TEST(ChartCheck, KnowsAllocationSizesUnderAddressSanitizer) {
#if defined(__SANITIZE_ADDRESS__)
    const auto block = Block({1, 2, 3});
    EXPECT_EQ(AllocatedBytes(block.get()), 3 * sizeof(float));
#else
    GTEST_SKIP() << "sizes are known under AddressSanitizer only";
#endif
}

}  // namespace
}  // namespace readdata14::test
