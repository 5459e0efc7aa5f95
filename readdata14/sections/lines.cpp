// The LINES section: each line a code, its points, a label and the label's
// own points. Every point is kept (no thinning).
#include <algorithm>
#include <cstdint>

#include "driver/reading_rules.hpp"
#include "sections/point_lists.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

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
    const PointListRead points = ReadPointList(in, block, *declared, Thinning::KeepAll);
    block[countSlot] = static_cast<float>(points.kept);

    const std::size_t labelSlot = block.Size();
    block.Push(NO_LABEL_VALUE);
    const std::size_t labelCountSlot = block.Size();
    block.Push(0.0f);
    block.CountRecord();
    if (!points.complete) return false;

    const auto label = in.Token();
    if (!label) return false;
    block[labelSlot] = ReadLabelValue(*label).value;

    const auto labelCount = in.Int();
    if (!labelCount) return false;
    const PointListRead labelPoints = ReadPointList(in, block, *labelCount, Thinning::KeepAll);
    block[labelCountSlot] = static_cast<float>(labelPoints.kept);
    return labelPoints.complete;
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
