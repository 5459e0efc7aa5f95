// The FILLAREA section: filled areas, each a code, its points (long lists
// thinned) and sixteen values carried to the caller uninterpreted.
#include <cstdint>

#include "driver/reading_rules.hpp"
#include "sections/point_lists.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

// After the points: one integer, three groups of four integers, then a float
// and two integers. Only value 14 is a float.
constexpr int kFillValues = 16;
constexpr int kFloatValue = 13;  // 0-based: value 14

// The sixteen values in file order; those not read (the section stopped) are 0.
// False when one did not convert.
bool ReadFillValues(Scanner& in, BlockBuilder& block) {
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
    return read == kFillValues;
}

// One area: "%d %d" (code, point count), the points, the sixteen values.
// Record: [k, code, k points, 16 values]. False when the section must stop.
bool ReadFillArea(Scanner& in, BlockBuilder& block) {
    const auto code = in.Int();
    if (!code) return false;
    const auto declared = in.Int();
    if (!declared) return false;

    if (!ReadCodedPointRecord(in, block, *code, *declared)) {
        for (int i = 0; i < kFillValues; ++i) block.Push(0.0f);
        return false;
    }
    return ReadFillValues(in, block);
}

}  // namespace

FloatBlock ReadFillAreas(Scanner& in) {
    // "%s %d ": a wrong tag followed by a number consumes both.
    const auto count = ReadSectionHeader(in, "FILLAREA:");
    if (!count) return EmptyBlock();
    BlockBuilder block;
    for (std::int32_t i = 0; i < *count; ++i) {
        if (!ReadFillArea(in, block)) {
            ReportSectionStop(in, "FILLAREA");
            break;
        }
    }
    return block.Finish();
}

}  // namespace readdata14
