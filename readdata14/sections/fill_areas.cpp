// Placeholder until the reader lands: recognises the tag only.
#include "driver/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {

FloatBlock ReadFillAreas(Scanner& in) {
    const auto count = ReadSectionHeader(in, "FILLAREA:");
    if (!count) return nullptr;
    return EmptyBlock();
}

}  // namespace readdata14
