// The thinned point list that line symbols, weather regions and fill areas
// share: every declared point is read, only the kept ones are stored.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "driver/reading_rules.hpp"

namespace readdata14 {

struct PointListRead {
    std::int32_t kept;  // points stored in the block
    bool complete;      // every declared point was read
};

// Reads `declared` points (a negative count reads none), appends the ones
// ThinPoints keeps. Stops at the first point that does not fully convert; the
// points before it stay.
inline PointListRead ReadThinnedPoints(Scanner& in, BlockBuilder& block, std::int32_t declared) {
    // The smallest a point can be in the file: "0 0 0" and a separator.
    constexpr std::size_t kMinPointBytes = 6;
    const std::int32_t wanted = std::max<std::int32_t>(declared, 0);
    block.Reserve(2 * BackedCount(wanted, in, kMinPointBytes));
    PointThinner thinner(wanted);
    std::int32_t kept = 0;
    for (std::int32_t i = 0; i < wanted; ++i) {
        const auto point = ReadPoint(in);
        if (!point) return {kept, false};
        if (thinner.Keep(*point)) {
            block.PushPoint(*point);
            ++kept;
        }
    }
    return {kept, true};
}

}  // namespace readdata14
