// Placeholder until the reader lands.
#include "driver/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {

TextBlock ReadSymbols(Scanner& in) {
    (void)ReadSectionHeader(in, "SYMBOLS:");
    return {};
}

}  // namespace readdata14
