// Placeholder until the reader lands.
#include "driver/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {

FloatBlock ReadWeatherRegions(Scanner& in, std::int32_t& status) {
    status = 0;
    (void)in;
    return EmptyBlock();
}

}  // namespace readdata14
