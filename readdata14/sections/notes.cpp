// Placeholder until the reader lands.
#include "driver/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {

TextBlock ReadNotes(Scanner& in) {
    (void)ReadSectionHeader(in, "NOTES_SYMBOL:");
    return {};
}

}  // namespace readdata14
