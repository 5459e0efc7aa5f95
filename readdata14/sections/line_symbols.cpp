// Placeholder until the reader lands: recognises the tag only.
#include "driver/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {

FloatBlock ReadLineSymbols(Scanner& in) {
    const auto count = ReadSectionHeader(in, "LINES_SYMBOL:");
    if (!count) return nullptr;
    return EmptyBlock();
}

}  // namespace readdata14
