// The point lists of lines, line symbols, weather regions and fill areas:
// every declared point is read, the kept ones are stored.
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

// LINES keeps every point; the other point-list sections thin long lists.
enum class Thinning { KeepAll, ThinLongLists };

// Reads `declared` points (a negative count reads none) and appends the ones
// kept. Stops at the first point that does not fully convert; the points
// before it stay.
inline PointListRead ReadPointList(Scanner& in, BlockBuilder& block, std::int32_t declared,
                                   Thinning thinning = Thinning::ThinLongLists) {
    // The smallest a point can be in the file: "0 0 0" and a separator.
    constexpr std::size_t kMinPointBytes = 6;
    const std::int32_t wanted = std::max<std::int32_t>(declared, 0);
    block.Reserve(2 * BackedCount(wanted, in, kMinPointBytes));
    // A thinner told of no points keeps every point.
    PointThinner thinner(thinning == Thinning::ThinLongLists ? wanted : 0);
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

// The record these sections begin with: [k, code, k kept points], counted in
// the block. True when every declared point was read.
inline bool ReadCodedPointRecord(Scanner& in, BlockBuilder& block, std::int32_t code, std::int32_t declared) {
    const std::size_t countSlot = block.Size();
    block.Push(0.0f);
    block.Push(code);
    const PointListRead points = ReadPointList(in, block, declared);
    block[countSlot] = static_cast<float>(points.kept);
    block.CountRecord();
    return points.complete;
}

}  // namespace readdata14
