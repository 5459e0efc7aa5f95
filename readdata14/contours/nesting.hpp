// Nesting: the contours in box order, so that a contour comes before every
// contour it can enclose, and the rise/fall direction of each nested pair.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "contours/contour_node.hpp"

namespace readdata14 {

// Box order: minX ascending, then minY ascending, then maxY descending, then
// maxX descending. Identical boxes are not ordered (they keep reading order).
bool BoxBefore(const ContourBox& a, const ContourBox& b) noexcept;

struct Nesting {
    std::vector<std::int32_t> order;            // indices into the file order, in list order
    std::vector<ContourDirection> directions;   // by file-order index
    ContourDirection sectionDirection = DIRECTION_NONE;  // the first direction a pair gave
};

// Inserts the contours one by one, in file order, as they were read: each new
// contour moves in front of the contours that come after it in box order,
// testing whether it encloses each one it passes; then it looks back for the
// first contour that encloses it and has a different value, passing over
// contours that already have a direction when it has one too.
// The contours met by each step are found with a spatial index (see
// nesting_index.hpp), which gives the same results in near-linear time on
// charts whose contours lie apart from each other; where a box holds a NaN,
// box order is no order and the walk goes contour by contour instead. Each
// step meets its first `stepsAlongTheList` contours along the list itself:
// a step that ends there (nothing after the new contour in box order, the
// contour next to its place enclosing it) then looks at no cell, and a
// section where every step does never builds the grids. Any number gives the
// same results; the tests use 0 too, so that the index meets everything.
inline constexpr std::size_t kStepsAlongTheList = 1;
Nesting NestContours(std::span<const ContourNode> contours, std::size_t stepsAlongTheList = kStepsAlongTheList);

// The walk contour by contour along the list, as described above, with the
// same results.
Nesting NestContoursOneByOne(std::span<const ContourNode> contours);

}  // namespace readdata14
