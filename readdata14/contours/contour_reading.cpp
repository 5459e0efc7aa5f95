#include "contours/contour_reading.hpp"

#include <cmath>
#include <cstdint>

namespace readdata14 {
namespace {

// The smallest a point can be in the file: "0 0 0" and a separator.
constexpr std::size_t kMinPointBytes = 6;

// Reads up to `count` points, each stored (no thinning here), stopping at a
// point that does not fully convert or would be one beyond MAX_BLOCK_COUNT.
ElementEnd ReadPoints(Scanner& in, std::int32_t count, std::vector<Point>& points, ContourBox* box,
                      std::string_view point) {
    points.reserve(BackedCount(count, in, kMinPointBytes));
    for (std::int32_t i = 0; i < count; ++i) {
        if (i == MAX_BLOCK_COUNT) return ElementEnd::AtLimit(box ? "points" : "label points");
        const auto read = ReadPoint(in);
        if (!read) return ElementEnd::Stopped(point);
        if (box) ExtendBox(*box, *read, i == 0);
        points.push_back(*read);
    }
    return ElementEnd::Whole();
}

}  // namespace

void ExtendBox(ContourBox& box, Point point, bool first) noexcept {
    if (first) {
        box = {point.x, point.y, point.x, point.y};
        return;
    }
    if (point.x < box.minX) box.minX = point.x;
    if (point.x > box.maxX) box.maxX = point.x;
    if (point.y < box.minY) box.minY = point.y;
    if (point.y > box.maxY) box.maxY = point.y;
}

void AddLevelValue(std::vector<float>& levelValues, const Label& label) {
    if (!label.isNumber || label.number == NO_LABEL_VALUE) return;
    if (!(label.value < LEVEL_VALUE_LIMIT)) return;
    levelValues.push_back(label.number);
}

ContourRead ReadContour(Scanner& in, ContourNode& node, std::vector<float>& levelValues) {
    const auto code = in.Int();
    if (!code) return {false, ElementEnd::Stopped("its code")};
    const auto declared = ReadCount(in, "point count");
    if (!declared) return {false, ElementEnd::Stopped("its point count")};
    node.code = *code;

    const ElementEnd points = ReadPoints(in, *declared, node.points, &node.box, "a point (x y z)");
    node.isClosed = IsClosedContour(node.points);
    if (!points.IsWhole()) return {true, points};

    const auto label = ReadLabel(in);
    if (!label) return {true, ElementEnd::Stopped("its label")};
    node.value = label->value;
    AddLevelValue(levelValues, *label);

    const auto labelCount = ReadCount(in, "label point count");
    if (!labelCount) return {true, ElementEnd::Stopped("its label point count")};
    // Sized to what is read, so a contour may carry any number of label points.
    return {true, ReadPoints(in, *labelCount, node.labelPoints, nullptr, "a label point (x y z)")};
}

}  // namespace readdata14
