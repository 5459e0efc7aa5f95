// The LINES section: each line a code, its points, a label and the label's
// own points. Every point is kept (no thinning).
#include <algorithm>
#include <cstdint>

#include "driver/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

// The smallest a point can be in the file: "0 0 0" and a separator.
constexpr std::size_t kMinPointBytes = 6;

// Reads `count` points into the block; returns how many were complete.
std::int32_t ReadPoints(Scanner& in, BlockBuilder& block, std::int32_t count) {
    block.Reserve(2 * BackedCount(count, in, kMinPointBytes));
    std::int32_t stored = 0;
    for (; stored < count; ++stored) {
        const auto point = ReadPoint(in);
        if (!point) break;
        block.PushPoint(*point);
    }
    return stored;
}

// One line: [p, code, p points, label value, m, m label points]. False when
// the section must stop here; a line that was started is kept with what it has.
bool ReadLine(Scanner& in, BlockBuilder& block) {
    const auto code = in.Int();
    if (!code) return false;
    const auto declared = in.Int();
    if (!declared) return false;

    const std::size_t countSlot = block.Size();
    block.Push(0.0f);
    block.Push(*code);
    const std::int32_t wanted = std::max<std::int32_t>(*declared, 0);
    const std::int32_t stored = ReadPoints(in, block, wanted);
    block[countSlot] = static_cast<float>(stored);

    const std::size_t labelSlot = block.Size();
    block.Push(NO_LABEL_VALUE);
    const std::size_t labelCountSlot = block.Size();
    block.Push(0.0f);
    block.CountRecord();
    if (stored < wanted) return false;

    const auto label = in.Token();
    if (!label) return false;
    block[labelSlot] = ReadLabelValue(*label).value;

    const auto labelCount = in.Int();
    if (!labelCount) return false;
    const std::int32_t labelWanted = std::max<std::int32_t>(*labelCount, 0);
    const std::int32_t labelStored = ReadPoints(in, block, labelWanted);
    block[labelCountSlot] = static_cast<float>(labelStored);
    return labelStored == labelWanted;
}

}  // namespace

FloatBlock ReadLines(Scanner& in) {
    const auto count = ReadSectionHeader(in, "LINES:");
    if (!count) return nullptr;
    BlockBuilder block;
    for (std::int32_t i = 0; i < *count; ++i) {
        if (!ReadLine(in, block)) {
            ReportSectionStop(in, "LINES");
            break;
        }
    }
    return block.Finish();
}

}  // namespace readdata14
