// The closed contours: read, nested, classified rise/fall, levelled.
#pragma once

#include <cstdint>
#include <vector>

#include "reading/blocks.hpp"
#include "reading/scanner.hpp"

namespace readdata14 {

// "CLOSED_CONTOURS:" — the contour block in nesting order with the sorted
// level list after the last record. Null when the tag is wrong. With
// `filePositions`, also where each record's contour stood in the file (from
// 0), record by record: the nesting depends on the order of the file, so a
// writer needs it to give a chart back as it was.
FloatBlock ReadClosedContours(Scanner& in, std::vector<std::uint32_t>* filePositions = nullptr);

}  // namespace readdata14
