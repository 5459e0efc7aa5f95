#include "contours/contour_reading.hpp"

#include <cmath>
#include <cstdint>

namespace readdata14 {
namespace {

// The smallest a point can be in the file: "0 0 0" and a separator.
constexpr std::size_t kMinPointBytes = 6;

// Reads up to `count` points; only points whose three coordinates converted
// are stored. True when all were read.
bool ReadPoints(Scanner& in, std::int32_t count, std::vector<Point>& points, ContourBox* box) {
    points.reserve(BackedCount(count, in, kMinPointBytes));
    for (std::int32_t i = 0; i < count; ++i) {
        const auto point = ReadPoint(in);
        if (!point) return false;
        if (box) ExtendBox(*box, *point, i == 0);
        points.push_back(*point);
    }
    return true;
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

bool IsClosedContour(std::span<const Point> points) noexcept {
    if (points.empty()) return false;
    // Rounded to float before the comparison, as the format decides it.
    const float dx = static_cast<float>(double(points.front().x) - double(points.back().x));
    const float dy = static_cast<float>(double(points.front().y) - double(points.back().y));
    return std::fabs(dx) < 2.0f && std::fabs(dy) < 2.0f;
}

void AddLevelValue(std::vector<float>& levelValues, const Label& label) {
    if (!label.isNumber || label.number == NO_LABEL_VALUE) return;
    if (!(label.value < LEVEL_VALUE_LIMIT)) return;
    levelValues.push_back(label.number);
}

ContourRead ReadContour(Scanner& in, ContourNode& node, std::vector<float>& levelValues) {
    const auto code = in.Int();
    if (!code) return ContourRead::NotStarted;
    const auto declared = in.Int();
    if (!declared) return ContourRead::NotStarted;
    node.code = *code;

    const bool pointsRead = ReadPoints(in, *declared, node.points, &node.box);
    node.isClosed = IsClosedContour(node.points);
    if (!pointsRead) return ContourRead::CutShort;

    const auto token = in.Token();
    if (!token) return ContourRead::CutShort;
    const Label label = ReadLabelValue(*token);
    node.value = label.value;
    AddLevelValue(levelValues, label);

    const auto labelCount = in.Int();
    if (!labelCount) return ContourRead::CutShort;
    // Sized to what is read, so a contour may carry any number of label points.
    if (!ReadPoints(in, *labelCount, node.labelPoints, nullptr)) return ContourRead::CutShort;
    return ContourRead::Complete;
}

}  // namespace readdata14
