// Placeholder until the reader lands.
#include "contours/contours.hpp"
#include "driver/reading_rules.hpp"

namespace readdata14 {

FloatBlock ReadClosedContours(Scanner& in) {
    const auto count = ReadSectionHeader(in, "CLOSED_CONTOURS:");
    if (!count) return nullptr;
    FloatBlock block(new float[2]);
    block[0] = 0.0f;
    block[1] = 0.0f;
    return block;
}

}  // namespace readdata14
