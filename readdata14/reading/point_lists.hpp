// The point lists of lines, line symbols, weather regions, fill areas and
// label points: every declared point is read, the kept ones are stored.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "reading/reading_rules.hpp"

namespace readdata14 {

struct PointListRead {
    std::int32_t kept;  // points stored in the block
    ElementEnd end;     // whole when every declared point was read
};

// LINES keeps every point; the other point-list sections thin long lists.
enum class Thinning { KeepAll, ThinLongLists };

// Reads `declared` points (a negative count reads none) and appends the ones
// kept. Stops at the first point that does not fully convert, and before a
// point that would be kept beyond MAX_BLOCK_COUNT; the points before stay.
inline PointListRead ReadPointList(Scanner& in, BlockBuilder& block, std::int32_t declared,
                                   Thinning thinning = Thinning::ThinLongLists,
                                   std::string_view point = "a point (x y z)") {
    // The smallest a point can be in the file: "0 0 0" and a separator.
    constexpr std::size_t kMinPointBytes = 6;
    const std::int32_t wanted = std::max<std::int32_t>(declared, 0);
    block.Reserve(2 * BackedCount(wanted, in, kMinPointBytes));
    // A thinner told of no points keeps every point.
    PointThinner thinner(thinning == Thinning::ThinLongLists ? wanted : 0);
    std::int32_t kept = 0;
    for (std::int32_t i = 0; i < wanted; ++i) {
        const auto read = ReadPoint(in);
        if (!read) return {kept, ElementEnd::Stopped(point)};
        if (!thinner.Keep(*read)) continue;
        if (kept == MAX_BLOCK_COUNT) return {kept, ElementEnd::AtLimit("points")};
        block.PushPoint(*read);
        ++kept;
    }
    return {kept, ElementEnd::Whole()};
}

// The record these sections begin with: [k, code, k kept points], counted in
// the block.
inline ElementEnd ReadCodedPointRecord(Scanner& in, BlockBuilder& block, std::int32_t code, std::int32_t declared) {
    const std::size_t countSlot = block.Size();
    block.Push(0.0f);
    block.Push(code);
    const PointListRead points = ReadPointList(in, block, declared);
    block[countSlot] = static_cast<float>(points.kept);
    block.CountRecord();
    return points.end;
}

}  // namespace readdata14
