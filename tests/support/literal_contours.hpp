// The contour nesting and the contour block written the plain way: a doubly
// linked list walked exactly step by step, every point test run in full, the
// records assembled one by one. The library's walk must give the same
// results bit for bit; the differential test and the benchmark compare them.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "contours/contour_node.hpp"
#include "contours/nesting.hpp"

namespace readdata14::test {

// The fan test over every triangle (point 0, point k, point k + 1), every
// angle test run.
bool PointInContour(float x, float y, std::span<const Point> points) noexcept;

Nesting LiteralNestContours(std::span<const ContourNode> contours);

// The block for contours read in file order, with their label tokens (for
// the level list) and the nesting above.
std::vector<float> LiteralContourBlock(std::span<const ContourNode> contours,
                                       std::span<const std::string_view> labels,
                                       const Nesting& nesting);

}  // namespace readdata14::test
