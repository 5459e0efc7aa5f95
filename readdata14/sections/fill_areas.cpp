// The FILLAREA section: filled areas, each a code, its points (long lists
// thinned) and sixteen values carried to the caller uninterpreted.
#include <cstdint>

#include "reading/reading_rules.hpp"
#include "reading/point_lists.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

// After the points: one integer, three groups of four integers, then a float
// and two integers. Only value 14 is a float.
constexpr int kFillValues = 16;
constexpr int kFloatValue = 13;  // 0-based: value 14

// The sixteen values in file order; those not read (the section stopped) are 0.
ElementEnd ReadFillValues(Scanner& in, BlockBuilder& block) {
    static constexpr std::string_view kNames[kFillValues] = {
        "its value 1", "its value 2", "its value 3", "its value 4", "its value 5", "its value 6",
        "its value 7", "its value 8", "its value 9", "its value 10", "its value 11", "its value 12",
        "its value 13", "its value 14 (a number)", "its value 15", "its value 16"};
    int read = 0;
    for (; read < kFillValues; ++read) {
        if (read == kFloatValue) {
            const auto value = in.Float();
            if (!value) break;
            block.Push(*value);
        } else {
            const auto value = in.Int();
            if (!value) break;
            block.Push(*value);
        }
    }
    for (int i = read; i < kFillValues; ++i) block.Push(0.0f);
    return read == kFillValues ? ElementEnd::Whole() : ElementEnd::Stopped(kNames[read]);
}

// One area: "%d %d" (code, point count), the points, the sixteen values.
// Record: [k, code, k points, 16 values].
ElementEnd ReadFillArea(Scanner& in, BlockBuilder& block) {
    const auto code = in.Int();
    if (!code) return ElementEnd::Stopped("its code");
    const auto declared = ReadCount(in, "point count");
    if (!declared) return ElementEnd::Stopped("its point count");

    const ElementEnd points = ReadCodedPointRecord(in, block, *code, *declared);
    if (!points.IsWhole()) {
        for (int i = 0; i < kFillValues; ++i) block.Push(0.0f);
        return points;
    }
    return ReadFillValues(in, block);
}

}  // namespace

FloatBlock ReadFillAreas(Scanner& in) {
    // "%s %d ": a wrong tag followed by a number consumes both.
    const auto header = ReadSectionHeader(in, FILL_AREAS_TAG);
    if (!header) return EmptyBlock();
    BlockBuilder block;
    ReadElements(in, *header, {"FILLAREA", "fill area"}, [&] { return ReadFillArea(in, block); });
    return block.Finish();
}

}  // namespace readdata14
