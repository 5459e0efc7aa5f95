// The LINES section: each line a code, its points, a label and the label's
// own points. Every point is kept (no thinning).
#include <cstdint>

#include "reading/point_lists.hpp"
#include "reading/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

// One line: [p, code, p points, label value, m, m label points]. A line that
// was started is kept with what it has when the section stops inside it.
ElementEnd ReadLine(Scanner& in, BlockBuilder& block) {
    const auto code = in.Int();
    if (!code) return ElementEnd::Stopped("its code");
    const auto declared = ReadCount(in, "point count");
    if (!declared) return ElementEnd::Stopped("its point count");

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
    if (!points.end.IsWhole()) return points.end;

    const auto label = ReadLabel(in);
    if (!label) return ElementEnd::Stopped("its label");
    block[labelSlot] = label->value;

    const auto labelCount = ReadCount(in, "label point count");
    if (!labelCount) return ElementEnd::Stopped("its label point count");
    const PointListRead labelPoints =
        ReadPointList(in, block, *labelCount, Thinning::KeepAll, "a label point (x y z)");
    block[labelCountSlot] = static_cast<float>(labelPoints.kept);
    return labelPoints.end;
}

}  // namespace

FloatBlock ReadLines(Scanner& in) {
    const auto header = ReadSectionHeader(in, LINES_TAG);
    if (!header) return nullptr;
    BlockBuilder block;
    ReadElements(in, *header, {"LINES", "line"}, [&] { return ReadLine(in, block); });
    return block.Finish();
}

}  // namespace readdata14
