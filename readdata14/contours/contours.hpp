// The closed contours: read, nested, classified rise/fall, levelled.
#pragma once

#include "reading/blocks.hpp"
#include "reading/scanner.hpp"

namespace readdata14 {

// "CLOSED_CONTOURS:" — the contour block in nesting order with the sorted
// level list after the last record. Null when the tag is wrong.
FloatBlock ReadClosedContours(Scanner& in);

}  // namespace readdata14
